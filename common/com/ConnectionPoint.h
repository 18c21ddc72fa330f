// Outgoing event interfaces: a connection point with its sinks, and the container of an object
// that has one.
#pragma once
#include "ComPtr.h"
#include "com/ComObject.h"

#include <ocidl.h>

#include <functional>
#include <utility>
#include <vector>

namespace com {

class ConnectionPoint final : public Object<IConnectionPoint> {
public:
    // Makes the object that the point belongs to, for GetConnectionPointContainer.
    using ContainerFactory = std::function<HRESULT(IConnectionPointContainer**)>;
    ConnectionPoint(const IID& source, ContainerFactory container);

    const IID& Source() const { return m_source; }
    // Calls the event on every sink advised now, in the order they advised; a sink that unadvises
    // (or advises another) during the call does not disturb the others. The sinks' results are
    // not the source's business, as in Office.
    void Fire(DISPID id, DISPPARAMS& params);
    // Releases every sink: their objects may hold the source, and the source ends.
    void DisconnectAll();

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    // The sinks advised now, with their cookies.
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

private:
    ~ConnectionPoint() override = default;

    const IID m_source;
    ContainerFactory m_container;
    DWORD m_nextCookie = 1;
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> m_sinks;
};

// IConnectionPointContainer of an object with one outgoing interface, whose point is kept
// elsewhere (in the state that the object is a view of). A mixin for the object templates.
class EventSource : public IConnectionPointContainer {
public:
    using Interface = IConnectionPointContainer;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

protected:
    EventSource() = default;
    // The point; null when the object has none now.
    virtual ConnectionPoint* Events() const = 0;
};

} // namespace com
