#include "SelectionObject.h"

#include "CallBudget.h"
#include "ErrorInfo.h"
#include "ItemFactory.h"

SelectionObject::SelectionObject(std::vector<std::shared_ptr<MailMessage>> items, const ServerState& state)
    : m_items(std::move(items)), m_state(state) {}

HRESULT SelectionObject::get_Count(long* result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = static_cast<long>(m_items.size());
    return S_OK;
}

HRESULT SelectionObject::Item(long index, IDispatch** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (index < 1 || static_cast<size_t>(index) > m_items.size())
        return Fail(DISP_E_BADINDEX, L"Array index out of bounds.");
    *result = CreateItemObject(m_items[static_cast<size_t>(index - 1)], m_state);
    return S_OK;
}
