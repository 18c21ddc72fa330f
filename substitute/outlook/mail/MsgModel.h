// .msg files to the mail model, over any MsgStorage. Pure C++: the Windows build serves the
// stand-in through structured storage (MailStore.h), the native build and the fuzzer through the
// pure compound-file reader (CompoundFile.h).
#pragma once
#include "MailMessage.h"
#include "MsgStorage.h"

#include <string>

// True when the bytes start with the compound-file signature D0 CF 11 E0 A1 B1 1A E1.
bool HasCompoundFileSignature(const std::string& bytes);

// Reads the message in a top-level message storage. No stream larger than maxStreamSize is read.
MailMessage ReadMsgModel(MsgStorage& root, uint64_t maxStreamSize);

// Reads a .msg file from its bytes with the pure compound-file reader.
MailMessage ReadMsgCompoundBytes(const std::string& bytes);
