#include "ClassFactory.h"

CClassFactory::CClassFactory(const CreatableClass& creatable) : m_class(creatable) {}

HRESULT STDMETHODCALLTYPE CClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CClassFactory::AddRef() {
    CCriticalSectionLock lock(m_cs);
    LONG n = ::InterlockedIncrement(&m_refs);
    if (n == 2) // the first reference outside the server
        CComServer::Instance().Lock();
    return static_cast<ULONG>(n);
}

ULONG STDMETHODCALLTYPE CClassFactory::Release() {
    LONG n;
    {
        CCriticalSectionLock lock(m_cs);
        n = ::InterlockedDecrement(&m_refs);
        if (n == 1) // the last reference outside the server went
            CComServer::Instance().Unlock();
    }
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

HRESULT STDMETHODCALLTYPE CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    // An aggregate may only ask for the inner object's own IUnknown.
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    return m_class.createInstance(outer, iid, out);
}

HRESULT STDMETHODCALLTYPE CClassFactory::LockServer(BOOL lock) {
    if (lock)
        CComServer::Instance().Lock();
    else
        CComServer::Instance().Unlock();
    return S_OK;
}
