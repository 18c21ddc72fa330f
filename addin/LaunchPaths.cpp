#include "LaunchPaths.h"

namespace {
const wchar_t kInstallFolder[] = L"\\Varoscope";
const wchar_t kProgram[] = L"\\varo.exe";
} // namespace

bool MakeLaunchPaths(const std::wstring& programFiles, LaunchPaths& out) {
    if (programFiles.empty() || programFiles.find(L'\0') != std::wstring::npos)
        return false;
    std::wstring folder = programFiles + kInstallFolder;
    std::wstring program = folder + kProgram;
    if (program.size() + 1 > kLaunchPathCapacity)
        return false;
    out.folder = std::move(folder);
    out.program = std::move(program);
    return true;
}
