// The working folder (the user's temporary folder) and writing whole files into it.
#pragma once
#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The user's temporary folder, ending with a backslash; empty when it cannot be had within the
// path limit. Asked for afresh at every use.
std::string WorkingFolder();

// Creates the file, or truncates it, for writing.
UniqueHandle CreateForWriting(const std::string& path);
// Writes all bytes; 0 or the system's error code.
DWORD WriteAll(HANDLE file, const char* data, size_t size);

// Files of one capture that could not be written, kept for one message to the user.
class CWriteFailures {
public:
    void Add(std::string path, DWORD error) { m_failures.push_back({std::move(path), error}); }
    // The file the user most needs to hear about goes first.
    void AddFirst(std::string path, DWORD error) {
        m_failures.insert(m_failures.begin(), {std::move(path), error});
    }
    bool Empty() const { return m_failures.empty(); }
    // One paragraph per file: its path and the system's text for the error.
    std::string Describe() const;

private:
    struct Failure {
        std::string path;
        DWORD error = 0;
    };
    std::vector<Failure> m_failures;
};
