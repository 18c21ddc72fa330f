// One event sink of the add-in object: an IDispatch that a source (a command-bar button, the
// Outlook application) calls for its events. It is a part of the object that owns it and counts
// its references there, so a live connection keeps that object alive; it hands handled events to
// the owner by the event table.
#pragma once
#include "SinkEvents.h"
#include "com/ComObject.h"

#include <oaidl.h>

class CEventSink : public com::EmbeddedObject<IDispatch> {
public:
    class IOwner {
    public:
        virtual IUnknown* ControllingUnknown() = 0;
        // `control` is the event's first argument when it is an object, else null.
        virtual void OnSinkEvent(SinkEvents::Action action, IDispatch* control) = 0;

    protected:
        ~IOwner() = default;
    };

    CEventSink(unsigned id, const IID& source, IOwner& owner) : m_id(id), m_source(source), m_owner(owner) {}

    unsigned Id() const { return m_id; }
    const IID& Source() const { return m_source; }

    // No type information: the sink is called by DISPID only.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    IUnknown* Owner() override { return m_owner.ControllingUnknown(); }
    // The source's event interface, besides IUnknown and IDispatch.
    IUnknown* QueryMore(REFIID iid) override {
        return iid == m_source ? static_cast<IDispatch*>(this) : nullptr;
    }

    const unsigned m_id;
    const IID m_source;
    IOwner& m_owner;
};
