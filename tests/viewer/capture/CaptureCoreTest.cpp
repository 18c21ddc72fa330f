// Byte encoding, file typing and safe file names of a capture.
#include "CaptureCore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

using namespace VaroCapture;

namespace {
std::string Utf8(const std::u16string& s) {
    size_t n = EncodeUtf8(s.data(), s.size(), nullptr, 0);
    std::string out(n, '\0');
    EXPECT_EQ(EncodeUtf8(s.data(), s.size(), &out[0], n), n);
    return out;
}
// The code page of these tests holds Latin-1 and nothing above.
bool Latin1(const char16_t* ch, size_t units) {
    return units == 1 && ch[0] <= 0xFF;
}
std::u16string Safe(const std::u16string& s) {
    return MakeSafeLeafName(s, Latin1);
}
} // namespace

TEST(EncodeUtf8, EncodesEachRangeWithItsSequenceLength) {
    EXPECT_EQ(Utf8(u"A"), "A");
    EXPECT_EQ(Utf8(u"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(Utf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(Utf8(u"\u20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(EncodeUtf8, LoneSurrogatesBecomeThreeBytesOfTheirOwn) {
    const char16_t high[] = {0xD83D, u'x'};
    EXPECT_EQ(Utf8(std::u16string(high, 2)), "\xED\xA0\xBD"
                                             "x");
    const char16_t low[] = {0xDE00};
    EXPECT_EQ(Utf8(std::u16string(low, 1)), "\xED\xB8\x80");
    // A high surrogate at the very end has no partner to pair with.
    const char16_t last[] = {u'a', 0xD800};
    EXPECT_EQ(Utf8(std::u16string(last, 2)), "a\xED\xA0\x80");
}

TEST(EncodeUtf8, StopsBeforeTheFirstSequenceThatDoesNotFit) {
    std::u16string s = u"a\u00E9\U0001F600";
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(EncodeUtf8(s.data(), s.size(), buffer, 2), 1u); // 'a', then 2 bytes do not fit in 1
    EXPECT_EQ(buffer[1], '#');
    EXPECT_EQ(EncodeUtf8(s.data(), s.size(), buffer, 6), 3u); // the 4-byte pair does not fit in 3
    EXPECT_EQ(buffer[3], '#');
    EXPECT_EQ(EncodeUtf8(s.data(), s.size(), buffer, 7), 7u);
    EXPECT_EQ(EncodeUtf8(s.data(), 0, buffer, 7), 0u);
}

TEST(AttachmentType, PictureExtensionsBySubstringSearch) {
    for (const char* pic :
         {"a.JPG", "b.tif", "c.TIFF", "d.jpe", "e.jp", "noextension", "x.png", "dir.x\\y", "e."})
        EXPECT_STREQ(AttachmentType(pic), "PIC") << pic;
    for (const char* doc : {"a.doc", "b.jpgx", "c.zip", "d.msg", "f.jpg.txt", "g.abcdefghijkl"})
        EXPECT_STREQ(AttachmentType(doc), "DOC") << doc;
}

TEST(AttachmentType, ExtensionComesFromTheLastComponentOnly) {
    EXPECT_EQ(FileExtension("folder.d\\name"), "");
    EXPECT_EQ(FileExtension("folder.d/name.GIF"), ".gif");
    EXPECT_EQ(FileExtension("a.b.MsG"), ".msg");
    EXPECT_TRUE(IsMessageExtension("Fwd.MSG"));
    EXPECT_FALSE(IsMessageExtension("x.msgx"));
}

TEST(SafeLeafName, FolderPartsAndDrivesNeverLeaveTheWorkingFolder) {
    EXPECT_EQ(Safe(u"..\\..\\x.exe"), u"x.exe");
    EXPECT_EQ(Safe(u"C:\\x.dll"), u"x.dll");
    EXPECT_EQ(Safe(u"C:x.dll"), u"x.dll");
    EXPECT_EQ(Safe(u"\\\\host\\share\\x"), u"x");
    EXPECT_EQ(Safe(u"a/b.jpg"), u"b.jpg");
    EXPECT_EQ(Safe(u"name.jpg:stream"), u"stream");
    EXPECT_EQ(Safe(u".."), u"attachment");
    EXPECT_EQ(Safe(u"dir\\"), u"attachment");
}

TEST(SafeLeafName, ReservedControlAndForeignCharactersBecomeUnderscores) {
    EXPECT_EQ(Safe(u"a<b>c\"d|e?f*g.txt"), u"a_b_c_d_e_f_g.txt");
    EXPECT_EQ(Safe(u"tab\there\x01.png"), u"tab_here_.png");
    EXPECT_EQ(Safe(u"caf\u00E9.jpg"), u"caf\u00E9.jpg");
    EXPECT_EQ(Safe(u"\u65E5\u672C.jpg"), u"__.jpg");
    EXPECT_EQ(Safe(u"\U0001F600.gif"), u"_.gif"); // one character, one underscore
    const char16_t lone[] = {u'a', 0xDC00, u'.', u'b'};
    EXPECT_EQ(Safe(std::u16string(lone, 4)), u"a_.b");
    // Characters that need escaping in a page are legal in file names and stay.
    EXPECT_EQ(Safe(u"it's #1 & 100%.jpg"), u"it's #1 & 100%.jpg");
}

TEST(SafeLeafName, TrailingDotsBlanksAndDeviceNames) {
    EXPECT_EQ(Safe(u"photo.jpg. . "), u"photo.jpg");
    EXPECT_EQ(Safe(u"  lead.png"), u"lead.png");
    EXPECT_EQ(Safe(u"   "), u"attachment");
    EXPECT_EQ(Safe(u""), u"attachment");
    EXPECT_EQ(Safe(u"CON"), u"_CON");
    EXPECT_EQ(Safe(u"nul.txt"), u"_nul.txt");
    EXPECT_EQ(Safe(u"Com1.jpg"), u"_Com1.jpg");
    EXPECT_EQ(Safe(u"lpt9 .a.b"), u"_lpt9 .a.b");
    EXPECT_EQ(Safe(u"com\u00B9.txt"), u"_com\u00B9.txt"); // superscript one is a port number too
    EXPECT_EQ(Safe(u"LPT\u00B3"), u"_LPT\u00B3");
    EXPECT_EQ(Safe(u"CONSOLE.txt"), u"CONSOLE.txt");
    EXPECT_EQ(Safe(u"COM10"), u"COM10");
}

TEST(ShortenFileName, KeepsTheExtensionAndNeverSplitsAPair) {
    EXPECT_EQ(ShortenFileName(u"abcdef.jpeg", 20), u"abcdef.jpeg");
    EXPECT_EQ(ShortenFileName(u"abcdef.jpeg", 8), u"abc.jpeg");
    EXPECT_EQ(ShortenFileName(u"abcdef.jpeg", 6), u"a.jpeg");
    EXPECT_EQ(ShortenFileName(u"abcdef.jpeg", 5), u"abcde"); // extension no longer fits: cut whole
    std::u16string pair = u"a\U0001F600b.png";               // a, pair, b, .png = 8 units
    EXPECT_EQ(ShortenFileName(pair, 6), u"a.png");
    EXPECT_EQ(ShortenFileName(u"ab .c.png", 7), u"ab.png");
    EXPECT_EQ(ShortenFileName(u"x", 0), u"");
    // A cut must not leave a device name behind.
    EXPECT_EQ(ShortenFileName(u"CONSOLE.txt", 7), u"_ON.txt");
    EXPECT_EQ(ShortenFileName(u"nul x.jpg", 7), u"_ul.jpg");
    EXPECT_EQ(ShortenFileName(u"COM1234", 4), u"_OM1");
    std::u16string longExt = u"a." + std::u16string(30, u'e');
    EXPECT_EQ(ShortenFileName(longExt, 10).size(), 10u);
}

TEST(MakeUniqueName, NumbersLaterDuplicatesAndStaysWithinTheLimit) {
    std::set<std::u16string> used = {u"pic.jpg", u"pic (2).jpg", u"noext"};
    auto taken = [&](const std::u16string& n) { return used.count(n) != 0; };
    EXPECT_EQ(MakeUniqueName(u"other.jpg", 100, taken), u"other.jpg");
    EXPECT_EQ(MakeUniqueName(u"pic.jpg", 100, taken), u"pic (3).jpg");
    EXPECT_EQ(MakeUniqueName(u"noext", 100, taken), u"noext (2)");
    std::u16string name = MakeUniqueName(u"pic.jpg", 9, taken);
    EXPECT_LE(name.size(), 9u);
    EXPECT_FALSE(taken(name));
    EXPECT_EQ(name.substr(name.size() - 4), u".jpg");
    EXPECT_EQ(MakeUniqueName(u"pic.jpg", 4, taken), u""); // no room for a number at all
}

TEST(ReportText, ControlCharactersXmlForbidsBecomeBlanks) {
    EXPECT_EQ(ReportText("a\x01_\x0B\x0C\x1F_"), "a _   _");
    EXPECT_EQ(ReportText(std::string("\0x", 2)), " x");
    // Tab and line breaks are XML characters; DEL and the bytes of other code pages stay too.
    EXPECT_EQ(ReportText("t\tn\nr\r\x7F\x81\xE9"), "t\tn\nr\r\x7F\x81\xE9");
}

TEST(LogText, OneLineFeedPerName) {
    std::string names[] = {"a.jpg", "b c.png"};
    EXPECT_EQ(LogText(names, 2), "a.jpg\nb c.png\n");
    EXPECT_EQ(LogText(names, 0), "");
}
