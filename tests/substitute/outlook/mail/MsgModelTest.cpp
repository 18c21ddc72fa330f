// The .msg reader over the pure compound-file reader, in both builds.
#include "Charset.h"
#include "ManifestCheck.h"
#include "MsgModel.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MsgModelTest, EveryTestMsgMatchesItsManifestEntry) {
    testdata::UsePlatformCharsets();
    auto entries = manifest::Load(testdata::MsgPath("MANIFEST.tsv"));
    ASSERT_GE(entries.size(), 50u);
    for (const auto& entry : entries) {
        if (entry.second.find("corrupted") != std::string::npos)
            continue;
        const std::string bytes = manifest::ReadFile(testdata::MsgPath(entry.first));
        if (!HasCompoundFileSignature(bytes))
            continue; // read as MIME by the mail store
        MailMessage message = ReadMsgCompoundBytes(bytes);
        manifest::CheckMessage(message, entry.second, entry.first); // non-Unicode files included
    }
}

TEST(MsgModelTest, DamagedFilesKeepWhatCanBeReadAndSayWhatWentWrong) {
    testdata::UsePlatformCharsets();
    MailMessage fuzzed = ReadMsgCompoundBytes(manifest::ReadFile(
        testdata::MsgPath("poi_clusterfuzz-testcase-minimized-POIHSMFFuzzer-4735011465854976.msg")));
    EXPECT_EQ(fuzzed.subject, "test pi\xC3\xA8"
                              "ce jointe 1");
    EXPECT_FALSE(fuzzed.problem.empty());
    EXPECT_EQ(fuzzed.attachments.size(), 2u);

    const std::string bytes = manifest::ReadFile(testdata::MsgPath("hht_msgInMsgInMsg.msg"));
    ASSERT_GT(bytes.size(), 4096u);
    for (size_t cut : {size_t(8), size_t(511), size_t(1536), bytes.size() / 2, bytes.size() - 512}) {
        MailMessage part = ReadMsgCompoundBytes(bytes.substr(0, cut));
        EXPECT_FALSE(part.problem.empty()) << "cut at " << cut;
    }
    // Every sector's first bytes flipped in turn: header, tables, directory, streams.
    for (size_t at = 0; at < bytes.size(); at += 509) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        damaged[at + 1 < bytes.size() ? at + 1 : at] = '\xFF';
        ReadMsgCompoundBytes(damaged);
    }
    EXPECT_NE(ReadMsgCompoundBytes("not a compound file").problem.find("compound"), std::string::npos);
}

// A directory whose sibling links loop, and a sector chain that loops: read in bounded time.
TEST(MsgModelTest, LoopingTreesAndChainsEndTheWalk) {
    std::string bytes = manifest::ReadFile(testdata::MsgPath("hht_msgInMsgInMsg.msg"));
    ASSERT_GT(bytes.size(), 4096u);
    auto le32 = [&](size_t at) {
        return static_cast<uint32_t>(
            static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8) |
            (static_cast<unsigned char>(bytes[at + 2]) << 16) |
            (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24));
    };
    auto put32 = [](std::string& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const size_t sectorSize = size_t(1) << (static_cast<unsigned char>(bytes[30]));
    const uint32_t directorySector = le32(48);
    const size_t directory = (directorySector + 1) * sectorSize;
    // Every entry of the first directory sector points left and right at the root's child.
    std::string looped = bytes;
    const uint32_t child = le32(directory + 76);
    for (size_t e = 1; e < sectorSize / 128; ++e) {
        put32(looped, directory + e * 128 + 68, child);
        put32(looped, directory + e * 128 + 72, static_cast<uint32_t>(e));
    }
    ReadMsgCompoundBytes(looped);
    // The first FAT sector chains every sector to itself.
    std::string chained = bytes;
    const size_t fat = (le32(76) + 1) * sectorSize;
    for (size_t i = 0; i < sectorSize / 4; ++i)
        put32(chained, fat + 4 * i, static_cast<uint32_t>(i));
    MailMessage m = ReadMsgCompoundBytes(chained);
    EXPECT_FALSE(m.problem.empty());
}

} // namespace
