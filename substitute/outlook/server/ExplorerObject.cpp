#include "ExplorerObject.h"

#include "CallBudget.h"
#include "CommandBarsObject.h"
#include "ErrorInfo.h"
#include "ExplorerWindow.h"
#include "SelectionObject.h"

ExplorerObject::ExplorerObject(const ServerState& state) : m_state(state) {}

HRESULT ExplorerObject::get_Selection(Selection** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    std::vector<std::shared_ptr<MailMessage>> items;
    if (m_state.explorer) {
        for (size_t index : m_state.explorer->SelectedIndices())
            items.push_back(m_state.mails[index].message);
    }
    *result = new SelectionObject(std::move(items), m_state);
    return S_OK;
}

HRESULT ExplorerObject::get_CommandBars(_CommandBars** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (m_state.failCommandBars)
        return Fail(kFailCommandBarsResult, L"CommandBars fails (--fail-commandbars).");
    if (!m_state.commandBars)
        return Fail(E_FAIL, L"The explorer has no command bars.");
    *result = new CommandBarsObject(*m_state.commandBars, m_state);
    return S_OK;
}
