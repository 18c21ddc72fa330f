#include "ServerOptions.h"

#include <cwchar>
#include <cwctype>

namespace {
// A whole decimal number without sign, within limit; false for anything else.
bool ParseCount(const std::wstring& text, unsigned long long limit, unsigned long long& value) {
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<unsigned long long>(c - L'0');
    }
    return value <= limit;
}

bool ParseSelection(const std::wstring& text, std::vector<size_t>& out) {
    out.clear();
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(L',', start);
        std::wstring part =
            text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        unsigned long long value = 0;
        if (!ParseCount(part, 1000000, value) || value == 0)
            return false;
        out.push_back(static_cast<size_t>(value));
        if (comma == std::wstring::npos)
            return true;
        start = comma + 1;
    }
}

bool IsEmbeddingSwitch(const std::wstring& arg) {
    if (arg.size() < 2 || (arg[0] != L'-' && arg[0] != L'/'))
        return false;
    std::wstring rest = arg.substr(1);
    for (auto& c : rest)
        c = static_cast<wchar_t>(std::towlower(c));
    return rest == L"embedding" || rest == L"automation";
}
} // namespace

bool ParseServerOptions(const std::vector<std::wstring>& args, ServerOptions& options, std::wstring& error) {
    options = ServerOptions();
    int actions = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        auto value = [&](std::wstring& out) {
            if (i + 1 >= args.size()) {
                error = arg + L" needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::wstring text;
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            options.action = ServerOptions::Action::Help;
            ++actions;
        } else if (arg == L"--register") {
            options.action = ServerOptions::Action::Register;
            ++actions;
        } else if (arg == L"--unregister") {
            options.action = ServerOptions::Action::Unregister;
            ++actions;
        } else if (arg == L"--stop") {
            options.action = ServerOptions::Action::Stop;
            ++actions;
        } else if (arg == L"--click-control") {
            if (!value(options.clickTag))
                return false;
            options.action = ServerOptions::Action::ClickControl;
            ++actions;
        } else if (arg == L"--reconnect-addins") {
            options.action = ServerOptions::Action::ReconnectAddins;
            ++actions;
        } else if (arg == L"--disconnect-addins") {
            options.action = ServerOptions::Action::DisconnectAddins;
            ++actions;
        } else if (arg == L"--click-ribbon") {
            if (!value(options.ribbonId))
                return false;
            if (options.ribbonId.empty()) {
                error = L"--click-ribbon needs a control id";
                return false;
            }
            options.action = ServerOptions::Action::ClickRibbon;
            ++actions;
        } else if (arg == L"--context-menu") {
            options.action = ServerOptions::Action::ContextMenu;
            ++actions;
        } else if (arg == L"--outlook-version") {
            if (!value(text))
                return false;
            unsigned long long n = 0;
            if (!ParseCount(text, 99, n) || (n != 11 && n != 12 && n != 14 && n != 15 && n != 16)) {
                error = L"--outlook-version needs 11 (2003), 12 (2007), 14 (2010), 15 (2013) or 16 (2016 and "
                        L"later), not \"" +
                        text + L"\"";
                return false;
            }
            options.outlookVersion = static_cast<long>(n);
        } else if (arg == L"--program-files") {
            if (!value(options.programFiles))
                return false;
            if (options.programFiles.empty()) {
                error = L"--program-files needs a folder";
                return false;
            }
        } else if (arg == L"--fail-commandbars") {
            options.failCommandBars = true;
        } else if (arg == L"--fail-activemenubar") {
            options.failActiveMenuBar = true;
        } else if (arg == L"--time-addins") {
            if (!value(text))
                return false;
            unsigned long long n = 0;
            if (!ParseCount(text, 100000, n) || n == 0) {
                error = L"--time-addins needs a number of rounds from 1 to 100000, not \"" + text + L"\"";
                return false;
            }
            options.timeAddins = static_cast<long>(n);
        } else if (arg == L"--mailbox") {
            if (!value(options.mailbox))
                return false;
            if (options.mailbox.empty()) {
                error = L"--mailbox needs a folder";
                return false;
            }
        } else if (arg == L"--select") {
            if (!value(text))
                return false;
            if (!ParseSelection(text, options.select)) {
                error = L"--select needs 1-based item numbers separated by commas, not \"" + text + L"\"";
                return false;
            }
        } else if (arg == L"--no-explorer") {
            options.noExplorer = true;
        } else if (arg == L"--fail-saveas") {
            options.failSaveAs = true;
        } else if (arg == L"--fail-saveas-at") {
            if (!value(text))
                return false;
            unsigned long long k = 0;
            if (!ParseCount(text, 0x7fffffff, k) || k == 0) {
                error = L"--fail-saveas-at needs a 1-based call number, not \"" + text + L"\"";
                return false;
            }
            options.failSaveAsAt = static_cast<long>(k);
        } else if (arg == L"--hold-saveas-at") {
            if (!value(text))
                return false;
            unsigned long long k = 0;
            if (!ParseCount(text, 0x7fffffff, k) || k == 0) {
                error = L"--hold-saveas-at needs a 1-based call number, not \"" + text + L"\"";
                return false;
            }
            options.holdSaveAsAt = static_cast<long>(k);
        } else if (arg == L"--hold-event") {
            if (!value(options.holdEvent))
                return false;
        } else if (arg == L"--exit-after-calls") {
            if (!value(text))
                return false;
            unsigned long long n = 0;
            if (!ParseCount(text, 0x7fffffff, n)) {
                error = L"--exit-after-calls needs a number of calls, not \"" + text + L"\"";
                return false;
            }
            options.exitAfterCalls = static_cast<long>(n);
        } else if (arg == L"--ready-event") {
            if (!value(options.readyEvent))
                return false;
            if (options.readyEvent.empty()) {
                error = L"--ready-event needs an event name";
                return false;
            }
        } else if (IsEmbeddingSwitch(arg)) {
            options.startedByCom = true;
        } else {
            error = L"unknown option \"" + arg + L"\"";
            return false;
        }
    }
    if ((options.holdSaveAsAt != 0) != !options.holdEvent.empty()) {
        error = L"--hold-saveas-at and --hold-event go together";
        return false;
    }
    if (actions > 1) {
        error = L"--help, --register, --unregister, --stop, --click-control, --click-ribbon, --context-menu, "
                L"--reconnect-addins and --disconnect-addins exclude each other";
        return false;
    }
    return true;
}

const wchar_t* ServerUsage() {
    return L"OutlookSubstitute - an Outlook stand-in for testing Varoscope (not Microsoft Outlook).\n"
           L"It serves mail files through the automation interface of Outlook.Application.\n"
           L"\n"
           L"Usage: OutlookSubstitute.exe [options]\n"
           L"  --mailbox DIR         serve every .eml and .msg file in DIR, in name order (default: no "
           L"mails).\n"
           L"                        Files in DIR are only read. A damaged file is listed as [damaged]\n"
           L"                        with whatever could be read from it.\n"
           L"  --select I[,J...]     preselect these items in the explorer (1-based, in list order).\n"
           L"  --no-explorer         run without an explorer window: ActiveExplorer returns nothing.\n"
           L"  --fail-saveas         every Attachment.SaveAsFile fails and writes nothing.\n"
           L"  --fail-saveas-at K    only the K-th Attachment.SaveAsFile of the run fails (1-based).\n"
           L"  --hold-saveas-at K    before the K-th Attachment.SaveAsFile, set the event NAME.held and\n"
           L"  --hold-event NAME     wait (at most a minute) for the event NAME.go; both events are the\n"
           L"                        caller's. Lets a test change the world in the middle of a walk.\n"
           L"  --exit-after-calls N  serve N automation calls; the process ends abruptly (exit code 99)\n"
           L"                        when the next one arrives, as a crashing Outlook would.\n"
           L"  --ready-event NAME    set the named Windows event once the application object is in the\n"
           L"                        running-object table. In any case the line\n"
           L"                        \"OutlookSubstitute: ready\" is then written to standard output.\n"
           L"  --fail-commandbars    Explorer.CommandBars fails with 0x8004C001.\n"
           L"  --fail-activemenubar  CommandBars.ActiveMenuBar fails with 0x8004C002.\n"
           L"  --program-files DIR   set the ProgramFiles variable of the stand-in (and so of its add-ins)\n"
           L"                        to DIR before add-ins load; Wine resets the inherited value in every\n"
           L"                        new process, so a parent cannot set it.\n"
           L"  --outlook-version N   play this Outlook: 11 (2003, the default) and 12 (2007) draw menus and\n"
           L"                        tool bars; 14 (2010), 15 (2013) and 16 (2016 to 365) draw a ribbon "
           L"with\n"
           L"                        the add-ins' custom UI, their legacy controls on its Add-ins tab, and\n"
           L"                        their items in the mail context menu. Sets Application.Version.\n"
           L"  --time-addins N       create and connect each add-in N times, print the microseconds of each\n"
           L"                        round (\"OutlookSubstitute: time PROGID N us\"), then end.\n"
           L"  --register            register Outlook.Application (per machine), its class, started by COM\n"
           L"                        with the given --mailbox, and the type library; also the add-in\n"
           L"                        designer type library where none is registered. Refuses (exit code 3)\n"
           L"                        when another program has registered Outlook.Application.\n"
           L"  --unregister          remove exactly what --register wrote.\n"
           L"  --stop                close the running stand-in and wait until it has ended.\n"
           L"  --click-control TAG   click the first control with that tag in the running stand-in, as a\n"
           L"                        mouse click does; waits until the click was delivered. Exit code 1\n"
           L"                        when no control has that tag or no stand-in runs.\n"
           L"  --click-ribbon ID     click the add-in ribbon control (or context-menu item) with that id in\n"
           L"                        the running stand-in, as a mouse click does; waits until onAction has\n"
           L"                        returned. Exit code 1 when none is there, it is disabled or hidden.\n"
           L"  --context-menu        open the mail context menu of the running stand-in's selection, as a\n"
           L"                        right-click on it does (ribbon versions only).\n"
           L"  --reconnect-addins    disconnect and reconnect the running stand-in's add-ins (as the\n"
           L"                        menu item Tools > Reconnect COM Add-Ins does); waits until done.\n"
           L"  --disconnect-addins   disconnect the running stand-in's add-ins (Tools > Disconnect COM\n"
           L"                        Add-Ins); their controls stay. Waits until done.\n"
           L"  --help                show this text.\n"
           L"\n"
           L"COM add-ins: at start every entry under HKCU\\Software\\Microsoft\\Office\\Outlook\\Addins "
           L"with\n"
           L"LoadBehavior 3 is created from its ProgID and connected; one that fails is reported on the\n"
           L"console and dropped. Permanent command bars are kept under\n"
           L"HKCU\\Software\\Varoscope\\OutlookSubstitute\\CommandBars; temporary controls end with the "
           L"run.\n"
           L"\n"
           L"Only one stand-in runs at a time: a second one refuses to start (exit code 4).\n"
           L"Closing the explorer window (or --stop) ends the stand-in.\n"
           L"Exit codes: 0 done, 1 failure, 2 bad command line, 3 registration refused, 4 already running.\n";
}
