// The stand-in's command line.
#pragma once
#include <string>
#include <vector>

// Exit codes of the stand-in (registration has its own, see Registration.h).
enum ExitCode { kOk = 0, kFailure = 1, kBadCommandLine = 2, kAlreadyRunning = 4 };

struct ServerOptions {
    enum class Action {
        Serve,
        Help,
        Register,
        Unregister,
        Stop,
        ClickControl,
        ReconnectAddins,
        DisconnectAddins,
        ClickRibbon,
        ContextMenu
    };
    Action action = Action::Serve;
    std::wstring mailbox;           // --mailbox DIR (empty: no mails)
    std::vector<size_t> select;     // --select I[,J...], 1-based as given
    bool noExplorer = false;        // --no-explorer
    bool failSaveAs = false;        // --fail-saveas
    long failSaveAsAt = 0;          // --fail-saveas-at K (0: never)
    long holdSaveAsAt = 0;          // --hold-saveas-at K (0: never)
    std::wstring holdEvent;         // --hold-event NAME
    long exitAfterCalls = -1;       // --exit-after-calls N (-1: never)
    std::wstring readyEvent;        // --ready-event NAME
    bool startedByCom = false;      // -Embedding / /Embedding, added by COM
    bool failCommandBars = false;   // --fail-commandbars
    bool failActiveMenuBar = false; // --fail-activemenubar
    std::wstring clickTag;          // --click-control TAG
    long timeAddins = 0;            // --time-addins N (0: connect once, as usual)
    std::wstring programFiles;      // --program-files DIR (empty: as inherited)
    long outlookVersion = 11;       // --outlook-version N: 11, 12, 14, 15 or 16
    std::wstring ribbonId;          // --click-ribbon ID
};

// Parses the arguments after the program name. False with a message in error on bad input.
bool ParseServerOptions(const std::vector<std::wstring>& args, ServerOptions& options, std::wstring& error);

// The --help text.
const wchar_t* ServerUsage();
