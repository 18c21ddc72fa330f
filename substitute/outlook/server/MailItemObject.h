// A mail item: message class, subject and attachments of one mail of the model.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class MailItemObject : public DispatchObject<_MailItem> {
public:
    MailItemObject(std::shared_ptr<MailMessage> message, const ServerState& state);

    HRESULT STDMETHODCALLTYPE get_MessageClass(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_Subject(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_Attachments(Attachments** result) override;

private:
    std::shared_ptr<MailMessage> m_message;
    const ServerState& m_state;
};
