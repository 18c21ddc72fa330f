#include "CommandBarsObject.h"

#include "CommandBarObject.h"
#include "ControlObjects.h"
#include "ErrorInfo.h"
#include "VariantArgs.h"

CommandBarsObject::CommandBarsObject(CommandBarSet& set, const ServerState& state)
    : m_set(set), m_state(state) {}

HRESULT CommandBarsObject::get_Item(VARIANT index, CommandBar** result) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    std::shared_ptr<CommandBarData> bar;
    if (index.vt == VT_BSTR) {
        bar = m_set.FindBar(std::wstring(index.bstrVal ? index.bstrVal : L"", ::SysStringLen(index.bstrVal)));
    } else {
        long number = 0;
        if (FAILED(OptionalLong(index, 0, number)))
            return Fail(DISP_E_TYPEMISMATCH, L"The index is a number or a bar name.");
        if (number >= 1 && static_cast<size_t>(number) <= m_set.Bars().size())
            bar = m_set.Bars()[static_cast<size_t>(number - 1)];
    }
    if (!bar)
        return Fail(E_INVALIDARG,
                    L"Invalid procedure call or argument: no command bar of that name or index.");
    *result = new CommandBarObject(m_set, bar);
    return S_OK;
}

HRESULT CommandBarsObject::get_Count(long* result) {
    if (!result)
        return E_POINTER;
    *result = static_cast<long>(m_set.Bars().size());
    return S_OK;
}

HRESULT CommandBarsObject::Add(VARIANT name, VARIANT position, VARIANT menuBar, VARIANT temporary,
                               CommandBar** result) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    std::wstring nameValue;
    long positionValue = 0;
    bool menuBarValue = false, temporaryValue = false;
    if (FAILED(OptionalString(name, L"", nameValue)) ||
        FAILED(OptionalLong(position, kBarFloating, positionValue)) ||
        FAILED(OptionalBool(menuBar, false, menuBarValue)) ||
        FAILED(OptionalBool(temporary, false, temporaryValue)))
        return Fail(DISP_E_TYPEMISMATCH, L"An argument of Add has the wrong type.");
    if (positionValue < kBarLeft || positionValue > kBarMenuBar)
        return Fail(E_INVALIDARG, L"Invalid procedure call or argument: unknown bar position.");
    if (nameValue.empty()) {
        // Office names an unnamed bar "Custom N" with the first free N.
        for (int n = 1; nameValue.empty() || m_set.FindBar(nameValue); ++n)
            nameValue = L"Custom " + std::to_wstring(n);
    }
    if (m_set.FindBar(nameValue))
        return Fail(E_INVALIDARG, L"Invalid procedure call or argument: a command bar of that name exists.");
    auto bar = m_set.AddBar(nameValue, positionValue, menuBarValue, temporaryValue);
    if (!bar)
        return Fail(E_FAIL, L"The command bar cannot be added.");
    if (!temporaryValue)
        m_set.SavePermanentBars(); // kept even if the stand-in does not end cleanly
    *result = new CommandBarObject(m_set, bar);
    return S_OK;
}

HRESULT CommandBarsObject::FindControl(VARIANT type, VARIANT id, VARIANT tag, VARIANT visible,
                                       CommandBarControl** result) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    CommandBarSet::Criteria criteria;
    std::wstring tagValue;
    bool tagGiven = !IsOmitted(tag);
    if (FAILED(OptionalLong(type, 0, criteria.type)) || FAILED(OptionalLong(id, 0, criteria.id)) ||
        FAILED(OptionalString(tag, L"", tagValue)) ||
        FAILED(OptionalBool(visible, false, criteria.visibleOnly)))
        return Fail(DISP_E_TYPEMISMATCH, L"An argument of FindControl has the wrong type.");
    if (tagGiven)
        criteria.tag = &tagValue;
    *result = CreateControlObject(m_set, m_set.FindControl(criteria));
    return S_OK;
}

HRESULT CommandBarsObject::get_ActiveMenuBar(CommandBar** result) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (m_state.failActiveMenuBar)
        return Fail(kFailActiveMenuBarResult, L"ActiveMenuBar fails (--fail-activemenubar).");
    *result = new CommandBarObject(m_set, m_set.MenuBar());
    return S_OK;
}
