// The add-in's answer to Office's ribbon: IRibbonExtensibility gives the custom UI of Outlook's
// main window, and the IDispatch part of that same interface answers the callbacks the custom UI
// names, because Office resolves them there by name. A part of the add-in object: its identity
// and references are the add-in's.
#pragma once
#include "ComPtr.h"
#include "OfficeInterfaces.h"
#include "com/ComObject.h"
#include "com/NamedDispatch.h"

class CRibbonPart : public com::PartObject<com::NamedDispatch<IRibbonExtensibility>> {
public:
    // What the owner does for the ribbon.
    class IOwner {
    public:
        virtual IUnknown* ControllingUnknown() = 0;
        // A ribbon control was pressed; the owner launches the viewer.
        virtual void OnRibbonAction() = 0;

    protected:
        ~IOwner() = default;
    };

    explicit CRibbonPart(IOwner& owner) : m_owner(owner) {}

    // Lets go of the ribbon that Office gave at load (the add-in is disconnected).
    void Forget() { m_ribbon.Reset(); }
    IRibbonUI* Ribbon() const { return m_ribbon.Get(); }

    // IRibbonExtensibility
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* xml) override;

private:
    // IDispatch: GetCustomUI and the callbacks, from the table in the source file.
    const com::Member* Members() const override;
    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) override;

    HRESULT OnLoad(IDispatch* ribbon);
    HRESULT OnAction();
    HRESULT GetImage(IDispatch* control, VARIANT* result);

    IUnknown* Owner() override { return m_owner.ControllingUnknown(); }

    IOwner& m_owner;
    ComPtr<IRibbonUI> m_ribbon;
};
