// The names that one walk saves and lists attachments under: safe leaf names that fit the
// working folder's path limit, never one of the viewer's own working files, and each unique in
// the folder as the file system compares names, so that no save overwrites another.
#pragma once
#include <set>
#include <string>

class CTargetNames {
public:
    CTargetNames();

    // The name to save the attachment under (ANSI), taken for the rest of the walk; empty when the
    // folder's path leaves no room for any name.
    std::string Take(const std::wstring& fileName, const std::string& folder);

private:
    // Names given out, upper-cased.
    std::set<std::wstring> m_used;
};
