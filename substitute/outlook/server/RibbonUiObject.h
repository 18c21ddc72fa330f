// The IRibbonUI that the stand-in gives to an add-in's onLoad callback: Invalidate and
// InvalidateControl make the host ask that add-in's callbacks again and redraw. An add-in may keep
// it beyond its connection; once the host has let the add-in go, both calls do nothing.
#pragma once
#include "com/NamedDispatch.h"
#include "OfficeInterfaces.h"
#include "com/ComObject.h"

#include <functional>
#include <memory>
#include <string>

class RibbonUiObject : public com::Object<com::NamedDispatch<IRibbonUI>> {
public:
    // What the calls reach: null id for the whole ribbon. The host empties it to cut the link.
    using Target = std::function<void(const std::wstring* controlId)>;

    explicit RibbonUiObject(std::shared_ptr<Target> target);

    HRESULT STDMETHODCALLTYPE Invalidate() override;
    HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR controlId) override;

private:
    const com::Member* Members() const override;
    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) override;

    std::shared_ptr<Target> m_target;
};
