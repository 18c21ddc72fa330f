// The stand-in's command line.
#pragma once
#include <string>
#include <vector>

struct ServerOptions {
    enum class Action { Serve, Help, Register, Unregister, Stop, ClickControl, ReconnectAddins };
    Action action = Action::Serve;
    std::wstring mailbox;           // --mailbox DIR (empty: no mails)
    std::vector<size_t> select;     // --select I[,J...], 1-based as given
    bool noExplorer = false;        // --no-explorer
    bool failSaveAs = false;        // --fail-saveas
    long exitAfterCalls = -1;       // --exit-after-calls N (-1: never)
    std::wstring readyEvent;        // --ready-event NAME
    bool startedByCom = false;      // -Embedding / /Embedding, added by COM
    bool failCommandBars = false;   // --fail-commandbars
    bool failActiveMenuBar = false; // --fail-activemenubar
    std::wstring clickTag;          // --click-control TAG
    long timeAddins = 0;            // --time-addins N (0: connect once, as usual)
    long failSaveAsAt = 0;          // --fail-saveas-at K (0: never)
    long holdSaveAsAt = 0;          // --hold-saveas-at K (0: never)
    std::wstring holdEvent;         // --hold-event NAME
};

// Parses the arguments after the program name. False with a message in error on bad input.
bool ParseServerOptions(const std::vector<std::wstring>& args, ServerOptions& options, std::wstring& error);

// The --help text.
const wchar_t* ServerUsage();
