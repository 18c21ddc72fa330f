#include "MailItemObject.h"

#include "AttachmentsObject.h"
#include "AutomationText.h"
#include "CallBudget.h"

namespace {
constexpr char kDefaultMailClass[] = "IPM.Note";
}

MailItemObject::MailItemObject(std::shared_ptr<MailMessage> message, const ServerState& state)
    : m_message(std::move(message)), m_state(state) {}

HRESULT MailItemObject::get_MessageClass(BSTR* result) {
    CallBudget::Spend();
    const std::string& cls = m_message->messageClass;
    return Utf8ToBstr(cls.empty() ? std::string(kDefaultMailClass) : cls, result);
}

HRESULT MailItemObject::get_Subject(BSTR* result) {
    CallBudget::Spend();
    return Utf8ToBstr(m_message->subject, result);
}

HRESULT MailItemObject::get_Attachments(Attachments** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = new AttachmentsObject(m_message, m_state);
    return S_OK;
}
