#include "CaptureTestSupport.h"

#include "UniqueHandle.h"

#include <algorithm>
#include <fstream>
#include <iterator>

const char kSelectMail[] = "Please Select a Corresponding Mail in Outlook for Viewing Images!";
const char kLaunchOutlook[] = "Please Launch the Outlook First!";

namespace {
// A class that only these tests put into the running-object table; one per test process, since
// test programs run side by side and share the table.
CLSID TestOutlookClass() {
    CLSID clsid = {0x5d1c7a52, 0x2b8e, 0x4f3a, {0x9c, 0x61, 0x0e, 0x47, 0xd2, 0x83, 0x19, 0xa4}};
    clsid.Data1 ^= ::GetCurrentProcessId();
    return clsid;
}

std::string Env(const char* name) {
    char buffer[MAX_PATH * 2] = {};
    DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n ? buffer : "";
}
// Empties and removes a folder of an earlier or finished test.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
    if (find) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\");
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryA(folder.c_str());
}
} // namespace

HRESULT RecordingCapture::FindOutlookClass(CLSID* clsid) {
    *clsid = TestOutlookClass();
    return classLookup;
}

void CaptureTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    m_savedTmp = Env("TMP");
    m_savedTemp = Env("TEMP");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_parent = std::string(temp) + "vcap-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(m_parent.c_str(), nullptr);
    m_folder = m_parent + info->name() + "\\";
    RemoveTree(m_folder);
    ::CreateDirectoryA(m_folder.c_str(), nullptr);
    ::SetEnvironmentVariableA("TMP", m_folder.c_str());
    ::SetEnvironmentVariableA("TEMP", m_folder.c_str());
    for (const char* name : {"VaroReport.xsl", "VaroReport.css", "VaroDoc.bmp"})
        ::CopyFileA((std::string(VARO_TEST_SOURCE_DIR) + "\\data\\" + name).c_str(), Path(name).c_str(),
                    FALSE);
}

void CaptureTest::TearDown() {
    StopOutlook();
    m_capture.ReleaseOutlook();
    m_ownedCapture.reset();
    ::SetEnvironmentVariableA("TMP", m_savedTmp.empty() ? nullptr : m_savedTmp.c_str());
    ::SetEnvironmentVariableA("TEMP", m_savedTemp.empty() ? nullptr : m_savedTemp.c_str());
    ::CoUninitialize();
    if (!HasFailure()) {
        RemoveTree(m_folder);
        ::RemoveDirectoryA(m_parent.c_str()); // only when no other test left anything there
    }
}

void CaptureTest::StartOutlook() {
    ASSERT_EQ(
        ::RegisterActiveObject(m_outlook.Application(), TestOutlookClass(), ACTIVEOBJECT_STRONG, &m_cookie),
        S_OK);
}

void CaptureTest::StopOutlook() {
    if (m_cookie)
        ::RevokeActiveObject(m_cookie, nullptr);
    m_cookie = 0;
}

std::string CaptureTest::Read(const std::string& name) const {
    std::ifstream in(name.find('\\') == std::string::npos ? Path(name) : name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void CaptureTest::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool CaptureTest::Exists(const std::string& path) const {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> CaptureTest::Files() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((m_folder + "*").c_str(), &data));
    if (!find)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (::FindNextFileA(find.Get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}
