// Whole capture runs against the in-process Outlook: every way a run can end, the exact messages
// and their order, and which files change.
#include "CaptureTestSupport.h"

#include "StringConv.h"
#include "XmlEncoding.h"

#include <algorithm>

#include <memory>

namespace {
std::shared_ptr<FakeMail> Mail(const std::wstring& subject, std::vector<FakeAttachment> attachments = {}) {
    auto m = std::make_shared<FakeMail>();
    m->subject = subject;
    m->attachments = std::move(attachments);
    return m;
}
FakeAttachment File(const std::wstring& name, const std::string& bytes) {
    return {name, bytes, nullptr};
}
FakeAttachment Message(const std::wstring& name, std::shared_ptr<FakeMail> mail) {
    return {name, "", mail};
}

const char kProlog[] = "<?xml version=\"1.0\" encoding=\"%\"?>\r\n"
                       "<?xml-stylesheet href=\"VaroReport.xsl\" type=\"text/xsl\" ?>\r\n";
std::string Prolog(const std::string& encoding) {
    std::string p = kProlog;
    return p.replace(p.find('%'), 1, encoding);
}

struct EncodingGuard {
    std::string saved = g_strXMLEncoding;
    ~EncodingGuard() { g_strXMLEncoding = saved; }
};
} // namespace

TEST_F(CaptureTest, WithoutOutlookOnlyTheLaunchMessageAndNothingChanges) {
    auto before = Files();
    m_capture.OnRefresh(); // nothing registered under the class
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kLaunchOutlook, "idle"}));
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(m_capture.Application(), nullptr);

    m_capture.events.clear();
    m_capture.classLookup = CO_E_CLASSSTRING; // Outlook not even installed
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kLaunchOutlook, "idle"}));
}

TEST_F(CaptureTest, NoExplorerGivesBothMessagesWithTheInvalidPointerText) {
    m_outlook.hasExplorer = false;
    StartOutlook();
    auto before = Files();
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kSelectMail,
                                        "box:" + CAutomationError::DescribeError(E_POINTER), "idle"}));
    EXPECT_EQ(Files(), before);
    // The references stored before the failure stay.
    EXPECT_NE(m_capture.Application(), nullptr);
    EXPECT_NE(m_capture.Namespace(), nullptr);
    EXPECT_EQ(m_capture.Explorer(), nullptr);
}

TEST_F(CaptureTest, EmptySelectionIsAnAutomationFailure) {
    StartOutlook();
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kSelectMail,
                                        "box:" + CAutomationError::DescribeError(E_POINTER), "idle"}));
    EXPECT_NE(m_capture.Explorer(), nullptr);
}

TEST_F(CaptureTest, AnythingButExactlyIpmNoteIsRefusedWithOneMessage) {
    StartOutlook();
    struct Case {
        const wchar_t* cls;
        bool readable;
    };
    for (Case c : {Case{L"IPM.Note.SMIME", true}, Case{L"ipm.note", true}, Case{L"IPM.Contact", true},
                   Case{L"IPM.Schedule.Meeting.Request", true}, Case{L"IPM.Task", true}, Case{L"", true},
                   Case{L"IPM.Note", false}}) {
        auto item = Mail(L"s", {File(L"a.jpg", "A")});
        item->messageClass = c.cls;
        item->classReadable = c.readable;
        m_outlook.selection = {item};
        m_capture.events.clear();
        m_capture.OnRefresh();
        EXPECT_EQ(m_capture.events,
                  (std::vector<std::string>{"busy", std::string("box:") + kSelectMail, "idle"}))
            << WideToAnsi(c.cls);
    }
    EXPECT_FALSE(Exists(Path("a.jpg")));
    EXPECT_FALSE(Exists(Path("VaroReport.xml")));
}

TEST_F(CaptureTest, CallsFollowTheAutomationContract) {
    StartOutlook();
    m_outlook.selection = {Mail(L"one"), Mail(L"two"), Mail(L"three")};
    m_capture.OnRefresh();
    std::vector<std::wstring> expected = {L"Application.GetNamespace(MAPI)", L"Namespace.Logon/4",
                                          L"Application.ActiveExplorer", L"Selection.Item(3)"};
    EXPECT_EQ(m_outlook.calls, expected);
    // Only the last selected item is reported.
    EXPECT_NE(Read("VaroReport.xml").find("<SUBJECT>three</SUBJECT>"), std::string::npos);
}

TEST_F(CaptureTest, SuccessfulRunWritesReportLogAndPageThenNavigates) {
    EncodingGuard guard;
    g_strXMLEncoding = "UTF-8";
    StartOutlook();
    m_outlook.selection = {
        Mail(L"Caf\u00E9 & <b>", {File(L"one.jpg", "JPEGDATA"), File(L"notes.txt", "t\0x")})};
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", "navigate:" + Path("VaroReport.htm"), "idle"}));
    EXPECT_EQ(Read("VaroReport.xml"),
              Prolog("UTF-8") +
                  "<MAILITEM xml:space=\"preserve\">\r\n"
                  "<SUBJECT>Caf\xC3\xA9 &amp; &lt;b&gt;</SUBJECT>\r\n"
                  "<ATTACHMENTS>\r\n"
                  "<ATTACHMENT FILENAME=\"one.jpg\" ATTTYPE=\"PIC\">one.jpg</ATTACHMENT>\r\n"
                  "<ATTACHMENT FILENAME=\"notes.txt\" ATTTYPE=\"DOC\">notes.txt</ATTACHMENT>\r\n"
                  "</ATTACHMENTS>\r\n"
                  "</MAILITEM>\r\n");
    EXPECT_EQ(Read("one.jpg"), "JPEGDATA");
    EXPECT_EQ(Read("varovlg.log"), "one.jpg\r\nnotes.txt\r\n");
    std::string page = Read("VaroReport.htm");
    EXPECT_NE(page.find("Caf\xC3\xA9 &amp; &lt;b&gt;"), std::string::npos) << page;
    EXPECT_NE(page.find("src=\"./one.jpg\""), std::string::npos) << page;
    EXPECT_NE(page.find("href=\"./notes.txt\""), std::string::npos) << page;
    EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST_F(CaptureTest, EncodingDecidesTheBytesAndOnlyExactUtf8Converts) {
    EncodingGuard guard;
    StartOutlook();
    m_outlook.selection = {Mail(L"\u00C9t\u00E9")};
    const std::string body = "<MAILITEM xml:space=\"preserve\">\r\n<SUBJECT>%</SUBJECT>\r\n<ATTACHMENTS/>\r\n"
                             "</MAILITEM>\r\n";
    for (const char* enc : {"ISO-8859-1", "utf-8", "SHIFT-JIS", "UTF-8"}) {
        g_strXMLEncoding = enc;
        m_capture.OnRefresh();
        std::string subject = std::string(enc) == "UTF-8" ? "\xC3\x89t\xC3\xA9" : "\xC9t\xE9";
        std::string expected = body;
        expected.replace(expected.find('%'), 1, subject);
        EXPECT_EQ(Read("VaroReport.xml"), Prolog(enc) + expected) << enc;
    }
    EXPECT_EQ(Read("varovlg.log"), "");
}

TEST_F(CaptureTest, EmptySubjectAndNoAttachments) {
    StartOutlook();
    m_outlook.selection = {Mail(L"")};
    m_capture.OnRefresh();
    std::string xml = Read("VaroReport.xml");
    EXPECT_NE(xml.find("\r\n<SUBJECT/>\r\n<ATTACHMENTS/>\r\n</MAILITEM>\r\n"), std::string::npos) << xml;
    EXPECT_TRUE(Exists(Path("varovlg.log")));
    EXPECT_NE(Read("VaroReport.htm").find("(no subject)"), std::string::npos);
}

TEST_F(CaptureTest, AttachedMessagesAreWalkedDepthFirstAndNotListed) {
    StartOutlook();
    auto inner = Mail(L"inner", {File(L"deep.png", "DEEP")});
    auto middle =
        Mail(L"middle", {File(L"m1.gif", "M1"), Message(L"Inner.MSG", inner), File(L"m2.bmp", "M2")});
    m_outlook.selection = {
        Mail(L"outer", {File(L"first.jpg", "F"), Message(L"fwd.msg", middle), File(L"last.doc", "L")})};
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events.size(), 3u);
    EXPECT_EQ(Read("varovlg.log"), "first.jpg\r\nm1.gif\r\ndeep.png\r\nm2.bmp\r\nlast.doc\r\n");
    // The message files were saved to be opened, go into no list and are gone once walked.
    EXPECT_FALSE(Exists(Path("fwd.msg")));
    EXPECT_FALSE(Exists(Path("Inner.MSG")));
    EXPECT_EQ(Read("VaroReport.xml").find(".msg"), std::string::npos);
    EXPECT_EQ(Read("deep.png"), "DEEP");
    EXPECT_EQ(
        std::count(m_outlook.calls.begin(), m_outlook.calls.end(), L"Application.CreateItemFromTemplate/2"),
        2);
}

TEST_F(CaptureTest, AttachedMessageThatIsNoMailEndsTheRunBeforeAnyReportFile) {
    StartOutlook();
    Write("VaroReport.xml", "old report");
    Write("VaroReport.htm", "old page");
    auto note = Mail(L"a sticky note", {File(L"x.jpg", "X")});
    note->isMail = false;
    m_outlook.selection = {Mail(L"outer", {File(L"saved.jpg", "S"), Message(L"note.msg", note)})};
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kSelectMail,
                                        "box:" + CAutomationError::DescribeError(E_POINTER), "idle"}));
    EXPECT_EQ(Read("VaroReport.xml"), "old report");
    EXPECT_EQ(Read("VaroReport.htm"), "old page");
    // Saved before the failure, as the walk goes: logged, so that the exit clean-up finds it.
    EXPECT_EQ(Read("saved.jpg"), "S");
    EXPECT_EQ(Read("varovlg.log"), "saved.jpg\r\n");
    EXPECT_FALSE(Exists(Path("note.msg")));
}

TEST_F(CaptureTest, OnlyMessageFilesTheSaveWroteAreRemoved) {
    StartOutlook();
    // A file of that name that the failed save left alone is not the capture's to remove, and
    // one the save wrote is removed even when the save reported a failure.
    Write("keep.msg", "someone else's");
    FakeAttachment notWritten = Message(L"keep.msg", Mail(L"never opened"));
    notWritten.saveWrites = false;
    notWritten.saveResult = E_FAIL;
    FakeAttachment halfWritten = Message(L"half.msg", Mail(L"inner", {File(L"in.png", "I")}));
    halfWritten.saveResult = E_FAIL;
    m_outlook.selection = {Mail(L"outer", {halfWritten, notWritten})};
    m_capture.OnRefresh();
    EXPECT_EQ(Read("keep.msg"), "someone else's");
    EXPECT_FALSE(Exists(Path("half.msg")));
    EXPECT_EQ(Read("in.png"), "I");
    EXPECT_EQ(Read("varovlg.log"), "in.png\r\n");
}

TEST_F(CaptureTest, FailingCreationFromTheMessageFileEndsTheRun) {
    StartOutlook();
    m_outlook.createItemFails = true;
    Write("VaroReport.htm", "old page");
    m_outlook.selection = {Mail(L"outer", {Message(L"fwd.msg", Mail(L"inner"))})};
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kSelectMail,
                                        "box:" + CAutomationError::DescribeError(E_POINTER), "idle"}));
    EXPECT_EQ(Read("VaroReport.htm"), "old page");
    EXPECT_FALSE(Exists(Path("VaroReport.xml")));
}

TEST_F(CaptureTest, FailingTransformKeepsTheOldPageButWritesReportAndLog) {
    StartOutlook();
    Write("VaroReport.htm", "old page");
    m_outlook.selection = {Mail(L"s", {File(L"a.png", "A")})};
    struct Case {
        HRESULT create, transform, shown;
    };
    for (Case c : {Case{E_ACCESSDENIED, S_OK, E_ACCESSDENIED},
                   Case{S_OK, static_cast<HRESULT>(0x80004005), static_cast<HRESULT>(0x80004005)}}) {
        m_capture.createProcessorResult = c.create;
        m_capture.transformResult = c.transform;
        m_capture.events.clear();
        m_capture.OnRefresh();
        EXPECT_EQ(m_capture.events,
                  (std::vector<std::string>{"busy", std::string("box:") + kSelectMail,
                                            "box:" + CAutomationError::DescribeError(c.shown), "idle"}));
        EXPECT_EQ(Read("VaroReport.htm"), "old page");
        EXPECT_NE(Read("VaroReport.xml").find("a.png"), std::string::npos);
    }
    EXPECT_EQ(Read("varovlg.log"), "a.png\r\na.png\r\n");
}

TEST_F(CaptureTest, BrokenStylesheetIsNoErrorOfItsOwn) {
    StartOutlook();
    Write("VaroReport.xsl", "<not a stylesheet/>");
    m_outlook.selection = {Mail(L"s", {File(L"a.png", "A")})};
    m_capture.OnRefresh();
    // Whatever the processor made is the page.
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", "navigate:" + Path("VaroReport.htm"), "idle"}));
    EXPECT_TRUE(Exists(Path("VaroReport.htm")));
}

TEST_F(CaptureTest, MissingXmlServicesAreAnAutomationFailure) {
    StartOutlook();
    Write("VaroReport.htm", "old page");
    m_capture.serviceFailure = REGDB_E_CLASSNOTREG;
    m_outlook.selection = {Mail(L"s", {File(L"a.png", "A")})};
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events, (std::vector<std::string>{
                                    "busy", std::string("box:") + kSelectMail,
                                    "box:" + CAutomationError::DescribeError(REGDB_E_CLASSNOTREG), "idle"}));
    EXPECT_EQ(Read("VaroReport.htm"), "old page");
    EXPECT_EQ(Read("varovlg.log"), "a.png\r\n");

    // A service that exists but lacks the interface is absent: its first use fails.
    m_capture.events.clear();
    m_capture.serviceFailure = E_NOINTERFACE;
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events[2], "box:" + CAutomationError::DescribeError(E_POINTER));
}

TEST_F(CaptureTest, TwoRunsReplaceTheReportAndGrowTheLog) {
    StartOutlook();
    m_outlook.selection = {Mail(L"first", {File(L"a.jpg", "A1")})};
    m_capture.OnRefresh();
    m_outlook.selection = {Mail(L"second", {File(L"a.jpg", "A2"), File(L"b.jpg", "B")})};
    m_capture.OnRefresh();
    std::string xml = Read("VaroReport.xml");
    EXPECT_EQ(xml.find("first"), std::string::npos);
    EXPECT_NE(xml.find("second"), std::string::npos);
    // A later run writes a name of an earlier run to the same path.
    EXPECT_EQ(Read("a.jpg"), "A2");
    EXPECT_EQ(Read("varovlg.log"), "a.jpg\r\na.jpg\r\nb.jpg\r\n");
    EXPECT_EQ(Read("VaroReport.htm").find("first"), std::string::npos);
}

TEST_F(CaptureTest, MessageClassIsReadByNameWithTheSystemLocale) {
    auto item = FakeDispatch::Create();
    item->Value(L"MessageClass", CVariant::FromString(L"IPM.Note"));
    EXPECT_EQ(m_capture.GetMessageClass(item.Get()), "IPM.Note");
    EXPECT_EQ(item->LastLocale(), 0x0800u);
    // No such property, or a failing read: no class.
    EXPECT_EQ(m_capture.GetMessageClass(FakeDispatch::Create().Get()), "");
    item->Fail(L"MessageClass", E_FAIL);
    EXPECT_EQ(m_capture.GetMessageClass(item.Get()), "");
    try {
        m_capture.GetMessageClass(nullptr);
        FAIL() << "no throw";
    } catch (const CAutomationError& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
}

TEST_F(CaptureTest, ControlCharactersInTheSubjectDoNotCostThePage) {
    StartOutlook();
    m_outlook.selection = {Mail(L"a\x01"
                                L"b\x0C"
                                L"c\td",
                                {File(L"a.png", "A")})};
    m_capture.OnRefresh();
    EXPECT_NE(Read("VaroReport.xml").find("<SUBJECT>a b c\td</SUBJECT>"), std::string::npos);
    // One such character would leave the page without subject and pictures.
    std::string page = Read("VaroReport.htm");
    EXPECT_NE(page.find("a b c"), std::string::npos) << page;
    EXPECT_NE(page.find("src=\"./a.png\""), std::string::npos) << page;
}

TEST_F(CaptureTest, RefreshArrivingDuringARunIsDropped) {
    StartOutlook();
    auto note = Mail(L"s", {File(L"a.jpg", "A")});
    note->messageClass = L"IPM.Contact";
    m_outlook.selection = {note};
    IDispatch* app = nullptr;
    m_capture.whileBoxIsShown = [&] {
        app = m_capture.Application();
        m_capture.OnRefresh();
    };
    m_capture.OnRefresh();
    // One busy cursor, put back once; the run's references were not replaced under it.
    EXPECT_EQ(m_capture.events,
              (std::vector<std::string>{"busy", std::string("box:") + kSelectMail, "idle"}));
    EXPECT_EQ(m_capture.Application(), app);
    // Afterwards a Refresh runs again.
    m_capture.events.clear();
    m_capture.OnRefresh();
    EXPECT_EQ(m_capture.events.size(), 3u);
}
