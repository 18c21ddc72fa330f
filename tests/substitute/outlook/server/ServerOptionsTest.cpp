// The stand-in's command line: what tests and the demo rely on, and what must be refused.
#include "ServerOptions.h"

#include <gtest/gtest.h>

namespace {
ServerOptions Parse(std::vector<std::wstring> args, bool expectOk = true) {
    ServerOptions options;
    std::wstring error;
    EXPECT_EQ(ParseServerOptions(args, options, error), expectOk);
    EXPECT_EQ(error.empty(), expectOk);
    return options;
}
} // namespace

TEST(ServerOptions, ServingOptionsAreParsed) {
    ServerOptions o = Parse({L"--mailbox", L"C:\\mail box", L"--select", L"3,1,12", L"--no-explorer",
                             L"--fail-saveas", L"--fail-saveas-at", L"7", L"--exit-after-calls", L"0",
                             L"--ready-event", L"ev", L"--hold-saveas-at", L"3", L"--hold-event", L"h"});
    EXPECT_EQ(o.action, ServerOptions::Action::Serve);
    EXPECT_EQ(o.mailbox, L"C:\\mail box");
    EXPECT_EQ(o.select, (std::vector<size_t>{3, 1, 12}));
    EXPECT_TRUE(o.noExplorer);
    EXPECT_TRUE(o.failSaveAs);
    EXPECT_EQ(o.failSaveAsAt, 7);
    EXPECT_EQ(o.holdSaveAsAt, 3);
    EXPECT_EQ(o.holdEvent, L"h");
    EXPECT_EQ(o.exitAfterCalls, 0);
    EXPECT_EQ(o.readyEvent, L"ev");
    EXPECT_FALSE(o.startedByCom);
}

TEST(ServerOptions, DefaultsServeForeverWithAnExplorer) {
    ServerOptions o = Parse({});
    EXPECT_EQ(o.exitAfterCalls, -1);
    EXPECT_EQ(o.failSaveAsAt, 0);
    EXPECT_FALSE(o.noExplorer);
    EXPECT_TRUE(o.select.empty());
}

TEST(ServerOptions, ComStartSwitchIsRecognisedInEitherForm) {
    EXPECT_TRUE(Parse({L"-Embedding"}).startedByCom);
    EXPECT_TRUE(Parse({L"/Embedding"}).startedByCom);
    EXPECT_TRUE(Parse({L"--mailbox", L"x", L"-embedding"}).startedByCom);
}

TEST(ServerOptions, BadValuesAreRefused) {
    Parse({L"--select"}, false);
    Parse({L"--select", L"0"}, false);
    Parse({L"--select", L"1,,2"}, false);
    Parse({L"--select", L"1,"}, false);
    Parse({L"--select", L"-1"}, false);
    Parse({L"--select", L"x"}, false);
    Parse({L"--exit-after-calls", L"-3"}, false);
    Parse({L"--exit-after-calls", L"99999999999"}, false);
    Parse({L"--fail-saveas-at", L"0"}, false);
    Parse({L"--hold-saveas-at", L"2"}, false); // without its event
    Parse({L"--mailbox"}, false);
    Parse({L"--mailbox", L""}, false);
    Parse({L"--frobnicate"}, false);
    Parse({L"--register", L"--unregister"}, false);
    Parse({L"--click-control"}, false);
    Parse({L"--click-control", L"Tag", L"--stop"}, false);
    Parse({L"--time-addins", L"0"}, false);
    Parse({L"--program-files", L""}, false);
    for (const wchar_t* version : {L"13", L"10", L"17", L"2016", L"", L"16.0"})
        Parse({L"--outlook-version", version}, false);
    Parse({L"--click-ribbon", L""}, false);
    Parse({L"--click-ribbon", L"b", L"--context-menu"}, false);
}

TEST(ServerOptions, ActionsAreParsed) {
    EXPECT_EQ(Parse({L"--help"}).action, ServerOptions::Action::Help);
    EXPECT_EQ(Parse({L"--stop"}).action, ServerOptions::Action::Stop);
    ServerOptions r = Parse({L"--register", L"--mailbox", L"D:\\m"});
    EXPECT_EQ(r.action, ServerOptions::Action::Register);
    EXPECT_EQ(r.mailbox, L"D:\\m");
    EXPECT_EQ(Parse({L"--unregister"}).action, ServerOptions::Action::Unregister);
    ServerOptions click = Parse({L"--click-control", L"Menu Varoscope"});
    EXPECT_EQ(click.action, ServerOptions::Action::ClickControl);
    EXPECT_EQ(click.clickTag, L"Menu Varoscope");
    EXPECT_EQ(Parse({L"--reconnect-addins"}).action, ServerOptions::Action::ReconnectAddins);
    EXPECT_EQ(Parse({L"--disconnect-addins"}).action, ServerOptions::Action::DisconnectAddins);
    ServerOptions faults = Parse({L"--fail-commandbars", L"--fail-activemenubar", L"--time-addins", L"7"});
    EXPECT_TRUE(faults.failCommandBars && faults.failActiveMenuBar);
    EXPECT_EQ(faults.timeAddins, 7);
    ServerOptions ribbon = Parse({L"--click-ribbon", L"ShowPictures"});
    EXPECT_EQ(ribbon.action, ServerOptions::Action::ClickRibbon);
    EXPECT_EQ(ribbon.ribbonId, L"ShowPictures");
    EXPECT_EQ(Parse({L"--context-menu"}).action, ServerOptions::Action::ContextMenu);
    EXPECT_EQ(Parse({}).outlookVersion, 11);
    EXPECT_EQ(Parse({L"--outlook-version", L"14"}).outlookVersion, 14);
}

TEST(ServerOptions, HelpDocumentsEveryOption) {
    std::wstring usage = ServerUsage();
    for (const wchar_t* option : {L"--mailbox",       L"--select",           L"--no-explorer",
                                  L"--fail-saveas",   L"--fail-saveas-at",   L"--hold-saveas-at",
                                  L"--hold-event",    L"--exit-after-calls", L"--ready-event",
                                  L"--register",      L"--unregister",       L"--stop",
                                  L"--help",          L"--fail-commandbars", L"--fail-activemenubar",
                                  L"--click-control", L"--reconnect-addins", L"--disconnect-addins",
                                  L"--time-addins",   L"--program-files",    L"--outlook-version",
                                  L"--click-ribbon",  L"--context-menu"})
        EXPECT_NE(usage.find(option), std::wstring::npos) << option;
}
