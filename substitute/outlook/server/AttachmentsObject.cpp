#include "AttachmentsObject.h"

#include "AttachmentObject.h"
#include "CallBudget.h"
#include "ErrorInfo.h"

AttachmentsObject::AttachmentsObject(std::shared_ptr<MailMessage> message, const ServerState& state)
    : m_message(std::move(message)), m_state(state) {}

HRESULT AttachmentsObject::get_Count(long* result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = static_cast<long>(m_message->attachments.size());
    return S_OK;
}

HRESULT AttachmentsObject::Item(long index, Attachment** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (index < 1 || static_cast<size_t>(index) > m_message->attachments.size())
        return Fail(DISP_E_BADINDEX, L"Array index out of bounds.");
    *result = new AttachmentObject(m_message, static_cast<size_t>(index - 1), m_state);
    return S_OK;
}
