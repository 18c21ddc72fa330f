// What the command line asks the application to do at start: a new empty document, or opening
// the one file it names. Flags (arguments starting with "/" or "-") are accepted and ignored.
#pragma once
#include <string>

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen };
    virtual ~CCommandLineInfo() = default;
    virtual void ParseParam(const char* param, bool flag, bool last);

    ShellCommand m_nShellCommand = FileNew;
    std::string m_strFileName;
};
