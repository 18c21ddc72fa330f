// libFuzzer entry: the .msg reader over the pure compound-file reader must read any bytes without
// crashing or running away, and everything it returns must be well-formed UTF-8 text with
// consistent attachments, nested no deeper than the reader's cut.
#include "Charset.h"
#include "MsgModel.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(const MailMessage& message, int depth) {
    if (!IsValidUtf8(message.subject) || !IsValidUtf8(message.sender) || !IsValidUtf8(message.messageClass) ||
        depth > 401)
        std::abort();
    for (const std::string& r : message.recipients)
        if (!IsValidUtf8(r))
            std::abort();
    for (const MailAttachment& a : message.attachments) {
        if (a.fileName.empty() || !IsValidUtf8(a.fileName))
            std::abort();
        if (a.embedded) {
            if (!a.data.empty())
                std::abort();
            Check(*a.embedded, depth + 1);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MailMessage message = ReadMsgCompoundBytes(bytes);
    Check(message, 0);
    // No stream can be larger than the file, so neither can any attachment.
    for (const MailAttachment& a : message.attachments)
        if (a.data.size() > size)
            std::abort();
    return 0;
}
