#include "OtherItemObject.h"

#include "AutomationText.h"
#include "CallBudget.h"

OtherItemObject::OtherItemObject(std::shared_ptr<MailMessage> message) : m_message(std::move(message)) {}

HRESULT OtherItemObject::get_MessageClass(BSTR* result) {
    CallBudget::Spend();
    return Utf8ToBstr(m_message->messageClass, result);
}

HRESULT OtherItemObject::get_Subject(BSTR* result) {
    CallBudget::Spend();
    return Utf8ToBstr(m_message->subject, result);
}
