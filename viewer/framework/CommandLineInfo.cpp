#include "CommandLineInfo.h"

void CCommandLineInfo::ParseParam(const char* param, bool flag, bool) {
    if (flag || !m_strFileName.empty())
        return;
    m_strFileName = param;
    m_nShellCommand = FileOpen;
}
