#include "Charset.h"
#include "MailNames.h"
#include "MimeCodec.h"
#include "TestData.h"

#include <gtest/gtest.h>

namespace {

class MimeCodec : public ::testing::Test {
protected:
    void SetUp() override { testdata::UsePlatformCharsets(); }
};

TEST_F(MimeCodec, Base64IgnoresLineBreaksAndJunkAndRestartsAfterPadding) {
    EXPECT_EQ(DecodeBase64("TWFu"), "Man");
    EXPECT_EQ(DecodeBase64("TW\r\nF u\t"), "Man");
    EXPECT_EQ(DecodeBase64("TWE="), "Ma");
    EXPECT_EQ(DecodeBase64("TQ=="), "M");
    // Two encoded pieces joined (as some mailers do): the second starts afresh.
    EXPECT_EQ(DecodeBase64("TQ==TWFu"), "MMan");
    EXPECT_EQ(DecodeBase64("T"), ""); // a lone sextet is no byte
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    const std::string encoded =
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNE"
        "RUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJ"
        "iouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3O"
        "z9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==";
    EXPECT_EQ(DecodeBase64(encoded), all);
}

TEST_F(MimeCodec, QuotedPrintableSoftBreaksEscapesAndTransportBlanks) {
    EXPECT_EQ(DecodeQuotedPrintable("a=3Db=3db"), "a=b=b");
    EXPECT_EQ(DecodeQuotedPrintable("long=\r\nline\r\n"), "longline\r\n");
    EXPECT_EQ(DecodeQuotedPrintable("long=\nline\n"), "longline\n");
    // Blanks at a line's end were added in transport; encoded ones stay.
    EXPECT_EQ(DecodeQuotedPrintable("end   \r\nx=20\r\n"), "end\r\nx \r\n");
    // A broken escape is kept as it is rather than dropped.
    EXPECT_EQ(DecodeQuotedPrintable("100=%\r\n=G1"), "100=%\r\n=G1");
    EXPECT_EQ(DecodeQuotedPrintable("caf=C3=A9"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeQuotedPrintable("last="), "last");
}

TEST_F(MimeCodec, UuencodeBetweenBeginAndEnd) {
    std::string name;
    EXPECT_EQ(DecodeUuencode("begin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\n", &name), "Cat");
    EXPECT_EQ(name, "cat.txt");
    // Trailing blanks (zero bits) stripped in transit do not shorten the data.
    EXPECT_EQ(DecodeUuencode("begin 644 z\n#    \n`\nend\n"), std::string(3, '\0'));
    EXPECT_EQ(DecodeUuencode("begin 644 z\n#\n`\nend\n"), std::string(3, '\0'));
    EXPECT_EQ(DecodeUuencode(""), "");
}

TEST_F(MimeCodec, TransferEncodingByName) {
    EXPECT_EQ(DecodeTransferEncoding("TWFu", " BASE64 "), "Man");
    EXPECT_EQ(DecodeTransferEncoding("a=3D", "Quoted-Printable"), "a=");
    EXPECT_EQ(DecodeTransferEncoding("a=3D", "8bit"), "a=3D");
    EXPECT_EQ(DecodeTransferEncoding("x", "x-unknown"), "x");
}

TEST_F(MimeCodec, EncodedWordsJoinAcrossSplitsAndDropBlanksBetweenWords) {
    EXPECT_EQ(DecodeHeaderText("=?ISO-8859-1?Q?Fr=F6sche?="), "Fr\xC3\xB6sche");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?b?4piz?= =?utf-8?b?4pi/?="), "\xE2\x98\xB3\xE2\x98\xBF");
    // A UTF-8 character split over two words is joined before conversion.
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?Q?caf=C3?=\r\n =?UTF-8?Q?=A9?="), "caf\xC3\xA9");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?q?a_b?= and =?utf-8?q?c?="), "a b and c");
    EXPECT_EQ(DecodeHeaderText("Re: =?utf-8?q?x?=!"), "Re: x!");
    // Not encoded words: kept as written.
    EXPECT_EQ(DecodeHeaderText("=?broken"), "=?broken");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?x?abc?="), "=?utf-8?x?abc?=");
    EXPECT_EQ(DecodeHeaderText("a =? b ?= c"), "a =? b ?= c");
}

TEST_F(MimeCodec, HeaderFullOfFalseEncodedWordStartsIsReadInLinearTime) {
    // Every "=?" start looks ahead for its end and for blanks; without care this is quadratic
    // and a hostile header would hang the stand-in.
    std::string unclosed;
    for (int i = 0; i < 200000; ++i)
        unclosed += "=?u?q?x";
    EXPECT_EQ(DecodeHeaderText(unclosed), unclosed);
    const std::string closedFarAway = unclosed + " ?=";
    EXPECT_EQ(DecodeHeaderText(closedFarAway), closedFarAway);
}

TEST_F(MimeCodec, RawEightBitHeaderTextIsUtf8WhenValidElseWindows1252) {
    EXPECT_EQ(DecodeHeaderText("ci\xC3\xAB"
                               "le.txt"),
              "ci\xC3\xAB"
              "le.txt");
    EXPECT_EQ(DecodeHeaderText("ci\xEB"
                               "le \x80"),
              "ci\xC3\xAB"
              "le \xE2\x82\xAC");
    EXPECT_EQ(RawTextToUtf8("\xA5"), "\xC2\xA5");
}

TEST_F(MimeCodec, CharsetsOfTheTestData) {
    std::string out;
    ASSERT_TRUE(ConvertToUtf8("ISO-2022-JP", "\x1B$B$^$_$`$a$b\x1B(B", out));
    EXPECT_EQ(out, "\xE3\x81\xBE\xE3\x81\xBF\xE3\x82\x80\xE3\x82\x81\xE3\x82\x82"); // まみむめも
    ASSERT_TRUE(ConvertToUtf8("EUC-JP", "\xA4\xDE\xA4\xDF\xA4\xE0\xA4\xE1\xA4\xE2", out));
    EXPECT_EQ(out, "\xE3\x81\xBE\xE3\x81\xBF\xE3\x82\x80\xE3\x82\x81\xE3\x82\x82");
    ASSERT_TRUE(ConvertToUtf8("shift_jis", "\x83\x65\x83\x58\x83\x67", out));
    EXPECT_EQ(out, "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"); // テスト
    ASSERT_TRUE(ConvertToUtf8("ks_c_5601-1987", "\xBB\xE7\xC1\xF8", out));
    EXPECT_EQ(out, "\xEC\x82\xAC\xEC\xA7\x84"); // 사진
    ASSERT_TRUE(ConvertToUtf8("GB2312", "\xB2\xE2\xCA\xD4", out));
    EXPECT_EQ(out, "\xE6\xB5\x8B\xE8\xAF\x95"); // 测试
    ASSERT_TRUE(ConvertToUtf8("windows-1251", "\xCF\xF3\xF2\xB3\xED", out));
    EXPECT_EQ(out, "\xD0\x9F\xD1\x83\xD1\x82\xD1\x96\xD0\xBD"); // Путін
    ASSERT_TRUE(ConvertToUtf8("KOI8-R", "\xF0\xD5\xD4\xC9\xCE", out));
    EXPECT_EQ(out, "\xD0\x9F\xD1\x83\xD1\x82\xD0\xB8\xD0\xBD"); // Путин
    ASSERT_TRUE(ConvertToUtf8("iso-8859-2", "\xB1", out));
    EXPECT_EQ(out, "\xC4\x85"); // ą
    ASSERT_TRUE(ConvertToUtf8("windows-1252", "\x80", out));
    EXPECT_EQ(out, "\xE2\x82\xAC");
    EXPECT_FALSE(ConvertToUtf8("x-no-such-charset", "abc", out));
}

TEST_F(MimeCodec, Utf16RoundTripWithSurrogatesAndInvalidInput) {
    const std::string text = "a\xC3\xA9\xE6\xB5\x8B\xF0\x9F\x8E\x89";
    EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le(text)), text);
    EXPECT_EQ(Utf8ToUtf16Le("\xF0\x9F\x8E\x89"), std::string("\x3C\xD8\x89\xDF", 4));
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xD8"
                                        "a\x00",
                                        4)),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\x00\x00\x00"
                                        "b\x00",
                                        6)),
              "a");
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE6\xB5"));     // cut short
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));
}

TEST_F(MimeCodec, StructuredFieldParameters) {
    HeaderField f = ParseHeaderField("Image/PNG; NAME=\"a; b.png\"; x=y");
    EXPECT_EQ(f.value, "image/png");
    EXPECT_EQ(f.Param("name"), "a; b.png");
    EXPECT_EQ(f.Param("x"), "y");
    // RFC 2231: charset, continuations, and priority over the plain form.
    f = ParseHeaderField("attachment; filename=\"plain.txt\"; "
                         "filename*0*=iso-8859-1''Hasen%20und; filename*1*=Fr%F6sche.txt");
    EXPECT_EQ(f.Param("filename"), "Hasen undFr\xC3\xB6sche.txt");
    f = ParseHeaderField("attachment; filename*1=\"b.txt\"; filename*0=\"a\"");
    EXPECT_EQ(f.Param("filename"), "ab.txt");
    // RFC 2047 inside a quoted parameter (common, though not standard).
    f = ParseHeaderField("attachment; filename=\"=?UTF-8?B?44Gm44GZ44GoLnR4dA==?=\"");
    EXPECT_EQ(f.Param("filename"), "\xE3\x81\xA6\xE3\x81\x99\xE3\x81\xA8.txt");
    f = ParseHeaderField("attachment; filename=odd=file=name.txt");
    EXPECT_EQ(f.Param("filename"), "odd=file=name.txt");
    f = ParseHeaderField("inline; filename=\"unterminated");
    EXPECT_EQ(f.Param("filename"), "unterminated");
    f = ParseHeaderField(";;=;name*99999999999=x;name*x=1");
    EXPECT_TRUE(f.value.empty());
}

// A name split into RFC 2231 sections: the charset named in section 0 applies to the bytes of
// every section, encoded or not, in section order whatever the order of the parameters.
TEST_F(MimeCodec, SplitUtf8NamesDecodeAsOneValue) {
    const char* const utf8Jp = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"; // 日本語.txt
    EXPECT_EQ(ParseHeaderField("attachment; filename*0*=UTF-8''%E6%97%A5%E6%9C; filename*1*=%AC%E8%AA%9E.txt")
                  .Param("filename"),
              utf8Jp);
    EXPECT_EQ(ParseHeaderField("attachment;\n filename*1*=%AC%E8%AA%9E; filename*2=\".txt\";\n "
                               "filename*0*=\"utf-8'ja'%E6%97%A5%E6%9C\"")
                  .Param("filename"),
              utf8Jp);
    EXPECT_EQ(ParseHeaderField("attachment; filename*0*=UTF-8''%C3%A9t%C3; filename*1*=%A9; filename*2=\" 100%.jpg\"")
                  .Param("filename"),
              "\xC3\xA9t\xC3\xA9 100%.jpg");
    // Section 0 in Latin-1: the UTF-8 look of later bytes does not change the charset.
    EXPECT_EQ(ParseHeaderField("attachment; filename*0*=iso-8859-1''%C3; filename*1*=%A9").Param("filename"),
              "\xC3\x83\xC2\xA9");
    // Some writers repeat the charset in every section; it is not part of the name.
    EXPECT_EQ(ParseHeaderField("attachment; filename*0*=UTF-8''%C3%A9; filename*1*=UTF-8''%C3%A9.txt")
                  .Param("filename"),
              "\xC3\xA9\xC3\xA9.txt");
}

TEST_F(MimeCodec, AttachmentNamesAsOutlookGivesThem) {
    EXPECT_EQ(AttachedMessageFileName(FileNameStem("thanks.eml"), "Thanks!"), "thanks.msg");
    EXPECT_EQ(AttachedMessageFileName("", "Re: a/b \"c\" <d>?*|"), "Re_ a_b _c_ _d____.msg");
    EXPECT_EQ(AttachedMessageFileName("", ""), "Untitled.msg");
    EXPECT_EQ(AttachedMessageFileName(" . ", "  "), "Untitled.msg");
    EXPECT_EQ(FileNameStem("a.b.eml"), "a.b");
    EXPECT_EQ(FileNameStem(".profile"), ".profile");
    EXPECT_EQ(FileNameStem("dir.x/name"), "dir.x/name");
    EXPECT_EQ(GeneratedAttachmentName(1, " image/JPEG "), "ATT00001.jpg");
    EXPECT_EQ(GeneratedAttachmentName(12, "text/rfc822-headers"), "ATT00012.txt");
    EXPECT_EQ(GeneratedAttachmentName(3, "application/x-whatever"), "ATT00003.bin");
}

} // namespace
