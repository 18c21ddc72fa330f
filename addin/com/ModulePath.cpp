#include "ModulePath.h"

namespace ModulePath {

namespace {
std::wstring::size_type NameStart(const std::wstring& path) {
    auto last = path.find_last_of(L"\\/:");
    return last == std::wstring::npos ? 0 : last + 1;
}
} // namespace

std::wstring Folder(const std::wstring& path) {
    return path.substr(0, NameStart(path));
}

std::wstring TypeLibraryFile(const std::wstring& path) {
    auto dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || dot < NameStart(path))
        return path + L".tlb";
    return path.substr(0, dot) + L".tlb";
}

} // namespace ModulePath
