#include "CreatedFilesLog.h"

#include "UniqueHandle.h"
#include "WorkingFiles.h"
#include "WorkingFolder.h"

CCreatedFilesLog::~CCreatedFilesLog() {
    if (m_unlogged.empty() || Append(std::string()) == 0)
        return;
    // The log stays out of reach: remove the files here, as the exit clean-up would have.
    const std::string folder = WorkingFolder();
    size_t start = 0;
    while (start < m_unlogged.size()) {
        size_t end = m_unlogged.find('\n', start);
        if (end == std::string::npos)
            end = m_unlogged.size();
        if (end > start)
            ::DeleteFileA((folder + m_unlogged.substr(start, end - start)).c_str());
        start = end + 1;
    }
}

DWORD CCreatedFilesLog::Append(const std::string& lines) {
    m_unlogged += lines;
    DWORD error = AppendToFile(WorkingFiles::kLog, m_unlogged);
    if (error == 0)
        m_unlogged.clear();
    return error;
}

DWORD CCreatedFilesLog::AppendToFile(const char* fileName, const std::string& text) {
    std::string path = WorkingFolder() + fileName;
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ::GetLastError();
    LARGE_INTEGER zero = {}, end = {};
    if (!::SetFilePointerEx(file.Get(), zero, &end, FILE_END))
        return ::GetLastError();
    // The log is a text file: each line ends with CR LF on disk.
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    DWORD error = WriteAll(file.Get(), crlf.data(), crlf.size());
    if (error != 0) {
        // Half a line would name a file nobody saved: cut the log back to its whole lines.
        // Nothing more can be done if even that fails.
        if (::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN))
            ::SetEndOfFile(file.Get());
    }
    return error;
}
