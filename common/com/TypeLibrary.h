// Type libraries found by module path or registration, and the type information that the
// IDispatch half of a dual interface is answered from (see DualDispatch).
#pragma once
#include "ComPtr.h"
#include "com/CriticalSection.h"

#include <oaidl.h>
#include <string>

namespace com {

// The full path of a module's file (null: the program's), however long; empty when it fails.
std::wstring ModuleFile(HMODULE module);

// Where a type library is found: registered under a LIBID and version (neutral locale), else, where
// inModule is set, as the first "TYPELIB" resource of the module file.
struct LibrarySource {
    const GUID* libid; // null: not looked up in the registry
    WORD major;
    WORD minor;
    bool inModule;
};

HRESULT LoadTypeLibrary(const LibrarySource& source, HMODULE module, ComPtr<ITypeLib>& out);

// One type library, loaded on first use and kept until Release. Any thread may use it.
class TypeLibrary {
public:
    // What IDispatch::GetTypeInfo hands out for a dual interface: its dispatch description, or the
    // interface half that calls go through.
    enum class ClientView { Dispatch, Interface };

    TypeLibrary(const LibrarySource& source, HMODULE module, ClientView view = ClientView::Dispatch);
    TypeLibrary(const TypeLibrary&) = delete;
    TypeLibrary& operator=(const TypeLibrary&) = delete;

    // For IDispatch::GetTypeInfo.
    HRESULT ClientInfo(REFIID iid, ComPtr<ITypeInfo>& out);
    // For GetIDsOfNames and Invoke: the interface half of a dual interface, else its description.
    HRESULT InvokeInfo(REFIID iid, ComPtr<ITypeInfo>& out);
    void Release();

private:
    HRESULT DispatchInfo(REFIID iid, ComPtr<ITypeInfo>& out);

    const LibrarySource m_source;
    const HMODULE m_module;
    const ClientView m_view;
    CriticalSection m_loading;
    ComPtr<ITypeLib> m_library;
};

} // namespace com
