// Hands out the one application object when COM starts the stand-in (LocalServer32).
#pragma once
#include <unknwn.h>

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(IUnknown* application);
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    virtual ~ClassFactory();
    LONG m_refs = 1;
    IUnknown* m_application; // counted reference, released with the factory
};
