// What every automation object of the stand-in shares: the served mails, the explorer window
// (absent with --no-explorer) and the fault switches. One instance, owned by the program's main.
#pragma once
#include "ComPtr.h"
#include "com/ConnectionPoint.h"
#include "MailMessage.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class ExplorerWindow;
class CommandBarSet;
class RibbonHost;

// What the fault switches make the command-bar members return.
constexpr HRESULT kFailCommandBarsResult = static_cast<HRESULT>(0x8004C001);
constexpr HRESULT kFailActiveMenuBarResult = static_cast<HRESULT>(0x8004C002);

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
    CommandBarSet* commandBars = nullptr;           // the explorer's bars; null without an explorer
    ComPtr<com::ConnectionPoint> applicationEvents; // Outlook's ApplicationEvents
    bool failCommandBars = false;                   // --fail-commandbars
    bool failActiveMenuBar = false;                 // --fail-activemenubar
    long outlookVersion = 11;                       // --outlook-version: 11 (2003), 12, 14, 15, 16
    RibbonHost* ribbon = nullptr;                   // the add-ins' ribbons; null before 2007
};
