// The add-in library as an in-process COM server, described as data: a table of creatable
// classes, the type libraries that its dual interfaces are answered from, and its registration
// script resource. It keeps the library-wide lock count and the class objects.
#pragma once
#include "com/ClassFactory.h"
#include "com/TypeLibrary.h"

#include <windows.h>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>

struct ServerDescription {
    const com::CreatableClass* classes;
    std::size_t classCount;
    const com::LibrarySource* libraries;
    std::size_t libraryCount;
    int registryScript; // id of the "REGISTRY" resource
};

class CComServer {
public:
    static CComServer& Instance();

    // At library load and unload.
    void Init(HINSTANCE instance, const ServerDescription& description);
    void Term();

    void Lock() { m_lock.Lock(); }
    void Unlock() { m_lock.Unlock(); }
    HRESULT CanUnloadNow() const { return m_lock.Free() ? S_OK : S_FALSE; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
        return m_classes->GetClassObject(clsid, iid, out);
    }
    // Entry `index` of the description's type libraries, loaded on first use and kept.
    com::TypeLibrary& Library(std::size_t index) { return m_libraries.at(index); }

    // The registration script in register or unregister mode (Win32 error as HRESULT).
    HRESULT RunRegistryScript(bool registering);

    HINSTANCE Module() const { return m_instance; }
    std::wstring ModuleFile() const { return com::ModuleFile(m_instance); }

private:
    CComServer() = default;

    HINSTANCE m_instance = nullptr;
    int m_registryScript = 0;
    com::ModuleLock m_lock;
    std::unique_ptr<com::ClassTable> m_classes;
    std::deque<com::TypeLibrary> m_libraries;
};

// The server's type library `Index`, for com::DualDispatch.
template <std::size_t Index> com::TypeLibrary& ServerLibrary() {
    return CComServer::Instance().Library(Index);
}
