// One attachment: its file name, and saving its bytes (or, for an attached message, a .msg file).
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class AttachmentObject : public DispatchObject<Attachment> {
public:
    AttachmentObject(std::shared_ptr<MailMessage> owner, size_t index, const ServerState& state);

    HRESULT STDMETHODCALLTYPE get_FileName(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE SaveAsFile(BSTR path) override;

private:
    const MailAttachment& Attached() const { return m_owner->attachments[m_index]; }

    std::shared_ptr<MailMessage> m_owner; // keeps the attachment alive
    size_t m_index;
    const ServerState& m_state;
};
