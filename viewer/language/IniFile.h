// A small in-memory store for INI-style text files: sections of name/value entries, loaded whole,
// looked up and changed in memory, written back whole. Standard library only, so it builds and is
// tested natively as well as for Windows.
#pragma once
#include <string>
#include <vector>

class CIniFile {
public:
    // One section: entry names and values, parallel arrays.
    struct key {
        std::vector<std::string> m_arrValues;
        std::vector<std::string> m_arrNames;
    };

    // Longest line that Load accepts; a longer line ends the load.
    static constexpr std::size_t kMaxLineLength = 2047;

    CIniFile() = default;
    virtual ~CIniFile() = default;

    void SetFileName(const std::string& fileName) { m_strFileName = fileName; }

    // Reads m_strFileName into the store. False when the file does not exist (no error text) or
    // cannot be opened ("Unable to open ini file."); true otherwise.
    bool Load();
    // Writes the store to m_strFileName, replacing the file. Failures are silent.
    void Save();

    int FindSection(const std::string& section) const;
    int FindEntry(int section, const std::string& name) const;

    // Value of the entry, or the empty string with m_strLastError set when it is missing.
    std::string Lookup(const std::string& section, const std::string& name);
    // Sets the entry's value; with create false a missing section or entry is refused.
    bool Store(const std::string& section, const std::string& name, const std::string& value,
               bool create = true);

protected:
    std::string m_strFileName;
    std::vector<key> m_arrSections;
    std::vector<std::string> m_arrSectionNames;

public:
    std::string m_strLastError;
};
