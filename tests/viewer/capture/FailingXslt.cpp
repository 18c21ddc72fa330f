// An XSLT template and processor whose processor creation or transformation fails, for the
// transformation's failure paths (the platform's own processor does not fail on demand).
#include "CaptureTestSupport.h"

#include <msxml2.h>

const CLSID RecordingCapture::kXslTemplateClass = {
    0x2933BF94, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

namespace {
const IID kXslTemplateIid = {0x2933BF93, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

template <typename Base> class Counted : public Base {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_iid)
            return E_NOINTERFACE;
        *out = this;
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --m_refs;
        if (!n)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

protected:
    explicit Counted(const IID& iid) : m_iid(iid) {}
    virtual ~Counted() = default;

private:
    IID m_iid;
    ULONG m_refs = 1;
};

class FailingProcessor : public Counted<IXSLProcessor> {
public:
    explicit FailingProcessor(HRESULT transform) : Counted(IID_NULL), m_transform(transform) {}
    HRESULT STDMETHODCALLTYPE put_input(VARIANT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_input(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ownerTemplate(IXSLTemplate**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE setStartMode(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_startMode(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_startModeURI(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_output(VARIANT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_output(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE transform(VARIANT_BOOL* done) override {
        *done = VARIANT_FALSE;
        return m_transform;
    }
    HRESULT STDMETHODCALLTYPE reset() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_readyState(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE addParameter(BSTR, VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE addObject(IDispatch*, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_stylesheet(IXMLDOMNode**) override { return E_NOTIMPL; }

private:
    HRESULT m_transform;
};

class FailingTemplate : public Counted<IXSLTemplate> {
public:
    FailingTemplate(HRESULT create, HRESULT transform)
        : Counted(kXslTemplateIid), m_create(create), m_transform(transform) {}
    HRESULT STDMETHODCALLTYPE putref_stylesheet(IXMLDOMNode*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_stylesheet(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE createProcessor(IXSLProcessor** out) override {
        *out = nullptr;
        if (FAILED(m_create))
            return m_create;
        *out = new FailingProcessor(m_transform);
        return S_OK;
    }

private:
    HRESULT m_create, m_transform;
};
} // namespace

HRESULT RecordingCapture::CreateFailingTemplate(HRESULT createProcessor, HRESULT transform,
                                                IUnknown** object) {
    *object = static_cast<IXSLTemplate*>(new FailingTemplate(createProcessor, transform));
    return S_OK;
}
