// The log of the files that captures created in the working folder, which the exit clean-up reads
// to delete them. What cannot be written to the log now is kept and written with the next names;
// what is still unlogged when the capture ends is removed at once, as the clean-up would have.
#pragma once
#include <windows.h>

#include <string>

class CCreatedFilesLog {
public:
    CCreatedFilesLog() = default;
    CCreatedFilesLog(const CCreatedFilesLog&) = delete;
    CCreatedFilesLog& operator=(const CCreatedFilesLog&) = delete;
    ~CCreatedFilesLog();

    // Appends the names (one per line, each ended by a line feed), after any kept from earlier
    // attempts. 0 or the system's error code; on failure everything is kept for the next attempt.
    DWORD Append(const std::string& lines);
    // A name that must reach the log with the next append.
    void Keep(const std::string& name) { m_unlogged += name + '\n'; }
    bool HasUnlogged() const { return !m_unlogged.empty(); }

    // Appends text (line feeds become CR LF) to the named file in the temporary folder.
    // 0 or the system's error code; a failed append leaves the file as it was.
    static DWORD AppendToFile(const char* fileName, const std::string& text);

private:
    // Log lines of files in the working folder that the log does not hold yet.
    std::string m_unlogged;
};
