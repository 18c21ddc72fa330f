// Runs a program of the build and waits for it: its exit code, -1 when it cannot be started,
// -2 when it does not end within the time given.
#pragma once
#include "UniqueHandle.h"

#include <windows.h>
#include <string>

inline int RunAndWait(const std::string& commandLine, DWORD timeoutMs = INFINITE) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    UniqueNullableHandle process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return -2;
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    return static_cast<int>(code);
}
