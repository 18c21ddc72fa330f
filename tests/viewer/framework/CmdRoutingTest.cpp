// Command maps and the automatic enabling of menu items.
#include "CmdTarget.h"
#include "CommandLineInfo.h"
#include "Document.h"

#include <gtest/gtest.h>

namespace {
class Target : public CCmdTarget {
public:
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    void OnPlain() { log += "plain "; }
    void OnWithId(UINT id) { log += "id" + std::to_string(id) + " "; }
    void OnUpdateRangeItem(CCmdUI* ui) {
        log += "update ";
        ui->Enable(TRUE);
    }
    std::string log;
};

const CmdMapEntry<Target> kMap[] = {
    OnCommand(10, &Target::OnPlain),
    OnCommandId(11, &Target::OnWithId),
    OnUpdateRange(20, 29, &Target::OnUpdateRangeItem),
};

BOOL Target::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
    return DispatchCmdMap(this, kMap, id, code, ui);
}

struct Menu {
    HMENU handle = ::CreatePopupMenu();
    ~Menu() { ::DestroyMenu(handle); }
};
} // namespace

TEST(CmdMap, CommandsRunTheirHandlerProbesRunNothing) {
    Target t;
    EXPECT_TRUE(t.OnCmdMsg(10, CN_COMMAND, nullptr));
    EXPECT_TRUE(t.OnCmdMsg(11, CN_COMMAND, nullptr));
    EXPECT_EQ(t.log, "plain id11 ");
    EXPECT_TRUE(t.OnCmdMsg(10, CN_COMMAND_PROBE, nullptr));
    EXPECT_FALSE(t.OnCmdMsg(12, CN_COMMAND_PROBE, nullptr));
    // An update-only range has no command handler: the command itself is not taken.
    EXPECT_FALSE(t.OnCmdMsg(25, CN_COMMAND, nullptr));
    EXPECT_FALSE(t.OnCmdMsg(25, CN_COMMAND_PROBE, nullptr));
    EXPECT_EQ(t.log, "plain id11 ");
}

TEST(CmdMap, MenuItemsWithoutHandlerAreGreyedUpdateHandlersDecide) {
    Target t;
    Menu menu;
    ::AppendMenuA(menu.handle, MF_STRING | MF_GRAYED, 10, "handled");
    ::AppendMenuA(menu.handle, MF_STRING, 12, "no handler");
    ::AppendMenuA(menu.handle, MF_STRING | MF_GRAYED, 25, "update only");
    ::CheckMenuItem(menu.handle, 25, MF_BYCOMMAND | MF_CHECKED);
    for (UINT i = 0; i < 3; ++i) {
        CCmdUI ui;
        ui.m_nID = ::GetMenuItemID(menu.handle, static_cast<int>(i));
        ui.m_hMenu = menu.handle;
        ui.m_nIndex = i;
        ui.DoUpdate(&t, TRUE);
    }
    EXPECT_FALSE(::GetMenuState(menu.handle, 10, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(menu.handle, 12, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(menu.handle, 25, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(menu.handle, 25, MF_BYCOMMAND) & MF_CHECKED); // enabling keeps the check
    EXPECT_EQ(t.log, "update ");

    // Without the disable flag an unhandled item keeps its state.
    CCmdUI ui;
    ui.m_nID = 12;
    ui.m_hMenu = menu.handle;
    ui.m_nIndex = 1;
    ::EnableMenuItem(menu.handle, 12, MF_BYCOMMAND | MF_ENABLED);
    ui.DoUpdate(&t, FALSE);
    EXPECT_FALSE(::GetMenuState(menu.handle, 12, MF_BYCOMMAND) & MF_GRAYED);
}

TEST(Document, PathGivesTheTitleNewDocumentClearsIt) {
    CDocument doc;
    doc.SetPathName("C:\\some\\folder\\report.txt");
    EXPECT_EQ(doc.GetTitle(), "report.txt");
    doc.SetModifiedFlag();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_FALSE(doc.IsModified());
    // A file that cannot be read is refused and changes nothing.
    EXPECT_FALSE(doc.OnOpenDocument("C:\\no\\such\\file.txt"));
}

TEST(CommandLine, FirstPlainArgumentOpensFlagsAreIgnored) {
    CCommandLineInfo none;
    EXPECT_EQ(none.m_nShellCommand, CCommandLineInfo::FileNew);
    CCommandLineInfo info;
    info.ParseParam("Embedding", true, false);
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileNew);
    info.ParseParam("a.txt", false, false);
    info.ParseParam("b.txt", false, true);
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(info.m_strFileName, "a.txt");
}
