// Registration as Outlook.Application: refusal when another program owns the name, removal of only
// what was written, and a stand-in started by COM that is found in the running-object table.
#include "StandInProcess.h"
#include "OutlookSubstitute_h.h"

#include "RegKey.h"
#include "StringConv.h"

#include <gtest/gtest.h>
#include <objbase.h>

namespace {
constexpr DWORD kRefusedExitCode = 3;
constexpr char kProgIdClass[] = "Outlook.Application\\CLSID";
constexpr char kForeignClass[] = "{0006F03A-0000-0000-C000-0000000000FF}";
constexpr char kForeignServer[] = "C:\\Program Files\\Office\\OUTLOOK.EXE";
constexpr char kOurClassKey[] = "CLSID\\{15F656B6-F070-4149-ADA1-24804E23DFB3}";
constexpr char kOurLibraryKey[] = "TypeLib\\{327E6AB7-5686-4F4B-8915-2E850D948F2C}";
constexpr char kApplicationInterfaceKey[] = "Interface\\{00063001-0000-0000-C000-000000000046}";

bool ReadClasses(const std::string& key, std::string& value) {
    RegKey k;
    return k.Open(HKEY_CLASSES_ROOT, key.c_str(), KEY_READ) == ERROR_SUCCESS && k.QueryString(nullptr, value);
}

bool ClassesKeyExists(const std::string& key) {
    RegKey k;
    return k.Open(HKEY_CLASSES_ROOT, key.c_str(), KEY_READ) == ERROR_SUCCESS;
}

void WriteMachineClasses(const std::string& key, const std::string& value) {
    RegKey k;
    ASSERT_EQ(k.Create(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str()), ERROR_SUCCESS);
    ASSERT_EQ(k.SetString(nullptr, value), ERROR_SUCCESS);
}

void DeleteForeign() {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\Outlook.Application");
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\CLSID\\") + kForeignClass).c_str());
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    // Whatever happened, leave the prefix registered for the other tests.
    void TearDown() override {
        StandInProcess::RunToEnd(L"--stop");
        std::string current;
        if (ReadClasses(kProgIdClass, current) && current == kForeignClass)
            DeleteForeign();
        StandInProcess::RunToEnd(L"--register");
        ::CoUninitialize();
    }
};

TEST_F(RegistrationTest, RefusesWhenAnotherProgramOwnsOutlookApplicationAndUnregisterLeavesItAlone) {
    ASSERT_EQ(StandInProcess::RunToEnd(L"--unregister"), 0u);
    ASSERT_FALSE(ClassesKeyExists("Outlook.Application"));
    WriteMachineClasses(kProgIdClass, kForeignClass);
    WriteMachineClasses(std::string("CLSID\\") + kForeignClass + "\\LocalServer32", kForeignServer);

    std::string output;
    EXPECT_EQ(StandInProcess::RunToEnd(L"--register", &output), kRefusedExitCode);
    EXPECT_NE(output.find("already registered by another program"), std::string::npos) << output;
    EXPECT_FALSE(ClassesKeyExists(kOurClassKey)); // nothing written at all
    EXPECT_FALSE(ClassesKeyExists(kOurLibraryKey));

    EXPECT_EQ(StandInProcess::RunToEnd(L"--unregister", &output), 0u) << output;
    std::string value;
    ASSERT_TRUE(ReadClasses(kProgIdClass, value));
    EXPECT_EQ(value, kForeignClass);
    ASSERT_TRUE(ReadClasses(std::string("CLSID\\") + kForeignClass + "\\LocalServer32", value));
    EXPECT_EQ(value, kForeignServer);
    DeleteForeign();
}

TEST_F(RegistrationTest, RegisterWritesProgIdClassAndTypeLibraryAndUnregisterRemovesThemAll) {
    ASSERT_EQ(StandInProcess::RunToEnd(L"--register"), 0u);
    std::string value;
    ASSERT_TRUE(ReadClasses(kProgIdClass, value));
    EXPECT_EQ(value, "{15F656B6-F070-4149-ADA1-24804E23DFB3}");
    ASSERT_TRUE(ReadClasses(std::string(kOurClassKey) + "\\LocalServer32", value));
    EXPECT_NE(value.find("OutlookSubstitute.exe"), std::string::npos) << value;
    ASSERT_TRUE(ReadClasses(std::string(kApplicationInterfaceKey) + "\\TypeLib", value));
    EXPECT_EQ(value, "{327E6AB7-5686-4F4B-8915-2E850D948F2C}");
    EXPECT_TRUE(ClassesKeyExists(kOurLibraryKey));

    ASSERT_EQ(StandInProcess::RunToEnd(L"--unregister"), 0u);
    EXPECT_FALSE(ClassesKeyExists("Outlook.Application"));
    EXPECT_FALSE(ClassesKeyExists(kOurClassKey));
    EXPECT_FALSE(ClassesKeyExists(kOurLibraryKey));
    EXPECT_FALSE(ClassesKeyExists(kApplicationInterfaceKey));
    CLSID clsid;
    EXPECT_TRUE(FAILED(::CLSIDFromProgID(L"Outlook.Application", &clsid)));
}

TEST_F(RegistrationTest, StartedByComItEntersTheRunningObjectTableWithTheRegisteredMailbox) {
    TempFolder mailbox(L"commailbox");
    mailbox.Write(L"only.eml", "From: a@example.org\r\nSubject: Only\r\n\r\nbody\r\n");
    ASSERT_EQ(StandInProcess::RunToEnd(L"--register --mailbox \"" + mailbox.Path() + L".\""), 0u);
    CLSID clsid;
    ASSERT_EQ(::CLSIDFromProgID(L"Outlook.Application", &clsid), S_OK);
    ComPtr<_Application> created;
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID__Application,
                                 reinterpret_cast<void**>(created.ReleaseAndGetAddressOf())),
              S_OK);
    StandInProcess probe;
    ComPtr<_Application> running;
    EXPECT_EQ(probe.Attach(running, IID__Application), S_OK);
    // The explorer lists the registered mailbox; nothing is selected.
    ComPtr<_Explorer> explorer;
    ASSERT_EQ(created->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_TRUE(explorer);
    BSTR path = ::SysAllocString((mailbox.Path() + L"only.eml").c_str());
    ComPtr<IDispatch> item;
    EXPECT_EQ(created->CreateItemFromTemplate(path, VARIANT{}, item.ReleaseAndGetAddressOf()), S_OK);
    ::SysFreeString(path);
    item.Reset();
    explorer.Reset();
    running.Reset();
    created.Reset();
    EXPECT_EQ(StandInProcess::RunToEnd(L"--stop"), 0u);
}
} // namespace
