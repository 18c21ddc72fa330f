// The add-in's pure rules: where the viewer is started from, which events start it, and the
// paths a server derives from its own file name.
#include "LaunchPaths.h"
#include "ModulePath.h"
#include "SinkEvents.h"

#include <gtest/gtest.h>

TEST(LaunchPaths, ProgramAndWorkingFolderUnderProgramFiles) {
    LaunchPaths paths;
    ASSERT_TRUE(MakeLaunchPaths(L"C:\\Program Files", paths));
    EXPECT_EQ(L"C:\\Program Files\\Varoscope\\varo.exe", paths.program);
    EXPECT_EQ(L"C:\\Program Files\\Varoscope", paths.folder);
}

TEST(LaunchPaths, NothingWhenUnsetOrTooLongForTheBuffers) {
    const std::wstring suffix = L"\\Varoscope\\varo.exe";
    LaunchPaths paths;
    paths.program = L"untouched";
    EXPECT_FALSE(MakeLaunchPaths(L"", paths));
    // 259 characters and the terminator fit; one more does not, and no cut path is offered.
    std::wstring fits(kLaunchPathCapacity - 1 - suffix.size(), L'p');
    EXPECT_FALSE(MakeLaunchPaths(fits + L"p", paths));
    EXPECT_FALSE(MakeLaunchPaths(std::wstring(300, L'p'), paths));
    EXPECT_EQ(L"untouched", paths.program);
    ASSERT_TRUE(MakeLaunchPaths(fits, paths));
    EXPECT_EQ(kLaunchPathCapacity - 1, paths.program.size());
    EXPECT_EQ(fits + suffix, paths.program);
}

TEST(SinkEvents, OnlyClicksOfTheTwoButtonsLaunch) {
    for (unsigned sink : {SinkEvents::kToolbarButton, SinkEvents::kMenuItem}) {
        const SinkEvents::Entry* entry = SinkEvents::Find(sink, SinkEvents::kClick);
        ASSERT_NE(nullptr, entry) << sink;
        EXPECT_EQ(SinkEvents::Action::Launch, entry->action);
        EXPECT_EQ(2u, entry->arguments); // Ctrl, CancelDefault
        EXPECT_EQ(nullptr, SinkEvents::Find(sink, 2));
        EXPECT_EQ(nullptr, SinkEvents::Find(sink, 0));
    }
    for (long dispid : {0L, 1L, 0xF001L, -1L})
        EXPECT_EQ(nullptr, SinkEvents::Find(SinkEvents::kApplication, dispid));
    EXPECT_EQ(nullptr, SinkEvents::Find(9102, SinkEvents::kClick));
}

TEST(ModulePath, HelpFolderAndTypeLibraryFile) {
    EXPECT_EQ(L"C:\\Program Files\\Varoscope\\",
              ModulePath::Folder(L"C:\\Program Files\\Varoscope\\VaroAddin.dll"));
    EXPECT_EQ(L"C:", ModulePath::Folder(L"C:VaroAddin.dll"));
    EXPECT_EQ(L"/opt/x/", ModulePath::Folder(L"/opt/x/VaroAddin.dll"));
    EXPECT_EQ(L"", ModulePath::Folder(L"VaroAddin.dll"));
    EXPECT_EQ(L"C:\\a\\VaroAddin.tlb", ModulePath::TypeLibraryFile(L"C:\\a\\VaroAddin.dll"));
    EXPECT_EQ(L"C:\\v1.2\\VaroAddin.tlb", ModulePath::TypeLibraryFile(L"C:\\v1.2\\VaroAddin"));
    EXPECT_EQ(L"C:\\a\\x.y.tlb", ModulePath::TypeLibraryFile(L"C:\\a\\x.y.dll"));
}
