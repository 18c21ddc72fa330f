// One outgoing event interface of an object: the sinks that advised on it and the firing of an
// event to each of them. Every event source of the stand-in (application, buttons) uses it.
#pragma once
#include "ComPtr.h"

#include <ocidl.h>

#include <functional>
#include <utility>
#include <vector>

class ConnectionPoint final : public IConnectionPoint {
public:
    // container: makes the object the point belongs to, for GetConnectionPointContainer.
    using ContainerFactory = std::function<HRESULT(IConnectionPointContainer**)>;
    ConnectionPoint(const IID& source, ContainerFactory container);
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    // Calls the event on every sink advised now, in the order they advised; a sink that unadvises
    // (or advises another) during the call does not disturb the others. The sinks' results are
    // not the source's business, as in Office.
    void Fire(DISPID id, DISPPARAMS& params);
    // Releases every sink: their objects may hold the source, and the source ends.
    void DisconnectAll();
    size_t SinkCount() const { return m_sinks.size(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

private:
    ~ConnectionPoint() = default;

    LONG m_refs = 1; // the creator owns the first reference
    IID m_source;
    ContainerFactory m_container;
    DWORD m_nextCookie = 1;
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> m_sinks;
};

// FindConnectionPoint for an object with exactly one event interface.
HRESULT FindOnlyConnectionPoint(ConnectionPoint* point, const IID& source, REFIID wanted,
                                IConnectionPoint** out);
