// The attachment collection of one mail (1-based, in the mail's order).
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class AttachmentsObject : public DispatchObject<Attachments> {
public:
    AttachmentsObject(std::shared_ptr<MailMessage> message, const ServerState& state);

    HRESULT STDMETHODCALLTYPE get_Count(long* result) override;
    HRESULT STDMETHODCALLTYPE Item(long index, Attachment** result) override;

private:
    std::shared_ptr<MailMessage> m_message;
    const ServerState& m_state;
};
