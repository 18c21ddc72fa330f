// Whole captures: the Outlook stand-in in one process, the viewer in another.
#include "StandInProcess.h"
#include "StringConv.h"
#include "VaroDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {
const std::string kSource = VARO_TEST_SOURCE_DIR;

// The stand-in, serving the sample mailbox with one mail selected, for the life of the object.
class StandIn {
public:
    explicit StandIn(const std::string& select) {
        if (::GetFileAttributesW(StandInProcess::ProgramPath().c_str()) == INVALID_FILE_ATTRIBUTES)
            return;
        m_built = true;
        if (StandInProcess::RunToEnd(L"--register") != 0)
            return;
        m_ready = m_process.Start(L"--mailbox \"" + AnsiToWide(kSource) +
                                  L"\\data\\sample-mailbox\" --select " + AnsiToWide(select));
    }
    bool Built() const { return m_built; }
    bool Ready() const { return m_ready; }

private:
    StandInProcess m_process;
    bool m_built = false;
    bool m_ready = false;
};

std::string Declaration(const std::string& xml) {
    return xml.substr(0, xml.find("?>") + 2);
}
} // namespace

TEST(Capture, ReportIsShownEncodingsRewriteItAndExitCleansUp) {
    StandIn outlook("1");
    if (!outlook.Built())
        GTEST_SKIP() << "the Outlook stand-in is not built";
    ASSERT_TRUE(outlook.Ready()) << "the Outlook stand-in did not start";
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
