#include "EventSink.h"

HRESULT STDMETHODCALLTYPE CEventSink::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                             EXCEPINFO*, UINT*) {
    const SinkEvents::Entry* entry = SinkEvents::Find(m_id, id);
    if (!entry)
        return S_OK;
    // Arguments arrive last-first: the first declared one is at the end.
    IDispatch* control = nullptr;
    if (params && params->rgvarg && params->cArgs == entry->arguments && params->cArgs > 0) {
        const VARIANT& first = params->rgvarg[params->cArgs - 1];
        if (first.vt == VT_DISPATCH)
            control = first.pdispVal;
        else if (first.vt == (VT_DISPATCH | VT_BYREF) && first.ppdispVal)
            control = *first.ppdispVal;
    }
    m_owner.OnSinkEvent(entry->action, control);
    return S_OK;
}
