// An item that is not a mail (contact, meeting request, task, ...): it tells its class and subject
// by name, but deliberately does not answer for _MailItem.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class OtherItemObject : public DispatchObject<_OtherItem> {
public:
    explicit OtherItemObject(std::shared_ptr<MailMessage> message);

    HRESULT STDMETHODCALLTYPE get_MessageClass(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_Subject(BSTR* result) override;

private:
    std::shared_ptr<MailMessage> m_message;
};
