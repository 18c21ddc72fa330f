#include "CharsetWin32.h"
#include "ComPtr.h"
#include "MailStore.h"
#include "ManifestCheck.h"
#include "TestData.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring OutDir() {
    std::wstring dir = Wide(VARO_TEST_BINARY_DIR) + L"\\mail-store-test";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\";
}

// The model of a written and re-read message equals the original, at every depth.
void ExpectSameMessage(const MailMessage& a, const MailMessage& b, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(a.subject, b.subject);
    EXPECT_EQ(a.messageClass.empty() ? "IPM.Note" : a.messageClass, b.messageClass);
    EXPECT_EQ(a.sender, b.sender);
    EXPECT_EQ(a.recipients, b.recipients);
    EXPECT_TRUE(b.problem.empty()) << b.problem;
    ASSERT_EQ(a.attachments.size(), b.attachments.size());
    for (size_t i = 0; i < a.attachments.size(); ++i) {
        const MailAttachment& x = a.attachments[i];
        const MailAttachment& y = b.attachments[i];
        EXPECT_EQ(x.fileName, y.fileName);
        EXPECT_TRUE(x.data == y.data) << x.fileName << ": " << x.data.size() << " vs " << y.data.size();
        ASSERT_EQ(static_cast<bool>(x.embedded), static_cast<bool>(y.embedded)) << x.fileName;
        if (x.embedded)
            ExpectSameMessage(*x.embedded, *y.embedded, where + " > " + x.fileName);
    }
}

// Two readers' models of one file: equal in every field, problems included.
void ExpectSameModel(const MailMessage& a, const MailMessage& b, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(a.subject, b.subject);
    EXPECT_EQ(a.messageClass, b.messageClass);
    EXPECT_EQ(a.sender, b.sender);
    EXPECT_EQ(a.recipients, b.recipients);
    EXPECT_EQ(a.problem, b.problem);
    ASSERT_EQ(a.attachments.size(), b.attachments.size());
    for (size_t i = 0; i < a.attachments.size(); ++i) {
        const MailAttachment& x = a.attachments[i];
        const MailAttachment& y = b.attachments[i];
        EXPECT_EQ(x.fileName, y.fileName);
        const bool oleCopy = y.data.empty() && HasCompoundFileSignature(x.data);
        EXPECT_TRUE(oleCopy || x.data == y.data)
            << x.fileName << ": " << x.data.size() << " vs " << y.data.size();
        ASSERT_EQ(static_cast<bool>(x.embedded), static_cast<bool>(y.embedded)) << x.fileName;
        if (x.embedded)
            ExpectSameModel(*x.embedded, *y.embedded, where + " > " + x.fileName);
    }
}

std::string Narrow(const std::wstring& path) {
    return std::string(path.begin(), path.end());
}

class MailStore : public ::testing::Test {
protected:
    void SetUp() override { ::CoInitialize(nullptr); }
    void TearDown() override { ::CoUninitialize(); }
};

TEST_F(MailStore, EveryTestMsgMatchesItsManifestEntry) {
    auto entries = manifest::Load(testdata::MsgPath("MANIFEST.tsv"));
    ASSERT_GE(entries.size(), 50u);
    for (const auto& entry : entries) {
        // The fuzzed file's names are whatever one reader made of its damage; the damage test
        // below checks what can be relied on.
        if (entry.second.find("corrupted") != std::string::npos)
            continue;
        MailMessage message = LoadMailFile(Wide(testdata::MsgPath(entry.first)));
        manifest::CheckMessage(message, entry.second, entry.first);
        EXPECT_FALSE(message.messageClass.empty()) << entry.first;
    }
}

TEST_F(MailStore, EmlFilesAreChosenByContentAndReadAsMime) {
    auto entries = manifest::Load(testdata::EmlPath("MANIFEST.tsv"));
    for (const auto& entry : entries) {
        MailMessage viaStore = LoadMailFile(Wide(testdata::EmlPath(entry.first)));
        manifest::CheckMessage(viaStore, entry.second, entry.first);
    }
    // A .msg file that is no compound file is served with a problem, never dropped.
    MailMessage png = LoadMailFile(Wide(testdata::MsgPath("oxm_not-a-MSG-file.msg")));
    EXPECT_NE(png.problem.find("compound"), std::string::npos) << png.problem;
    EXPECT_EQ(png.messageClass, "IPM.Note");
    EXPECT_FALSE(ReadMsgFile(Wide(testdata::EmlPath("zba_m0011.eml"))).problem.empty());
    EXPECT_FALSE(LoadMailFile(L"Z:\\no\\such\\file.msg").problem.empty());
}

TEST_F(MailStore, DamagedMsgKeepsItsReadablePartsAndSaysWhatWentWrong) {
    MailMessage fuzzed = LoadMailFile(
        Wide(testdata::MsgPath("poi_clusterfuzz-testcase-minimized-POIHSMFFuzzer-4735011465854976.msg")));
    EXPECT_EQ(fuzzed.subject, "test pi\xC3\xA8"
                              "ce jointe 1");
    EXPECT_FALSE(fuzzed.problem.empty());
    ASSERT_EQ(fuzzed.attachments.size(), 2u);
    EXPECT_EQ(fuzzed.attachments[1].data.size(), 89u);
    // The same file cut short at several points: never a crash, always a problem or a model.
    std::string bytes = manifest::ReadFile(testdata::MsgPath("hht_msgInMsgInMsg.msg"));
    ASSERT_GT(bytes.size(), 4096u);
    for (size_t cut : {size_t(8), size_t(512), size_t(1536), bytes.size() / 2, bytes.size() - 512}) {
        MailMessage part = ReadMsgBytes(bytes.substr(0, cut));
        EXPECT_FALSE(part.problem.empty()) << "cut at " << cut;
    }
    // Bytes flipped inside the directory and property streams.
    for (size_t at = 512; at < bytes.size(); at += 997) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        ReadMsgBytes(damaged);
    }
}

TEST_F(MailStore, FilesAreReadSharedAndNeverHeldOrChanged) {
    const std::wstring path = OutDir() + L"shared.msg";
    ASSERT_TRUE(::CopyFileW(Wide(testdata::MsgPath("hht_msgInMsg.msg")).c_str(), path.c_str(), FALSE));
    WIN32_FILE_ATTRIBUTE_DATA before = {}, after = {};
    ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &before));
    {
        // Another reader holds the file open: loading still works.
        HANDLE other =
            ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(LoadMailFile(path).attachments.size(), 2u);
        ::CloseHandle(other);
    }
    // Nothing stays open: the file can be opened exclusively right after.
    HANDLE exclusive =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    ::CloseHandle(exclusive);
    ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(::CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
    EXPECT_EQ(manifest::ReadFile(testdata::MsgPath("hht_msgInMsg.msg")),
              manifest::ReadFile(std::string(path.begin(), path.end())));
}

TEST_F(MailStore, EveryTestMailSurvivesWritingAsMsgAndReadingBack) {
    for (const char* folder : {"msg", "eml"}) {
        bool isMsg = std::string(folder) == "msg";
        auto entries =
            manifest::Load(isMsg ? testdata::MsgPath("MANIFEST.tsv") : testdata::EmlPath("MANIFEST.tsv"));
        for (const auto& entry : entries) {
            MailMessage original =
                LoadMailFile(Wide(isMsg ? testdata::MsgPath(entry.first) : testdata::EmlPath(entry.first)));
            const std::wstring out = OutDir() + L"roundtrip.msg";
            ASSERT_EQ(WriteMsgFile(out, original), S_OK) << entry.first;
            MailMessage copy = ReadMsgFile(out);
            original.problem.clear(); // a damaged source is written without its damage
            ExpectSameMessage(original, copy, entry.first);
        }
    }
}

// A hand-made message: names in several scripts, every byte value, an empty file and messages
// nested three deep, each with attachments of its own.
MailMessage NestedSample() {
    auto level3 = std::make_shared<MailMessage>();
    level3->subject = "Level 3 \xE2\x80\x93 \xE6\xB5\x8B\xE8\xAF\x95";
    level3->messageClass = "IPM.Note";
    level3->attachments.push_back({"deep.bin", std::string("\0\1\2\xFF", 4), nullptr});
    auto level2 = std::make_shared<MailMessage>();
    level2->subject = "Level 2";
    level2->messageClass = "IPM.Note.Custom";
    level2->sender = "J\xC3\xB6rg";
    level2->attachments.push_back({"Level 3.msg", std::string(), level3});
    level2->attachments.push_back({"empty.txt", std::string(), nullptr});
    MailMessage top;
    top.subject = "Top \xF0\x9F\x8E\x89";
    top.messageClass = "IPM.Note";
    top.sender = "Sender Name";
    top.recipients = {"A", "B \xD0\x9F"};
    std::string all;
    for (int i = 0; i < 256 * 20; ++i)
        all += static_cast<char>(i);
    top.attachments.push_back({"\xE5\x89\x91\xE6\x9D\xA5.jpg", all, nullptr});
    top.attachments.push_back({"Level 2.msg", std::string(), level2});
    top.attachments.push_back({"1234/../../1234.txt", "x", nullptr});
    return top;
}

TEST_F(MailStore, NestedMessagesRoundTripAndSaveStandaloneAtEveryDepth) {
    MailMessage top = NestedSample();
    const std::wstring path = OutDir() + L"nested.msg";
    ASSERT_EQ(WriteMsgFile(path, top), S_OK);
    MailMessage back = LoadMailFile(path);
    ExpectSameMessage(top, back, "top");
    // What SaveAsFile does with an attached message: write it as a file of its own, which
    // then opens with its own attachments.
    const MailMessage& level2 = *back.attachments[1].embedded;
    const std::wstring level2Path = OutDir() + L"level2.msg";
    ASSERT_EQ(WriteMsgFile(level2Path, level2), S_OK);
    MailMessage level2Back = LoadMailFile(level2Path);
    ExpectSameMessage(level2, level2Back, "level 2 alone");
    const std::wstring level3Path = OutDir() + L"level3.msg";
    ASSERT_EQ(WriteMsgFile(level3Path, *level2Back.attachments[0].embedded), S_OK);
    MailMessage level3Back = LoadMailFile(level3Path);
    EXPECT_EQ(level3Back.subject, "Level 3 \xE2\x80\x93 \xE6\xB5\x8B\xE8\xAF\x95");
    ASSERT_EQ(level3Back.attachments.size(), 1u);
    EXPECT_EQ(level3Back.attachments[0].data, std::string("\0\1\2\xFF", 4));
    // Writing again over an existing file replaces it.
    ASSERT_EQ(WriteMsgFile(level2Path, *level2Back.attachments[0].embedded), S_OK);
    EXPECT_EQ(LoadMailFile(level2Path).subject, level3Back.subject);
}

constexpr DWORD kCreate = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// Builds .msg structures by hand, as older Outlook versions wrote them.
class HandMadeMsg {
public:
    explicit HandMadeMsg(IStorage* storage) : m_storage(storage) {}
    void Stream(const wchar_t* name, const std::string& bytes) {
        ComPtr<IStream> stream;
        ASSERT_EQ(m_storage->CreateStream(name, kCreate, 0, 0, stream.ReleaseAndGetAddressOf()), S_OK);
        ULONG written = 0;
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    }
    // Property stream: header of headerSize zero bytes, then (tag, long value) entries.
    void Properties(size_t headerSize, std::initializer_list<std::pair<uint32_t, uint32_t>> longs) {
        std::string bytes(headerSize, '\0');
        for (const auto& p : longs) {
            for (uint32_t v : {p.first, 6u, p.second, 0u})
                for (int i = 0; i < 4; ++i)
                    bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        Stream(L"__properties_version1.0", bytes);
    }

private:
    IStorage* m_storage;
};

TEST_F(MailStore, EightBitPropertiesFollowTheMessageCodePageAndNamesFallBack) {
    const std::wstring path = OutDir() + L"ansi.msg";
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(::StgCreateDocfile(path.c_str(), kCreate, 0, root.ReleaseAndGetAddressOf()), S_OK);
        HandMadeMsg msg(root.Get());
        msg.Properties(32, {{0x3FFD0003, 1251}});
        msg.Stream(L"__substg1.0_001A001E", std::string("IPM.Note\0", 9));
        msg.Stream(L"__substg1.0_0037001E", "\xCF\xF0\xE8\xE2\xE5\xF2"); // Привет
        const wchar_t* names[] = {L"__attach_version1.0_#00000000", L"__attach_version1.0_#00000001",
                                  L"__attach_version1.0_#0000000A"};
        for (int i = 0; i < 3; ++i) {
            ComPtr<IStorage> att;
            ASSERT_EQ(root->CreateStorage(names[i], kCreate, 0, 0, att.ReleaseAndGetAddressOf()), S_OK);
            HandMadeMsg a(att.Get());
            a.Properties(8, {});
            a.Stream(L"__substg1.0_37010102", std::string(static_cast<size_t>(i + 1), 'x'));
            if (i == 0)
                a.Stream(L"__substg1.0_3704001E", "\xC4\xCE\xCA.TXT"); // 8.3 name only: ДОК.TXT
            if (i == 1)
                a.Stream(L"__substg1.0_370E001E", "image/png; name=x");
            att->Commit(STGC_DEFAULT);
        }
        root->Commit(STGC_DEFAULT);
    }
    MailMessage m = LoadMailFile(path);
    EXPECT_EQ(m.subject, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_EQ(m.messageClass, "IPM.Note");
    ASSERT_EQ(m.attachments.size(), 3u);
    EXPECT_EQ(m.attachments[0].fileName, "\xD0\x94\xD0\x9E\xD0\x9A.TXT");
    EXPECT_EQ(m.attachments[0].data, "x");
    EXPECT_EQ(m.attachments[1].fileName, "ATT00001.png");
    EXPECT_EQ(m.attachments[2].fileName, "ATT00002.bin");
    EXPECT_EQ(m.attachments[2].data, "xxx"); // storages in number order, #A after #1
}

// Each object's 8-bit strings in its own code page: the message's (either property), an
// attachment's where it names one, else the system's ANSI code page.
TEST_F(MailStore, EightBitNamesUseTheirOwnCodePageBeforeTheSystems) {
    const std::wstring path = OutDir() + L"codepages.msg";
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(::StgCreateDocfile(path.c_str(), kCreate, 0, root.ReleaseAndGetAddressOf()), S_OK);
        HandMadeMsg msg(root.Get());
        msg.Properties(32, {{0x3FDE0003, 1253}});                // Internet code page only: Greek
        msg.Stream(L"__substg1.0_0037001E", "\xE3\xE5\xE9\xDC"); // γειά
        for (int i = 0; i < 3; ++i) {
            wchar_t name[40];
            std::swprintf(name, 40, L"__attach_version1.0_#%08X", i);
            ComPtr<IStorage> att;
            ASSERT_EQ(root->CreateStorage(name, kCreate, 0, 0, att.ReleaseAndGetAddressOf()), S_OK);
            HandMadeMsg a(att.Get());
            if (i == 0) { // the message's code page
                a.Properties(8, {{0x37050003, 1}});
                a.Stream(L"__substg1.0_3707001E", "\xE1.txt"); // α.txt
            } else if (i == 1) {                               // its own: Shift_JIS
                a.Properties(8, {{0x37050003, 1}, {0x3FFD0003, 932}});
                a.Stream(L"__substg1.0_3707001E", "\x83\x65\x83\x58\x83\x67.txt"); // テスト.txt
            } else { // an attached message without code page: the system's
                a.Properties(8, {{0x37050003, 5}});
                a.Stream(L"__substg1.0_3001001E", "inner");
                ComPtr<IStorage> inner;
                ASSERT_EQ(att->CreateStorage(L"__substg1.0_3701000D", kCreate, 0, 0,
                                             inner.ReleaseAndGetAddressOf()),
                          S_OK);
                HandMadeMsg m(inner.Get());
                m.Properties(24, {});
                m.Stream(L"__substg1.0_0037001E", "caf\xE9 \x80");
                inner->Commit(STGC_DEFAULT);
            }
            att->Commit(STGC_DEFAULT);
        }
        root->Commit(STGC_DEFAULT);
    }
    std::string ansi;
    ASSERT_TRUE(CodePageToUtf8(::GetACP(), "caf\xE9 \x80", ansi));
    const std::string bytes = manifest::ReadFile(Narrow(path));
    for (const MailMessage& m : {LoadMailFile(path), ReadMsgCompoundBytes(bytes)}) {
        EXPECT_EQ(m.subject, "\xCE\xB3\xCE\xB5\xCE\xB9\xCE\xAC");
        ASSERT_EQ(m.attachments.size(), 3u);
        EXPECT_EQ(m.attachments[0].fileName, "\xCE\xB1.txt");
        EXPECT_EQ(m.attachments[1].fileName, "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.txt");
        ASSERT_TRUE(m.attachments[2].embedded);
        EXPECT_EQ(m.attachments[2].embedded->subject, ansi);
    }
}

// The pure compound-file reader gives the model that structured storage gives, on every .msg
// of the test data (an OLE object's bytes are a copy that only structured storage can make).
TEST_F(MailStore, PureCompoundFileReaderGivesTheSameModelAsStructuredStorage) {
    auto entries = manifest::Load(testdata::MsgPath("MANIFEST.tsv"));
    int compared = 0;
    for (const auto& entry : entries) {
        const std::string bytes = manifest::ReadFile(testdata::MsgPath(entry.first));
        if (!HasCompoundFileSignature(bytes))
            continue;
        MailMessage windows = ReadMsgBytes(bytes);
        MailMessage pure = ReadMsgCompoundBytes(bytes);
        // What a damaged file still gives depends on each reader's way of reading past the damage.
        if (!windows.problem.empty())
            EXPECT_FALSE(pure.problem.empty()) << entry.first;
        else
            ExpectSameModel(windows, pure, entry.first);
        ++compared;
    }
    EXPECT_GE(compared, 50);
    const MailMessage nested = NestedSample();
    const std::wstring path = OutDir() + L"compare.msg";
    ASSERT_EQ(WriteMsgFile(path, nested), S_OK);
    const std::string bytes = manifest::ReadFile(Narrow(path));
    ExpectSameModel(ReadMsgBytes(bytes), ReadMsgCompoundBytes(bytes), "written");
}

// Attached messages nested `levels` deep, each level with one file of its own.
MailMessage NestedChain(int levels) {
    MailMessage top;
    top.subject = "level 0";
    MailMessage* current = &top;
    for (int level = 1; level <= levels; ++level) {
        current->attachments.push_back(
            {"f" + std::to_string(level - 1) + ".bin", std::to_string(level), nullptr});
        auto inner = std::make_shared<MailMessage>();
        inner->subject = "level " + std::to_string(level);
        current->attachments.push_back({inner->subject + ".msg", std::string(), inner});
        current = inner.get();
    }
    return top;
}

int ChainDepth(const MailMessage& top, const MailMessage** innermost) {
    const MailMessage* m = &top;
    int depth = 0;
    while (!m->attachments.empty() && m->attachments.back().embedded) {
        m = m->attachments.back().embedded.get();
        ++depth;
    }
    *innermost = m;
    return depth;
}

// Runs fn on a thread with the 1 MB stack that a Windows program's main thread has.
template <typename Fn> void OnDefaultStack(Fn fn) {
    HANDLE thread = ::CreateThread(
        nullptr, 1u << 20,
        [](void* p) -> DWORD {
            ::CoInitialize(nullptr);
            (*static_cast<Fn*>(p))();
            ::CoUninitialize();
            return 0;
        },
        &fn, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(::WaitForSingleObject(thread, 300000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    EXPECT_EQ(code, 0u) << "did not finish on a 1 MB stack";
}

// As the stand-in serves it: each level read back whole, and the attached message of each level
// saved on its own (as SaveAsFile does) opens as the next level (as CreateItemFromTemplate does).
TEST_F(MailStore, AttachedMessagesNestedAHundredDeepWriteAndReadBackWhole) {
    const MailMessage top = NestedChain(100);
    const std::wstring path = OutDir() + L"hundred.msg";
    MailMessage back;
    OnDefaultStack([&] {
        ASSERT_EQ(WriteMsgFile(path, top), S_OK);
        back = LoadMailFile(path);
    });
    ExpectSameMessage(top, back, "whole");
    MailMessage level = back;
    for (int depth = 0; depth < 100; ++depth) {
        SCOPED_TRACE(depth);
        ASSERT_EQ(level.attachments.size(), 2u);
        EXPECT_EQ(level.attachments[0].data, std::to_string(depth + 1));
        ASSERT_TRUE(level.attachments[1].embedded);
        const std::wstring saved = OutDir() + L"level.msg";
        ASSERT_EQ(WriteMsgFile(saved, *level.attachments[1].embedded), S_OK);
        MailMessage next = LoadMailFile(saved);
        EXPECT_EQ(next.subject, "level " + std::to_string(depth + 1));
        EXPECT_TRUE(next.problem.empty()) << next.problem;
        level = next;
    }
    EXPECT_TRUE(level.attachments.empty());
}

TEST_F(MailStore, MessagesNestedBeyondTheReadingLimitAreCutOffVisibly) {
    const MailMessage top = NestedChain(500);
    const std::wstring path = OutDir() + L"deep.msg";
    MailMessage back;
    OnDefaultStack([&] {
        ASSERT_EQ(WriteMsgFile(path, top), S_OK);
        back = LoadMailFile(path);
    });
    const MailMessage* innermost = nullptr;
    int depth = ChainDepth(back, &innermost);
    EXPECT_GE(depth, 300);
    EXPECT_LT(depth, 500);
    EXPECT_NE(innermost->problem.find("nested too deeply"), std::string::npos) << innermost->problem;
}

TEST_F(MailStore, WritingFailsWithAnErrorForAnUnwritablePath) {
    EXPECT_TRUE(FAILED(WriteMsgFile(L"Z:\\no\\such\\folder\\x.msg", NestedSample())));
    EXPECT_EQ(WriteMsgStorage(nullptr, NestedSample()), E_POINTER);
}

} // namespace
