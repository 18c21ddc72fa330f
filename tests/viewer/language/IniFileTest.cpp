// The INI store: file format as read and written, lookups, changes and failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "IniFile.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
#ifdef _WIN32
const char kSeparator = '\\';
#else
const char kSeparator = '/';
#endif

// Gives the tests a view of the store itself.
class IniProbe : public CIniFile {
public:
    using CIniFile::m_arrSectionNames;
    using CIniFile::m_arrSections;
    using CIniFile::m_strFileName;
};

std::string TestFile(const std::string& leaf) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(VARO_TEST_BINARY_DIR) + kSeparator + "ini-" + info->name() + "-" + leaf;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

IniProbe LoadText(const std::string& bytes, bool* loaded = nullptr) {
    std::string path = TestFile("in.ini");
    WriteBytes(path, bytes);
    IniProbe ini;
    ini.SetFileName(path);
    bool ok = ini.Load();
    if (loaded)
        *loaded = ok;
    std::remove(path.c_str());
    return ini;
}

std::string SaveText(IniProbe& ini) {
    std::string path = TestFile("out.ini");
    ini.SetFileName(path);
    ini.Save();
    std::string bytes = ReadBytes(path);
    std::remove(path.c_str());
    return bytes;
}
} // namespace

TEST(IniFile, SectionHeadersTrimOnlyBracketsAndShareTheDefaultSection) {
    IniProbe ini = LoadText("top=1\r\n"
                            "[[Main]]\r\n"
                            "a=2\r\n"
                            "[]\r\n"
                            "more=3\r\n"
                            "[ Spaced ]\r\n"
                            "b=4\r\n"
                            "[]x]\r\n"
                            "c=5\r\n");
    ASSERT_EQ(ini.m_arrSectionNames, (std::vector<std::string>{"", "Main", " Spaced ", "]x"}));
    EXPECT_EQ(ini.m_arrSections.size(), ini.m_arrSectionNames.size());
    EXPECT_EQ(ini.Lookup("", "top"), "1");
    EXPECT_EQ(ini.Lookup("", "more"), "3");
    EXPECT_EQ(ini.Lookup("Main", "a"), "2");
    EXPECT_EQ(ini.Lookup(" Spaced ", "b"), "4");
    EXPECT_EQ(ini.Lookup("]x", "c"), "5");
    EXPECT_EQ(ini.FindSection("main"), -1) << "names are case-sensitive";
    EXPECT_EQ(ini.FindSection("Spaced"), -1);
}

TEST(IniFile, EntriesKeepBlanksAndSplitAtTheFirstEqualsSign) {
    IniProbe ini = LoadText("[S]\r\n"
                            "XMLEncoding = BIG5 \r\n"
                            "url=a=b==c\r\n"
                            "=empty name\r\n"
                            "no equals sign here\r\n"
                            "last=no line end");
    EXPECT_EQ(ini.Lookup("S", "XMLEncoding "), " BIG5 ");
    EXPECT_EQ(ini.m_strLastError, "");
    EXPECT_EQ(ini.Lookup("S", "XMLEncoding"), "");
    EXPECT_EQ(ini.m_strLastError, "Unable to locate specified value.");
    EXPECT_EQ(ini.Lookup("S", "url"), "a=b==c");
    EXPECT_EQ(ini.Lookup("S", ""), "empty name");
    EXPECT_EQ(ini.Lookup("S", "last"), "no line end");
    EXPECT_EQ(ini.FindEntry(0, "no equals sign here"), -1);
    EXPECT_EQ(ini.m_arrSections[0].m_arrNames.size(), 4u);
}

TEST(IniFile, ReadsLikeWindowsTextMode) {
    // CR LF is one line end, a lone CR or LF stays data or ends a line as it would there, and
    // Ctrl-Z ends the file.
    IniProbe ini = LoadText("[S]\r\n"
                            "crlf=1\r\n"
                            "lf=2\n"
                            "cr=3\r\r\n"
                            "mid=a\rb\r\n"
                            "stop=4\x1a"
                            "hidden=5\r\n");
    EXPECT_EQ(ini.Lookup("S", "crlf"), "1");
    EXPECT_EQ(ini.Lookup("S", "lf"), "2");
    EXPECT_EQ(ini.Lookup("S", "cr"), "3\r");
    EXPECT_EQ(ini.Lookup("S", "mid"), "a\rb");
    EXPECT_EQ(ini.Lookup("S", "stop"), "4");
    EXPECT_EQ(ini.FindEntry(0, "hidden"), -1);
}

TEST(IniFile, RepeatedNamesAndSectionsMergeInFirstSeenOrder) {
    IniProbe ini = LoadText("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n[A]\r\nw=4\r\nx=5\r\n[Empty]\r\n\r\n");
    EXPECT_EQ(ini.m_arrSectionNames, (std::vector<std::string>{"A", "B"}))
        << "a header without entries makes no section";
    EXPECT_EQ(ini.m_arrSections[0].m_arrNames, (std::vector<std::string>{"x", "y", "w"}));
    EXPECT_EQ(ini.m_arrSections[0].m_arrValues, (std::vector<std::string>{"5", "2", "4"}));
    EXPECT_EQ(SaveText(ini), "[A]\r\nx=5\r\ny=2\r\nw=4\r\n\r\n[B]\r\nz=3\r\n\r\n");
}

TEST(IniFile, LineLimitIs2047Characters) {
    std::string longest(2047 - 2, 'v');
    std::string tooLong(2048 - 2, 'v');
    bool loaded = false;
    IniProbe ini = LoadText("[S]\r\na=" + longest + "\r\nb=" + tooLong + "\r\nc=after\r\n", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(ini.Lookup("S", "a"), longest);
    EXPECT_EQ(ini.FindEntry(0, "b"), -1);
    EXPECT_EQ(ini.FindEntry(0, "c"), -1) << "the load ends at the long line";

    IniProbe last = LoadText("[S]\r\nk=" + longest, &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(last.Lookup("S", "k"), longest) << "a full-length last line without line end";
}

TEST(IniFile, MissingFileAndUnopenableFile) {
    IniProbe ini;
    ini.Store("S", "kept", "1");
    ini.SetFileName(TestFile("does-not-exist.ini"));
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.m_strLastError, "");
    EXPECT_EQ(ini.Lookup("S", "kept"), "1");

    // A folder exists but is no file to read.
    ini.SetFileName(VARO_TEST_BINARY_DIR);
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.m_strLastError, "Unable to open ini file.");
    ini.Save(); // silent, and leaves the folder alone
    EXPECT_EQ(ini.Lookup("S", "kept"), "1");
}

TEST(IniFile, LookupErrorsAndStoreRefusals) {
    IniProbe ini;
    EXPECT_EQ(ini.Lookup("Program Setup", "XMLEncoding"), "");
    EXPECT_EQ(ini.m_strLastError, "Unable to locate specified key.");
    EXPECT_FALSE(ini.Store("Program Setup", "XMLEncoding", "UTF-8", false));
    EXPECT_TRUE(ini.m_arrSectionNames.empty());

    EXPECT_TRUE(ini.Store("Program Setup", "XMLEncoding", "UTF-8"));
    EXPECT_FALSE(ini.Store("Program Setup", "Other", "x", false));
    EXPECT_EQ(ini.m_arrSections[0].m_arrNames.size(), 1u);
    EXPECT_TRUE(ini.Store("Program Setup", "XMLEncoding", "BIG5", false));
    EXPECT_EQ(ini.Lookup("Program Setup", "XMLEncoding"), "BIG5");
    EXPECT_EQ(ini.m_strLastError, "Unable to locate specified key.") << "a hit leaves the error text";

    EXPECT_EQ(ini.FindEntry(-1, "XMLEncoding"), -1);
    EXPECT_EQ(ini.FindEntry(5, "XMLEncoding"), -1);
}

TEST(IniFile, SaveWritesCrLfLinesSkipsEmptySectionsAndReadsBack) {
    IniProbe ini;
    ini.Store("", "top", "0");
    ini.Store("Main", "Language", "1031");
    ini.Store("Main", "Path", "C:\\a=b\r");
    ini.m_arrSectionNames.push_back("Unused");
    ini.m_arrSections.emplace_back();
    std::string path = TestFile("saved.ini");
    WriteBytes(path, std::string(100, 'x')); // replaced, not appended to
    ini.SetFileName(path);
    ini.Save();
    EXPECT_EQ(ReadBytes(path), "[]\r\ntop=0\r\n\r\n[Main]\r\nLanguage=1031\r\nPath=C:\\a=b\r\r\n\r\n");

    IniProbe back;
    back.SetFileName(path);
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(back.m_arrSectionNames, (std::vector<std::string>{"", "Main"}));
    EXPECT_EQ(back.Lookup("Main", "Path"), "C:\\a=b\r");
    EXPECT_EQ(back.Lookup("", "top"), "0");
    std::remove(path.c_str());
}

#ifdef _WIN32
TEST(IniFile, SharesTheFileWithOtherWriters) {
    std::string path = TestFile("shared.ini");
    WriteBytes(path, "[S]\r\nk=v\r\n");
    // Another process holds the file open for writing and lets others read and write.
    HANDLE other =
        ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    IniProbe ini;
    ini.SetFileName(path);
    EXPECT_TRUE(ini.Load());
    EXPECT_EQ(ini.Lookup("S", "k"), "v");
    ::CloseHandle(other);

    // One that shares nothing makes the file unopenable.
    HANDLE exclusive =
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    IniProbe locked;
    locked.SetFileName(path);
    EXPECT_FALSE(locked.Load());
    EXPECT_EQ(locked.m_strLastError, "Unable to open ini file.");
    ::CloseHandle(exclusive);
    std::remove(path.c_str());
}
#endif
