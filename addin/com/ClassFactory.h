// The one class object of every creatable class: it makes instances through the class's table
// entry. The server holds one reference; any reference beyond that, held outside, locks the library.
#pragma once
#include "ComServer.h"
#include "CriticalSection.h"

#include <unknwn.h>

class CClassFactory : public IClassFactory {
public:
    explicit CClassFactory(const CreatableClass& creatable);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    virtual ~CClassFactory() = default;

    const CreatableClass& m_class;
    CCriticalSection m_cs;
    LONG m_refs = 1;
};
