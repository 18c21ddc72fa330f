#include "com/ConnectionPoint.h"

#include "ComString.h"
#include "Variant.h"
#include "com/Enumerator.h"

#include <olectl.h>

#include <new>

namespace com {

ConnectionPoint::ConnectionPoint(const IID& source, ContainerFactory container)
    : m_source(source), m_container(std::move(container)) {}

void ConnectionPoint::Fire(DISPID id, DISPPARAMS& params) {
    std::vector<ComPtr<IDispatch>> sinks;
    for (const auto& entry : m_sinks)
        sinks.push_back(entry.second);
    ComPtr<ConnectionPoint> keepAlive(this); // a sink may release the last reference to the source
    for (const auto& sink : sinks) {
        CVariant ignored;
        EXCEPINFO exception = {};
        UINT argError = 0;
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, ignored.Ptr(), &exception,
                     &argError);
        // The sink may fill the exception record; its strings are ours to free.
        CComString source, description, helpFile;
        source.Attach(exception.bstrSource);
        description.Attach(exception.bstrDescription);
        helpFile.Attach(exception.bstrHelpFile);
    }
}

void ConnectionPoint::DisconnectAll() {
    auto sinks = std::move(m_sinks); // released after the list is empty: a sink may call back
    m_sinks.clear();
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
    std::vector<CONNECTDATA> connections;
    for (const auto& entry : m_sinks)
        connections.push_back({entry.second.Get(), entry.first});
    *out = new (std::nothrow) Enumerator<IEnumConnections, CONNECTDATA>(std::move(connections));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT EventSource::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (!out)
        return E_POINTER;
    std::vector<IConnectionPoint*> points;
    if (ConnectionPoint* point = Events())
        points.push_back(point);
    *out = new (std::nothrow) Enumerator<IEnumConnectionPoints, IConnectionPoint*>(std::move(points));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT EventSource::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    ConnectionPoint* point = Events();
    if (!point || iid != point->Source())
        return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *out = point;
    return S_OK;
}

} // namespace com
