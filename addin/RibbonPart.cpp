#include "RibbonPart.h"

#include "FacePicture.h"
#include "ComServer.h"
#include "Dispatch.h"
#include "StringConv.h"
#include "resource.h"

#include <cwchar>
#include <new>
#include <string>

namespace {

// The callbacks by the names the custom UI gives them, and GetCustomUI itself for callers that
// look it up by name. DISPIDs of the callbacks lie above the interface's own.
struct Member {
    const wchar_t* name;
    DISPID id;
    HRESULT (CRibbonPart::*callback)(IDispatch* argument, VARIANT* result);
};
constexpr DISPID kFirstCallback = 0x100;
const Member kMembers[] = {
    {L"GetCustomUI", office::kDispidGetCustomUI, nullptr},
    {L"OnRibbonLoad", kFirstCallback, &CRibbonPart::OnLoad},
    {L"OnShowPictures", kFirstCallback + 1, &CRibbonPart::OnAction},
    {L"GetShowPicturesImage", kFirstCallback + 2, &CRibbonPart::GetImage},
};

// The large Home-tab button gets the large picture; the menu items the small one.
const wchar_t kLargeButtonId[] = L"VaroscopeShowPictures";

const Member* FindMember(const wchar_t* name) {
    for (const Member& member : kMembers)
        if (::_wcsicmp(member.name, name) == 0)
            return &member;
    return nullptr;
}

const Member* FindMember(DISPID id) {
    for (const Member& member : kMembers)
        if (member.id == id)
            return &member;
    return nullptr;
}

// The one object argument of a callback: the control, or the ribbon at load. Office passes it
// by value; a by-reference one is taken too.
IDispatch* ObjectArgument(const DISPPARAMS* params) {
    if (!params || params->cArgs < 1)
        return nullptr;
    const VARIANT& last = params->rgvarg[params->cArgs - 1]; // the first argument comes last
    switch (last.vt) {
    case VT_DISPATCH:
        return last.pdispVal;
    case VT_DISPATCH | VT_BYREF:
        return last.ppdispVal ? *last.ppdispVal : nullptr;
    default:
        return nullptr;
    }
}

// The custom UI of Outlook's main window, kept as a UTF-8 resource of the library.
std::wstring ExplorerCustomUi() {
    HMODULE module = CComServer::Instance().Module();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_RIBBON_EXPLORER), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!bytes)
        return {};
    std::string text(bytes, ::SizeofResource(module, found));
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) // a BSTR carries no byte-order mark
        text.erase(0, 3);
    return Utf8ToWide(text);
}

} // namespace

HRESULT STDMETHODCALLTYPE CRibbonPart::GetCustomUI(BSTR ribbonId, BSTR* xml) {
    if (!xml)
        return E_POINTER;
    *xml = nullptr;
    try {
        // Inspectors and every other window kind get no controls: an empty string.
        std::wstring text;
        if (ribbonId && std::wcscmp(ribbonId, office::kRibbonIdExplorer) == 0)
            text = ExplorerCustomUi();
        *xml = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *xml ? S_OK : E_OUTOFMEMORY;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE CRibbonPart::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0; // the members are answered by name, not from a type library
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CRibbonPart::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE CRibbonPart::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids)
        return E_POINTER;
    if (count == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    const Member* member = names[0] ? FindMember(names[0]) : nullptr;
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    if (!member)
        hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) { // the callbacks have no named arguments
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CRibbonPart::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                              VARIANT* result, EXCEPINFO*, UINT* argError) {
    const Member* member = FindMember(id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (result)
        ::VariantInit(result);
    if (!member->callback) { // GetCustomUI(RibbonID) by name
        if (!params || params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR) {
            if (argError)
                *argError = 0;
            return params && params->cArgs == 1 ? DISP_E_TYPEMISMATCH : DISP_E_BADPARAMCOUNT;
        }
        BSTR xml = nullptr;
        HRESULT hr = GetCustomUI(params->rgvarg[0].bstrVal, &xml);
        if (SUCCEEDED(hr) && result) {
            result->vt = VT_BSTR;
            result->bstrVal = xml;
        } else {
            ::SysFreeString(xml);
        }
        return hr;
    }
    if (!params || params->cArgs < 1)
        return DISP_E_BADPARAMCOUNT;
    try {
        return (this->*member->callback)(ObjectArgument(params), result);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CRibbonPart::OnLoad(IDispatch* ribbon, VARIANT*) {
    m_ribbon.Reset();
    if (!ribbon)
        return E_INVALIDARG;
    // Kept for later use (Invalidate); a ribbon without the interface is simply not kept.
    static_cast<void>(ribbon->QueryInterface(__uuidof(IRibbonUI),
                                             reinterpret_cast<void**>(m_ribbon.ReleaseAndGetAddressOf())));
    return S_OK;
}

HRESULT CRibbonPart::OnAction(IDispatch*, VARIANT*) {
    // Which control was pressed does not matter: every one of them shows the selected mail, and
    // the control is not asked, so a control that no longer answers cannot stop the launch.
    m_owner.OnRibbonAction();
    return S_OK;
}

HRESULT CRibbonPart::GetImage(IDispatch* control, VARIANT* result) {
    if (!result)
        return E_POINTER;
    // A control that cannot tell its id gets the small picture.
    bool large = false;
    if (control) {
        HRESULT hr = S_OK;
        CVariant id = Dispatch::GetProperty(control, L"Id", &hr);
        large = SUCCEEDED(hr) && Dispatch::ToWString(id) == kLargeButtonId;
    }
    ComPtr<IPictureDisp> picture;
    HRESULT hr = FacePicture::MakeRibbonPicture(CComServer::Instance().Module(), large, picture);
    if (FAILED(hr))
        return hr;
    result->vt = VT_DISPATCH;
    result->pdispVal = picture.Detach();
    return S_OK;
}
