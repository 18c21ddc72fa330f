// The stand-in's in-memory model of one mail, filled from .eml or .msg files.
// Pure C++: all text is UTF-8; the automation layer converts at its boundary.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct MailMessage;

struct MailAttachment {
    std::string fileName;                  // as Outlook would report Attachment.FileName (UTF-8)
    std::string data;                      // the attachment's bytes exactly (empty for an attached message)
    std::shared_ptr<MailMessage> embedded; // set when the attachment is a message of its own
};

struct MailMessage {
    std::string subject;      // decoded (UTF-8)
    std::string sender;       // display form, for the explorer's list
    std::string messageClass; // "IPM.Note", "IPM.Note.SMIME", "IPM.Contact", ...
    std::vector<MailAttachment> attachments;
    std::string problem; // non-empty when the file was malformed or truncated: what went wrong
    std::vector<std::string> recipients; // display forms of the To recipients (may be empty)
};

// Reads a MIME (RFC 5322) message from its raw bytes. Never throws on bad input: whatever can be
// read is kept and `problem` says what could not.
MailMessage ParseMimeMessage(const std::string& bytes);

// Reading .msg and .eml files and writing .msg files (Windows only): see MailStore.h.
