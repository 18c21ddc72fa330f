// COM objects without a hand-written IUnknown. A class derives from one of the object templates
// below, names its interfaces as the template's bases and implements only their methods:
//
//     class Thing : public com::Object<IThing, IConnectionPointContainer> { ... };
//     ComPtr<IThing> thing;
//     thing.Attach(new Thing(...)); // made with one reference, the creator's
//
// QueryInterface answers IUnknown with the first base, IDispatch with the first base that is a
// dispatch interface, and every base under its own IID (__uuidof: an interface declared by hand
// needs its __CRT_UUID_DECL). A base may be a mixin that implements part of an interface and names
// it as `Interface` (DualDispatch, EventSource). Answers known only at run time come from an
// override of QueryMore. A null out-pointer gets E_POINTER; an unknown IID E_NOINTERFACE.
//
// The templates differ only in what the references count on:
//  - Object: the object itself; the last Release deletes it.
//  - AggregatableObject: the outer object when it is made with one (see CreateAggregatable).
//  - EmbeddedObject: the object it is a part of (an event sink inside its owner).
//  - CachedObject: the object itself; while anybody besides its first holder (the server that
//    keeps it) has a reference, a module lock is held (a class object).
//  - PartObject: an interface of another object implemented by a part of it (a tear-off): the
//    references and every QueryInterface go to that object, so the identity stays its own; the
//    object hands out the part from its QueryMore (Part() answers for the part's interfaces).
// A class that clients create by CLSID is, besides, a row of its server's table (ClassFactory.h).
#pragma once
#include "com/CriticalSection.h"
#include "com/ModuleLock.h"

#include <oaidl.h>
#include <unknwn.h>

#include <type_traits>

namespace com {

namespace detail {

template <class Base, class = void> struct InterfaceOf { using type = Base; };
template <class Base> struct InterfaceOf<Base, std::void_t<typename Base::Interface>> {
    using type = typename Base::Interface;
};

// Gives out a found interface with a reference of its own.
inline HRESULT Hand(IUnknown* found, void** out) {
    if (!out)
        return E_POINTER;
    *out = found;
    if (!found)
        return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
}

// What an object with these bases answers to QueryInterface.
template <class First, class... Rest> class Answers : public First, public Rest... {
public:
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;

protected:
    Answers() = default;
    virtual ~Answers() = default;

    // Further interfaces of the object, known only at run time; null for none.
    virtual IUnknown* QueryMore(REFIID) { return nullptr; }

    // The interface for iid; null when the object has none.
    IUnknown* Find(REFIID iid) {
        if (iid == IID_IUnknown)
            return As<First>();
        IUnknown* found = nullptr;
        if (((found = Match<First>(iid)) || ... || (found = Match<Rest>(iid))))
            return found;
        return QueryMore(iid);
    }

private:
    template <class Base> IUnknown* As() {
        using Interface = typename InterfaceOf<Base>::type;
        return static_cast<Interface*>(static_cast<Base*>(this));
    }
    template <class Base> IUnknown* Match(REFIID iid) {
        using Interface = typename InterfaceOf<Base>::type;
        if (iid == __uuidof(Interface) || (std::is_base_of_v<IDispatch, Interface> && iid == IID_IDispatch))
            return As<Base>();
        return nullptr;
    }
};

} // namespace detail

template <class... Bases> class Object : public detail::Answers<Bases...> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override final {
        return detail::Hand(this->Find(iid), out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override final {
        return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
    }
    ULONG STDMETHODCALLTYPE Release() override final {
        LONG left = ::InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

protected:
    Object() = default;

private:
    LONG m_refs = 1; // the creator's
};

template <class... Bases> class AggregatableObject : public detail::Answers<Bases...> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override final {
        return m_outer->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override final { return m_outer->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override final { return m_outer->Release(); }

    // The object's own IUnknown: the one an aggregate holds and asks, and the one that counts.
    IUnknown* Inner() { return &m_inner; }

protected:
    explicit AggregatableObject(IUnknown* outer) : m_inner(*this), m_outer(outer ? outer : &m_inner) {}
    // Where the interfaces' references go: the outer object, or the inner IUnknown.
    IUnknown* Controlling() const { return m_outer; }

private:
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(AggregatableObject& object) : m_object(object) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            return detail::Hand(iid == IID_IUnknown ? this : m_object.Find(iid), out);
        }
        ULONG STDMETHODCALLTYPE AddRef() override {
            return static_cast<ULONG>(::InterlockedIncrement(&m_object.m_refs));
        }
        ULONG STDMETHODCALLTYPE Release() override {
            LONG left = ::InterlockedDecrement(&m_object.m_refs);
            if (left == 0)
                delete &m_object;
            return static_cast<ULONG>(left);
        }

    private:
        AggregatableObject& m_object;
    };

    InnerUnknown m_inner;
    IUnknown* m_outer;
    LONG m_refs = 1; // the creator's
};

template <class... Bases> class EmbeddedObject : public detail::Answers<Bases...> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override final {
        return detail::Hand(this->Find(iid), out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override final { return Owner()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override final { return Owner()->Release(); }

protected:
    EmbeddedObject() = default;
    // The object this one is a part of.
    virtual IUnknown* Owner() = 0;
};

template <class... Bases> class CachedObject : public detail::Answers<Bases...> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override final {
        return detail::Hand(this->Find(iid), out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override final {
        CriticalSectionLock lock(m_cs);
        LONG n = ::InterlockedIncrement(&m_refs);
        if (n == 2 && m_module) // the first reference besides the keeper's
            m_module->Lock();
        return static_cast<ULONG>(n);
    }
    ULONG STDMETHODCALLTYPE Release() override final {
        LONG left;
        {
            CriticalSectionLock lock(m_cs);
            left = ::InterlockedDecrement(&m_refs);
            if (left == 1 && m_module) // only the keeper's is left
                m_module->Unlock();
        }
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

protected:
    // module: locked while others hold the object; null for none.
    explicit CachedObject(ModuleLock* module) : m_module(module) {}
    ModuleLock* Module() const { return m_module; }

private:
    CriticalSection m_cs;
    ModuleLock* const m_module;
    LONG m_refs = 1; // the keeper's
};

template <class... Bases> class PartObject : public detail::Answers<Bases...> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override final {
        return Owner()->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override final { return Owner()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override final { return Owner()->Release(); }

    // The part's own interface for iid (never IUnknown or IDispatch, which are the owner's); null
    // when the part has none.
    IUnknown* Part(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            return nullptr;
        return this->Find(iid);
    }

protected:
    PartObject() = default;
    // The object this one is a part of: its controlling IUnknown.
    virtual IUnknown* Owner() = 0;
};

} // namespace com
