#include "VaroDriver.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {
const std::string kBinary = VARO_TEST_BINARY_DIR;
const std::string kSource = VARO_TEST_SOURCE_DIR;

struct FindState {
    DWORD pid;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char className[64] = "";
    ::GetClassNameA(hwnd, className, sizeof className);
    if (pid == state->pid && ::IsWindowVisible(hwnd) && lstrcmpA(className, state->className) == 0)
        state->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD pid, const char* className) {
    FindState state{pid, className, {}};
    ::EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// The program's message boxes, shown or still about to be: a box exists before its modal loop
// runs, and a ping handled inside that loop must not be taken for idleness.
BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param) {
    char className[64] = "", title[128] = "";
    ::GetClassNameA(hwnd, className, sizeof className);
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (lstrcmpA(className, "#32770") == 0 && lstrcmpA(title, "VARO") == 0)
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

constexpr DWORD kPingTimeoutMs = 15000;
constexpr DWORD kPollMs = 20;

// The current environment with some variables replaced, as a CreateProcess block.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::map<std::string, std::string> vars;
    std::vector<std::string> order;
    char* block = ::GetEnvironmentStringsA();
    for (const char* p = block; *p; p += strlen(p) + 1) {
        std::string entry = p;
        const size_t eq = entry.find('=', 1);
        if (eq == std::string::npos)
            continue;
        vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    ::FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : overrides) {
        for (auto it = vars.begin(); it != vars.end();) { // names are case-insensitive
            if (lstrcmpiA(it->first.c_str(), name.c_str()) == 0)
                it = vars.erase(it);
            else
                ++it;
        }
        vars[name] = value;
    }
    std::string result;
    for (const auto& [name, value] : vars)
        result += name + "=" + value + '\0';
    result += '\0';
    return result;
}
} // namespace

VaroDriver::VaroDriver(const std::string& name) {
    root = kBinary + "\\app-tests\\" + name;
    std::error_code ignored;
    fs::remove_all(root, ignored);
    prog = root + "\\prog";
    install = root + "\\pf\\Varoscope";
    temp = root + "\\tmp";
    cwd = root + "\\cwd";
    tracePath = root + "\\trace.txt";
    for (const std::string& dir : {prog, install, temp, cwd})
        fs::create_directories(dir);
    fs::copy_file(kBinary + "\\bin\\varo.exe", prog + "\\varo.exe", fs::copy_options::overwrite_existing);
}

VaroDriver::~VaroDriver() {
    if (Running()) {
        ::TerminateJobObject(m_job.Get(), 1);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    if (process.hProcess) {
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
}

void VaroDriver::InstallSupportFiles() {
    for (const char* name : {"VaroReport.xsl", "VaroDoc.bmp", "VaroReport.css"})
        fs::copy_file(kSource + "\\data\\" + name, install + "\\" + name,
                      fs::copy_options::overwrite_existing);
    std::error_code ignored;
    fs::copy_file(kBinary + "\\bin\\Varo.chm", install + "\\Varo.chm", fs::copy_options::overwrite_existing,
                  ignored);
}

void VaroDriver::InstallLanguagePacks() {
    fs::create_directories(prog + "\\LANG");
    for (const char* name : {"Deutsch.lng", "Francais.lng"})
        fs::copy_file(kSource + "\\data\\lang\\" + name, prog + "\\LANG\\" + name,
                      fs::copy_options::overwrite_existing);
}

void VaroDriver::WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool VaroDriver::ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool VaroDriver::Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool VaroDriver::Start() {
    if (process.hProcess) {
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
        process = PROCESS_INFORMATION{};
    }
    frame = nullptr;
    messages.clear();
    std::vector<std::pair<std::string, std::string>> vars = {
        {"TMP", temp}, {"TEMP", temp}, {"ProgramFiles", root + "\\pf"}, {"VARO_TRACE", tracePath}};
    // A 64-bit process under Wine takes ProgramFiles from ProgramW6432 when that is set.
    vars.push_back({"ProgramW6432", root + "\\pf"});
    for (const auto& [name, value] : environment) {
        vars.push_back({name, value});
        if (name == "ProgramFiles")
            vars.push_back({"ProgramW6432", value});
    }
    std::string env = EnvironmentBlock(vars);
    std::string commandLine = "\"" + prog + "\\varo.exe\"";
    m_job.Reset(::CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, &env[0],
                          cwd.c_str(), &startup, &process))
        return false;
    if (!::AssignProcessToJobObject(m_job.Get(), process.hProcess)) {
        ::TerminateProcess(process.hProcess, 1); // unguarded it could outlive the test
        return false;
    }
    ::ResumeThread(process.hThread);
    m_pings = 0;
    constexpr DWORD kStartTimeoutMs = 30000; // a loaded machine starts slowly
    const DWORD start = ::GetTickCount();
    while (!frame && ::GetTickCount() - start < kStartTimeoutMs && Running()) {
        auto frames = WindowsOf(process.dwProcessId, "VaroFrame");
        if (!frames.empty())
            frame = frames.front();
        else
            ::Sleep(kPollMs);
    }
    return frame != nullptr;
}

bool VaroDriver::Running() const {
    return process.hProcess && ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

bool VaroDriver::Close() {
    // The frame ignores the close while a message box is up: answer and ask again.
    for (int i = 0; i < 20; ++i) {
        if (!Running())
            return true;
        AnswerMessageBoxes();
        ::PostMessageA(frame, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process.hProcess, 1000) == WAIT_OBJECT_0)
            return true;
    }
    return !Running();
}

bool VaroDriver::AnswerMessageBoxes() {
    if (!process.hProcess)
        return false;
    std::vector<HWND> boxes;
    ::EnumThreadWindows(process.dwThreadId, CollectBoxes, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes) {
        char text[512] = "";
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        messages.push_back(text);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        // Gone before the next look, so that no box is counted twice.
        const DWORD start = ::GetTickCount();
        while (::IsWindow(box) && ::GetTickCount() - start < kPingTimeoutMs)
            ::Sleep(kPollMs);
    }
    return !boxes.empty();
}

bool VaroDriver::Ping() {
    const std::string expected = std::to_string(++m_pings);
    ::PostMessageA(frame, ::RegisterWindowMessageA("VaroTracePing"), m_pings, 0);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kPingTimeoutMs) {
        AnswerMessageBoxes();
        const std::vector<std::string> pings = Events("ping");
        if (std::find(pings.begin(), pings.end(), expected) != pings.end())
            return true;
        if (!Running())
            return false;
        ::Sleep(kPollMs);
    }
    return false;
}

std::vector<std::string> VaroDriver::Events(const std::string& event) {
    std::vector<std::string> lines;
    std::string text;
    if (!ReadFile(tracePath, text))
        return lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, event.size(), event) == 0 &&
            (line.size() == event.size() || line[event.size()] == ' '))
            lines.push_back(line.size() > event.size() ? line.substr(event.size() + 1) : std::string());
    }
    return lines;
}

size_t VaroDriver::CountEvents(const std::string& event) {
    return Events(event).size();
}

bool VaroDriver::WaitForEvents(const std::string& event, size_t count, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        AnswerMessageBoxes();
        if (CountEvents(event) >= count)
            return true;
        ::Sleep(kPollMs);
    }
    return false;
}

bool VaroDriver::Settle() {
    // A handler may post more work or open a box: only two quiet rounds in a row mean idle.
    for (int round = 0, quiet = 0; round < 50; ++round) {
        bool boxes = AnswerMessageBoxes();
        if (!Ping())
            return false;
        boxes = AnswerMessageBoxes() || boxes;
        quiet = boxes ? 0 : quiet + 1;
        if (quiet == 2)
            return true;
    }
    return false;
}

void VaroDriver::Command(UINT id) {
    ::PostMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void VaroDriver::PostKey(UINT vk) {
    ::PostMessageA(frame, WM_KEYDOWN, vk, 1);
    ::PostMessageA(frame, WM_KEYUP, vk, 0xC0000001);
}

void VaroDriver::ClickToolButton(int index) {
    // Buttons are 23 pixels wide after the gripper's indent of 8.
    HWND bar = FindChild("ToolbarWindow32");
    const int x = 8 + index * 23 + 11, y = 11;
    ::PostMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    ::PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

std::vector<std::string> VaroDriver::MenuLines() {
    const size_t before = CountEvents("menu-end");
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(frame, ::RegisterWindowMessageA("VaroTraceMenu"), 0, 0, SMTO_NORMAL, 5000, &result);
    WaitForEvents("menu-end", before + 1, 5000);
    // The lines of the last dump only.
    std::vector<std::string> current, last;
    std::string text;
    ReadFile(tracePath, text);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("menu-end", 0) == 0) {
            last.swap(current);
            current.clear();
        } else if (line.rfind("menu ", 0) == 0) {
            current.push_back(line.substr(5));
        }
    }
    return last;
}

namespace {
bool SplitMenuLine(const std::string& line, std::string& path, UINT& state, std::string& text) {
    std::istringstream in(line);
    std::string id, stateHex;
    if (!(in >> path >> id >> stateHex))
        return false;
    state = static_cast<UINT>(std::stoul(stateHex, nullptr, 16));
    std::getline(in, text);
    if (!text.empty() && text[0] == ' ')
        text.erase(0, 1);
    return true;
}
} // namespace

std::string VaroDriver::MenuText(const std::string& wanted) {
    for (const std::string& line : MenuLines()) {
        std::string path, text;
        UINT state = 0;
        if (SplitMenuLine(line, path, state, text) && path == wanted)
            return text;
    }
    return "<none>";
}

UINT VaroDriver::MenuState(const std::string& wanted) {
    for (const std::string& line : MenuLines()) {
        std::string path, text;
        UINT state = 0;
        if (SplitMenuLine(line, path, state, text) && path == wanted)
            return state;
    }
    return 0xFFFFFFFF;
}

std::string VaroDriver::StatusText() {
    char text[512] = "";
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(FindChild("msctls_statusbar32"), WM_GETTEXT, sizeof text,
                          reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000, &result);
    return text;
}

std::string VaroDriver::Caption() {
    char text[256] = "";
    ::GetWindowTextA(frame, text, sizeof text);
    return text;
}

HWND VaroDriver::FindChild(const char* className) const {
    return ::FindWindowExA(frame, nullptr, className, nullptr);
}
