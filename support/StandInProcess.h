// Runs OutlookSubstitute.exe for a test or a benchmark: started in a job object (so it dies with
// the process that started it whatever happens), waited for through its ready event, stopped at
// the end. The one way tests, benchmarks and scripts start the stand-in.
#pragma once
#include "ComPtr.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <string>

class StandInProcess {
public:
    StandInProcess() = default;
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;
    ~StandInProcess();

    // Starts the stand-in with these arguments and waits until it is in the running-object table.
    // False when it ended instead (ExitCode() then tells why) or did not get ready in time.
    bool Start(const std::wstring& arguments, DWORD readyTimeoutMs = kDefaultReadyTimeoutMs);
    // The same, with the stand-in's standard output and error going to outputFile.
    bool Start(const std::wstring& arguments, const std::wstring& outputFile,
               DWORD readyTimeoutMs = kDefaultReadyTimeoutMs);
    // Runs the program to its end with these arguments (no waiting for readiness); its exit code.
    static DWORD RunToEnd(const std::wstring& arguments, std::string* output = nullptr);
    // Attaches as the viewer does: class from the ProgID, running object, then the interface asked.
    HRESULT Attach(const IID& iid, void** object) const;
    template <typename T> HRESULT Attach(ComPtr<T>& out, const IID& iid) const {
        return Attach(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    }
    // Waits for the process to end; its exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD ProcessId() const { return m_processId; }
    // Why the last Start made no process: the failing step and its system error code; empty when
    // it made one (ExitCode then tells why it ended).
    const std::wstring& StartError() const { return m_startError; }
    bool Running() const;
    void Stop();

    // OutlookSubstitute.exe beside the running program (tests and benchmarks live in bin\).
    static std::wstring ProgramPath();

    static constexpr DWORD kDefaultReadyTimeoutMs = 60000;

private:
    UniqueNullableHandle m_job;
    UniqueNullableHandle m_process;
    DWORD m_processId = 0;
    std::wstring m_startError;
};

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag);
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& Path() const { return m_path; } // ends with a backslash
    void Write(const std::wstring& name, const std::string& bytes) const;

private:
    std::wstring m_path;
};

std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
