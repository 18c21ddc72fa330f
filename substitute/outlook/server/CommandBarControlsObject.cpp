#include "CommandBarControlsObject.h"

#include "ControlObjects.h"
#include "ErrorInfo.h"
#include "VariantArgs.h"

CommandBarControlsObject::CommandBarControlsObject(CommandBarSet& set, std::shared_ptr<ControlList> controls)
    : m_set(set), m_controls(std::move(controls)) {}

HRESULT CommandBarControlsObject::get_Item(VARIANT index, CommandBarControl** result) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (index.vt == VT_BSTR) {
        std::wstring caption(index.bstrVal ? index.bstrVal : L"", ::SysStringLen(index.bstrVal));
        for (const auto& control : *m_controls) {
            if (::CompareStringOrdinal(control->caption.c_str(), -1, caption.c_str(), -1, TRUE) ==
                CSTR_EQUAL) {
                *result = CreateControlObject(m_set, control);
                return S_OK;
            }
        }
        return Fail(E_INVALIDARG, L"No control has that caption.");
    }
    long number = 0;
    if (FAILED(OptionalLong(index, 0, number)))
        return Fail(DISP_E_TYPEMISMATCH, L"The index is a number or a caption.");
    if (number < 1 || static_cast<size_t>(number) > m_controls->size())
        return Fail(E_INVALIDARG, L"Invalid procedure call or argument: no control has that index.");
    *result = CreateControlObject(m_set, (*m_controls)[static_cast<size_t>(number - 1)]);
    return S_OK;
}

HRESULT CommandBarControlsObject::get_Count(long* result) {
    if (!result)
        return E_POINTER;
    *result = static_cast<long>(m_controls->size());
    return S_OK;
}

HRESULT CommandBarControlsObject::Add(VARIANT type, VARIANT id, VARIANT parameter, VARIANT before,
                                      VARIANT temporary, CommandBarControl** result) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    long typeValue = 0, idValue = 0, beforeValue = 0;
    bool temporaryValue = false;
    std::wstring parameterValue;
    if (FAILED(OptionalLong(type, kControlButton, typeValue)) ||
        FAILED(OptionalLong(id, kCustomControlId, idValue)) ||
        FAILED(OptionalString(parameter, L"", parameterValue)) ||
        FAILED(OptionalLong(before, 0, beforeValue)) ||
        FAILED(OptionalBool(temporary, false, temporaryValue)))
        return Fail(DISP_E_TYPEMISMATCH, L"An argument of Add has the wrong type.");
    if (typeValue != kControlButton && typeValue != kControlPopup)
        return Fail(E_INVALIDARG, L"The stand-in makes buttons (1) and pop-ups (10) only.");
    if (beforeValue < 0 || static_cast<size_t>(beforeValue) > m_controls->size() + 1)
        return Fail(E_INVALIDARG, L"Invalid procedure call or argument: Before is outside the controls.");
    auto control = m_set.AddControl(*m_controls, typeValue, idValue, beforeValue, temporaryValue);
    if (!control)
        return Fail(E_FAIL, L"The control cannot be added.");
    control->parameter = parameterValue;
    *result = CreateControlObject(m_set, control);
    return S_OK;
}
