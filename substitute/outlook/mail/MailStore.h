// Mail files for the stand-in: .msg (Outlook's compound-file format, through Windows structured
// storage) and .eml (MIME), read into the mail model; attached messages written back as .msg.
// Files are only read (shared for reading); a broken file gives a model with `problem` set.
#pragma once
#include "MailMessage.h"
#include "MsgModel.h"

#include <objbase.h>
#include <string>

// Reads a mail file, choosing the format by content: the compound-file signature means .msg,
// anything else is read as MIME.
MailMessage LoadMailFile(const std::wstring& path);

// Reads a .msg file; a file that is not a compound file gives an empty model with `problem` set.
MailMessage ReadMsgFile(const std::wstring& path);
// The same from the file's bytes, and from an open message storage (the top-level one).
MailMessage ReadMsgBytes(const std::string& bytes);
MailMessage ReadMsgStorage(IStorage* storage);

// Writes the message as a standalone .msg file (replacing one that exists), its attachments
// and attached messages included, nested to any depth.
HRESULT WriteMsgFile(const std::wstring& path, const MailMessage& message);
// The same into an open, writable top-level storage (not committed).
HRESULT WriteMsgStorage(IStorage* storage, const MailMessage& message);
