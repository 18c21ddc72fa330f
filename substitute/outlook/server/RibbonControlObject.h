// The IRibbonControl that the stand-in passes to an add-in's ribbon callbacks, as Office does:
// the control's id and tag from the custom UI, and its context (the explorer for a ribbon
// control, the selection for a context-menu item).
#pragma once
#include "ComPtr.h"
#include "com/NamedDispatch.h"
#include "OfficeInterfaces.h"
#include "com/ComObject.h"

#include <string>

class RibbonControlObject : public com::Object<com::NamedDispatch<IRibbonControl>> {
public:
    RibbonControlObject(std::wstring id, std::wstring tag, IDispatch* context);

    HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override;
    HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) override;
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) override;

private:
    const com::Member* Members() const override;
    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) override;

    const std::wstring m_id;
    const std::wstring m_tag;
    ComPtr<IDispatch> m_context;
};
