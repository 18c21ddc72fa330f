// Stands in for the viewer in launch tests: appends one line per start to "launches.txt" beside
// itself, with the number of its arguments and its working folder.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t**) {
    wchar_t self[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring log(self, n);
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"launches.txt";
    wchar_t cwd[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 2, cwd);
    FILE* f = _wfopen(log.c_str(), L"a");
    if (!f)
        return 1;
    std::fwprintf(f, L"args=%d cwd=%ls\n", argc - 1, cwd);
    std::fclose(f);
    return 0;
}
