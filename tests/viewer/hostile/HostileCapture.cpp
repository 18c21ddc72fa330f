#include "HostileCapture.h"

#include "CaptureCore.h"
#include "ComPtr.h"
#include "ComString.h"
#include "MailWriter.h"
#include "StringConv.h"
#include "Variant.h"

#include <msxml2.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {
const std::string kBinary = VARO_TEST_BINARY_DIR;
constexpr DWORD kPollMs = 20;
constexpr DWORD kCloseTimeoutMs = 300000;
constexpr DWORD kAnswerTimeoutMs = 10000;
// The viewer's own files in its working folder: the support files and the report, which stay.
const char* const kOwnFiles[] = {"VAROREPORT.XSL", "VAROREPORT.CSS", "VARODOC.BMP", "VAROREPORT.XML",
                                 "VAROREPORT.HTM"};
// Shell folders that Wine links to the user's home outside the prefix.
const char* const kLinkedOut[] = {"DESKTOP",  "DOCUMENTS", "DOWNLOADS", "MUSIC",
                                  "PICTURES", "VIDEOS",    "TEMPLATES"};

const CLSID kDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID kDomDocument2 = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Walk(const std::string& root, const std::string& relative, TreeSnapshot& out) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((root + relative + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = relative + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const std::string upper = Upper(relative);
            bool linked =
                upper.rfind("USERS\\", 0) == 0 &&
                std::find(std::begin(kLinkedOut), std::end(kLinkedOut), Upper(name)) != std::end(kLinkedOut);
            if (!linked)
                Walk(root, path + "\\", out);
            continue;
        }
        ULARGE_INTEGER size, time;
        size.HighPart = data.nFileSizeHigh;
        size.LowPart = data.nFileSizeLow;
        time.HighPart = data.ftLastWriteTime.dwHighDateTime;
        time.LowPart = data.ftLastWriteTime.dwLowDateTime;
        out[Upper(path)] = {size.QuadPart, time.QuadPart};
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

bool IsOwnFile(const std::string& upperName) {
    return std::find(std::begin(kOwnFiles), std::end(kOwnFiles), upperName) != std::end(kOwnFiles);
}
} // namespace

TreeSnapshot SnapshotTree(const std::string& root) {
    TreeSnapshot out;
    Walk(root, std::string(), out);
    return out;
}

std::vector<std::string> LogNames(const std::string& logPath) {
    std::vector<std::string> names;
    std::ifstream in(logPath, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        names.push_back(line);
    }
    return names;
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.insert(data.cFileName);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}

bool Stress() {
    const char* value = std::getenv("VARO_STRESS");
    return value && *value && std::string(value) != "0";
}

std::string DriveCTemp() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return temp;
}

void HostileCapture::SetUp() {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    m_name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    m_mailbox = kBinary + "\\hostile\\" + m_name + "\\mailbox\\";
    std::error_code ignored;
    fs::remove_all(m_mailbox, ignored);
    fs::create_directories(m_mailbox);
    m_work = DriveCTemp() + "varo-hostile-" + m_name + "\\";
    ASSERT_EQ(Upper(m_work.substr(0, 3)), "C:\\") << "the working folder belongs on drive C: " << m_work;
    fs::remove_all(m_work, ignored);
    fs::create_directories(m_work);
    m_varo = std::make_unique<VaroDriver>("hostile-" + m_name);
    m_varo->InstallSupportFiles();
}

void HostileCapture::TearDown() {
    m_varo.reset(); // ends a viewer that is still running
    m_outlook.Stop();
    std::error_code ignored;
    if (!HasFailure()) {
        fs::remove_all(m_work, ignored);
        fs::remove_all(kBinary + "\\hostile\\" + m_name, ignored);
    }
    ::CoUninitialize();
}

void HostileCapture::AddMail(const std::string& name, const PlannedMail& mail) {
    VaroDriver::WriteFile(m_mailbox + name, MimeText(mail));
}

bool HostileCapture::StartOutlook(const std::wstring& options) {
    return m_outlook.Start(L"--mailbox \"" + AnsiToWide(m_mailbox.substr(0, m_mailbox.size() - 1)) + L"\" " +
                           options);
}

void HostileCapture::StartViewer(const std::string& workFolder) {
    if (!workFolder.empty())
        m_work = workFolder;
    m_varo->temp = m_work.substr(0, m_work.size() - 1);
    m_before = SnapshotTree("C:\\");
    ASSERT_TRUE(m_varo->Start()) << "the viewer's window did not come up";
}

bool HostileCapture::WaitForPages(size_t count, DWORD timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    bool started = false;
    auto runStart = start;
    while (SecondsSince(start) * 1000 < timeoutMs) {
        m_varo->AnswerMessageBoxes();
        if (!started && m_varo->CountEvents("refresh") >= count) {
            started = true;
            runStart = std::chrono::steady_clock::now();
        }
        if (m_varo->CountEvents("navigate") >= count) {
            m_captureSeconds = SecondsSince(started ? runStart : start);
            return true;
        }
        if (!m_varo->Running())
            return false;
        ::Sleep(kPollMs);
    }
    return false;
}

bool HostileCapture::WaitForMessages(size_t count, DWORD timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    while (SecondsSince(start) * 1000 < timeoutMs) {
        m_varo->AnswerMessageBoxes();
        if (m_varo->messages.size() >= count) {
            m_captureSeconds = SecondsSince(start);
            return true;
        }
        if (!m_varo->Running())
            return false;
        ::Sleep(kPollMs);
    }
    return false;
}

bool HostileCapture::Answers() {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(m_varo->frame, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result) != 0;
}

SIZE_T HostileCapture::PeakWorkingSet() const {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(m_varo->process.hProcess, &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}

void HostileCapture::CheckCapture(size_t listed) {
    EXPECT_TRUE(Answers()) << "the window does not answer after the capture";
    EXPECT_TRUE(m_varo->messages.empty()) << m_varo->messages.front();
    m_peak = PeakWorkingSet();

    // The report is well-formed, lists every attachment, and MSXML transforms it.
    ComPtr<IXMLDOMDocument2> xml, xsl;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, kDomDocument2,
                                             reinterpret_cast<void**>(xml.ReleaseAndGetAddressOf()))));
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, kDomDocument2,
                                             reinterpret_cast<void**>(xsl.ReleaseAndGetAddressOf()))));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    xml->put_async(VARIANT_FALSE);
    xsl->put_async(VARIANT_FALSE);
    EXPECT_EQ(xml->load(CVariant::FromString(AnsiToWide(Work("VaroReport.xml"))).Get(), &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_TRUE) << "the report is not well-formed XML";
    ComPtr<IXMLDOMNodeList> entries;
    CComString query(L"/MAILITEM/ATTACHMENTS/ATTACHMENT");
    long entryCount = -1;
    if (SUCCEEDED(xml->selectNodes(query.Get(), entries.ReleaseAndGetAddressOf())) && entries)
        entries->get_length(&entryCount);
    EXPECT_EQ(entryCount, static_cast<long>(listed));
    EXPECT_EQ(xsl->load(CVariant::FromString(AnsiToWide(Work("VaroReport.xsl"))).Get(), &loaded), S_OK);
    CComString page;
    EXPECT_EQ(xml->transformNode(xsl.Get(), page.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_TRUE(page.Get() && ::SysStringLen(page.Get()) > 0) << "MSXML made no page of the report";

    // Every file written into the working folder is in the log, and every logged file is there.
    std::vector<std::string> names = LogNames(Work("varovlg.log"));
    EXPECT_EQ(names.size(), listed);
    m_logged.clear();
    for (const std::string& n : names)
        m_logged.insert(Upper(n));
    std::set<std::string> files = FilesIn(m_work);
    size_t unlisted = 0;
    for (const std::string& f : files) {
        const std::string upper = Upper(f);
        if (upper == "VAROVLG.LOG" || IsOwnFile(upper) || m_logged.count(upper))
            continue;
        if (++unlisted <= 5)
            ADD_FAILURE() << "written but not in the log: " << f;
    }
    EXPECT_EQ(unlisted, 0u);
    size_t missing = 0;
    for (const std::string& n : names)
        if (!files.count(n) && ++missing <= 5)
            ADD_FAILURE() << "listed but not saved: " << n;
}

void HostileCapture::CloseAndCheckCleanUp() {
    const auto start = std::chrono::steady_clock::now();
    if (m_peak == 0)
        m_peak = PeakWorkingSet();
    bool ended = false;
    for (int i = 0; SecondsSince(start) * 1000 < kCloseTimeoutMs; ++i) {
        if (!m_varo->Running()) {
            ended = true;
            break;
        }
        m_varo->AnswerMessageBoxes();
        if (i % 50 == 0)
            ::PostMessageA(m_varo->frame, WM_CLOSE, 0, 0);
        ::Sleep(kPollMs);
    }
    m_exitSeconds = SecondsSince(start);
    ASSERT_TRUE(ended) << "the viewer did not end";
    DWORD code = 0;
    ::GetExitCodeProcess(m_varo->process.hProcess, &code);
    EXPECT_EQ(code, 0u) << "the viewer ended abnormally";

    size_t left = 0;
    for (const std::string& f : FilesIn(m_work))
        if (!IsOwnFile(Upper(f)) && ++left <= 5)
            ADD_FAILURE() << "left in the working folder after exit: " << f;
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(::GetFileAttributesA(Work("VaroShow").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the shown copies' folder is left after exit";

    // Drive C: outside the working folder is as it was.
    const std::string work = Upper(m_work.substr(3));
    TreeSnapshot after = SnapshotTree("C:\\");
    size_t changes = 0;
    auto inWork = [&work](const std::string& path) { return path.rfind(work, 0) == 0; };
    for (const auto& [path, state] : after) {
        if (inWork(path))
            continue;
        auto it = m_before.find(path);
        if (it == m_before.end() || it->second != state)
            if (++changes <= 10)
                ADD_FAILURE() << (it == m_before.end() ? "new file on C: " : "changed file on C: ") << path;
    }
    for (const auto& [path, state] : m_before)
        if (!inWork(path) && !after.count(path) && ++changes <= 10)
            ADD_FAILURE() << "file removed from C: " << path;
    EXPECT_EQ(changes, 0u);
}

void HostileCapture::KeepPageForBrowser(const std::string& subjectUtf8, const std::string& keepFolder) {
    const std::string keep = keepFolder.empty() ? kBinary + "\\hostile-pages\\" + m_name + "\\" : keepFolder;
    std::error_code ignored;
    fs::remove_all(keep, ignored);
    fs::create_directories(keep);
    for (const char* f : {"VaroReport.htm", "VaroReport.css", "VaroDoc.bmp"})
        ::CopyFileA(Work(f).c_str(), (keep + f).c_str(), FALSE);
    int pictures = 0, documents = 0;
    for (const std::string& n : LogNames(Work("varovlg.log"))) {
        if (std::string(VaroCapture::AttachmentType(n)) == "PIC") {
            ++pictures;
            ::CopyFileA(Work(n).c_str(), (keep + n).c_str(), FALSE);
        } else {
            ++documents;
        }
    }
    const std::set<std::string> copies = FilesIn(Work("VaroShow\\"));
    if (!copies.empty())
        fs::create_directories(keep + "VaroShow");
    for (const std::string& copy : copies)
        ::CopyFileA(Work("VaroShow\\" + copy).c_str(), (keep + "VaroShow\\" + copy).c_str(), FALSE);
    const std::string shown =
        WideToUtf8(AnsiToWide(VaroCapture::ReportText(WideToAnsi(Utf8ToWide(subjectUtf8)))));
    std::string json;
    for (char c : shown) {
        if (c == '"' || c == '\\')
            json += '\\';
        json += c;
    }
    VaroDriver::WriteFile(keep + "expected.json",
                          "{\"subject\": \"" + json + "\", \"pictures\": " + std::to_string(pictures) +
                              ", \"documents\": " + std::to_string(documents) +
                              ", \"shown\": " + std::to_string(copies.size()) + "}\n");
}

void HostileCapture::PrintFigures(const char* note) {
    std::printf("[ figures  ] %-32s capture %7.2f s  exit %6.2f s  peak working set %7.1f MB  %s\n",
                m_name.c_str(), m_captureSeconds, m_exitSeconds,
                static_cast<double>(m_peak) / (1024.0 * 1024.0), note);
    std::fflush(stdout);
}
