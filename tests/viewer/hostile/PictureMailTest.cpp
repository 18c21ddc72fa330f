// Mails of photos and scans, captured by the real viewer from the real stand-in: what the page
// shows is what the embedded browser shows (stored pixels; JPEG, PNG, GIF and BMP only), so a
// turned photo and a scan must reach it as upright copies, a hostile picture must fall back to
// its own entry, and the report, the log and the exit clean-up stay as they were.
#include "HostileCapture.h"
#include "MailWriter.h"

#include "JpegInfo.h"
#include "StoredPixels.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {
const std::string kBinary = VARO_TEST_BINARY_DIR;
constexpr DWORD kRunTimeoutMs = 120000;
constexpr UINT kRefreshMessage = WM_USER + 100;

std::string Picture(const char* leaf) {
    std::ifstream in(kBinary + "\\mail-pictures\\" + leaf, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The report as its layout has it, for a UTF-8 capture of these names.
std::string ExpectedReport(const std::string& subject,
                           const std::vector<std::pair<std::string, const char*>>& entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                      "<?xml-stylesheet href=\"VaroReport.xsl\" type=\"text/xsl\" ?>\r\n"
                      "<MAILITEM xml:space=\"preserve\">\r\n<SUBJECT>" +
                      subject + "</SUBJECT>\r\n<ATTACHMENTS>\r\n";
    for (const auto& [name, type] : entries)
        xml += "<ATTACHMENT FILENAME=\"" + name + "\" ATTTYPE=\"" + type + "\">" + name + "</ATTACHMENT>\r\n";
    return xml + "</ATTACHMENTS>\r\n</MAILITEM>\r\n";
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}
} // namespace

class PictureMail : public HostileCapture {
protected:
    void SetUp() override {
        HostileCapture::SetUp();
        if (Picture("turned.jpg").empty())
            GTEST_SKIP() << "no mail pictures (ImageMagick's convert missing?)";
    }
    std::string Read(const std::string& name) const {
        std::string text;
        EXPECT_TRUE(VaroDriver::ReadFile(Work(name), text)) << name;
        return text;
    }
    // The upright picture of upright.png: its four corner marks where they belong.
    void ExpectUpright(const std::string& copy) {
        StoredPixels pixels;
        ASSERT_TRUE(ReadStoredPixels(Work("VaroShow\\" + copy), pixels)) << copy;
        ASSERT_EQ(pixels.width, 64u) << copy;
        ASSERT_EQ(pixels.height, 48u) << copy;
        EXPECT_EQ(pixels.frames, 1u) << copy;
        EXPECT_TRUE(pixels.Near(3, 3, 0xFF0000)) << copy << " top left " << std::hex << pixels.At(3, 3);
        EXPECT_TRUE(pixels.Near(60, 3, 0x00FF00)) << copy << " top right " << std::hex << pixels.At(60, 3);
        EXPECT_TRUE(pixels.Near(3, 44, 0x0000FF)) << copy << " bottom left " << std::hex << pixels.At(3, 44);
        EXPECT_TRUE(pixels.Near(60, 44, 0xFFFFFF))
            << copy << " bottom right " << std::hex << pixels.At(60, 44);
    }
};

TEST_F(PictureMail, TurnedPhotoAndScanAreShownUprightFromCopiesThatGoAtExit) {
    const std::string bitmap = SmallBitmap(12, 9, 200);
    PlannedMail mail{"photo and scan",
                     {{"phone photo.jpg", Picture("turned.jpg"), nullptr},
                      {"scan.tif", Picture("scan.tif"), nullptr},
                      {"plain.bmp", bitmap, nullptr},
                      {"notes.txt", "notes\r\n", nullptr},
                      // Named like a shown copy, and like its folder: saved and shown as itself.
                      {"VaroShow", bitmap, nullptr},
                      {"1-1.jpg", Picture("turned.jpg"), nullptr}}};
    AddMail("pictures.eml", mail);
    ASSERT_TRUE(StartOutlook());
    StartViewer();
    ASSERT_TRUE(WaitForPages(1, kRunTimeoutMs))
        << "no page; messages: " << (m_varo->messages.empty() ? "none" : m_varo->messages.front());
    CheckCapture(ListedCount(mail));

    // The report and the log keep their layout: no word of the copies.
    const std::vector<std::pair<std::string, const char*>> entries = {
        {"phone photo.jpg", "PIC"}, {"scan.tif", "PIC"},     {"plain.bmp", "PIC"},
        {"notes.txt", "DOC"},       {"VaroShow (2)", "PIC"}, {"1-1.jpg", "PIC"}};
    EXPECT_EQ(Read("VaroReport.xml"), ExpectedReport("photo and scan", entries));
    EXPECT_EQ(Read("varovlg.log"),
              "phone photo.jpg\r\nscan.tif\r\nplain.bmp\r\nnotes.txt\r\nVaroShow (2)\r\n1-1.jpg\r\n");

    // The turned photos and the scan are shown from upright copies named by entry; the bitmap is
    // shown from itself. Each original stays linked, and the scan says it has more pages.
    const std::set<std::string> copies = FilesIn(Work("VaroShow\\"));
    ASSERT_EQ(copies.size(), 3u);
    const std::string page = Read("VaroReport.htm");
    for (const std::string& copy : copies) {
        EXPECT_EQ(Count(page, "src=\"./VaroShow/" + copy + "\""), 1u) << copy;
        ExpectUpright(copy);
        if (copy.size() > 4 && copy.substr(copy.size() - 4) == ".jpg") {
            const std::string bytes = Read("VaroShow\\" + copy);
            EXPECT_EQ(
                Pictures::ReadJpegInfo(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())
                    .orientation,
                1)
                << copy << " would be turned a second time by a browser that reads the tag";
        }
    }
    for (const char* entry : {"1-1.", "1-2.", "1-6."})
        EXPECT_EQ(std::count_if(copies.begin(), copies.end(),
                                [entry](const std::string& c) { return c.rfind(entry, 0) == 0; }),
                  1)
            << entry;
    EXPECT_EQ(Count(page, "class=\"original\" href=\"./phone%20photo.jpg\""), 1u) << page;
    EXPECT_EQ(Count(page, "class=\"original\" href=\"./scan.tif\""), 1u);
    EXPECT_EQ(Count(page, "alt=\"scan.tif\""), 1u);
    EXPECT_EQ(Count(page, "page 1 of 2"), 1u);
    EXPECT_EQ(Count(page, "src=\"./plain.bmp\""), 1u);
    EXPECT_EQ(Count(page, "src=\"./VaroShow%20(2)\""), 1u);
    EXPECT_EQ(Count(page, "src=\"./1-1.jpg\""), 0u)
        << "the attachment named like a copy is shown from its copy";
    KeepPageForBrowser(mail.subject, kBinary + "\\capture-pictures\\");

    // A second capture of the same mail replaces the copies: the first run's are gone.
    ::PostMessageA(m_varo->frame, kRefreshMessage, 0, 0);
    ASSERT_TRUE(WaitForPages(2, kRunTimeoutMs));
    const std::set<std::string> second = FilesIn(Work("VaroShow\\"));
    EXPECT_EQ(second.size(), 3u);
    for (const std::string& copy : second)
        EXPECT_EQ(copy.rfind("2-", 0), 0u) << copy << " is left from the first capture";
    EXPECT_EQ(Read("VaroReport.xml"), ExpectedReport("photo and scan", entries));

    CloseAndCheckCleanUp();
}

TEST_F(PictureMail, HostilePicturesFallBackToTheirOwnEntries) {
    PlannedMail mail{"hostile pictures",
                     {{"truncated.jpg", Picture("truncated.jpg"), nullptr},
                      {"huge.tif", Picture("huge.tif"), nullptr},
                      {"lying.pcx", Picture("lying.pcx"), nullptr},
                      {"empty.tif", "", nullptr},
                      {"text.jpg", "not a picture at all", nullptr},
                      {"good.jpg", Picture("turned.jpg"), nullptr}}};
    AddMail("hostile.eml", mail);
    ASSERT_TRUE(StartOutlook());
    StartViewer();
    ASSERT_TRUE(WaitForPages(1, kRunTimeoutMs))
        << "no page; messages: " << (m_varo->messages.empty() ? "none" : m_varo->messages.front());
    CheckCapture(ListedCount(mail));
    EXPECT_EQ(Read("VaroReport.xml"), ExpectedReport("hostile pictures", {{"truncated.jpg", "PIC"},
                                                                          {"huge.tif", "PIC"},
                                                                          {"lying.pcx", "PIC"},
                                                                          {"empty.tif", "PIC"},
                                                                          {"text.jpg", "PIC"},
                                                                          {"good.jpg", "PIC"}}));
    const std::string page = Read("VaroReport.htm");
    for (const char* name : {"huge.tif", "lying.pcx", "empty.tif", "text.jpg"})
        EXPECT_EQ(Count(page, std::string("src=\"./") + name + "\""), 1u) << name << " did not fall back";
    // A cut photo is shown from a copy only when what could be decoded made one.
    EXPECT_EQ(Count(page, "src=\"./truncated.jpg\"") + Count(page, "alt=\"truncated.jpg\""), 2u);
    // The sound picture among them still gets its copy.
    EXPECT_EQ(Count(page, "class=\"original\" href=\"./good.jpg\""), 1u);
    std::printf("[ pictures ] truncated photo %s\n",
                Count(page, "src=\"./truncated.jpg\"") ? "fell back to the original" : "shown from a copy");
    CloseAndCheckCleanUp();
    PrintFigures();
}
