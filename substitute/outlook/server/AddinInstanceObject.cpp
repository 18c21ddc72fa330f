#include "AddinInstanceObject.h"

#include "AutomationText.h"

AddinInstanceObject::AddinInstanceObject(std::wstring progId, std::wstring description,
                                         std::shared_ptr<const bool> connected)
    : m_progId(std::move(progId)), m_description(std::move(description)), m_connected(std::move(connected)) {}

HRESULT AddinInstanceObject::get_Description(BSTR* result) {
    return WideToBstr(m_description, result);
}

HRESULT AddinInstanceObject::get_ProgId(BSTR* result) {
    return WideToBstr(m_progId, result);
}

HRESULT AddinInstanceObject::get_Connect(VARIANT_BOOL* result) {
    if (!result)
        return E_POINTER;
    *result = *m_connected ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
