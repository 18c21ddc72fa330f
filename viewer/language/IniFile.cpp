#include "IniFile.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#ifdef _WIN32
#include <ext/stdio_filebuf.h>
#include <share.h>
#endif

namespace {
const char kOpenError[] = "Unable to open ini file.";
const char kNoSectionError[] = "Unable to locate specified key.";
const char kNoEntryError[] = "Unable to locate specified value.";

// Windows text mode ends a read at Ctrl-Z.
constexpr int kTextEndOfFile = 0x1A;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A binary stream buffer over a whole file. On Windows the file is opened with deny-none sharing so
// that other processes may read and write it meanwhile. Line ends are translated by the reader and
// the writer below, so both builds see and produce exactly what Windows text mode would.
class SharedFile {
public:
    bool Open(const std::string& name, std::ios_base::openmode mode) {
        mode |= std::ios_base::binary;
#ifdef _WIN32
        m_file.reset(_fsopen(name.c_str(), (mode & std::ios_base::out) ? "wb" : "rb", _SH_DENYNO));
        if (!m_file)
            return false;
        m_buf = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(m_file.get(), mode);
#else
        auto buf = std::make_unique<std::filebuf>();
        if (!buf->open(name, mode))
            return false;
        m_buf = std::move(buf);
#endif
        return true;
    }
    std::streambuf& Buffer() {
        return *m_buf;
    }

private:
    // Declared first, so the buffer is flushed and destroyed before the file is closed.
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::unique_ptr<std::streambuf> m_buf;
};

// Reads lines the way a 2048-byte line buffer over a text-mode stream does: CR LF is one line end,
// Ctrl-Z ends the file, and a line longer than the buffer is a failed read.
class TextLineReader {
public:
    explicit TextLineReader(std::streambuf& buf) : m_buf(buf) {}

    // False when nothing was left to read or the line does not fit.
    bool ReadLine(std::string& line) {
        line.clear();
        bool readAnything = false;
        for (;;) {
            int c = Next();
            if (c == EOF)
                return readAnything; // a last line without a line end still counts
            readAnything = true;
            if (c == '\n')
                return true;
            if (line.size() == CIniFile::kMaxLineLength)
                return false;
            line.push_back(static_cast<char>(c));
        }
    }

private:
    int Next() {
        if (m_ended)
            return EOF;
        int c = m_buf.sbumpc();
        if (c == EOF || c == kTextEndOfFile) {
            m_ended = true;
            return EOF;
        }
        if (c == '\r' && m_buf.sgetc() == '\n') {
            m_buf.sbumpc();
            return '\n';
        }
        return c;
    }

    std::streambuf& m_buf;
    bool m_ended = false;
};

// Text-mode output: every line feed goes to disk as CR LF.
void WriteText(std::streambuf& buf, const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    buf.sputn(out.data(), static_cast<std::streamsize>(out.size()));
    buf.pubsync();
}

bool IsSectionHeader(const std::string& line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

std::string SectionNameOf(const std::string& header) {
    std::size_t first = header.find_first_not_of('[');
    if (first == std::string::npos)
        return {};
    std::size_t last = header.find_last_not_of(']');
    if (last == std::string::npos || last < first)
        return {};
    return header.substr(first, last - first + 1);
}
} // namespace

bool CIniFile::Load() {
    struct stat info {};
    if (::stat(m_strFileName.c_str(), &info) != 0)
        return false;
    SharedFile file;
    if ((info.st_mode & S_IFMT) == S_IFDIR || !file.Open(m_strFileName, std::ios_base::in)) {
        m_strLastError = kOpenError;
        return false;
    }
    TextLineReader reader(file.Buffer());
    std::string section;
    std::string line;
    while (reader.ReadLine(line)) {
        if (line.empty())
            continue;
        if (IsSectionHeader(line)) {
            section = SectionNameOf(line);
            continue;
        }
        std::size_t split = line.find('=');
        // A line without "=" names nothing that anyone looks up; keeping nothing of it means that a
        // Save writes back exactly the lines that were taken.
        if (split == std::string::npos)
            continue;
        Store(section, line.substr(0, split), line.substr(split + 1));
    }
    return true;
}

void CIniFile::Save() {
    SharedFile file;
    if (!file.Open(m_strFileName, std::ios_base::out | std::ios_base::trunc))
        return;
    std::string text;
    for (std::size_t i = 0; i < m_arrSections.size(); ++i) {
        const key& section = m_arrSections[i];
        if (section.m_arrNames.empty())
            continue;
        text += '[';
        text += m_arrSectionNames[i];
        text += "]\n";
        for (std::size_t j = 0; j < section.m_arrNames.size(); ++j) {
            text += section.m_arrNames[j];
            text += '=';
            text += section.m_arrValues[j];
            text += '\n';
        }
        text += '\n';
    }
    WriteText(file.Buffer(), text);
}

int CIniFile::FindSection(const std::string& section) const {
    for (std::size_t i = 0; i < m_arrSectionNames.size(); ++i) {
        if (m_arrSectionNames[i] == section)
            return static_cast<int>(i);
    }
    return -1;
}

int CIniFile::FindEntry(int section, const std::string& name) const {
    if (section < 0 || static_cast<std::size_t>(section) >= m_arrSections.size())
        return -1;
    const std::vector<std::string>& names = m_arrSections[static_cast<std::size_t>(section)].m_arrNames;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

std::string CIniFile::Lookup(const std::string& section, const std::string& name) {
    int s = FindSection(section);
    if (s < 0) {
        m_strLastError = kNoSectionError;
        return {};
    }
    int e = FindEntry(s, name);
    if (e < 0) {
        m_strLastError = kNoEntryError;
        return {};
    }
    return m_arrSections[static_cast<std::size_t>(s)].m_arrValues[static_cast<std::size_t>(e)];
}

bool CIniFile::Store(const std::string& section, const std::string& name, const std::string& value,
                     bool create) {
    int s = FindSection(section);
    if (s < 0) {
        if (!create)
            return false;
        m_arrSectionNames.push_back(section);
        m_arrSections.emplace_back();
        s = static_cast<int>(m_arrSections.size()) - 1;
    }
    key& entries = m_arrSections[static_cast<std::size_t>(s)];
    int e = FindEntry(s, name);
    if (e < 0) {
        if (!create)
            return false;
        entries.m_arrNames.push_back(name);
        entries.m_arrValues.emplace_back();
        e = static_cast<int>(entries.m_arrNames.size()) - 1;
    }
    entries.m_arrValues[static_cast<std::size_t>(e)] = value;
    return true;
}
