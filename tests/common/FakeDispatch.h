// An automation object for tests: members are named handlers, interface identifiers are chosen
// per object, and every call is recorded.
#pragma once
#include "ComPtr.h"
#include "Variant.h"

#include <oaidl.h>
#include <functional>
#include <string>
#include <vector>

class FakeDispatch : public IDispatch {
public:
    // Arguments in their natural order (first argument first).
    using Handler = std::function<HRESULT(const std::vector<VARIANT*>& args, WORD flags, VARIANT* result)>;

    static ComPtr<FakeDispatch> Create(std::vector<IID> iids = {}) {
        ComPtr<FakeDispatch> p;
        p.Attach(new FakeDispatch(std::move(iids)));
        return p;
    }

    void On(const std::wstring& name, Handler handler) {
        for (auto& m : m_members)
            if (m.name == name) {
                m.handler = std::move(handler);
                return;
            }
        m_members.push_back({name, std::move(handler)});
    }
    // A read-only property (or method without arguments) giving a fixed value.
    void Value(const std::wstring& name, const CVariant& value) {
        On(name, [value](const std::vector<VARIANT*>&, WORD, VARIANT* result) {
            return result ? ::VariantCopy(result, const_cast<VARIANT*>(&value.Get())) : S_OK;
        });
    }
    // A member that fails with hr.
    void Fail(const std::wstring& name, HRESULT hr) {
        On(name, [hr](const std::vector<VARIANT*>&, WORD, VARIANT*) { return hr; });
    }

    const std::vector<std::wstring>& Calls() const { return m_calls; }
    ULONG References() const { return m_refs; }
    LCID LastLocale() const { return m_lastLocale; }
    int Lookups() const { return m_lookups; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        bool known = iid == IID_IUnknown || iid == IID_IDispatch;
        for (const IID& own : m_iids)
            known = known || iid == own;
        if (!known)
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        m_lastLocale = locale;
        ++m_lookups;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        for (size_t i = 0; i < m_members.size(); ++i)
            if (count > 0 && ::_wcsicmp(m_members[i].name.c_str(), names[0]) == 0) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id < 1 || static_cast<size_t>(id) > m_members.size())
            return DISP_E_MEMBERNOTFOUND;
        Member& m = m_members[static_cast<size_t>(id - 1)];
        m_calls.push_back(m.name);
        std::vector<VARIANT*> args;
        for (UINT i = params ? params->cArgs : 0; i > 0; --i)
            args.push_back(&params->rgvarg[i - 1]);
        ComPtr<FakeDispatch> keepAlive(this);
        return m.handler(args, flags, result);
    }

private:
    explicit FakeDispatch(std::vector<IID> iids) : m_iids(std::move(iids)) {}
    virtual ~FakeDispatch() = default;

    struct Member {
        std::wstring name;
        Handler handler;
    };
    std::vector<IID> m_iids;
    std::vector<Member> m_members;
    std::vector<std::wstring> m_calls;
    ULONG m_refs = 1;
    LCID m_lastLocale = 0;
    int m_lookups = 0;
};

// Result helpers for handlers.
inline HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
    if (result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        if (object)
            object->AddRef();
    }
    return S_OK;
}
