// Hostile and huge mails, each made at run time and captured by the real viewer from the real
// stand-in. The full sizes (10,000 attachments, 500 MB) run with VARO_STRESS set (scripts/stress);
// the suite runs smaller versions of the same mails.
#include "HostileCapture.h"
#include "MailWriter.h"

#include <cstdio>
#include <cstdlib>

namespace {
DWORD CaptureTimeoutMs() {
    return Stress() ? 1800000 : 300000;
}
std::string Numbered(const char* format, int n) {
    char name[64];
    std::snprintf(name, sizeof name, format, n);
    return name;
}
std::shared_ptr<PlannedMail> Nested(const std::string& subject, std::vector<MailPart> parts) {
    auto mail = std::make_shared<PlannedMail>();
    mail->subject = subject;
    mail->parts = std::move(parts);
    return mail;
}
} // namespace

class HostileMail : public HostileCapture {
protected:
    // The whole round for one mail: capture, checks, page for the browser, exit, figures.
    void CaptureMail(const PlannedMail& mail) {
        AddMail("hostile.eml", mail);
        ASSERT_TRUE(StartOutlook()) << "the stand-in did not start";
        StartViewer();
        ASSERT_TRUE(WaitForPages(1, CaptureTimeoutMs()))
            << "no page; messages: " << (m_varo->messages.empty() ? "none" : m_varo->messages.front());
        CheckCapture(ListedCount(mail));
        KeepPageForBrowser(mail.subject);
        CloseAndCheckCleanUp();
        PrintFigures(Stress() ? "(full size)" : "(suite size)");
    }
};

TEST_F(HostileMail, ManyAttachments) {
    const int count = Stress() ? 10000 : 1000;
    PlannedMail mail{"many attachments", {}};
    const std::string picture = SmallBitmap(8, 8, 90);
    for (int i = 1; i <= count; ++i) {
        if (i % 10 == 0)
            mail.parts.push_back({Numbered("picture-%05d.bmp", i), picture, nullptr});
        else
            mail.parts.push_back({Numbered("document-%05d.txt", i), Numbered("text %d\r\n", i), nullptr});
    }
    CaptureMail(mail);
}

TEST_F(HostileMail, HugeAttachment) {
    const uint64_t size = Stress() ? 500ull << 20 : 20ull << 20;
    ASSERT_TRUE(WriteHugeMail(Mailbox() + "huge.eml", "one huge attachment", "huge.bin", size));
    ASSERT_TRUE(StartOutlook()) << "the stand-in did not start";
    StartViewer();
    ASSERT_TRUE(WaitForPages(1, CaptureTimeoutMs()));
    CheckCapture(1);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(::GetFileAttributesExA(Work("huge.bin").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, size);
    KeepPageForBrowser("one huge attachment");
    CloseAndCheckCleanUp();
    PrintFigures(Stress() ? "(full size)" : "(suite size)");
}

TEST_F(HostileMail, AttachedMessagesNestedHundredDeep) {
    const std::string picture = SmallBitmap(6, 6, 30);
    auto inner = Nested("level 100", {{"level-100.bmp", picture, nullptr}});
    for (int level = 99; level >= 1; --level)
        inner =
            Nested("level " + std::to_string(level), {{Numbered("level-%03d.bmp", level), picture, nullptr},
                                                      {Numbered("level-%03d.eml", level + 1), "", inner}});
    CaptureMail(*inner);
}

TEST_F(HostileMail, ThreeHundredCharacterNames) {
    const std::string picture = SmallBitmap(10, 10, 160);
    const std::string longPicture = std::string(296, 'p') + ".bmp";
    const std::string longDocument = std::string(296, 'd') + ".txt";
    std::string accented;
    // e acute, in the Western code page; 120 of them, as Linux file names (under Wine) hold at
    // most 255 bytes of UTF-8.
    for (int i = 0; i < 120; ++i)
        accented += "\xC3\xA9";
    PlannedMail mail{
        std::string(300, 's'),
        {{longPicture, picture, nullptr},
         {longPicture, picture, nullptr},
         {longDocument, picture, nullptr},
         {accented + ".bmp", picture, nullptr},
         {std::string(300, 'x'), picture, nullptr},
         {std::string(290, 'e') + ".extensionistoolongtokeep", picture, nullptr},
         {std::string(296, 'm') + ".eml", "", Nested("inner", {{longPicture, picture, nullptr}})}}};
    CaptureMail(mail);
}

TEST_F(HostileMail, FiftyAttachmentsOfTheSameName) {
    const std::string picture = SmallBitmap(12, 8, 220);
    PlannedMail deepest{"deepest", {}};
    for (int i = 0; i < 10; ++i)
        deepest.parts.push_back({"same.bmp", picture, nullptr});
    auto middle = Nested("middle", {});
    for (int i = 0; i < 15; ++i)
        middle->parts.push_back({"SAME.BMP", picture, nullptr});
    middle->parts.push_back({"same.eml", "", std::make_shared<PlannedMail>(deepest)});
    PlannedMail mail{"fifty of the same name", {}};
    for (int i = 0; i < 25; ++i)
        mail.parts.push_back({i % 2 ? "same.bmp" : "Same.bmp", picture, nullptr});
    mail.parts.insert(mail.parts.begin() + 10, {"same.eml", "", middle});
    CaptureMail(mail);
}

TEST_F(HostileMail, NamesThatReachOutOrBreakThings) {
    const std::string picture = SmallBitmap(9, 9, 60);
    const char* const names[] = {
        "..\\..\\..\\..\\escape-back.txt",
        "../../../../escape-forward.txt",
        "..",
        ".",
        "...",
        "C:\\windows\\win.ini",
        "C:evil-drive-relative.txt",
        "\\\\server\\share\\unc.txt",
        "\\\\?\\C:\\long-prefix.txt",
        "\\\\.\\PhysicalDrive0",
        "CON",
        "con.txt",
        "NUL.bmp",
        "AUX",
        "COM1",
        "LPT9.jpg",
        "CONIN$",
        "trailing dots...",
        "trailing blanks   ",
        "trailing mix . . .",
        " leading blank.txt",
        "control\x01\x02\x1F\x7F.bmp",
        "tab\tand\nnewline.txt",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.bmp",
        "emoji \xF0\x9F\x98\x80.bmp",
        "\xCE\xA9mega \xD0\x96.txt",
        "<img src=x onerror=alert(1)>.bmp",
        "\"><script>alert(1)</script>.txt",
        "a&amp;b<c>d.bmp",
        "javascript:alert(1).bmp",
        "%2e%2e%5cpercent.txt",
        "file.txt:stream",
        "star*question?.bmp",
        "pipe|quote\".txt",
        "VaroReport.xsl",
        "varovlg.log",
        "VaroReport.htm",
        "name.msg.",
        "",
    };
    PlannedMail mail{"<b>bold</b> & <script>alert('subject')</script> \"quoted\" \xC3\x9C", {}};
    // Every file holds a picture: whatever type a mangled name ends up with, the page can show it.
    for (const char* name : names)
        mail.parts.push_back({name, picture, nullptr});
    mail.parts.push_back({"nested.eml", "",
                          Nested("nested", {{"..\\..\\inner-escape.bmp", picture, nullptr},
                                            {"C:\\inner.txt", picture, nullptr}})});
    CaptureMail(mail);
}
