// Runs OutlookSubstitute.exe for one test: started in a job object (so it dies with the test
// process whatever happens), waited for through its ready event, stopped at the end.
#pragma once
#include "ComPtr.h"
#include "OutlookSubstitute_h.h"
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
    // With outputFile, the stand-in's standard output and error go to that file.
    bool Start(const std::wstring& arguments, const std::wstring& outputFile = std::wstring());
    // Runs the program to its end with these arguments (no waiting for readiness); its exit code.
    static DWORD RunToEnd(const std::wstring& arguments, std::string* output = nullptr);
    // Attaches as the viewer does: class from the ProgID, running object, _Application.
    HRESULT Attach(ComPtr<_Application>& app) const;
    // Waits for the process to end; its exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    void Stop();

    static std::wstring ProgramPath();

private:
    UniqueNullableHandle m_job;
    UniqueNullableHandle m_process;
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
