// The in-process COM server of a library, described as data: a table of creatable classes, the
// type information its dual interfaces serve, and its registration script resource. It keeps the
// library-wide lock count, makes each class object on first request and caches type information.
// A further server is a further table, not a copy of this code.
#pragma once
#include "ComPtr.h"

#include <windows.h>
#include <oaidl.h>
#include <cstddef>
#include <string>
#include <vector>

struct CreatableClass {
    const CLSID* clsid;
    // Makes an instance (aggregated when outer is given) and asks it for iid.
    HRESULT (*createInstance)(IUnknown* outer, REFIID iid, void** out);
};

struct TypeInfoSource {
    const GUID* libid;
    WORD major;
    WORD minor;
    const IID* iid;
    // The server's own type library: when not registered yet, it is read from the library file.
    bool ownLibrary;
};

struct ServerDescription {
    const CreatableClass* classes;
    std::size_t classCount;
    const TypeInfoSource* typeInfos;
    std::size_t typeInfoCount;
    int registryScript; // id of the "REGISTRY" resource
};

class CClassFactory;

class CComServer {
public:
    static CComServer& Instance();

    // At library load and unload.
    void Init(HINSTANCE instance, const ServerDescription& description);
    void Term();

    void Lock();
    void Unlock();
    LONG LockCount() const { return m_locks; }
    HRESULT CanUnloadNow() const { return m_locks == 0 ? S_OK : S_FALSE; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
    // Type information of the description's entry `slot`, loaded on first use and kept.
    HRESULT TypeInfo(std::size_t slot, ITypeInfo** out);

    // The registration script in register or unregister mode (Win32 error as HRESULT).
    HRESULT RunRegistryScript(bool registering);

    HINSTANCE Module() const { return m_instance; }
    std::wstring ModuleFile() const;

private:
    CComServer();
    ~CComServer();
    HRESULT LoadTypeInfo(const TypeInfoSource& source, ComPtr<ITypeInfo>& out);

    struct Impl;
    Impl* m_impl;
    HINSTANCE m_instance = nullptr;
    ServerDescription m_description = {};
    volatile LONG m_locks = 0;
};
