// The COM kit on its own: what its objects answer, what their references count on, the class
// factory in both of its forms, and connection points with their enumerators.
#include "ComPtr.h"
#include "com/ClassFactory.h"
#include "com/ComObject.h"
#include "com/ConnectionPoint.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <vector>

namespace {

template <typename T> void** Out(ComPtr<T>& p) {
    return reinterpret_cast<void**>(p.ReleaseAndGetAddressOf());
}

// IDispatch methods that nobody calls in these tests.
template <class I> class Undispatched : public I {
public:
    using Interface = I;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
};

// A plain interface first, then a dispatch interface: IUnknown is the first, IDispatch the second.
class Thing : public com::Object<IPersist, Undispatched<IFontDisp>, ISupportErrorInfo> {
public:
    explicit Thing(bool* destroyed = nullptr) : m_destroyed(destroyed) {}
    ~Thing() override {
        if (m_destroyed)
            *m_destroyed = true;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        *id = CLSID_NULL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

private:
    bool* m_destroyed;
};

class Part : public com::AggregatableObject<IPersist> {
public:
    explicit Part(IUnknown* outer) : AggregatableObject(outer) {}
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
};

// An outer object that counts its references and answers IPersist through its inner part.
class Outer : public com::Object<ISupportErrorInfo> {
public:
    ComPtr<IUnknown> inner;
    ULONG References() {
        AddRef();
        return Release();
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

private:
    IUnknown* QueryMore(REFIID iid) override {
        IUnknown* found = nullptr;
        if (iid == IID_IPersist && inner &&
            SUCCEEDED(inner->QueryInterface(iid, reinterpret_cast<void**>(&found))))
            found->Release(); // handed out again, with its own reference, by the caller of QueryMore
        return found;
    }
};

TEST(ComObject, AnswersItsInterfacesAndCountsItsReferences) {
    bool destroyed = false;
    ComPtr<IPersist> thing;
    thing.Attach(new Thing(&destroyed));
    ComPtr<IUnknown> unknown, again;
    ComPtr<IDispatch> dispatch;
    ComPtr<IFontDisp> font;
    ComPtr<ISupportErrorInfo> errors;
    ASSERT_EQ(S_OK, thing->QueryInterface(IID_IUnknown, Out(unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(thing.Get()), unknown.Get()); // identity: the first interface
    ASSERT_EQ(S_OK, thing->QueryInterface(IID_IDispatch, Out(dispatch)));
    ASSERT_EQ(S_OK, thing->QueryInterface(IID_IFontDisp, Out(font)));
    EXPECT_EQ(static_cast<IDispatch*>(font.Get()), dispatch.Get());
    ASSERT_EQ(S_OK, font->QueryInterface(IID_ISupportErrorInfo, Out(errors)));
    ASSERT_EQ(S_OK, errors->QueryInterface(IID_IUnknown, Out(again)));
    EXPECT_EQ(unknown.Get(), again.Get());

    void* none = &none;
    EXPECT_EQ(E_NOINTERFACE, thing->QueryInterface(IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, thing->QueryInterface(IID_IPersist, nullptr));

    EXPECT_EQ(7u, thing->AddRef()); // the creator's, five asked for above, and this one
    thing->Release();
    unknown.Reset();
    again.Reset();
    dispatch.Reset();
    font.Reset();
    errors.Reset();
    EXPECT_FALSE(destroyed);
    thing.Reset();
    EXPECT_TRUE(destroyed);
}

TEST(ComObject, AnAggregatedPartCountsOnItsOuterObjectAndKeepsItsOwnIUnknown) {
    ComPtr<Outer> outer;
    outer.Attach(new Outer);
    ASSERT_EQ(S_OK, com::CreateAggregatable<Part>(static_cast<ISupportErrorInfo*>(outer.Get()), IID_IUnknown,
                                                  Out(outer->inner)));
    ULONG before = outer->References();
    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, outer->QueryInterface(IID_IPersist, Out(persist)));
    EXPECT_EQ(before + 1, outer->References()); // the part's interface counts on the outer object
    ComPtr<ISupportErrorInfo> back;
    EXPECT_EQ(S_OK, persist->QueryInterface(IID_ISupportErrorInfo, Out(back))); // asked through the outer
    back.Reset();
    persist.Reset();
    EXPECT_EQ(before, outer->References());
    outer->inner.Reset(); // the outer object lets its part go

    // Without an outer object the part is an object of its own.
    ComPtr<IPersist> alone;
    ASSERT_EQ(S_OK, com::CreateAggregatable<Part>(nullptr, IID_IPersist, Out(alone)));
    ComPtr<IUnknown> own;
    ASSERT_EQ(S_OK, alone->QueryInterface(IID_IUnknown, Out(own)));
    void* none = &none;
    EXPECT_EQ(E_NOINTERFACE, own->QueryInterface(IID_ISupportErrorInfo, &none));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, com::Create<Thing>(own.Get(), IID_IUnknown, &none));
}

TEST(ClassFactory, ForAClassItLocksTheModuleWhileHeldOutsideAndForAnObjectItHandsOutThatOne) {
    static const com::CreatableClass kThing = {&CLSID_NULL, &com::Create<Thing>};
    com::ModuleLock module;
    ComPtr<IClassFactory> factory;
    factory.Attach(new com::ClassFactory(kThing, module)); // the keeper's reference
    EXPECT_TRUE(module.Free());
    {
        ComPtr<IClassFactory> outside(factory.Get());
        ComPtr<IClassFactory> second(factory.Get());
        EXPECT_FALSE(module.Free());
        second.Reset();
        EXPECT_FALSE(module.Free());
    }
    EXPECT_TRUE(module.Free());
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_FALSE(module.Free());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_TRUE(module.Free());

    ComPtr<IPersist> made, other;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, Out(made)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, Out(other)));
    EXPECT_NE(made.Get(), other.Get());
    void* none = &none;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(made.Get(), IID_IPersist, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IPersist, nullptr));

    ComPtr<IClassFactory> single;
    single.Attach(new com::ClassFactory(made.Get()));
    ComPtr<IPersist> first, second;
    ASSERT_EQ(S_OK, single->CreateInstance(nullptr, IID_IPersist, Out(first)));
    ASSERT_EQ(S_OK, single->CreateInstance(nullptr, IID_IPersist, Out(second)));
    EXPECT_EQ(made.Get(), first.Get());
    EXPECT_EQ(made.Get(), second.Get());
    EXPECT_EQ(CLASS_E_NOAGGREGATION, single->CreateInstance(other.Get(), IID_IUnknown, &none));
}

// A sink that counts the events it gets; it may unadvise itself during one.
class Sink : public com::Object<Undispatched<IDispatch>> {
public:
    std::vector<DISPID> events;
    IConnectionPoint* unadviseFrom = nullptr;
    DWORD cookie = 0;
    ULONG References() {
        AddRef();
        return Release();
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        events.push_back(id);
        if (unadviseFrom)
            unadviseFrom->Unadvise(cookie);
        return S_OK;
    }
};

class Source : public com::Object<ISupportErrorInfo, com::EventSource> {
public:
    ComPtr<com::ConnectionPoint> point;
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

private:
    com::ConnectionPoint* Events() const override { return point.Get(); }
};

TEST(ConnectionPoint, FiresInAdviceOrderAndEnumeratesWhatIsConnected) {
    ComPtr<Source> source;
    source.Attach(new Source);
    source->point.Attach(new com::ConnectionPoint(IID_IPropertyNotifySink, nullptr));
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, source->QueryInterface(IID_IConnectionPointContainer, Out(container)));
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION,
              container->FindConnectionPoint(IID_IDispatch, point.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, point.ReleaseAndGetAddressOf()));
    EXPECT_EQ(static_cast<IConnectionPoint*>(source->point.Get()), point.Get());

    ComPtr<Sink> sinks[3];
    for (auto& sink : sinks) {
        sink.Attach(new Sink);
        ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(sink.Get()), &sink->cookie));
    }
    // The first unadvises itself during the event; the others still get it, in order.
    sinks[0]->unadviseFrom = point.Get();
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    source->point->Fire(7, none);
    for (auto& sink : sinks)
        EXPECT_EQ(std::vector<DISPID>{7}, sink->events);

    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, point->EnumConnections(connections.ReleaseAndGetAddressOf()));
    ULONG held = sinks[1]->References();
    CONNECTDATA got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(E_INVALIDARG, connections->Next(3, got, nullptr));
    EXPECT_EQ(S_FALSE, connections->Next(3, got, &fetched)); // fewer than asked for
    ASSERT_EQ(2u, fetched);
    EXPECT_EQ(sinks[1]->cookie, got[0].dwCookie);
    EXPECT_EQ(sinks[2]->cookie, got[1].dwCookie);
    EXPECT_EQ(held + 1, sinks[1]->References()); // handed out with a reference of its own
    for (ULONG i = 0; i < fetched; ++i)
        got[i].pUnk->Release();
    EXPECT_EQ(S_OK, connections->Reset());
    EXPECT_EQ(S_OK, connections->Skip(1));
    ComPtr<IEnumConnections> clone;
    ASSERT_EQ(S_OK, connections->Clone(clone.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_FALSE, connections->Skip(5));
    ASSERT_EQ(S_OK, clone->Next(1, got, nullptr)); // the clone goes on where the original was
    EXPECT_EQ(sinks[2]->cookie, got[0].dwCookie);
    got[0].pUnk->Release();
    clone.Reset();
    connections.Reset();
    EXPECT_EQ(held - 1, sinks[1]->References()); // the enumerator's own reference went with it

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.ReleaseAndGetAddressOf()));
    IConnectionPoint* listed[2] = {};
    ASSERT_EQ(S_FALSE, points->Next(2, listed, &fetched));
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(point.Get(), listed[0]);
    listed[0]->Release();

    source->point->DisconnectAll();
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(sinks[1]->cookie));
}

} // namespace
