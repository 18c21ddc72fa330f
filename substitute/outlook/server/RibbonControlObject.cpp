#include "RibbonControlObject.h"

#include "AutomationText.h"

namespace {
const com::Member kMembers[] = {{L"Id", office::kDispidRibbonControlId},
                                {L"Context", office::kDispidRibbonControlContext},
                                {L"Tag", office::kDispidRibbonControlTag},
                                {nullptr, 0}};
}

RibbonControlObject::RibbonControlObject(std::wstring id, std::wstring tag, IDispatch* context)
    : m_id(std::move(id)), m_tag(std::move(tag)), m_context(context) {}

HRESULT RibbonControlObject::get_Id(BSTR* id) {
    return WideToBstr(m_id, id);
}

HRESULT RibbonControlObject::get_Tag(BSTR* tag) {
    return WideToBstr(m_tag, tag);
}

HRESULT RibbonControlObject::get_Context(IDispatch** context) {
    if (!context)
        return E_POINTER;
    *context = m_context.Get();
    if (*context)
        (*context)->AddRef();
    return S_OK;
}

const com::Member* RibbonControlObject::Members() const {
    return kMembers;
}

HRESULT RibbonControlObject::Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    if (id != office::kDispidRibbonControlId && id != office::kDispidRibbonControlContext &&
        id != office::kDispidRibbonControlTag)
        return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_PROPERTYGET))
        return DISP_E_MEMBERNOTFOUND; // read-only properties
    if (params.cArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    if (!result)
        return S_OK;
    if (id == office::kDispidRibbonControlContext) {
        result->vt = VT_DISPATCH;
        return get_Context(&result->pdispVal);
    }
    result->vt = VT_BSTR;
    HRESULT hr = id == office::kDispidRibbonControlId ? get_Id(&result->bstrVal) : get_Tag(&result->bstrVal);
    if (FAILED(hr))
        result->vt = VT_EMPTY;
    return hr;
}
