#include "ClassFactory.h"

#include <windows.h>

ClassFactory::ClassFactory(IUnknown* application) : m_application(application) {
    m_application->AddRef();
}

ClassFactory::~ClassFactory() {
    m_application->Release();
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
}

ULONG ClassFactory::Release() {
    LONG left = ::InterlockedDecrement(&m_refs);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_application->QueryInterface(iid, out);
}

HRESULT ClassFactory::LockServer(BOOL) {
    return S_OK;
}
