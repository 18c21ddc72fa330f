// Calls on Outlook and Office objects, late-bound by name, that never call through an absent
// object (E_POINTER instead) and never throw. Connection points follow the standard protocol.
#pragma once
#include "ComPtr.h"
#include "Variant.h"

#include <oaidl.h>
#include <vector>

namespace OfficeCalls {

// Property get or method call whose result is an object; `out` is null when none came back.
HRESULT GetObject(IDispatch* object, const wchar_t* name, ComPtr<IDispatch>& out);
HRESULT CallObject(IDispatch* object, const wchar_t* name, const std::vector<CVariant>& args,
                   ComPtr<IDispatch>& out);
HRESULT Call(IDispatch* object, const wchar_t* name);
HRESULT Put(IDispatch* object, const wchar_t* name, const CVariant& value);
HRESULT PutString(IDispatch* object, const wchar_t* name, const wchar_t* text);
// A string argument; E_OUTOFMEMORY when it could not be made.
HRESULT MakeString(const wchar_t* text, CVariant& out);
// Asks an object for an interface; `out` stays null on failure.
HRESULT Query(IDispatch* object, const IID& iid, ComPtr<IDispatch>& out);

HRESULT Advise(IUnknown* source, const IID& events, IUnknown* sink, DWORD& cookie);
HRESULT Unadvise(IUnknown* source, const IID& events, DWORD cookie);

} // namespace OfficeCalls
