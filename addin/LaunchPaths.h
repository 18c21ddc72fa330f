// Where the viewer is started from: "<ProgramFiles>\Varoscope\varo.exe" with
// "<ProgramFiles>\Varoscope" as working folder, each within the platform's 260-character paths.
#pragma once
#include <cstddef>
#include <string>

struct LaunchPaths {
    std::wstring program;
    std::wstring folder;
};

// Characters of a path buffer, terminator included.
constexpr std::size_t kLaunchPathCapacity = 260;

// False (and `out` untouched) when the folder is empty or a path would not fit whole: the viewer
// is then not started at all, never from a cut path.
bool MakeLaunchPaths(const std::wstring& programFiles, LaunchPaths& out);
