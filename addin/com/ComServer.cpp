#include "ComServer.h"

#include "ClassFactory.h"
#include "CriticalSection.h"
#include "RegExecutor.h"
#include "RegScript.h"
#include "StringConv.h"
#include "Win32Registry.h"

#include <new>

struct CComServer::Impl {
    CCriticalSection classObjects;
    CCriticalSection typeInfos;
    std::vector<CClassFactory*> factories; // the server's own reference each, or null
    std::vector<ComPtr<ITypeInfo>> infos;
};

CComServer& CComServer::Instance() {
    static CComServer s_server;
    return s_server;
}

CComServer::CComServer() : m_impl(new Impl) {}

CComServer::~CComServer() {
    delete m_impl;
}

void CComServer::Init(HINSTANCE instance, const ServerDescription& description) {
    m_instance = instance;
    m_description = description;
    m_impl->factories.assign(description.classCount, nullptr);
    m_impl->infos.assign(description.typeInfoCount, ComPtr<ITypeInfo>());
}

void CComServer::Term() {
    {
        CCriticalSectionLock lock(m_impl->classObjects);
        for (CClassFactory*& factory : m_impl->factories)
            if (CClassFactory* held = std::exchange(factory, nullptr))
                held->Release();
    }
    CCriticalSectionLock lock(m_impl->typeInfos);
    for (auto& info : m_impl->infos)
        info.Reset();
}

void CComServer::Lock() {
    ::InterlockedIncrement(&m_locks);
}

void CComServer::Unlock() {
    ::InterlockedDecrement(&m_locks);
}

HRESULT CComServer::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (std::size_t i = 0; i < m_description.classCount; ++i) {
        if (*m_description.classes[i].clsid != clsid)
            continue;
        CClassFactory* factory = m_impl->factories[i];
        if (!factory) {
            CCriticalSectionLock lock(m_impl->classObjects);
            factory = m_impl->factories[i];
            if (!factory) {
                factory = new (std::nothrow) CClassFactory(m_description.classes[i]);
                if (!factory)
                    return E_OUTOFMEMORY;
                m_impl->factories[i] = factory;
            }
        }
        return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

std::wstring CComServer::ModuleFile() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(m_instance, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT CComServer::LoadTypeInfo(const TypeInfoSource& source, ComPtr<ITypeInfo>& out) {
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadRegTypeLib(*source.libid, source.major, source.minor, LOCALE_NEUTRAL,
                                  library.ReleaseAndGetAddressOf());
    if (FAILED(hr) && source.ownLibrary)
        hr = ::LoadTypeLibEx(ModuleFile().c_str(), REGKIND_NONE, library.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    ComPtr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(*source.iid, info.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    // A dual interface is listed as its dispatch view; calls go through its vtable half.
    HREFTYPE vtable = 0;
    ComPtr<ITypeInfo> vtableInfo;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &vtable)) &&
        SUCCEEDED(info->GetRefTypeInfo(vtable, vtableInfo.ReleaseAndGetAddressOf())))
        info = vtableInfo;
    out = info;
    return S_OK;
}

HRESULT CComServer::TypeInfo(std::size_t slot, ITypeInfo** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (slot >= m_description.typeInfoCount)
        return DISP_E_BADINDEX;
    CCriticalSectionLock lock(m_impl->typeInfos);
    ComPtr<ITypeInfo>& cached = m_impl->infos[slot];
    if (!cached) {
        HRESULT hr = LoadTypeInfo(m_description.typeInfos[slot], cached);
        if (FAILED(hr))
            return hr;
    }
    *out = ComPtr<ITypeInfo>(cached).Detach();
    return S_OK;
}

HRESULT CComServer::RunRegistryScript(bool registering) {
    HRSRC found = ::FindResourceW(m_instance, MAKEINTRESOURCEW(m_description.registryScript), L"REGISTRY");
    HGLOBAL loaded = found ? ::LoadResource(m_instance, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(::GetLastError() ? ::GetLastError() : ERROR_RESOURCE_DATA_NOT_FOUND);
    std::string text(bytes, ::SizeofResource(m_instance, found));
    std::wstring module = ModuleFile();
    if (module.empty())
        return HRESULT_FROM_WIN32(::GetLastError());
    std::string expanded;
    Registrar::Script script;
    if (!Registrar::ExpandTokens(text, {{"MODULE", Registrar::QuoteForScript(WideToUtf8(module))}},
                                 expanded) ||
        !Registrar::Parse(expanded, script))
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    Registrar::CWin32Registry registry;
    long result =
        registering ? Registrar::Register(registry, script) : Registrar::Unregister(registry, script);
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(result));
}
