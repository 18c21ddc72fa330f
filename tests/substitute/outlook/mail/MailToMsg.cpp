// Test helper: reads a mail file (.msg or .eml) through the mail store, writes it as .msg and
// prints the model as lines "depth<TAB>kind<TAB>size<TAB>name" (kind: subject, attachment,
// message), so that another reader's view of the written file can be compared with it.
#include "MailStore.h"

#include <cstdio>
#include <string>

namespace {

void Print(const MailMessage& message, int depth) {
    std::printf("%d\tsubject\t0\t%s\n", depth, message.subject.c_str());
    for (const MailAttachment& a : message.attachments) {
        if (a.embedded) {
            std::printf("%d\tmessage\t0\t%s\n", depth, a.fileName.c_str());
            Print(*a.embedded, depth + 1);
        } else {
            std::printf("%d\tattachment\t%zu\t%s\n", depth, a.data.size(), a.fileName.c_str());
        }
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mailtomsg MAILFILE OUT.msg\n");
        return 2;
    }
    ::CoInitialize(nullptr);
    MailMessage message = LoadMailFile(argv[1]);
    HRESULT hr = WriteMsgFile(argv[2], message);
    if (FAILED(hr)) {
        std::fprintf(stderr, "writing failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    Print(message, 0);
    std::fflush(stdout);
    ::CoUninitialize();
    return 0;
}
