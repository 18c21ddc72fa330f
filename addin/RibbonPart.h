// The add-in's answer to Office's ribbon: IRibbonExtensibility gives the custom UI of Outlook's
// main window, and the IDispatch part of that same interface answers the callbacks the custom UI
// names, because Office resolves them there by name. A part of the add-in object: its identity
// and references are the add-in's.
#pragma once
#include "ComPtr.h"
#include "OfficeInterfaces.h"
#include "com/ComObject.h"

class CRibbonPart : public com::PartObject<IRibbonExtensibility> {
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

    // IDispatch: GetCustomUI and the callbacks, from the table in the source file.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // Callbacks (public for the dispatch table).
    HRESULT OnLoad(IDispatch* ribbon, VARIANT* result);
    HRESULT OnAction(IDispatch* control, VARIANT* result);
    HRESULT GetImage(IDispatch* control, VARIANT* result);

private:
    IUnknown* Owner() override { return m_owner.ControllingUnknown(); }

    IOwner& m_owner;
    ComPtr<IRibbonUI> m_ribbon;
};
