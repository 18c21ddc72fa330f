#include "ConnectionPoint.h"

#include <olectl.h>

ConnectionPoint::ConnectionPoint(const IID& source, ContainerFactory container)
    : m_source(source), m_container(std::move(container)) {}

void ConnectionPoint::Fire(DISPID id, DISPPARAMS& params) {
    std::vector<ComPtr<IDispatch>> sinks;
    for (const auto& entry : m_sinks)
        sinks.push_back(entry.second);
    ComPtr<ConnectionPoint> keepAlive(this); // a sink may release the last reference to the source
    for (const auto& sink : sinks) {
        VARIANT ignored;
        ::VariantInit(&ignored);
        EXCEPINFO exception = {};
        UINT argError = 0;
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &ignored, &exception,
                     &argError);
        ::VariantClear(&ignored);
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
    }
}

void ConnectionPoint::DisconnectAll() {
    auto sinks = std::move(m_sinks); // released after the list is empty: a sink may call back
    m_sinks.clear();
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG ConnectionPoint::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
}

ULONG ConnectionPoint::Release() {
    LONG left = ::InterlockedDecrement(&m_refs);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = m_source;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return m_container ? m_container(out) : E_UNEXPECTED;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    // A sink implements the event interface as a dispinterface; plain IDispatch serves as well.
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(m_source, reinterpret_cast<void**>(events.ReleaseAndGetAddressOf()))) ||
        !events) {
        if (FAILED(sink->QueryInterface(IID_IDispatch,
                                        reinterpret_cast<void**>(events.ReleaseAndGetAddressOf()))) ||
            !events)
            return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = m_nextCookie++;
    m_sinks.emplace_back(*cookie, std::move(events));
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->first == cookie) {
            ComPtr<IDispatch> sink = std::move(it->second); // released after the list is consistent
            m_sinks.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FindOnlyConnectionPoint(ConnectionPoint* point, const IID& source, REFIID wanted,
                                IConnectionPoint** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!point || !IsEqualIID(wanted, source))
        return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *out = point;
    return S_OK;
}
