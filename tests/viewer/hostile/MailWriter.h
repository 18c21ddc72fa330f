// Mails that the hostile tests make at run time: MIME text with attachments given by UTF-8 name
// and bytes, attached messages nested as deep as wanted, and one huge attachment written to disk
// piece by piece.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PlannedMail;

struct MailPart {
    std::string name; // UTF-8, as the sender wrote it
    std::string bytes;
    std::shared_ptr<PlannedMail> message; // an attached message instead of bytes
};

// A mail a test plans: written as MIME text for the stand-in's mailbox, then captured.
struct PlannedMail {
    std::string subject; // UTF-8
    std::vector<MailPart> parts;
};

// The mail as MIME text.
std::string MimeText(const PlannedMail& mail);

// How many attachments a capture lists for the mail: every part at any depth that is no message.
size_t ListedCount(const PlannedMail& mail);

// A mail with one attachment of size bytes (a repeating pattern), written straight to path.
bool WriteHugeMail(const std::string& path, const std::string& subject, const std::string& name,
                   uint64_t size);

// A small 24-bit picture, so that pages have something real to show.
std::string SmallBitmap(int width, int height, int tint);
