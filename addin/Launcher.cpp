#include "Launcher.h"

#include "DebugTrace.h"
#include "LaunchPaths.h"

#include <windows.h>
#include <shellapi.h>

namespace Launcher {

void StartViewer() {
    wchar_t value[kLaunchPathCapacity];
    DWORD length = ::GetEnvironmentVariableW(L"ProgramFiles", value, kLaunchPathCapacity);
    // 0: not set; a length beyond the buffer: the size it would need, nothing was read.
    if (length == 0 || length >= kLaunchPathCapacity) {
        DebugTrace::Write(L"the viewer was not started: ProgramFiles is not set or too long");
        return;
    }
    LaunchPaths paths;
    if (!MakeLaunchPaths(std::wstring(value, length), paths)) {
        DebugTrace::Write(L"the viewer was not started: its path under ProgramFiles is too long");
        return;
    }
    // A value above 32 is success; the others are the shell's error codes.
    auto started = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", paths.program.c_str(), nullptr,
                                                             paths.folder.c_str(), SW_SHOWNORMAL));
    if (started <= 32)
        DebugTrace::Write(L"cannot start " + paths.program + L": the shell answered " +
                          std::to_wstring(started));
}

} // namespace Launcher
