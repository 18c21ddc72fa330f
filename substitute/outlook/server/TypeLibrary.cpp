#include "TypeLibrary.h"

#include <windows.h>

#include <string>

namespace {
std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
} // namespace

HRESULT TypeLibrary::Library(ComPtr<ITypeLib>& out) {
    static ComPtr<ITypeLib> s_lib;
    if (!s_lib) {
        HRESULT hr = ::LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, s_lib.ReleaseAndGetAddressOf());
        if (FAILED(hr))
            return hr;
    }
    out = s_lib;
    return S_OK;
}

HRESULT TypeLibrary::DispatchInfo(REFIID iid, ComPtr<ITypeInfo>& out) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = Library(lib);
    if (FAILED(hr))
        return hr;
    return lib->GetTypeInfoOfGuid(iid, out.ReleaseAndGetAddressOf());
}

HRESULT TypeLibrary::InvokeInfo(REFIID iid, ComPtr<ITypeInfo>& out) {
    ComPtr<ITypeInfo> dispatch;
    HRESULT hr = DispatchInfo(iid, dispatch);
    if (FAILED(hr))
        return hr;
    // A dual interface is listed as a dispinterface; its vtable half is the implemented type -1.
    HREFTYPE vtableRef = 0;
    if (FAILED(dispatch->GetRefTypeOfImplType(-1, &vtableRef))) {
        out = dispatch;
        return S_OK;
    }
    return dispatch->GetRefTypeInfo(vtableRef, out.ReleaseAndGetAddressOf());
}
