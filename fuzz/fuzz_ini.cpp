// Fuzz target for CIniFile: Load of arbitrary bytes, Save, Load again. The store read back must be
// the one that was saved, and saving it again must write the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "IniFile.h"

namespace {
void Check(bool condition) {
    if (!condition)
        std::abort();
}

class IniProbe : public CIniFile {
public:
    bool SameStore(const IniProbe& other) const {
        if (m_arrSectionNames != other.m_arrSectionNames ||
            m_arrSections.size() != other.m_arrSections.size())
            return false;
        for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
            if (m_arrSections[i].m_arrNames != other.m_arrSections[i].m_arrNames ||
                m_arrSections[i].m_arrValues != other.m_arrSections[i].m_arrValues)
                return false;
        }
        return true;
    }

    // Parallel arrays, no empty section, unique names, and every entry found by its own names.
    void CheckInvariants() {
        Check(m_arrSections.size() == m_arrSectionNames.size());
        for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
            const key& section = m_arrSections[i];
            Check(section.m_arrNames.size() == section.m_arrValues.size());
            Check(!section.m_arrNames.empty());
            Check(FindSection(m_arrSectionNames[i]) == static_cast<int>(i));
            for (std::size_t j = 0; j < section.m_arrNames.size(); ++j) {
                Check(FindEntry(static_cast<int>(i), section.m_arrNames[j]) == static_cast<int>(j));
                Check(Lookup(m_arrSectionNames[i], section.m_arrNames[j]) == section.m_arrValues[j]);
            }
        }
        Check(m_strLastError.empty());
    }
};

std::string TempPath(const char* leaf) {
    return "/tmp/varo-fuzz-ini-" + std::to_string(::getpid()) + "-" + leaf;
}

const char* const kTempLeaves[] = {"in.ini", "saved.ini", "again.ini"};

// Removes the working files when the run ends.
struct TempFilesCleanup {
    ~TempFilesCleanup() {
        for (const char* leaf : kTempLeaves)
            std::remove(TempPath(leaf).c_str());
    }
} s_cleanup;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = TempPath(kTempLeaves[0]);
    const std::string saved = TempPath(kTempLeaves[1]);
    const std::string again = TempPath(kTempLeaves[2]);
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    IniProbe first;
    first.SetFileName(input);
    Check(first.Load());
    first.CheckInvariants();
    first.SetFileName(saved);
    first.Save();

    IniProbe second;
    second.SetFileName(saved);
    Check(second.Load());
    Check(second.SameStore(first));
    second.SetFileName(again);
    second.Save();
    Check(ReadBytes(again) == ReadBytes(saved));
    return 0;
}
