// Whole captures: the Outlook stand-in in one process, the viewer in another.
#include "VaroDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {
const std::string kBinary = VARO_TEST_BINARY_DIR;
const std::string kSource = VARO_TEST_SOURCE_DIR;

// The stand-in, serving the sample mailbox with one mail selected, for the life of the object.
class StandIn {
public:
    explicit StandIn(const std::string& select) {
        const std::string program = kBinary + "\\bin\\OutlookSubstitute.exe";
        if (::GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES)
            return;
        Run("\"" + program + "\" --register", true);
        UniqueEvent ready(::CreateEventA(nullptr, TRUE, FALSE, "VaroAppTestStandInReady"));
        Run("\"" + program + "\" --mailbox \"" + kSource + "\\data\\sample-mailbox\" --select " + select +
                " --ready-event VaroAppTestStandInReady",
            false);
        m_ready = m_process.hProcess && ::WaitForSingleObject(ready.handle, 20000) == WAIT_OBJECT_0;
    }
    ~StandIn() {
        if (m_process.hProcess) {
            ::TerminateProcess(m_process.hProcess, 0);
            ::WaitForSingleObject(m_process.hProcess, 5000);
            ::CloseHandle(m_process.hProcess);
            ::CloseHandle(m_process.hThread);
        }
    }
    bool Ready() const { return m_ready; }

private:
    struct UniqueEvent {
        explicit UniqueEvent(HANDLE h) : handle(h) {}
        ~UniqueEvent() {
            if (handle)
                ::CloseHandle(handle);
        }
        HANDLE handle;
    };
    void Run(std::string commandLine, bool wait) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info))
            return;
        if (wait) {
            ::WaitForSingleObject(info.hProcess, 20000);
            ::CloseHandle(info.hProcess);
            ::CloseHandle(info.hThread);
        } else {
            m_process = info;
        }
    }
    PROCESS_INFORMATION m_process{};
    bool m_ready = false;
};

std::string Declaration(const std::string& xml) {
    return xml.substr(0, xml.find("?>") + 2);
}
} // namespace

TEST(Capture, ReportIsShownEncodingsRewriteItAndExitCleansUp) {
    StandIn outlook("1");
    if (!outlook.Ready())
        GTEST_SKIP() << "the Outlook stand-in is not built or did not start";
    VaroDriver varo("capture");
    varo.InstallSupportFiles();
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("navigate", 1, 30000)) << (varo.messages.empty() ? "" : varo.messages[0]);
    EXPECT_EQ(varo.Events("navigate").front(), varo.temp + "\\VaroReport.htm");
    // The browser control took the page: its location names the report.
    ASSERT_TRUE(varo.WaitForEvents("location", 1, 10000));
    EXPECT_NE(varo.Events("location").front().find("VaroReport.htm"), std::string::npos)
        << varo.Events("location").front();
    std::string xml, log;
    ASSERT_TRUE(VaroDriver::ReadFile(varo.temp + "\\VaroReport.xml", xml));
    EXPECT_NE(Declaration(xml).find("encoding=\"UTF-8\""), std::string::npos) << Declaration(xml);
    ASSERT_TRUE(VaroDriver::ReadFile(varo.temp + "\\varovlg.log", log));
    EXPECT_FALSE(log.empty());
    EXPECT_TRUE(VaroDriver::Exists(varo.temp + "\\VaroReport.htm"));
    EXPECT_TRUE(varo.messages.empty()) << varo.messages[0];

    varo.Command(ID_ENCODING_ISO88591);
    ASSERT_TRUE(varo.WaitForEvents("navigate", 2, 30000));
    ASSERT_TRUE(VaroDriver::ReadFile(varo.temp + "\\VaroReport.xml", xml));
    EXPECT_NE(Declaration(xml).find("encoding=\"ISO-8859-1\""), std::string::npos) << Declaration(xml);
    EXPECT_EQ(varo.Caption(), "Varoscope");

    // The same capture posted by another program.
    ::PostMessageA(varo.frame, WM_USER + 100, 0, 0);
    ASSERT_TRUE(varo.WaitForEvents("navigate", 3, 30000));
    VaroDriver::WriteFile(varo.temp + "\\unlisted.jpg", "x");
    ASSERT_TRUE(VaroDriver::ReadFile(varo.temp + "\\varovlg.log", log));
    ASSERT_TRUE(varo.Close());

    // Every file that the log listed is gone, and the log; the unlisted file stays.
    size_t lines = 0;
    for (size_t start = 0; start < log.size();) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        std::string name = log.substr(start, end - start);
        if (!name.empty() && name.back() == '\r')
            name.pop_back();
        if (!name.empty()) {
            ++lines;
            EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\" + name)) << name;
        }
        start = end + 1;
    }
    EXPECT_GT(lines, 0u);
    EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\varovlg.log"));
    EXPECT_TRUE(VaroDriver::Exists(varo.temp + "\\unlisted.jpg"));
}
