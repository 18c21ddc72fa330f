#include "TypeLibRegistration.h"

#include "ComPtr.h"
#include "ModulePath.h"
#include "UniqueHandle.h"

#include <oleauto.h>

namespace TypeLibRegistration {

namespace {
HRESULT Load(const std::wstring& moduleFile, ComPtr<ITypeLib>& out) {
    HRESULT hr = ::LoadTypeLibEx(moduleFile.c_str(), REGKIND_NONE, out.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        hr = ::LoadTypeLibEx(ModulePath::TypeLibraryFile(moduleFile).c_str(), REGKIND_NONE,
                             out.ReleaseAndGetAddressOf());
    return hr;
}

using UnRegisterTypeLibFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
} // namespace

HRESULT Register(const std::wstring& moduleFile) {
    ComPtr<ITypeLib> library;
    HRESULT hr = Load(moduleFile, library);
    if (FAILED(hr))
        return hr;
    std::wstring path = moduleFile;
    std::wstring helpFolder = ModulePath::Folder(moduleFile);
    return ::RegisterTypeLib(library.Get(), &path[0], helpFolder.empty() ? nullptr : &helpFolder[0]);
}

HRESULT Unregister(const std::wstring& moduleFile) {
    ComPtr<ITypeLib> library;
    HRESULT hr = Load(moduleFile, library);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr))
        return hr;
    TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);

    UniqueModule automation(::LoadLibraryW(L"oleaut32.dll"));
    if (!automation)
        return S_OK;
    auto unregister = reinterpret_cast<UnRegisterTypeLibFn>(
        reinterpret_cast<void*>(::GetProcAddress(automation.Get(), "UnRegisterTypeLib")));
    if (!unregister)
        return S_OK;
    return unregister(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
}

} // namespace TypeLibRegistration
