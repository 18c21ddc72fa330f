// libFuzzer entry: the MIME reader must read any bytes without crashing, and everything it
// returns must be well-formed UTF-8 text with consistent attachments, nested no deeper than the
// reader's cut.
#include "Charset.h"
#include "MailMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(const MailMessage& message, int depth) {
    if (!IsValidUtf8(message.subject) || !IsValidUtf8(message.sender) || depth > 401)
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
    MailMessage message = ParseMimeMessage(std::string(reinterpret_cast<const char*>(data), size));
    Check(message, 0);
    return 0;
}
