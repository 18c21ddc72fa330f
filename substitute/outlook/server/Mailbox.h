// Reads the mailbox folder: every .eml and .msg file, in name order. A file that cannot be read
// still becomes an entry, marked with its problem, so that one bad file never hides the others.
#pragma once
#include "ServerState.h"

#include <string>
#include <vector>

// False (with a message) only when the folder itself cannot be listed.
bool LoadMailbox(const std::wstring& folder, std::vector<ServedMail>& mails, std::wstring& error);
