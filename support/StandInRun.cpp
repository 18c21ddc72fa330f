// Runs a program against the Outlook stand-in, for scripts: starts the stand-in through the
// launcher that tests and benchmarks use (so it ends with this process, however that ends), runs
// the program, and stops the stand-in.
//   standin_run.exe STAND-IN ARGUMENTS... -- PROGRAM [ARGUMENTS...]
// Exit code: the program's; 125 when the stand-in did not start or the program could not run.
#include "StandInProcess.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {
constexpr int kNotRun = 125;

// The command line after the program's own name.
std::wstring Arguments() {
    std::wstring line = ::GetCommandLineW();
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        i = line.find(L'"', 1);
        i = i == std::wstring::npos ? line.size() : i + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
            ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
        ++i;
    return line.substr(i);
}
} // namespace

int main() {
    const std::wstring arguments = L" " + Arguments();
    const size_t split = arguments.find(L" -- ");
    if (split == std::wstring::npos) {
        std::fprintf(stderr, "usage: standin_run STAND-IN ARGUMENTS... -- PROGRAM [ARGUMENTS...]\n");
        return kNotRun;
    }
    std::wstring program = arguments.substr(split + 4);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    StandInProcess standIn;
    if (!standIn.Start(arguments.substr(1, split > 0 ? split - 1 : 0))) {
        std::fprintf(stderr, "standin_run: the stand-in did not start (exit code %lu)\n", standIn.ExitCode());
        return kNotRun;
    }
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &program[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "standin_run: cannot run the program (error %lu)\n", ::GetLastError());
        return kNotRun;
    }
    UniqueNullableHandle process(pi.hProcess), thread(pi.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = kNotRun;
    ::GetExitCodeProcess(process.Get(), &code);
    standIn.Stop();
    ::CoUninitialize();
    return static_cast<int>(code);
}
