#include "RibbonUiObject.h"

#include "AutomationText.h"

#include "Variant.h"

namespace {
const com::Member kMembers[] = {{L"Invalidate", office::kDispidRibbonInvalidate},
                                {L"InvalidateControl", office::kDispidRibbonInvalidateControl},
                                {nullptr, 0}};
}

RibbonUiObject::RibbonUiObject(std::shared_ptr<Target> target) : m_target(std::move(target)) {}

HRESULT RibbonUiObject::Invalidate() {
    if (m_target && *m_target)
        (*m_target)(nullptr);
    return S_OK;
}

HRESULT RibbonUiObject::InvalidateControl(BSTR controlId) {
    std::wstring id = BstrToWide(controlId);
    if (id.empty())
        return E_INVALIDARG;
    if (m_target && *m_target)
        (*m_target)(&id);
    return S_OK;
}

const com::Member* RibbonUiObject::Members() const {
    return kMembers;
}

HRESULT RibbonUiObject::Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT*) {
    if (id != office::kDispidRibbonInvalidate && id != office::kDispidRibbonInvalidateControl)
        return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (id == office::kDispidRibbonInvalidate)
        return params.cArgs == 0 ? Invalidate() : DISP_E_BADPARAMCOUNT;
    if (params.cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    CVariant text;
    HRESULT hr = ::VariantChangeType(text.Ptr(), const_cast<VARIANT*>(&params.rgvarg[0]), 0, VT_BSTR);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    return InvalidateControl(text.Get().bstrVal);
}
