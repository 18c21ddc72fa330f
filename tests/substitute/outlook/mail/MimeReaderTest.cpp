#include "Charset.h"
#include "MailMessage.h"
#include "ManifestCheck.h"
#include "TestData.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif
#include <string>

namespace {

class MimeReader : public ::testing::Test {
protected:
    void SetUp() override { testdata::UsePlatformCharsets(); }
    static MailMessage Parse(const std::string& file) {
        std::string bytes = manifest::ReadFile(testdata::EmlPath(file));
        EXPECT_FALSE(bytes.empty()) << file;
        return ParseMimeMessage(bytes);
    }
    static const MailAttachment* Find(const MailMessage& m, const std::string& name) {
        for (const MailAttachment& a : m.attachments)
            if (a.fileName == name)
                return &a;
        return nullptr;
    }
};

// Every .eml of the test data: subject, attachment names, attached messages as described.
TEST_F(MimeReader, EveryTestMailMatchesItsManifestEntry) {
    auto entries = manifest::Load(testdata::EmlPath("MANIFEST.tsv"));
    ASSERT_GE(entries.size(), 60u);
    for (const auto& entry : entries) {
        MailMessage message = Parse(entry.first);
        manifest::CheckMessage(message, entry.second, entry.first);
        EXPECT_EQ(message.messageClass.substr(0, 8), "IPM.Note") << entry.first;
    }
}

TEST_F(MimeReader, SameFileInFourTransferEncodingsDecodesToTheSameBytes) {
    // redball.png: base64 (m1003, m3001 as octet-stream) and x-uuencode (m1014).
    MailMessage b64Mail = Parse("zba_m1003.eml");
    const MailAttachment* b64 = Find(b64Mail, "redball.png");
    MailMessage uuMail = Parse("zba_m1014.eml");
    const MailAttachment* uu = Find(uuMail, "redball.png");
    MailMessage octetMail = Parse("zba_m3001.eml");
    const MailAttachment* octet = Find(octetMail, "redball.png");
    ASSERT_TRUE(b64 && uu && octet);
    EXPECT_EQ(b64->data.size(), 1453u);
    EXPECT_EQ(b64->data.substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(uu->data, b64->data);
    EXPECT_EQ(octet->data, b64->data);
    // The German story: quoted-printable (m2012) and x-uuencode (m2013), raw 8-bit names.
    MailMessage qpMail = Parse("zba_m2012.eml");
    MailMessage uuTextMail = Parse("zba_m2013.eml");
    const MailAttachment* qp = Find(qpMail, "HasenundFr\xC3\xB6sche.txt");
    const MailAttachment* uuText = Find(uuTextMail, "HasenundFr\xC3\xB6sche.txt");
    ASSERT_TRUE(qp && uuText);
    EXPECT_EQ(qp->data, uuText->data);
    EXPECT_NE(qp->data.find("Die Hasen und die Fr\xF6sche"), std::string::npos);
}

TEST_F(MimeReader, SevenBitPartKeepsItsBytesWithoutTheDelimiterLineBreak) {
    const std::string mail = "Subject: s\r\nContent-Type: multipart/mixed; boundary=XX\r\n\r\n"
                             "preamble\r\n--XX\r\n\r\nbody\r\n--XX\r\n"
                             "Content-Type: text/plain; name=a.txt\r\n\r\nline1\r\nline2\r\n\r\n"
                             "--XX--\r\nepilogue";
    MailMessage m = ParseMimeMessage(mail);
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, "a.txt");
    EXPECT_EQ(m.attachments[0].data, "line1\r\nline2\r\n");
    EXPECT_TRUE(m.problem.empty()) << m.problem;
}

TEST_F(MimeReader, BodyPartsAreNotAttachmentsButNamedOrAttachedTextIs) {
    const std::string mail =
        "Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n"
        "--b\nContent-Type: multipart/alternative; boundary=c\n\n"
        "--c\nContent-Type: text/plain\n\nplain\n--c\nContent-Type: text/html\n\n<p>html</p>\n--c--\n"
        "--b\nContent-Type: text/plain\nContent-Disposition: attachment\n\nattached text\n"
        "--b\nContent-Type: text/html; name=\"page.htm\"\n\n<p/>\n"
        "--b\nContent-Type: text/plain\nContent-Disposition: inline\n\nsecond body\n"
        "--b\nContent-Type: image/png\nContent-Transfer-Encoding: base64\n\niVBORw==\n"
        "--b\nContent-Type: application/pgp-signature\n\nsig\n--b--\n";
    MailMessage m = ParseMimeMessage(mail);
    ASSERT_EQ(m.attachments.size(), 4u);
    EXPECT_EQ(m.attachments[0].fileName, "ATT00001.txt");
    EXPECT_EQ(m.attachments[0].data, "attached text");
    EXPECT_EQ(m.attachments[1].fileName, "page.htm");
    EXPECT_EQ(m.attachments[2].fileName, "ATT00002.png");
    EXPECT_EQ(m.attachments[2].data, "\x89PNG");
    EXPECT_EQ(m.attachments[3].fileName, "ATT00003.asc");
    EXPECT_EQ(m.messageClass, "IPM.Note");
}

TEST_F(MimeReader, MessageClassFollowsTheMimeStructure) {
    EXPECT_EQ(Parse("mc2_jwz_106.eml").messageClass, "IPM.Note.SMIME.MultipartSigned");
    // PGP-signed is an ordinary note for Outlook.
    EXPECT_EQ(Parse("zba_m4002.eml").messageClass, "IPM.Note");
    MailMessage enc =
        ParseMimeMessage("Subject: e\r\nContent-Type: application/x-pkcs7-mime; smime-type=enveloped-data; "
                         "name=smime.p7m\r\nContent-Transfer-Encoding: base64\r\n\r\nAAEC\r\n");
    EXPECT_EQ(enc.messageClass, "IPM.Note.SMIME");
    ASSERT_EQ(enc.attachments.size(), 1u);
    EXPECT_EQ(enc.attachments[0].fileName, "smime.p7m");
    EXPECT_EQ(enc.attachments[0].data, std::string("\0\1\2", 3));
    MailMessage invite = ParseMimeMessage(
        "Subject: meet\nContent-Type: multipart/alternative; boundary=q\n\n"
        "--q\nContent-Type: text/plain\n\nCome.\n"
        "--q\nContent-Type: text/calendar; charset=utf-8\n\nBEGIN:VCALENDAR\nMETHOD:REQUEST\nEND:VCALENDAR\n"
        "--q--\n");
    EXPECT_EQ(invite.messageClass, "IPM.Schedule.Meeting.Request");
    EXPECT_TRUE(invite.attachments.empty());
    // A calendar file sent as an attachment does not make the mail an invitation.
    MailMessage withIcs = ParseMimeMessage(
        "Subject: ics\nContent-Type: multipart/mixed; boundary=q\n\n--q\n\nHi\n"
        "--q\nContent-Type: text/calendar; method=REQUEST; name=invite.ics\n\nMETHOD:REQUEST\n--q--\n");
    EXPECT_EQ(withIcs.messageClass, "IPM.Note");
    ASSERT_EQ(withIcs.attachments.size(), 1u);
    EXPECT_EQ(withIcs.attachments[0].fileName, "invite.ics");
}

TEST_F(MimeReader, NamesKeptAsTheMailGivesThemEvenHostileOnes) {
    MailMessage m = Parse("php_m0027.eml");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, "1234/../../1234.txt");
    MailMessage korean = Parse("php_m0018.eml");
    ASSERT_EQ(korean.attachments.size(), 2u);
    EXPECT_EQ(korean.attachments[0].fileName, "\xEC\x82\xAC\xEC\xA7\x84.JPG");
    EXPECT_EQ(korean.attachments[0].data.substr(0, 1), "\xFF");
}

// A name in an extended parameter whose charset label is garbled: whatever converter takes the
// label, the name that comes out is still text.
TEST_F(MimeReader, GarbledCharsetLabelStillGivesValidText) {
    const std::string mail = "Subject: x\r\n"
                             "Content-Type: image/png; name*0*=utf\x85\x85-8''%E9t\xf5\xbc\x90\x91.png\r\n"
                             "\r\n"
                             "body\r\n";
    MailMessage m = ParseMimeMessage(mail);
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_TRUE(IsValidUtf8(m.attachments[0].fileName)) << m.attachments[0].fileName;
}

TEST_F(MimeReader, AttachedMessagesNestThreeDeepWithTheirOwnAttachments) {
    MailMessage m = Parse("mc2_jwz_38.eml");
    ASSERT_EQ(m.attachments.size(), 7u);
    const MailAttachment& outer = m.attachments[6];
    ASSERT_TRUE(outer.embedded);
    ASSERT_EQ(outer.embedded->attachments.size(), 1u);
    const auto& middle = outer.embedded->attachments[0].embedded;
    ASSERT_TRUE(middle);
    ASSERT_EQ(middle->attachments.size(), 1u);
    ASSERT_TRUE(middle->attachments[0].embedded);
    EXPECT_EQ(middle->attachments[0].embedded->subject, "a message with a text/plain body");
    EXPECT_EQ(middle->attachments[0].fileName, "a message with a text_plain body.msg");
    // Base64-encoded attached message (GroupWise).
    MailMessage gw = Parse("tik_testGroupWiseEml.eml");
    ASSERT_EQ(gw.attachments.size(), 2u);
    ASSERT_TRUE(gw.attachments[0].embedded);
    EXPECT_EQ(gw.attachments[0].embedded->subject, "test2");
}

TEST_F(MimeReader, AttachedMessageWithoutNameOrSubjectIsUntitled) {
    MailMessage m = ParseMimeMessage("Subject: outer\nContent-Type: multipart/mixed; boundary=z\n\n"
                                     "--z\nContent-Type: message/rfc822\n\nFrom: a@b\n\nhi\n--z--\n");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, "Untitled.msg");
    ASSERT_TRUE(m.attachments[0].embedded);
    EXPECT_EQ(m.attachments[0].embedded->sender, "a@b");
}

TEST_F(MimeReader, SenderAndRecipientsInDisplayForm) {
    MailMessage m = ParseMimeMessage("From: \"Doe, Jane\" <jane@example.com>\n"
                                     "To: =?utf-8?q?J=C3=B6rg?= <j@x>, plain@example.com,\n"
                                     " \"Last, First\" <lf@x>\nSubject: x\n\nbody");
    EXPECT_EQ(m.sender, "Doe, Jane");
    ASSERT_EQ(m.recipients.size(), 3u);
    EXPECT_EQ(m.recipients[0], "J\xC3\xB6rg");
    EXPECT_EQ(m.recipients[1], "plain@example.com");
    EXPECT_EQ(m.recipients[2], "Last, First");
}

TEST_F(MimeReader, TruncatedOrBrokenInputKeepsWhatCanBeReadAndSaysWhy) {
    MailMessage truncated = ParseMimeMessage(
        "Subject: cut\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: image/gif; "
        "name=a.gif\nContent-Transfer-Encoding: base64\n\nR0lGODlh\n--b\nContent-Type: image/gif; "
        "name=b.gif\nContent-Transfer-Encoding: base64\n\nR0lG");
    EXPECT_EQ(truncated.subject, "cut");
    ASSERT_EQ(truncated.attachments.size(), 2u);
    EXPECT_EQ(truncated.attachments[0].data, "GIF89a");
    EXPECT_EQ(truncated.attachments[1].data, "GIF");
    EXPECT_FALSE(truncated.problem.empty());

    EXPECT_FALSE(ParseMimeMessage("").problem.empty());
    EXPECT_FALSE(ParseMimeMessage(std::string("\x89PNG\r\n\x1A\n\0\0", 10)).problem.empty());
    MailMessage noBoundary = ParseMimeMessage("Subject: x\nContent-Type: multipart/mixed\n\ndata");
    EXPECT_FALSE(noBoundary.problem.empty());
    ASSERT_EQ(noBoundary.attachments.size(), 1u);
    EXPECT_EQ(noBoundary.attachments[0].data, "data");
}

// Names and subjects of the kinds Outlook gets right: RFC 2231 sections in UTF-8 (encoded and
// plain, out of order), and raw 8-bit text without charset in the system's ANSI code page.
TEST_F(MimeReader, SplitNamesAndUnlabelledEightBitTextReadAsOutlookReadsThem) {
    const std::string mail = "Subject: \xCF\xF0\xE8\xE2\xE5\xF2\n" // Привет in Windows-1251
                             "Content-Type: multipart/mixed; boundary=z\n\n"
                             "--z\nContent-Type: text/plain\n\nhi\n"
                             "--z\nContent-Type: application/pdf\nContent-Disposition: attachment;\n"
                             " filename*2=\" 2024.pdf\";\n filename*1*=%D1%82;\n"
                             " filename*0*=UTF-8''%D0%9E%D1%82%D1%87%D0%B5\n\nx\n"
                             "--z\nContent-Type: application/msword; name=\"\xCF\xF0.doc\"\n\ny\n--z--\n";
    // The ANSI code page as a Russian system has it.
    SetAnsiHook(
        [](const std::string& bytes, std::string& out) { return ConvertToUtf8("windows-1251", bytes, out); });
    MailMessage m = ParseMimeMessage(mail);
    testdata::UsePlatformCharsets();
#ifndef _WIN32
    SetAnsiHook(nullptr);
#endif
    EXPECT_EQ(m.subject, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(m.attachments[0].fileName,
              "\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82 2024.pdf"); // Отчет 2024.pdf
    EXPECT_EQ(m.attachments[1].fileName, "\xD0\x9F\xD1\x80.doc");
    // Without a platform conversion Windows-1252 is the model: nothing becomes U+FFFD.
    std::string expected = "\xC3\x8F\xC3\xB0\xC3\xA8\xC3\xA2\xC3\xA5\xC3\xB2";
#ifdef _WIN32
    ASSERT_TRUE(CodePageToUtf8(::GetACP(), "\xCF\xF0\xE8\xE2\xE5\xF2", expected));
#endif
    EXPECT_EQ(ParseMimeMessage(mail).subject, expected);
}

// A mail with attached messages nested `levels` deep, each level in a multipart of its own with
// one attachment named after the level, as mail clients forward mail.
std::string NestedForwards(int levels) {
    std::string inner = "Subject: level " + std::to_string(levels) + "\n\ninnermost\n";
    for (int level = levels - 1; level >= 0; --level) {
        std::string b = "b" + std::to_string(level);
        inner = "Subject: level " + std::to_string(level) + "\nContent-Type: multipart/mixed; boundary=" + b +
                "\n\n--" + b + "\nContent-Type: text/plain\n\nbody\n--" + b +
                "\nContent-Type: application/octet-stream; name=\"f" + std::to_string(level) + ".bin\"\n\n" +
                std::to_string(level) + "\n--" + b + "\nContent-Type: message/rfc822\n\n" + inner + "\n--" +
                b + "--\n";
    }
    return inner;
}

// The depth of the chain of first attached messages, and its innermost message.
int ChainDepth(const MailMessage& top, const MailMessage** innermost) {
    int depth = 0;
    const MailMessage* m = &top;
    for (;;) {
        const MailAttachment* next = nullptr;
        for (const MailAttachment& a : m->attachments)
            if (a.embedded && !next)
                next = &a;
        if (!next)
            break;
        m = next->embedded.get();
        ++depth;
    }
    *innermost = m;
    return depth;
}

#ifdef _WIN32
// Runs the parse on a thread with the 1 MB stack that a Windows program's main thread has.
MailMessage ParseOnDefaultStack(const std::string& bytes) {
    struct Job {
        const std::string* bytes;
        MailMessage result;
    } job{&bytes, {}};
    HANDLE thread = ::CreateThread(
        nullptr, 1u << 20,
        [](void* p) -> DWORD {
            Job* j = static_cast<Job*>(p);
            j->result = ParseMimeMessage(*j->bytes);
            return 0;
        },
        &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    EXPECT_NE(thread, nullptr);
    DWORD code = 1;
    if (thread) {
        EXPECT_EQ(::WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
        ::GetExitCodeThread(thread, &code);
        ::CloseHandle(thread);
    }
    EXPECT_EQ(code, 0u) << "the parse did not finish on a 1 MB stack";
    return job.result;
}
#else
MailMessage ParseOnDefaultStack(const std::string& bytes) {
    return ParseMimeMessage(bytes);
}
#endif

TEST_F(MimeReader, AttachedMessagesNestedAHundredDeepComeThroughWhole) {
    MailMessage top = ParseOnDefaultStack(NestedForwards(100));
    const MailMessage* m = &top;
    for (int level = 0; level < 100; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(m->subject, "level " + std::to_string(level));
        EXPECT_TRUE(m->problem.empty()) << m->problem;
        ASSERT_EQ(m->attachments.size(), 2u);
        EXPECT_EQ(m->attachments[0].fileName, "f" + std::to_string(level) + ".bin");
        EXPECT_EQ(m->attachments[0].data, std::to_string(level));
        ASSERT_TRUE(m->attachments[1].embedded);
        EXPECT_EQ(m->attachments[1].fileName, "level " + std::to_string(level + 1) + ".msg");
        m = m->attachments[1].embedded.get();
    }
    EXPECT_EQ(m->subject, "level 100");
    EXPECT_TRUE(m->attachments.empty());
}

TEST_F(MimeReader, HostileNestingIsCutOffWithoutExhaustingTheStack) {
    std::string mail;
    for (int i = 0; i < 5000; ++i)
        mail += "Content-Type: multipart/mixed; boundary=" + std::to_string(i) + "\n\n--" +
                std::to_string(i) + "\n";
    MailMessage deep = ParseOnDefaultStack(mail);
    EXPECT_NE(deep.problem.find("nested too deeply"), std::string::npos) << deep.problem;

    // Messages directly in messages, and messages in multiparts: cut far below the chain's
    // end and far beyond what real mail nests, visibly where it happens.
    std::string messages;
    for (int i = 0; i < 5000; ++i)
        messages += "Subject: level\nContent-Type: message/rfc822\n\n";
    for (const std::string& hostile : {messages, NestedForwards(1500)}) {
        MailMessage nested = ParseOnDefaultStack(hostile);
        const MailMessage* innermost = nullptr;
        int depth = ChainDepth(nested, &innermost);
        EXPECT_GE(depth, 300);
        EXPECT_LT(depth, 1500);
        EXPECT_NE(innermost->problem.find("nested too deeply"), std::string::npos) << innermost->problem;
    }
}

// A chain of attached messages that each transfer encoding leaves the same size would otherwise
// hold one decoded copy per level.
TEST_F(MimeReader, EncodedMessageChainsCannotExhaustMemory) {
    std::string mail;
    for (int i = 0; i < 100; ++i)
        mail +=
            "Subject: level\nContent-Type: message/rfc822\nContent-Transfer-Encoding: quoted-printable\n\n";
    mail += "Subject: last\n\n" + std::string(8 << 20, 'x') + "\n";
    MailMessage m = ParseMimeMessage(mail);
    const MailMessage* innermost = nullptr;
    int depth = ChainDepth(m, &innermost);
    EXPECT_LT(depth, 100);
    EXPECT_NE(innermost->problem.find("too large"), std::string::npos) << innermost->problem;
}

} // namespace
