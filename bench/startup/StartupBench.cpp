// Start-up of the viewer against a bare Win32 program, both measured in this run: from starting
// varo.exe (the Outlook stand-in serving one selected mail) to the first report page written,
// against starting a program that opens one window until that window has painted.
//   startup_bench.exe [REPEATS]
// Prints one line: best time of each and their ratio.
#include "StandInProcess.h"
#include "StringConv.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {
using Clock = std::chrono::steady_clock;
constexpr DWORD kRunTimeoutMs = 60000;

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The current environment with some variables replaced, as a CreateProcess block.
std::string EnvironmentWith(const std::map<std::string, std::string>& overrides) {
    std::map<std::string, std::string> vars;
    char* block = ::GetEnvironmentStringsA();
    for (const char* p = block; *p; p += strlen(p) + 1) {
        std::string entry = p;
        const size_t eq = entry.find('=', 1);
        if (eq != std::string::npos)
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    ::FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : overrides) {
        for (auto it = vars.begin(); it != vars.end();)
            it = lstrcmpiA(it->first.c_str(), name.c_str()) == 0 ? vars.erase(it) : std::next(it);
        vars[name] = value;
    }
    std::string result;
    for (const auto& [name, value] : vars)
        result += name + "=" + value + '\0';
    return result + '\0';
}

// Starts the command and waits until the marker file exists; the seconds taken, or -1. The
// process is ended afterwards (outside the time) through its job.
double TimeUntilFile(std::string commandLine, const std::string& marker, std::string* environment,
                     const std::string& folder) {
    ::DeleteFileA(marker.c_str());
    UniqueNullableHandle job(::CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0,
                          environment ? &(*environment)[0] : nullptr, folder.c_str(), &si, &pi))
        return -1;
    ::AssignProcessToJobObject(job.Get(), pi.hProcess);
    UniqueNullableHandle process(pi.hProcess), thread(pi.hThread);
    double seconds = -1;
    while (std::chrono::duration<double>(Clock::now() - start).count() * 1000 < kRunTimeoutMs) {
        if (Exists(marker)) {
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            break;
        }
        ::Sleep(1);
    }
    if (::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateJobObject(job.Get(), 0);
        ::WaitForSingleObject(process.Get(), 10000);
    }
    return seconds;
}
} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string bin = ProgramFolder();
    char tempPath[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempPath);
    const std::string base =
        std::string(tempPath) + "varo-startup-" + std::to_string(::GetCurrentProcessId());
    const std::string install = base + "\\pf\\Varoscope", temp = base + "\\tmp", prog = base + "\\prog";
    for (const std::string& f : {base, base + "\\pf", install, temp, prog})
        ::CreateDirectoryA(f.c_str(), nullptr);
    // A copy of its own: the program writes its language setting beside itself.
    ::CopyFileA((bin + "varo.exe").c_str(), (prog + "\\varo.exe").c_str(), FALSE);
    const std::string data = std::string(VARO_BENCH_SOURCE_DIR) + "\\data\\";
    for (const char* name : {"VaroReport.xsl", "VaroReport.css", "VaroDoc.bmp"})
        ::CopyFileA((data + name).c_str(), (install + "\\" + name).c_str(), FALSE);

    if (StandInProcess::RunToEnd(L"--register") != 0) {
        std::fprintf(stderr, "cannot register the stand-in\n");
        return 1;
    }
    StandInProcess outlook;
    if (!outlook.Start(AnsiToWide("--mailbox \"" + data + "sample-mailbox\" --select 1"))) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }
    std::string environment = EnvironmentWith(
        {{"TMP", temp}, {"TEMP", temp}, {"ProgramFiles", base + "\\pf"}, {"ProgramW6432", base + "\\pf"}});
    const std::string page = temp + "\\VaroReport.htm", marker = temp + "\\bare-window.txt";
    double bestVaro = 1e30, bestBare = 1e30;
    int failures = 0;
    for (int r = 0; r < repeats; ++r) {
        const double bare =
            TimeUntilFile("\"" + bin + "startup_bare_window.exe\" " + marker, marker, nullptr, install);
        const double varo = TimeUntilFile("\"" + prog + "\\varo.exe\"", page, &environment, install);
        if (bare < 0 || varo < 0)
            ++failures;
        if (bare >= 0)
            bestBare = std::min(bestBare, bare);
        if (varo >= 0)
            bestVaro = std::min(bestVaro, varo);
    }
    outlook.Stop();
    StandInProcess::RunToEnd(L"--unregister");
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
    std::printf("start-up to first report page=%.3fs bare window=%.3fs ratio=%.2f (best of %d)%s\n", bestVaro,
                bestBare, bestVaro / bestBare, repeats, failures ? " (a start FAILED)" : "");
    ::CoUninitialize();
    return failures ? 1 : 0;
}
