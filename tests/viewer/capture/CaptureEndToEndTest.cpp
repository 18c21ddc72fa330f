// Captures against the Outlook stand-in in its own process, on real mail files: the saved files
// equal the attachments byte for byte, attached messages are walked depth first, the report is
// byte-exact in each encoding, the log grows by each run's names and MSXML makes the page.
#include "AutomationError.h"
#include "CaptureCore.h"
#include "MailStore.h"
#include "StringConv.h"
#include "UniqueHandle.h"
#include "VaroCapture.h"
#include "XmlEncoding.h"

#include "Base64Text.h"
#include "StandInProcess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {
const char kSelectMail[] = "Please Select a Corresponding Mail in Outlook for Viewing Images!";
const char kLaunchOutlook[] = "Please Launch the Outlook First!";
const char kHostileMail[] = "hostile.eml";
// Mails of the shared test data: pictures, documents, attached messages nested two deep.
const char* const kRealMails[] = {"msg\\asp_outputAttachments.msg",
                                  "msg\\hht_msgInMsgInMsg.msg",
                                  "msg\\bbo_attachments.msg",
                                  "eml\\tik_testEmailWithPNGAtt.eml",
                                  "eml\\mik_attachment_nonascii_filename.eml",
                                  "msg\\poi_attachment_msg_pdf.msg"};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
// Removes the files of a test's folder and the folder itself.
void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
    if (find) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                // Copies of the shared test data keep its read-only attribute.
                ::SetFileAttributesA((folder + data.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA((folder + data.cFileName).c_str());
            }
        } while (::FindNextFileA(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryA(folder.c_str());
}
std::string Folder(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}
std::string TestData() {
    return std::string(VARO_TEST_SOURCE_DIR) + "\\..\\shared\\testdata\\mail\\";
}

std::string PercentUtf8(const std::string& utf8) {
    std::string out;
    char buf[4];
    for (unsigned char c : utf8) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

// A 24-bit picture of the given size: a colour gradient, so thumbnails show their scaling.
std::string Bitmap(int width, int height, int tint) {
    int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* p = &pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<char>(255 * x / width);
            p[1] = static_cast<char>(255 * y / height);
            p[2] = static_cast<char>(tint);
        }
    auto le = [](uint32_t v, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
        return out;
    };
    uint32_t size = 54 + static_cast<uint32_t>(pixels.size());
    return "BM" + le(size, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(width, 4) + le(height, 4) + le(1, 2) +
           le(24, 2) + le(0, 4) + le(static_cast<uint32_t>(pixels.size()), 4) + le(2835, 4) + le(2835, 4) +
           le(0, 4) + le(0, 4) + pixels;
}

// A mail whose subject and file names try every trick against the page: markup, quotes,
// characters with a meaning in URLs, non-ASCII letters, and a name that repeats.
std::string HostileMail(const std::string& icon) {
    std::string picture = Bitmap(400, 240, 40), tall = Bitmap(120, 300, 200);
    struct Part {
        const char* name; // UTF-8
        const char* type;
        std::string data;
    };
    std::vector<Part> parts = {
        {"my photo #1 100% & more.bmp", "image/bmp", picture},
        {"O'Brien's \"lake\".bmp", "image/bmp", tall},
        {"Gr\xC3\xB6\xC3\x9F"
         "e \xC3\x9Cn\xC3\xAF.bmp",
         "image/bmp", picture},
        {"<img src=x onerror=alert(1)>.bmp", "image/bmp", icon},
        {"semi;colon+plus=eq.bmp", "image/bmp", picture},
        {"what?.bmp", "image/bmp", picture},
        {"my photo #1 100% & more.bmp", "image/bmp", Bitmap(300, 300, 120)},
        {"\xE6\x9D\xB1\xE4\xBA\xAC report.pdf", "application/pdf", "%PDF-1.4 not really\n"},
        {"<script>alert('doc')</script>.txt", "text/plain", "plain text\r\n"},
    };
    std::string boundary = "varo-boundary-42";
    std::string mail =
        "From: tester@example.com\r\nTo: you@example.com\r\n"
        "Subject: =?UTF-8?B?" +
        Base64Text("<script>alert('x')</script> & \"quotes\" 'apos' #1 100% ? \xC3\x9Cn\xC3\xAF"
                   "c\xC3\xB6"
                   "d\xC3\xA9 <b>bold</b>",
                   false) +
        "?=\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" +
        boundary + "\r\nContent-Type: text/plain\r\n\r\nSee the pictures.\r\n";
    for (const Part& p : parts)
        mail += "--" + boundary + "\r\nContent-Type: " + p.type +
                "\r\nContent-Disposition: attachment; filename*=UTF-8''" + PercentUtf8(p.name) +
                "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Text(p.data) + "\r\n";
    return mail + "--" + boundary + "--\r\n";
}

std::string EscapeXml(const std::string& s, bool attribute) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        case '\'':
            out += attribute ? "&apos;" : "'";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The attachments a capture lists for a mail, depth first: (file name, bytes or null for an
// attached message saved under a name that is no message name).
void ExpectedFiles(const MailMessage& mail, std::vector<std::pair<std::string, const std::string*>>& out) {
    for (const MailAttachment& a : mail.attachments) {
        std::string ansi = WideToAnsi(Utf8ToWide(a.fileName));
        if (VaroCapture::IsMessageExtension(ansi) && a.embedded)
            ExpectedFiles(*a.embedded, out);
        else if (!VaroCapture::IsMessageExtension(ansi))
            out.push_back({a.fileName, a.embedded ? nullptr : &a.data});
    }
}

class StandInCapture : public CVaroCapture {
public:
    std::vector<std::string> events;

protected:
    void ShowMessage(const char* text) override { events.push_back(std::string("box:") + text); }
    void BeginBusyCursor() override {}
    void EndBusyCursor() override {}
    void Navigate2(const char* path) override { events.push_back(std::string("navigate:") + path); }
};

} // namespace

class CaptureEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        s_registered = StandInProcess::RunToEnd(L"--register") == 0;
    }
    // The registration stays: other test programs of the run rely on it, and each test runs
    // in a process of its own, so unregistering here would pull it from under them.
    static void TearDownTestSuite() { ::CoUninitialize(); }

    void SetUp() override {
        ASSERT_TRUE(s_registered) << "OutlookSubstitute --register failed";
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_saved = temp;
        std::string base = std::string(temp) + "vcap-e2e-" + std::to_string(::GetCurrentProcessId()) + "\\";
        ::CreateDirectoryA(base.c_str(), nullptr);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_work = base + name + "\\";
        m_mailbox = base + name + "-mailbox\\";
        RemoveFolder(m_work);
        RemoveFolder(m_mailbox);
        ::CreateDirectoryA(m_work.c_str(), nullptr);
        ::CreateDirectoryA(m_mailbox.c_str(), nullptr);
        ::SetEnvironmentVariableA("TMP", m_work.c_str());
        ::SetEnvironmentVariableA("TEMP", m_work.c_str());
        for (const char* f : {"VaroReport.xsl", "VaroReport.css", "VaroDoc.bmp"})
            ::CopyFileA((std::string(VARO_TEST_SOURCE_DIR) + "\\data\\" + f).c_str(), (m_work + f).c_str(),
                        FALSE);
    }
    void TearDown() override {
        StopServer();
        m_capture.ReleaseOutlook();
        ::SetEnvironmentVariableA("TMP", m_saved.c_str());
        ::SetEnvironmentVariableA("TEMP", m_saved.c_str());
        if (!HasFailure()) {
            RemoveFolder(m_work);
            RemoveFolder(m_mailbox);
            ::RemoveDirectoryA(Folder(m_work.substr(0, m_work.size() - 1)).c_str());
        }
    }

    void AddMail(const std::string& name, const std::string& bytes) { WriteAll(m_mailbox + name, bytes); }
    void StartServer(const std::string& options) {
        const std::string folder = m_mailbox.substr(0, m_mailbox.size() - 1);
        ASSERT_TRUE(m_server.Start(AnsiToWide("--mailbox \"" + folder + "\" " + options)))
            << "the stand-in did not get ready (" << options << "); exit code " << m_server.ExitCode();
    }
    void StopServer() { m_server.Stop(); }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadAll(m_work + "varovlg.log"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(0, line.size() - 1));
        return lines;
    }
    // The report the capture must write for a mail and its listed names.
    std::string ExpectedReport(const std::string& encoding, const std::string& subjectUtf8,
                               const std::vector<std::string>& names) const {
        std::string text = "<?xml version=\"1.0\" encoding=\"" + encoding +
                           "\"?>\r\n<?xml-stylesheet href=\"VaroReport.xsl\" type=\"text/xsl\" ?>\r\n"
                           "<MAILITEM xml:space=\"preserve\">\r\n";
        std::string subject = WideToAnsi(Utf8ToWide(subjectUtf8));
        text +=
            subject.empty() ? "<SUBJECT/>\r\n" : "<SUBJECT>" + EscapeXml(subject, false) + "</SUBJECT>\r\n";
        if (names.empty())
            text += "<ATTACHMENTS/>\r\n";
        else {
            text += "<ATTACHMENTS>\r\n";
            for (const std::string& n : names)
                text += "<ATTACHMENT FILENAME=\"" + EscapeXml(n, true) + "\" ATTTYPE=\"" +
                        VaroCapture::AttachmentType(n) + "\">" + EscapeXml(n, false) + "</ATTACHMENT>\r\n";
            text += "</ATTACHMENTS>\r\n";
        }
        text += "</MAILITEM>\r\n";
        return encoding == "UTF-8" ? WideToUtf8(AnsiToWide(text)) : text;
    }

    static bool s_registered;
    std::string m_saved, m_work, m_mailbox;
    StandInProcess m_server;
    StandInCapture m_capture;
};
bool CaptureEndToEnd::s_registered = false;

TEST_F(CaptureEndToEnd, RealMailsSaveEveryAttachmentByteForByteDepthFirst) {
    for (const char* file : kRealMails) {
        std::string name = std::string(file).substr(4);
        ASSERT_TRUE(::CopyFileA((TestData() + file).c_str(), (m_mailbox + name).c_str(), FALSE)) << file;
    }
    StartServer("");
    size_t logged = 0;
    for (size_t i = 0; i < std::size(kRealMails); ++i) {
        SCOPED_TRACE(kRealMails[i]);
        MailMessage mail = LoadMailFile(Utf8ToWide(TestData() + kRealMails[i]));
        std::vector<std::pair<std::string, const std::string*>> expected;
        ExpectedFiles(mail, expected);

        // The stand-in lists the mailbox in name order; select this mail.
        std::vector<std::string> sorted;
        for (const char* f : kRealMails)
            sorted.push_back(std::string(f).substr(4));
        std::sort(sorted.begin(), sorted.end());
        size_t index =
            std::find(sorted.begin(), sorted.end(), std::string(kRealMails[i]).substr(4)) - sorted.begin();
        StopServer();
        StartServer("--select " + std::to_string(index + 1));

        m_capture.events.clear();
        m_capture.OnRefresh();
        ASSERT_EQ(m_capture.events, std::vector<std::string>{"navigate:" + m_work + "VaroReport.htm"});
        std::vector<std::string> lines = LogLines();
        ASSERT_EQ(lines.size(), logged + expected.size());
        std::vector<std::string> names(lines.begin() + static_cast<long>(logged), lines.end());
        logged = lines.size();
        for (size_t k = 0; k < expected.size(); ++k) {
            if (expected[k].second)
                EXPECT_EQ(ReadAll(m_work + names[k]), *expected[k].second) << names[k];
            else
                EXPECT_TRUE(::GetFileAttributesA((m_work + names[k]).c_str()) != INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_EQ(ReadAll(m_work + "VaroReport.xml"), ExpectedReport(g_strXMLEncoding, mail.subject, names));
        EXPECT_NE(ReadAll(m_work + "VaroReport.htm").find("<html"), std::string::npos);
    }
}

TEST_F(CaptureEndToEnd, HostileMailInEveryEncodingAndThePageForTheBrowser) {
    std::string picture = ReadAll(std::string(VARO_TEST_SOURCE_DIR) + "\\data\\VaroDoc.bmp");
    std::string bytes = HostileMail(picture);
    AddMail(kHostileMail, bytes);
    MailMessage mail = ParseMimeMessage(bytes);
    ASSERT_EQ(mail.attachments.size(), 9u) << mail.problem;
    StartServer("--select 1");
    std::string saved = g_strXMLEncoding;
    size_t runs = 0;
    for (const char* encoding : {"ISO-8859-1", "SHIFT-JIS", "utf-8", "UTF-8"}) {
        SCOPED_TRACE(encoding);
        g_strXMLEncoding = encoding;
        m_capture.events.clear();
        m_capture.OnRefresh();
        ++runs;
        ASSERT_EQ(m_capture.events, std::vector<std::string>{"navigate:" + m_work + "VaroReport.htm"});
        std::vector<std::string> lines = LogLines();
        ASSERT_EQ(lines.size(), runs * 9);
        std::vector<std::string> names(lines.end() - 9, lines.end());
        // Every listed name is a file of the working folder with the attachment's bytes.
        for (size_t k = 0; k < names.size(); ++k)
            EXPECT_EQ(ReadAll(m_work + names[k]), mail.attachments[k].data) << names[k];
        EXPECT_EQ(ReadAll(m_work + "VaroReport.xml"), ExpectedReport(encoding, mail.subject, names));
    }
    g_strXMLEncoding = saved;
    std::string page = ReadAll(m_work + "VaroReport.htm");
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("charset=UTF-8"), std::string::npos);

    // Keep the page and its files for the browser check.
    std::string keep = std::string(VARO_TEST_BINARY_DIR) + "\\capture-page\\";
    ::CreateDirectoryA(keep.c_str(), nullptr);
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((m_work + "*").c_str(), &data));
    ASSERT_TRUE(find);
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::CopyFileA((m_work + data.cFileName).c_str(), (keep + data.cFileName).c_str(), FALSE);
    } while (::FindNextFileA(find.Get(), &data));
    // What the browser check expects to see: the subject as the page shows it, and the counts.
    std::string shown = WideToUtf8(AnsiToWide(WideToAnsi(Utf8ToWide(mail.subject))));
    std::string json;
    for (char c : shown) {
        if (c == '"' || c == '\\')
            json += '\\';
        json += c;
    }
    WriteAll(keep + "expected.json", "{\"subject\": \"" + json + "\", \"pictures\": 7, \"documents\": 2}\n");
}

TEST_F(CaptureEndToEnd, NoExplorerAndNoOutlook) {
    AddMail(kHostileMail, HostileMail("x"));
    StartServer("--no-explorer");
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{std::string("box:") + kSelectMail,
                                        "box:" + CAutomationError::DescribeError(E_POINTER)}));
    StopServer();
    m_capture.events.clear();
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events, std::vector<std::string>{std::string("box:") + kLaunchOutlook});
    EXPECT_EQ(::GetFileAttributesA((m_work + "VaroReport.xml").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CaptureEndToEnd, FailedSavesAreListedAllTheSame) {
    AddMail(kHostileMail, HostileMail("x"));
    StartServer("--select 1 --fail-saveas");
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events, std::vector<std::string>{"navigate:" + m_work + "VaroReport.htm"});
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 9u);
    for (const std::string& name : lines)
        EXPECT_EQ(::GetFileAttributesA((m_work + name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
}

TEST_F(CaptureEndToEnd, OutlookEndingDuringTheWalkEndsTheRunWithTwoMessages) {
    AddMail(kHostileMail, HostileMail("x"));
    // Enough calls to reach the attachments, too few to finish them.
    StartServer("--select 1 --exit-after-calls 12");
    m_capture.OnRefresh();
    ASSERT_EQ(m_capture.events.size(), 2u);
    EXPECT_EQ(m_capture.events[0], std::string("box:") + kSelectMail);
    EXPECT_EQ(m_capture.events[1].rfind("box:", 0), 0u);
    EXPECT_EQ(::GetFileAttributesA((m_work + "VaroReport.xml").c_str()), INVALID_FILE_ATTRIBUTES);
    // What was saved before Outlook went is logged, so that the exit clean-up removes it (the
    // save under way when it went is listed too, as a failed save is).
    std::vector<std::string> logged = LogLines();
    EXPECT_FALSE(logged.empty());
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((m_work + "*").c_str(), &data));
    ASSERT_TRUE(find);
    do {
        std::string name = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || name == "varovlg.log" ||
            name == "VaroReport.xsl" || name == "VaroReport.css" || name == "VaroDoc.bmp")
            continue;
        EXPECT_NE(std::find(logged.begin(), logged.end(), name), logged.end()) << name;
    } while (::FindNextFileA(find.Get(), &data));
}
