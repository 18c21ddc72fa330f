#include "Launcher.h"

#include "LaunchPaths.h"

#include <windows.h>
#include <shellapi.h>

namespace Launcher {

void StartViewer() {
    wchar_t value[kLaunchPathCapacity];
    DWORD length = ::GetEnvironmentVariableW(L"ProgramFiles", value, kLaunchPathCapacity);
    // 0: not set; a length beyond the buffer: the size it would need, nothing was read.
    if (length == 0 || length >= kLaunchPathCapacity)
        return;
    LaunchPaths paths;
    if (!MakeLaunchPaths(std::wstring(value, length), paths))
        return;
    ::ShellExecuteW(nullptr, L"open", paths.program.c_str(), nullptr, paths.folder.c_str(), SW_SHOWNORMAL);
}

} // namespace Launcher
