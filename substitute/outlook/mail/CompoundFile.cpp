#include "CompoundFile.h"

#include "Charset.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kHeaderDifatOffset = 76;
constexpr size_t kDirectoryEntrySize = 128;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;

uint16_t Le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                 (static_cast<unsigned char>(b[at + 1]) << 8));
}
uint32_t Le32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(Le16(b, at)) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}
uint64_t Le64(const std::string& b, size_t at) {
    return static_cast<uint64_t>(Le32(b, at)) | (static_cast<uint64_t>(Le32(b, at + 4)) << 32);
}

// Element names compare as the format defines: case-insensitively (simple upper-casing).
std::u16string UpperName(const std::u16string& name) {
    std::u16string out = name;
    for (char16_t& c : out)
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<char16_t>(c - 0x20);
    return out;
}

std::u16string Utf16Name(const std::string& utf8) {
    std::string le = Utf8ToUtf16Le(utf8);
    std::u16string out;
    for (size_t i = 0; i + 1 < le.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(le[i]) |
                                     (static_cast<unsigned char>(le[i + 1]) << 8));
    return out;
}

struct DirectoryEntry {
    std::u16string name;
    std::u16string upperName;
    uint8_t type = 0;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
};

// The children of one storage, with an index by type and upper-cased name (first one wins).
struct ChildList {
    std::vector<uint32_t> ids;
    std::map<std::pair<uint8_t, std::u16string>, uint32_t> byName;
};

class Image {
public:
    Image(std::string bytes) : m_bytes(std::move(bytes)) {}

    bool Open(std::string& problem);
    // The children of a storage entry, in tree order; each entry at most once. Made once per
    // storage: a damaged file may make many storages share one tree.
    std::shared_ptr<const ChildList> Children(uint32_t storage) const;
    const DirectoryEntry& Entry(uint32_t id) const { return m_entries[id]; }
    MsgStorage::Read ReadStream(uint32_t id, uint64_t maxSize, std::string& out) const;

private:
    // Follows a chain of the table from start and appends its sectors' bytes, at most want bytes;
    // false when the chain ends early, leaves the file or loops.
    bool ReadChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t want, bool mini,
                   std::string& out) const;
    bool SectorBytes(uint32_t sector, size_t& offset) const;
    void AddProblem(std::string& problem, const char* text) {
        if (problem.find(text) == std::string::npos)
            problem += problem.empty() ? text : std::string("; ") + text;
    }

    std::string m_bytes;
    size_t m_sectorSize = 512;
    size_t m_miniSectorSize = 64;
    uint32_t m_miniCutoff = 4096;
    bool m_version3 = true;
    std::vector<uint32_t> m_fat;
    std::vector<uint32_t> m_miniFat;
    std::vector<DirectoryEntry> m_entries;
    std::string m_miniStream;
    mutable std::map<uint32_t, std::shared_ptr<const ChildList>> m_children;
    mutable std::vector<uint32_t> m_walkMarks;
    mutable uint32_t m_walk = 0;
};

bool Image::SectorBytes(uint32_t sector, size_t& offset) const {
    if (sector > kMaxRegularSector)
        return false;
    uint64_t at = (static_cast<uint64_t>(sector) + 1) * m_sectorSize;
    if (at + m_sectorSize > m_bytes.size() + (m_sectorSize - 1) || at >= m_bytes.size())
        return false;
    offset = static_cast<size_t>(at);
    return true;
}

bool Image::ReadChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t want, bool mini,
                      std::string& out) const {
    const size_t unit = mini ? m_miniSectorSize : m_sectorSize;
    const std::string& source = mini ? m_miniStream : m_bytes;
    // A chain holds no sector twice, so it is never longer than the table nor than the sectors
    // there are: a looping chain ends there instead of copying the file over and over.
    const size_t maxSteps = std::min<size_t>(table.size(), source.size() / unit + 1);
    size_t steps = 0;
    uint32_t sector = start;
    while (out.size() < want) {
        if (sector >= table.size() || ++steps > maxSteps)
            return false;
        size_t offset = 0;
        if (mini) {
            offset = static_cast<size_t>(sector) * unit;
            if (offset >= source.size())
                return false;
        } else if (!SectorBytes(sector, offset)) {
            return false;
        }
        size_t take = static_cast<size_t>(std::min<uint64_t>(unit, want - out.size()));
        take = std::min(take, source.size() - offset);
        out.append(source, offset, take);
        if (take < unit && out.size() < want)
            return false; // the file ends inside the sector
        sector = table[sector];
    }
    return true;
}

bool Image::Open(std::string& problem) {
    if (m_bytes.size() < kHeaderSize) {
        problem = "damaged compound file (shorter than its header)";
        return false;
    }
    const uint16_t major = Le16(m_bytes, 26);
    const uint16_t sectorShift = Le16(m_bytes, 30);
    const uint16_t miniShift = Le16(m_bytes, 32);
    if (Le16(m_bytes, 28) != 0xFFFE || (sectorShift != 9 && sectorShift != 12) || miniShift != 6) {
        problem = "damaged compound file (header)";
        return false;
    }
    if (!((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12)))
        AddProblem(problem, "compound file version and sector size disagree");
    m_version3 = sectorShift == 9;
    m_sectorSize = size_t(1) << sectorShift;
    m_miniSectorSize = size_t(1) << miniShift;
    m_miniCutoff = Le32(m_bytes, 56);
    const uint32_t fatSectors = Le32(m_bytes, 44);
    const uint32_t firstDirectory = Le32(m_bytes, 48);
    const uint32_t firstMiniFat = Le32(m_bytes, 60);
    const uint32_t miniFatSectors = Le32(m_bytes, 64);
    uint32_t difat = Le32(m_bytes, 68);
    const uint32_t difatSectors = Le32(m_bytes, 72);
    const uint64_t fileSectors = m_bytes.size() / m_sectorSize + 1;

    // The FAT's own sectors: 109 in the header, the rest in the DIFAT chain.
    std::vector<uint32_t> fatList;
    for (size_t i = 0; i < kHeaderDifatEntries && fatList.size() < fatSectors; ++i)
        fatList.push_back(Le32(m_bytes, kHeaderDifatOffset + 4 * i));
    const size_t perDifat = m_sectorSize / 4 - 1;
    for (uint32_t n = 0; n < difatSectors && fatList.size() < fatSectors && n < fileSectors; ++n) {
        size_t offset = 0;
        if (!SectorBytes(difat, offset) || offset + m_sectorSize > m_bytes.size()) {
            AddProblem(problem, "allocation table incomplete");
            break;
        }
        for (size_t i = 0; i < perDifat && fatList.size() < fatSectors; ++i)
            fatList.push_back(Le32(m_bytes, offset + 4 * i));
        difat = Le32(m_bytes, offset + 4 * perDifat);
    }
    if (fatList.size() < fatSectors)
        AddProblem(problem, "allocation table incomplete");
    // More FAT than the file has sectors cannot be real.
    if (fatList.size() > fileSectors)
        fatList.resize(static_cast<size_t>(fileSectors));
    for (uint32_t sector : fatList) {
        size_t offset = 0;
        if (!SectorBytes(sector, offset) || offset + m_sectorSize > m_bytes.size()) {
            AddProblem(problem, "allocation table incomplete");
            break;
        }
        for (size_t i = 0; i < m_sectorSize; i += 4)
            m_fat.push_back(Le32(m_bytes, offset + i));
    }

    std::string directory;
    if (!ReadChain(m_fat, firstDirectory, uint64_t(m_fat.size()) * m_sectorSize, false, directory) &&
        directory.empty()) {
        problem = problem.empty() ? "damaged compound file (no directory)" : problem + "; no directory";
        return false;
    }
    for (size_t at = 0; at + kDirectoryEntrySize <= directory.size(); at += kDirectoryEntrySize) {
        DirectoryEntry e;
        size_t nameBytes = std::min<size_t>(Le16(directory, at + 64), 64);
        for (size_t i = 0; i + 1 < nameBytes; i += 2) {
            char16_t c = Le16(directory, at + i);
            if (c == 0)
                break;
            e.name += c;
        }
        e.upperName = UpperName(e.name);
        e.type = static_cast<uint8_t>(directory[at + 66]);
        e.left = Le32(directory, at + 68);
        e.right = Le32(directory, at + 72);
        e.child = Le32(directory, at + 76);
        e.start = Le32(directory, at + 116);
        e.size = Le64(directory, at + 120);
        if (m_version3)
            e.size &= 0xFFFFFFFFu; // version 3 files may leave the high half undefined
        m_entries.push_back(std::move(e));
    }
    if (m_entries.empty() || m_entries[0].type != kTypeRoot) {
        problem = problem.empty() ? "damaged compound file (no root entry)" : problem + "; no root entry";
        return false;
    }

    // Small streams live in the mini stream, whose sectors the mini FAT chains.
    std::string miniFatBytes;
    uint64_t miniFatWant = std::min<uint64_t>(uint64_t(miniFatSectors) * m_sectorSize, m_bytes.size());
    if (miniFatSectors != 0 && !ReadChain(m_fat, firstMiniFat, miniFatWant, false, miniFatBytes))
        AddProblem(problem, "small-stream table incomplete");
    for (size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
        m_miniFat.push_back(Le32(miniFatBytes, i));
    uint64_t miniSize = std::min<uint64_t>(m_entries[0].size, m_bytes.size());
    if (miniSize != 0 && !ReadChain(m_fat, m_entries[0].start, miniSize, false, m_miniStream))
        AddProblem(problem, "small-stream container truncated");
    return true;
}

std::shared_ptr<const ChildList> Image::Children(uint32_t storage) const {
    auto cached = m_children.find(storage);
    if (cached != m_children.end())
        return cached->second;
    auto list = std::make_shared<ChildList>();
    m_children[storage] = list;
    if (storage >= m_entries.size())
        return list;
    std::vector<uint32_t>& out = list->ids;
    // In-order walk of the sibling tree without recursion; a damaged tree may loop or share
    // nodes, so each entry is taken once.
    // Walks are marked by number, so no walk pays for the size of the whole directory.
    if (m_walkMarks.size() != m_entries.size())
        m_walkMarks.assign(m_entries.size(), 0);
    const uint32_t mark = ++m_walk;
    std::vector<uint32_t> stack;
    uint32_t node = m_entries[storage].child;
    while (node < m_entries.size() || !stack.empty()) {
        while (node < m_entries.size() && m_walkMarks[node] != mark) {
            m_walkMarks[node] = mark;
            stack.push_back(node);
            node = m_entries[node].left;
        }
        if (stack.empty())
            break;
        node = stack.back();
        stack.pop_back();
        const DirectoryEntry& e = m_entries[node];
        if (e.type == kTypeStorage || e.type == kTypeStream) {
            out.push_back(node);
            list->byName.emplace(std::make_pair(e.type, e.upperName), node);
        }
        node = e.right;
    }
    return list;
}

MsgStorage::Read Image::ReadStream(uint32_t id, uint64_t maxSize, std::string& out) const {
    const DirectoryEntry& e = m_entries[id];
    out.clear();
    if (e.size > maxSize || e.size > m_bytes.size())
        return MsgStorage::Read::TooLarge;
    bool mini = e.size < m_miniCutoff;
    bool whole = e.size == 0 || ReadChain(mini ? m_miniFat : m_fat, e.start, e.size, mini, out);
    return whole && out.size() == e.size ? MsgStorage::Read::Ok : MsgStorage::Read::Truncated;
}

class CompoundStorage : public MsgStorage {
public:
    CompoundStorage(std::shared_ptr<const Image> image, uint32_t id)
        : m_image(std::move(image)), m_children(m_image->Children(id)) {}

    Read ReadStream(const std::string& name, uint64_t maxSize, std::string& out) override {
        uint32_t id = Find(name, kTypeStream);
        if (id == kNoStream)
            return Read::Absent;
        return m_image->ReadStream(id, maxSize, out);
    }

    std::unique_ptr<MsgStorage> OpenStorage(const std::string& name) override {
        uint32_t id = Find(name, kTypeStorage);
        if (id == kNoStream)
            return nullptr;
        return std::make_unique<CompoundStorage>(m_image, id);
    }

    bool HasElement(const std::string& name) override {
        return Find(name, kTypeStream) != kNoStream || Find(name, kTypeStorage) != kNoStream;
    }

    bool List(std::vector<Element>& elements) override {
        for (uint32_t id : m_children->ids) {
            const DirectoryEntry& e = m_image->Entry(id);
            std::string le;
            for (char16_t c : e.name) {
                le += static_cast<char>(c & 0xFF);
                le += static_cast<char>(c >> 8);
            }
            elements.push_back({Utf16LeToUtf8(le), e.type == kTypeStorage});
        }
        return true;
    }

    // Making a compound file of a sub-storage would need a writer; OLE object attachments
    // are served without bytes here.
    std::string AsCompoundFile() override { return std::string(); }

private:
    uint32_t Find(const std::string& name, uint8_t type) {
        auto it = m_children->byName.find(std::make_pair(type, UpperName(Utf16Name(name))));
        return it == m_children->byName.end() ? kNoStream : it->second;
    }

    std::shared_ptr<const Image> m_image;
    std::shared_ptr<const ChildList> m_children;
};

} // namespace

std::unique_ptr<MsgStorage> OpenCompoundFile(const std::string& bytes, std::string& problem) {
    problem.clear();
    auto image = std::make_shared<Image>(bytes);
    if (!image->Open(problem))
        return nullptr;
    return std::make_unique<CompoundStorage>(std::move(image), 0);
}
