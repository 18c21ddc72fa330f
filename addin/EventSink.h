// One event sink of the add-in object: an IDispatch that a source (a command-bar button, the
// Outlook application) calls for its events. It counts its references on the object that owns it,
// so a live connection keeps that object alive, and hands handled events to it by the event table.
#pragma once
#include "SinkEvents.h"

#include <oaidl.h>

class CEventSink : public IDispatch {
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
    CEventSink(const CEventSink&) = delete;
    CEventSink& operator=(const CEventSink&) = delete;

    unsigned Id() const { return m_id; }
    const IID& Source() const { return m_source; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    const unsigned m_id;
    const IID m_source;
    IOwner& m_owner;
};
