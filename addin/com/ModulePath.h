// Paths that an in-process server derives from its own file name.
#pragma once
#include <string>

namespace ModulePath {

// The folder part, cut after the last "\", "/" or ":" (empty when there is none).
std::wstring Folder(const std::wstring& path);
// The same path with its extension replaced by ".tlb" (appended when the name has none).
std::wstring TypeLibraryFile(const std::wstring& path);

} // namespace ModulePath
