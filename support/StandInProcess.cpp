#include "StandInProcess.h"

#include "StringConv.h"

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>

namespace {
constexpr DWORD kStopTimeoutMs = 10000;
constexpr DWORD kRunTimeoutMs = 60000; // a run to the end (register, stop, ...) on a loaded machine
constexpr DWORD kPollMs = 10;
constexpr wchar_t kControlClass[] = L"VaroOutlookSubstituteControl";

// The stand-in's message-only control window, found by its process: never another one's.
HWND ControlWindowOf(DWORD processId) {
    for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, kControlClass, nullptr); w;
         w = ::FindWindowExW(HWND_MESSAGE, w, kControlClass, nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == processId)
            return w;
    }
    return nullptr;
}

// Waits (bounded) until no process of the job is left.
void WaitUntilEmpty(HANDLE job, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    while (
        ::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr) &&
        info.ActiveProcesses > 0 && ::GetTickCount() - start < timeoutMs)
        ::Sleep(kPollMs);
}
} // namespace

std::wstring StandInProcess::ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"OutlookSubstitute.exe";
}

StandInProcess::~StandInProcess() {
    Stop();
}

bool StandInProcess::Start(const std::wstring& arguments, DWORD readyTimeoutMs) {
    return Start(arguments, std::wstring(), readyTimeoutMs);
}

bool StandInProcess::Start(const std::wstring& arguments, const std::wstring& outputFile,
                           DWORD readyTimeoutMs) {
    Stop();
    m_startError.clear();
    auto failed = [this](const wchar_t* step) {
        m_startError = std::wstring(step) + L" failed with error " + std::to_wstring(::GetLastError());
        return false;
    };
    static LONG started = 0; // several starts within one tick still get distinct events
    std::wstring eventName = L"VaroStandInReady" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                             std::to_wstring(::GetTickCount()) + L"_" +
                             std::to_wstring(::InterlockedIncrement(&started));
    UniqueNullableHandle ready(::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    m_job.Reset(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    std::wstring command = L"\"" + ProgramPath() + L"\" --ready-event " + eventName + L" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    UniqueHandle output;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        output.Reset(::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output)
            return failed(L"creating the output file");
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output.Get();
        si.hStdError = output.Get();
    }
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, output ? TRUE : FALSE, CREATE_SUSPENDED,
                          nullptr, nullptr, &si, &pi))
        return failed(L"CreateProcess");
    UniqueNullableHandle thread(pi.hThread);
    m_process.Reset(pi.hProcess);
    m_processId = pi.dwProcessId;
    if (!::AssignProcessToJobObject(m_job.Get(), pi.hProcess)) {
        // Unguarded it could outlive us: it does not run at all.
        failed(L"AssignProcessToJobObject");
        ::TerminateProcess(pi.hProcess, 1);
        Stop();
        return false;
    }
    ::ResumeThread(thread.Get());
    HANDLE waits[] = {ready.Get(), m_process.Get()};
    return ::WaitForMultipleObjects(2, waits, FALSE, readyTimeoutMs) == WAIT_OBJECT_0;
}

DWORD StandInProcess::RunToEnd(const std::wstring& arguments, std::string* output) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &sa, 0);
    UniqueNullableHandle reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    std::wstring command = L"\"" + ProgramPath() + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writer.Get();
    si.hStdError = writer.Get();
    si.hStdInput = nullptr;
    // In a job of its own too: a run that hangs or outlives us is ended with the job.
    UniqueNullableHandle job(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                          &si, &pi))
        return static_cast<DWORD>(-1);
    UniqueNullableHandle process(pi.hProcess), thread(pi.hThread);
    if (!::AssignProcessToJobObject(job.Get(), pi.hProcess)) {
        ::TerminateProcess(pi.hProcess, 1);
        return static_cast<DWORD>(-1);
    }
    ::ResumeThread(thread.Get());
    writer.Reset();
    // Read what is there until the program has ended, without waiting for the end of the pipe:
    // a handle to it that something else inherited must not hold the test up.
    std::string text;
    auto drain = [&] {
        DWORD available = 0;
        while (::PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char buf[4096];
            DWORD n = 0;
            if (!::ReadFile(reader.Get(), buf, available < sizeof buf ? available : sizeof buf, &n,
                            nullptr) ||
                n == 0)
                break;
            text.append(buf, n);
        }
    };
    const DWORD start = ::GetTickCount();
    bool ended = false;
    while (!ended && ::GetTickCount() - start < kRunTimeoutMs) {
        drain();
        ended = ::WaitForSingleObject(process.Get(), kPollMs) == WAIT_OBJECT_0;
    }
    drain();
    if (!ended)
        ::TerminateJobObject(job.Get(), static_cast<UINT>(-1));
    DWORD code = static_cast<DWORD>(-1);
    ::GetExitCodeProcess(process.Get(), &code);
    if (output)
        *output = text;
    return code;
}

HRESULT StandInProcess::Attach(const IID& iid, void** object) const {
    *object = nullptr;
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(L"Outlook.Application", &clsid);
    if (FAILED(hr))
        return hr;
    ComPtr<IUnknown> running;
    hr = ::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    return running->QueryInterface(iid, object);
}

DWORD StandInProcess::WaitForExit(DWORD timeoutMs) {
    if (!m_process)
        return 0;
    ::WaitForSingleObject(m_process.Get(), timeoutMs);
    return ExitCode();
}

DWORD StandInProcess::ExitCode() const {
    DWORD code = 0;
    if (m_process)
        ::GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

bool StandInProcess::Running() const {
    return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

void StandInProcess::Stop() {
    if (Running()) {
        // A polite close revokes the running-object entry; the job kills whatever is left.
        if (HWND control = ControlWindowOf(m_processId))
            ::PostMessageW(control, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(m_process.Get(), kStopTimeoutMs) != WAIT_OBJECT_0)
            ::TerminateJobObject(m_job.Get(), 1);
    }
    if (m_job) {
        // What the stand-in started (a viewer that an add-in launched, say) ends with it, and is
        // gone before the caller removes the folders that such programs use.
        ::TerminateJobObject(m_job.Get(), 1);
        WaitUntilEmpty(m_job.Get(), kStopTimeoutMs);
    }
    m_process.Reset();
    m_job.Reset();
    m_processId = 0;
}

TempFolder::TempFolder(const std::wstring& tag) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"varo-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(::GetTickCount()) + L"\\";
    ::CreateDirectoryW(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    std::wstring from = m_path.substr(0, m_path.size() - 1);
    from.push_back(L'\0'); // the shell wants a double-terminated list
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
}

void TempFolder::Write(const std::wstring& name, const std::string& bytes) const {
    std::ofstream out((m_path + name).c_str(), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
