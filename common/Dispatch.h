// Late-bound calls by name through IDispatch. Every call on an absent (null) object raises the
// automation failure E_POINTER; otherwise the caller gets the result code and decides.
#pragma once
#include "ComPtr.h"
#include "Variant.h"

#include <oaidl.h>
#include <map>
#include <string>
#include <vector>

namespace Dispatch {

// Member ids by name for objects of one and the same type, so that repeated calls on many such
// objects (every attachment of a mail, say) skip the name lookup, which costs a round trip to an
// out-of-process server. An id the object does not know is looked up again.
class CDispIdCache {
public:
    bool Find(const wchar_t* name, DISPID& id) const {
        auto it = m_ids.find(name);
        if (it == m_ids.end())
            return false;
        id = it->second;
        return true;
    }
    void Store(const wchar_t* name, DISPID id) { m_ids[name] = id; }
    void Forget(const wchar_t* name) { m_ids.erase(name); }

private:
    std::map<std::wstring, DISPID> m_ids;
};

// Calls member `name` with the arguments in their natural order (first argument first).
// flags: DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT (combinable as IDispatch allows).
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<CVariant>& args,
               CVariant* result, LCID locale = LOCALE_USER_DEFAULT, CDispIdCache* cache = nullptr);

// Property get; *hr (when given) receives the result code, the value is empty on failure.
CVariant GetProperty(IDispatch* object, const wchar_t* name, HRESULT* hr = nullptr,
                     CDispIdCache* cache = nullptr);
// Property put with one value.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const CVariant& value);
// Method call (also accepted as property get, as collections' Item is); empty result on failure.
CVariant CallMethod(IDispatch* object, const wchar_t* name, const std::vector<CVariant>& args = {},
                    HRESULT* hr = nullptr, CDispIdCache* cache = nullptr);

// Conversions of a returned value; anything else gives null, empty or zero.
ComPtr<IDispatch> ToDispatch(const CVariant& value);
std::wstring ToWString(const CVariant& value);
long ToLong(const CVariant& value);

} // namespace Dispatch
