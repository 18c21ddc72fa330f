// Attachment names are input from outside: whatever they hold, a capture saves every file inside
// the working folder under the very name it lists, and a file that cannot be written is reported.
#include "CaptureTestSupport.h"

#include "StringConv.h"
#include "UniqueHandle.h"

#include <memory>
#include <sstream>

namespace {
std::shared_ptr<FakeMail> MailWith(std::vector<FakeAttachment> attachments) {
    auto m = std::make_shared<FakeMail>();
    m->subject = L"names";
    m->attachments = std::move(attachments);
    return m;
}
FakeAttachment File(const std::wstring& name, const std::string& bytes) {
    return {name, bytes, nullptr};
}

std::vector<std::string> Lines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "line without CR LF";
        line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Holds a file open without sharing, as another program may: nobody else can write it meanwhile.
UniqueHandle Lock(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string WriteFailure(const std::string& path, DWORD error) {
    return "box:The file \"" + path + "\" could not be written.\r\n" + DescribeSystemError(error);
}
} // namespace

class CaptureNamesTest : public CaptureTest {
protected:
    // Runs a capture of one mail and gives the logged names; every logged name must be a file
    // of the working folder holding the bytes of its attachment.
    std::vector<std::string> Capture(std::vector<FakeAttachment> attachments) {
        StartOutlook();
        m_outlook.selection = {MailWith(std::move(attachments))};
        m_capture.OnRefresh();
        return Lines(Read("varovlg.log"));
    }
};

TEST_F(CaptureNamesTest, FolderPartsDevicesAndOddCharactersStayInTheWorkingFolder) {
    auto names = Capture({File(L"..\\..\\x.exe", "1"), File(L"C:\\x.dll", "2"),
                          File(L"\\\\host\\share\\y.txt", "3"), File(L"a/b.jpg", "4"), File(L"CON", "5"),
                          File(L"", "6"), File(L"trail. . ", "7"), File(L"ctl\x01\x1F.png", "8"),
                          File(L"q?<>|*\".gif", "9"), File(L"nul.txt", "10"), File(L"COM1.jpg", "11")});
    std::vector<std::string> expected = {"x.exe",       "x.dll",      "y.txt",    "b.jpg",
                                         "_CON",        "attachment", "trail",    "ctl__.png",
                                         "q______.gif", "_nul.txt",   "_COM1.jpg"};
    EXPECT_EQ(names, expected);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Read(expected[i]), std::to_string(i + 1)) << expected[i];
    EXPECT_FALSE(Exists(m_parent + "x.exe"));
    EXPECT_FALSE(Exists(m_parent + "..\\x.exe"));
    // The page lists exactly those names.
    std::string xml = Read("VaroReport.xml");
    for (const std::string& n : expected)
        EXPECT_NE(xml.find("FILENAME=\"" + n + "\""), std::string::npos) << n;
}

TEST_F(CaptureNamesTest, NamesOutsideTheCodePageAreSavedAndListedAlike) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "expects the Western code page";
    auto names = Capture({File(L"\u65E5\u672C.jpg", "JP"), File(L"caf\u00E9.jpg", "FR"),
                          File(L"\U0001F600 smile.png", "EMOJI"), File(L"\u0101bc.txt", "BESTFIT")});
    // 'ā' must not become 'a' by a best fit in one place and '?' in another.
    std::vector<std::string> expected = {"__.jpg", "caf\xE9.jpg", "_ smile.png", "_bc.txt"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(Read(expected[0]), "JP");
    EXPECT_EQ(Read(expected[1]), "FR");
    EXPECT_EQ(Read(expected[2]), "EMOJI");
    EXPECT_EQ(Read(expected[3]), "BESTFIT");
}

TEST_F(CaptureNamesTest, DuplicatesGetNumberedNamesAcrossNestedMessages) {
    auto inner = MailWith({File(L"PIC.JPG", "nested")});
    auto names = Capture({File(L"pic.jpg", "one"),
                          File(L"pic.jpg", "two"),
                          {L"fwd.msg", "", inner},
                          File(L"dir\\pic.jpg", "three")});
    std::vector<std::string> expected = {"pic.jpg", "pic (2).jpg", "PIC (3).JPG", "pic (4).jpg"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(Read("pic.jpg"), "one");
    EXPECT_EQ(Read("pic (2).jpg"), "two");
    EXPECT_EQ(Read("PIC (3).JPG"), "nested");
    EXPECT_EQ(Read("pic (4).jpg"), "three");
}

TEST_F(CaptureNamesTest, AttachmentsNeverReplaceTheReportFiles) {
    std::string stylesheet = Read("VaroReport.xsl");
    auto names = Capture({File(L"VaroReport.xsl", "evil"), File(L"varovlg.log", "log"),
                          File(L"VAROREPORT.HTM", "page"), File(L"a.msg.", "not a message")});
    EXPECT_EQ(names, (std::vector<std::string>{"VaroReport (2).xsl", "varovlg (2).log", "VAROREPORT (2).HTM",
                                               "a.msg"}));
    EXPECT_EQ(Read("VaroReport.xsl"), stylesheet);
    EXPECT_EQ(Read("VaroReport (2).xsl"), "evil");
    EXPECT_EQ(m_capture.events.back(), "idle");
    EXPECT_EQ(m_capture.events[1], "navigate:" + Path("VaroReport.htm"));
}

TEST_F(CaptureNamesTest, LongPathsAreShortenedKeepingTheExtensionOrSkipped) {
    // A working folder that leaves 29 characters for a name.
    std::string folder = m_folder;
    while (folder.size() < MAX_PATH - 1 - 29 - 11) {
        folder += "deep.fold\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
    }
    folder += std::string(MAX_PATH - 1 - 29 - folder.size() - 1, 'f') + "\\";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder.size();
    ASSERT_EQ(folder.size(), static_cast<size_t>(MAX_PATH - 1 - 29));

    auto mail = m_outlook.MakeItem(
        MailWith({File(std::wstring(60, L'n') + L".jpeg", "long"),
                  File(std::wstring(60, L'n') + L".jpeg", "again"), File(L"short.png", "s")}));
    std::vector<std::string> names;
    m_capture.SaveAttachments(mail.Get(), folder.c_str(), names);
    ASSERT_EQ(names.size(), 3u);
    // One character is kept free: the exit clean-up reaches each file as folder + "\\" + name.
    EXPECT_EQ(names[0], std::string(23, 'n') + ".jpeg");
    EXPECT_EQ(names[1], std::string(19, 'n') + " (2).jpeg");
    EXPECT_EQ(names[2], "short.png");
    for (const std::string& n : names)
        EXPECT_EQ(folder.size() + 1 + n.size() <= static_cast<size_t>(MAX_PATH - 1), true) << n;
    EXPECT_EQ(Read(folder + names[0]), "long");
    EXPECT_EQ(Read(folder + names[1]), "again");
    EXPECT_TRUE(m_capture.events.empty());

    // A folder that leaves no room at all: the attachment is skipped with a message naming it.
    std::string full = m_folder + std::string(MAX_PATH - 2 - m_folder.size(), 'z');
    names.clear();
    auto one = m_outlook.MakeItem(MailWith({File(L"x.jpg", "x")}));
    m_capture.SaveAttachments(one.Get(), full.c_str(), names);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"box:The attachment \"x.jpg\" was not saved: the working folder's "
                                        "path leaves no room for its name."}));
}

TEST_F(CaptureNamesTest, UnwritableReportKeepsThePageAndStillLogsTheSavedFiles) {
    Write("VaroReport.xml", "old report");
    Write("VaroReport.htm", "old page");
    std::vector<std::string> names;
    {
        UniqueHandle lock = Lock(Path("VaroReport.xml"));
        ASSERT_TRUE(lock);
        names = Capture({File(L"a.jpg", "A")});
    }
    EXPECT_EQ(names, std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", WriteFailure(Path("VaroReport.xml"), ERROR_SHARING_VIOLATION),
                                        "idle"}));
    EXPECT_EQ(Read("VaroReport.xml"), "old report");
    EXPECT_EQ(Read("VaroReport.htm"), "old page");
}

TEST_F(CaptureNamesTest, UnwritablePageKeepsThePreviousPageInView) {
    Write("VaroReport.htm", "old page");
    std::vector<std::string> names;
    {
        UniqueHandle lock = Lock(Path("VaroReport.htm"));
        ASSERT_TRUE(lock);
        names = Capture({File(L"a.jpg", "A")});
    }
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", WriteFailure(Path("VaroReport.htm"), ERROR_SHARING_VIOLATION),
                                        "idle"}));
    EXPECT_EQ(Read("VaroReport.htm"), "old page");
    EXPECT_NE(Read("VaroReport.xml").find("a.jpg"), std::string::npos);
}

TEST_F(CaptureNamesTest, UnwritableLogIsReportedButThePageIsShown) {
    Write("varovlg.log", "earlier.jpg\r\n");
    std::vector<std::string> names;
    {
        UniqueHandle lock = Lock(Path("varovlg.log"));
        ASSERT_TRUE(lock);
        names = Capture({File(L"a.jpg", "A")});
    }
    EXPECT_EQ(Read("varovlg.log"), "earlier.jpg\r\n");
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", WriteFailure(Path("varovlg.log"), ERROR_SHARING_VIOLATION),
                                        "navigate:" + Path("VaroReport.htm"), "idle"}));
}

TEST_F(CaptureNamesTest, FilesTheLogMissedAreLoggedLaterOrRemovedAtTheEnd) {
    Write("varovlg.log", "");
    {
        UniqueHandle lock = Lock(Path("varovlg.log"));
        Capture({File(L"a.jpg", "A")});
    }
    EXPECT_EQ(Read("varovlg.log"), "");
    m_outlook.selection = {MailWith({File(L"b.jpg", "B")})};
    m_capture.OnRefresh();
    EXPECT_EQ(Read("varovlg.log"), "a.jpg\r\nb.jpg\r\n");

    // A capture whose log stays out of reach to the end removes what it saved when it goes.
    Write("varovlg.log", "");
    {
        auto capture = std::make_unique<RecordingCapture>();
        UniqueHandle lock = Lock(Path("varovlg.log"));
        m_outlook.selection = {MailWith({File(L"c.jpg", "C")})};
        capture->OnRefresh();
        EXPECT_EQ(Read("c.jpg"), "C");
        capture.reset();
    }
    EXPECT_FALSE(Exists(Path("c.jpg")));
    EXPECT_EQ(Read("varovlg.log"), "");
    EXPECT_EQ(Read("b.jpg"), "B");
}

TEST_F(CaptureNamesTest, UnwritableLogIsReportedWhenTheTransformFailsToo) {
    Write("varovlg.log", "");
    m_capture.transformResult = E_FAIL;
    {
        UniqueHandle lock = Lock(Path("varovlg.log"));
        ASSERT_TRUE(lock);
        Capture({File(L"a.jpg", "A")});
    }
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", WriteFailure(Path("varovlg.log"), ERROR_SHARING_VIOLATION),
                                        std::string("box:") + kSelectMail,
                                        "box:" + CAutomationError::DescribeError(E_FAIL), "idle"}));
}

TEST_F(CaptureNamesTest, VanishedFolderIsReportedByName) {
    auto mail = m_outlook.MakeItem(MailWith({File(L"a.jpg", "A")}));
    std::string gone = m_folder + "gone\\";
    m_capture.WriteReport(mail.Get(), gone.c_str());
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{WriteFailure(gone + "VaroReport.xml", ERROR_PATH_NOT_FOUND)}));
    EXPECT_EQ(Read("varovlg.log"), "a.jpg\r\n");
}

TEST_F(CaptureNamesTest, AppendToLogKeepsWhatIsThereAndCreatesAMissingLog) {
    EXPECT_EQ(m_capture.AppendToLog("fresh.log", ""), 0u);
    EXPECT_TRUE(Exists(Path("fresh.log")));
    EXPECT_EQ(Read("fresh.log"), "");
    Write("some.log", "old\r\n");
    EXPECT_EQ(m_capture.AppendToLog("some.log", "a\nb\n"), 0u);
    EXPECT_EQ(Read("some.log"), "old\r\na\r\nb\r\n");
}
