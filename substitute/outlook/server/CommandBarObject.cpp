#include "CommandBarObject.h"

#include "AutomationText.h"
#include "CommandBarControlsObject.h"
#include "ErrorInfo.h"

CommandBarObject::CommandBarObject(CommandBarSet& set, std::shared_ptr<CommandBarData> bar)
    : m_set(set), m_bar(std::move(bar)) {}

HRESULT CommandBarObject::get_Name(BSTR* result) {
    return WideToBstr(m_bar->name, result);
}

HRESULT CommandBarObject::get_Visible(VARIANT_BOOL* result) {
    if (!result)
        return E_POINTER;
    *result = m_bar->visible ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CommandBarObject::put_Visible(VARIANT_BOOL value) {
    m_bar->visible = value != VARIANT_FALSE;
    m_set.Changed();
    return S_OK;
}

HRESULT CommandBarObject::get_Controls(CommandBarControls** result) {
    if (!result)
        return E_POINTER;
    *result = new CommandBarControlsObject(m_set, m_bar->controls);
    return S_OK;
}

HRESULT CommandBarObject::get_Position(long* result) {
    if (!result)
        return E_POINTER;
    *result = m_bar->position;
    return S_OK;
}

HRESULT CommandBarObject::get_Type(long* result) {
    if (!result)
        return E_POINTER;
    *result = m_bar->menuBar ? kBarTypeMenuBar : kBarTypeNormal;
    return S_OK;
}

HRESULT CommandBarObject::Delete() {
    if (m_bar == m_set.MenuBar())
        return Fail(E_ACCESSDENIED, L"The menu bar cannot be deleted.");
    m_set.RemoveBar(m_bar);
    return S_OK;
}
