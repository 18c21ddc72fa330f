#include "Dispatch.h"

#include "AutomationError.h"
#include "ComString.h"

namespace Dispatch {

namespace {
HRESULT InvokeById(IDispatch* object, DISPID id, WORD flags, const std::vector<CVariant>& args,
                   CVariant* result, LCID locale) {
    // IDispatch wants the arguments last-first.
    std::vector<VARIANTARG> reversed;
    reversed.reserve(args.size());
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(it->Get());
    DISPPARAMS params = {};
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }
    CVariant ignored;
    VARIANT* out = result ? result->ReleaseAndGetAddressOf() : ignored.Ptr();
    EXCEPINFO info = {};
    UINT argError = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, locale, flags, &params, out, &info, &argError);
    // The callee may fill the exception record; its strings are ours to free.
    CComString source, description, helpFile;
    source.Attach(info.bstrSource);
    description.Attach(info.bstrDescription);
    helpFile.Attach(info.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && info.scode != 0)
        hr = info.scode;
    return hr;
}
} // namespace

HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<CVariant>& args,
               CVariant* result, LCID locale, CDispIdCache* cache) {
    if (!object)
        throw CAutomationError(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    if (cache && cache->Find(name, id)) {
        HRESULT hr = InvokeById(object, id, flags, args, result, locale);
        if (hr != DISP_E_MEMBERNOTFOUND)
            return hr;
        cache->Forget(name);
    }
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, locale, &id);
    if (FAILED(hr))
        return hr;
    if (cache)
        cache->Store(name, id);
    return InvokeById(object, id, flags, args, result, locale);
}

CVariant GetProperty(IDispatch* object, const wchar_t* name, HRESULT* hr, CDispIdCache* cache) {
    CVariant value;
    HRESULT r = Invoke(object, name, DISPATCH_PROPERTYGET, {}, &value, LOCALE_USER_DEFAULT, cache);
    if (hr)
        *hr = r;
    if (FAILED(r))
        value = CVariant();
    return value;
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const CVariant& value) {
    WORD flags = (value.Type() == VT_DISPATCH || value.Type() == VT_UNKNOWN) ? DISPATCH_PROPERTYPUTREF
                                                                             : DISPATCH_PROPERTYPUT;
    HRESULT hr = Invoke(object, name, flags, {value}, nullptr);
    if (hr == DISP_E_MEMBERNOTFOUND && flags == DISPATCH_PROPERTYPUTREF)
        hr = Invoke(object, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
    return hr;
}

CVariant CallMethod(IDispatch* object, const wchar_t* name, const std::vector<CVariant>& args, HRESULT* hr,
                    CDispIdCache* cache) {
    CVariant value;
    HRESULT r = Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &value,
                       LOCALE_USER_DEFAULT, cache);
    if (hr)
        *hr = r;
    if (FAILED(r))
        value = CVariant();
    return value;
}

ComPtr<IDispatch> ToDispatch(const CVariant& value) {
    const VARIANT& v = value.Get();
    ComPtr<IDispatch> out;
    if (v.vt == VT_DISPATCH && v.pdispVal)
        out = ComPtr<IDispatch>(v.pdispVal);
    else if (v.vt == VT_UNKNOWN && v.punkVal)
        v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    return out;
}

std::wstring ToWString(const CVariant& value) {
    const VARIANT& v = value.Get();
    if (v.vt == VT_BSTR)
        return v.bstrVal ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal)) : std::wstring();
    CVariant converted;
    if (v.vt == VT_EMPTY || v.vt == VT_NULL ||
        FAILED(::VariantChangeType(converted.Ptr(), const_cast<VARIANT*>(&v), 0, VT_BSTR)) ||
        !converted.Get().bstrVal)
        return {};
    return std::wstring(converted.Get().bstrVal, ::SysStringLen(converted.Get().bstrVal));
}

long ToLong(const CVariant& value) {
    const VARIANT& v = value.Get();
    if (v.vt == VT_I4)
        return v.lVal;
    CVariant converted;
    if (v.vt == VT_EMPTY || FAILED(::VariantChangeType(converted.Ptr(), const_cast<VARIANT*>(&v), 0, VT_I4)))
        return 0;
    return converted.Get().lVal;
}

} // namespace Dispatch
