#include "RibbonPart.h"

#include "FacePicture.h"
#include "ComServer.h"
#include "ComString.h"
#include "Dispatch.h"
#include "StringConv.h"
#include "resource.h"

#include <cwchar>
#include <new>
#include <string>

namespace {

// The callbacks by the names the custom UI gives them, and GetCustomUI itself for callers that
// look it up by name. DISPIDs of the callbacks lie above the interface's own.
constexpr DISPID kOnRibbonLoad = 0x100;
constexpr DISPID kOnShowPictures = 0x101;
constexpr DISPID kGetShowPicturesImage = 0x102;
const com::Member kMembers[] = {{L"GetCustomUI", office::kDispidGetCustomUI},
                                {L"OnRibbonLoad", kOnRibbonLoad},
                                {L"OnShowPictures", kOnShowPictures},
                                {L"GetShowPicturesImage", kGetShowPicturesImage},
                                {nullptr, 0}};

// The large Home-tab button gets the large picture; the menu items the small one.
const wchar_t kLargeButtonId[] = L"VaroscopeShowPictures";

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

const com::Member* CRibbonPart::Members() const {
    return kMembers;
}

HRESULT CRibbonPart::Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    try {
        switch (id) {
        case office::kDispidGetCustomUI: {
            if (params.cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            if (params.rgvarg[0].vt != VT_BSTR)
                return DISP_E_TYPEMISMATCH;
            BSTR given = nullptr;
            HRESULT hr = GetCustomUI(params.rgvarg[0].bstrVal, &given);
            CComString xml;
            xml.Attach(given);
            if (SUCCEEDED(hr) && result) {
                result->vt = VT_BSTR;
                result->bstrVal = xml.Detach();
            }
            return hr;
        }
        case kOnRibbonLoad:
            return params.cArgs == 1 ? OnLoad(ObjectArgument(&params)) : DISP_E_BADPARAMCOUNT;
        case kOnShowPictures:
            // Office passes the control; the action does not depend on it.
            return params.cArgs >= 1 ? OnAction() : DISP_E_BADPARAMCOUNT;
        case kGetShowPicturesImage:
            return params.cArgs == 1 ? GetImage(ObjectArgument(&params), result) : DISP_E_BADPARAMCOUNT;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CRibbonPart::OnLoad(IDispatch* ribbon) {
    m_ribbon.Reset();
    if (!ribbon)
        return E_INVALIDARG;
    // Kept for later use (Invalidate); a ribbon without the interface is simply not kept.
    static_cast<void>(ribbon->QueryInterface(__uuidof(IRibbonUI),
                                             reinterpret_cast<void**>(m_ribbon.ReleaseAndGetAddressOf())));
    return S_OK;
}

HRESULT CRibbonPart::OnAction() {
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
