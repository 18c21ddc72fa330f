#include "StandInProcess.h"

#include "StringConv.h"

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>

namespace {
constexpr DWORD kReadyTimeoutMs = 30000;
constexpr DWORD kStopTimeoutMs = 10000;
constexpr wchar_t kControlClass[] = L"VaroOutlookSubstituteControl"; // the stand-in's --stop window
} // namespace

std::wstring StandInProcess::ProgramPath() {
    return AnsiToWide(VARO_TEST_BINARY_DIR) + L"\\bin\\OutlookSubstitute.exe";
}

StandInProcess::~StandInProcess() {
    Stop();
}

bool StandInProcess::Start(const std::wstring& arguments, const std::wstring& outputFile) {
    Stop();
    std::wstring eventName = L"VaroStandInReady" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                             std::to_wstring(::GetTickCount());
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
            return false;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output.Get();
        si.hStdError = output.Get();
    }
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, output ? TRUE : FALSE, CREATE_SUSPENDED,
                          nullptr, nullptr, &si, &pi))
        return false;
    ::AssignProcessToJobObject(m_job.Get(), pi.hProcess);
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    m_process.Reset(pi.hProcess);
    HANDLE waits[] = {ready.Get(), m_process.Get()};
    return ::WaitForMultipleObjects(2, waits, FALSE, kReadyTimeoutMs) == WAIT_OBJECT_0;
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
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return static_cast<DWORD>(-1);
    ::CloseHandle(pi.hThread);
    UniqueNullableHandle process(pi.hProcess);
    writer.Reset();
    std::string text;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(reader.Get(), buf, sizeof buf, &n, nullptr) && n > 0)
        text.append(buf, n);
    ::WaitForSingleObject(process.Get(), kStopTimeoutMs);
    DWORD code = static_cast<DWORD>(-1);
    ::GetExitCodeProcess(process.Get(), &code);
    if (output)
        *output = text;
    return code;
}

HRESULT StandInProcess::Attach(ComPtr<_Application>& app) const {
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(L"Outlook.Application", &clsid);
    if (FAILED(hr))
        return hr;
    ComPtr<IUnknown> running;
    hr = ::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    return running.As(IID__Application, app);
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

void StandInProcess::Stop() {
    if (m_process && ExitCode() == STILL_ACTIVE) {
        // A polite close revokes the running-object entry; the job kills whatever is left.
        HWND control = ::FindWindowExW(HWND_MESSAGE, nullptr, kControlClass, nullptr);
        if (control)
            ::PostMessageW(control, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(m_process.Get(), kStopTimeoutMs) != WAIT_OBJECT_0)
            ::TerminateJobObject(m_job.Get(), 1);
    }
    m_process.Reset();
    m_job.Reset();
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
