#include "com/TypeLibrary.h"

#include <oleauto.h>

namespace com {

std::wstring ModuleFile(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT LoadTypeLibrary(const LibrarySource& source, HMODULE module, ComPtr<ITypeLib>& out) {
    HRESULT hr = TYPE_E_LIBNOTREGISTERED;
    if (source.libid)
        hr = ::LoadRegTypeLib(*source.libid, source.major, source.minor, LOCALE_NEUTRAL,
                              out.ReleaseAndGetAddressOf());
    if (FAILED(hr) && source.inModule)
        hr = ::LoadTypeLibEx(ModuleFile(module).c_str(), REGKIND_NONE, out.ReleaseAndGetAddressOf());
    return hr;
}

TypeLibrary::TypeLibrary(const LibrarySource& source, HMODULE module, ClientView view)
    : m_source(source), m_module(module), m_view(view) {}

HRESULT TypeLibrary::DispatchInfo(REFIID iid, ComPtr<ITypeInfo>& out) {
    ComPtr<ITypeLib> library;
    {
        CriticalSectionLock lock(m_loading);
        if (!m_library) {
            HRESULT hr = LoadTypeLibrary(m_source, m_module, m_library);
            if (FAILED(hr))
                return hr;
        }
        library = m_library;
    }
    return library->GetTypeInfoOfGuid(iid, out.ReleaseAndGetAddressOf());
}

HRESULT TypeLibrary::InvokeInfo(REFIID iid, ComPtr<ITypeInfo>& out) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = DispatchInfo(iid, info);
    if (FAILED(hr))
        return hr;
    // A dual interface is listed as its dispatch view; its interface half is implemented type -1.
    HREFTYPE half = 0;
    ComPtr<ITypeInfo> interfaceHalf;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &half)) &&
        SUCCEEDED(info->GetRefTypeInfo(half, interfaceHalf.ReleaseAndGetAddressOf())))
        info = interfaceHalf;
    out = info;
    return S_OK;
}

HRESULT TypeLibrary::ClientInfo(REFIID iid, ComPtr<ITypeInfo>& out) {
    return m_view == ClientView::Interface ? InvokeInfo(iid, out) : DispatchInfo(iid, out);
}

void TypeLibrary::Release() {
    CriticalSectionLock lock(m_loading);
    m_library.Reset();
}

} // namespace com
