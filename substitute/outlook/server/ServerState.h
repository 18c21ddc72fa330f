// What every automation object of the stand-in shares: the served mails, the explorer window
// (absent with --no-explorer) and the fault switches. One instance, owned by the program's main.
#pragma once
#include "MailMessage.h"

#include <memory>
#include <string>
#include <vector>

class ExplorerWindow;

struct ServedMail {
    std::wstring fileName; // name in the mailbox folder
    std::shared_ptr<MailMessage> message;
};

struct ServerState {
    std::vector<ServedMail> mails;      // in name order; the explorer lists them in this order
    ExplorerWindow* explorer = nullptr; // null when there is no explorer window
    bool failSaveAs = false;
    long failSaveAsAt = 0; // the one SaveAsFile call (1-based) that fails; 0 for none
    long holdSaveAsAt = 0; // the SaveAsFile call that waits for the test first; 0 for none
    std::wstring holdEvent;
};
