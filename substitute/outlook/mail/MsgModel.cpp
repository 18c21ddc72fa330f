// .msg reader: the compound file's property streams and sub-storages to the mail model.
#include "MsgModel.h"

#include "Charset.h"
#include "CompoundFile.h"
#include "MailNames.h"
#include "MimeCodec.h"
#include "MsgFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace {

// Attached messages nested deeper than this are left out (a hostile file could nest without
// end); far beyond what real mail nests, and within a 1 MB thread stack.
constexpr int kMaxDepth = 400;
// Storages listed beyond this count are left out: no real message comes near it.
constexpr size_t kMaxListed = 100000;
// No code page property: 8-bit strings are in the system's ANSI code page.
constexpr unsigned kSystemCodePage = 0;

struct Problems {
    // No stream can be larger than the file that holds it; a damaged directory may claim so.
    uint64_t maxStreamSize = 0;
    std::vector<std::string> list;
    void Add(std::string text) {
        if (list.size() < 8 && std::find(list.begin(), list.end(), text) == list.end())
            list.push_back(std::move(text));
    }
    std::string Join() const {
        std::string out;
        for (const std::string& p : list)
            out += (out.empty() ? "" : "; ") + p;
        return out;
    }
};

uint32_t ReadLe32(const char* p) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (uint32_t(u[3]) << 24);
}

std::string SubstgName(uint16_t id, uint16_t type) {
    char name[32];
    std::snprintf(name, sizeof name, "__substg1.0_%04X%04X", id, type);
    return name;
}

// Reads a whole stream of the storage; false when it is absent or unreadable.
bool ReadStream(MsgStorage& storage, const std::string& name, std::string& out, Problems& problems) {
    switch (storage.ReadStream(name, problems.maxStreamSize, out)) {
    case MsgStorage::Read::Ok:
        return true;
    case MsgStorage::Read::Absent:
        return false;
    case MsgStorage::Read::TooLarge:
        problems.Add("stream " + name + " cannot be read");
        return false;
    case MsgStorage::Read::Truncated:
        problems.Add("stream " + name + " is truncated");
        return true;
    }
    return false;
}

// 8-bit text in a Windows code page (kSystemCodePage: the system's ANSI code page).
std::string CodePageText(unsigned codePage, const std::string& bytes) {
    if (codePage == kSystemCodePage)
        return AnsiToUtf8(bytes);
    std::string out;
    if (ConvertToUtf8(CharsetOfCodePage(codePage), bytes, out))
        return out;
    return RawTextToUtf8(bytes);
}

// The properties of one object (message, attachment, recipient).
class PropertySet {
public:
    PropertySet(MsgStorage& storage, unsigned headerSize, unsigned codePage, Problems& problems)
        : m_storage(storage), m_codePage(codePage), m_problems(problems) {
        std::string bytes;
        if (!ReadStream(storage, msg::kPropertiesStreamName, bytes, problems)) {
            problems.Add("property stream missing");
            return;
        }
        if (bytes.size() < headerSize) {
            problems.Add("property stream too short");
            return;
        }
        for (size_t p = headerSize; p + msg::kEntrySize <= bytes.size(); p += msg::kEntrySize)
            m_fixed[ReadLe32(&bytes[p])] = bytes.substr(p + 8, 8);
        // The object's own code page for its 8-bit strings, where it names one.
        uint32_t own = 0;
        if (Long(msg::kMessageCodePage, own) || Long(msg::kInternetCodePage, own))
            m_codePage = own;
    }

    bool Long(uint16_t id, uint32_t& value) const {
        auto it = m_fixed.find(msg::Tag(id, msg::kTypeLong));
        if (it == m_fixed.end())
            return false;
        value = ReadLe32(it->second.data());
        return true;
    }

    unsigned CodePage() const { return m_codePage; }

    // A string property, Unicode or 8-bit, as UTF-8; empty when absent.
    std::string String(uint16_t id) const {
        std::string bytes;
        if (ReadStream(m_storage, SubstgName(id, msg::kTypeUnicode), bytes, m_problems))
            return Utf16LeToUtf8(bytes);
        if (ReadStream(m_storage, SubstgName(id, msg::kTypeString8), bytes, m_problems)) {
            size_t nul = bytes.find('\0');
            if (nul != std::string::npos)
                bytes.resize(nul);
            return CodePageText(m_codePage, bytes);
        }
        return std::string();
    }

    bool Binary(uint16_t id, std::string& out) const {
        return ReadStream(m_storage, SubstgName(id, msg::kTypeBinary), out, m_problems);
    }

private:
    MsgStorage& m_storage;
    unsigned m_codePage;
    Problems& m_problems;
    std::map<uint32_t, std::string> m_fixed;
};

// Sub-storages whose names start with prefix followed by a hexadecimal number, in number order.
std::vector<std::pair<uint32_t, std::string>> NumberedStorages(MsgStorage& storage, const char* prefix,
                                                               Problems& problems) {
    std::vector<std::pair<uint32_t, std::string>> found;
    std::vector<MsgStorage::Element> elements;
    if (!storage.List(elements)) {
        problems.Add("storage cannot be listed");
        return found;
    }
    const std::string start = prefix;
    for (const MsgStorage::Element& element : elements) {
        if (element.isStorage && element.name.compare(0, start.size(), start) == 0)
            found.emplace_back(
                static_cast<uint32_t>(std::strtoul(element.name.c_str() + start.size(), nullptr, 16)),
                element.name);
        if (found.size() > kMaxListed)
            break;
    }
    std::sort(found.begin(), found.end());
    return found;
}

MailMessage ReadMessage(MsgStorage& storage, unsigned headerSize, int depth, uint64_t maxStreamSize);

MailAttachment ReadAttachment(MsgStorage& storage, unsigned codePage, int depth, int& generated,
                              Problems& problems) {
    MailAttachment attachment;
    PropertySet props(storage, msg::kHeaderAttachOrRecipient, codePage, problems);
    uint32_t method = msg::kAttachByValue;
    bool hasMethod = props.Long(msg::kAttachMethod, method);
    std::string longName = props.String(msg::kAttachLongFileName);
    std::string shortName = props.String(msg::kAttachFileName);
    std::string displayName = props.String(msg::kDisplayName);
    std::string mimeTag = props.String(msg::kAttachMimeTag);

    if (std::unique_ptr<MsgStorage> object = storage.OpenStorage(msg::kEmbeddedStorageName)) {
        bool isMessage = method == msg::kAttachEmbeddedMessage ||
                         (!hasMethod && object->HasElement(msg::kPropertiesStreamName));
        if (isMessage) {
            if (depth >= kMaxDepth) {
                problems.Add("attached messages nested too deeply; the innermost ones are left out");
                attachment.fileName = AttachedMessageFileName(displayName, std::string());
                attachment.embedded = std::make_shared<MailMessage>();
                attachment.embedded->problem = "not read: attached messages nested too deeply";
                return attachment;
            }
            auto inner = std::make_shared<MailMessage>(
                ReadMessage(*object, msg::kHeaderEmbedded, depth + 1, problems.maxStreamSize));
            // Outlook names an attached item after what its attachment shows: the display
            // name, else the file name, else the item's subject.
            std::string stem = !displayName.empty() ? displayName
                               : !longName.empty()  ? FileNameStem(longName)
                                                    : FileNameStem(shortName);
            attachment.fileName = AttachedMessageFileName(stem, inner->subject);
            attachment.embedded = std::move(inner);
            return attachment;
        }
        attachment.data = object->AsCompoundFile();
    } else if (!props.Binary(msg::kAttachData, attachment.data) && method == msg::kAttachByValue &&
               hasMethod) {
        problems.Add("attachment without data");
    }
    attachment.fileName = !longName.empty()    ? longName
                          : !shortName.empty() ? shortName
                          : !displayName.empty()
                              ? displayName
                              : GeneratedAttachmentName(++generated, mimeTag.substr(0, mimeTag.find(';')));
    return attachment;
}

MailMessage ReadMessage(MsgStorage& storage, unsigned headerSize, int depth, uint64_t maxStreamSize) {
    MailMessage message;
    Problems problems;
    problems.maxStreamSize = maxStreamSize;
    PropertySet props(storage, headerSize, kSystemCodePage, problems);
    const unsigned codePage = props.CodePage();
    message.messageClass = props.String(msg::kMessageClass);
    message.subject = props.String(msg::kSubject);
    message.sender = props.String(msg::kSenderName);
    if (message.sender.empty())
        message.sender = props.String(msg::kSentRepresentingName);
    if (message.sender.empty())
        message.sender = props.String(msg::kSenderEmail);
    // Some writers store the Internet form of the name, encoded words and all.
    if (message.sender.find("=?") != std::string::npos)
        message.sender = DecodeHeaderText(message.sender);

    for (const auto& entry : NumberedStorages(storage, msg::kRecipPrefixName, problems)) {
        std::unique_ptr<MsgStorage> recipStorage = storage.OpenStorage(entry.second);
        if (!recipStorage)
            continue;
        PropertySet recipient(*recipStorage, msg::kHeaderAttachOrRecipient, codePage, problems);
        uint32_t type = msg::kRecipientTo;
        if (recipient.Long(msg::kRecipientType, type) && (type & 0x0F) != msg::kRecipientTo)
            continue; // Cc and Bcc are not listed
        std::string name = recipient.String(msg::kDisplayName);
        if (name.empty())
            name = recipient.String(msg::kEmailAddress);
        if (!name.empty())
            message.recipients.push_back(name);
    }
    int generated = 0;
    for (const auto& entry : NumberedStorages(storage, msg::kAttachPrefixName, problems)) {
        std::unique_ptr<MsgStorage> attachStorage = storage.OpenStorage(entry.second);
        if (!attachStorage) {
            problems.Add("attachment storage cannot be opened");
            continue;
        }
        message.attachments.push_back(ReadAttachment(*attachStorage, codePage, depth, generated, problems));
    }
    message.problem = problems.Join();
    return message;
}

} // namespace

bool HasCompoundFileSignature(const std::string& bytes) {
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return bytes.size() >= 8 &&
           std::equal(kSignature, kSignature + 8, reinterpret_cast<const unsigned char*>(bytes.data()));
}

MailMessage ReadMsgModel(MsgStorage& root, uint64_t maxStreamSize) {
    return ReadMessage(root, msg::kHeaderTopLevel, 0, maxStreamSize);
}

MailMessage ReadMsgCompoundBytes(const std::string& bytes) {
    MailMessage message;
    if (!HasCompoundFileSignature(bytes)) {
        message.problem = "not an Outlook message file (no compound-file signature)";
        return message;
    }
    std::string problem;
    std::unique_ptr<MsgStorage> root = OpenCompoundFile(bytes, problem);
    if (!root) {
        message.problem = problem;
        return message;
    }
    message = ReadMsgModel(*root, bytes.size());
    if (!problem.empty())
        message.problem = message.problem.empty() ? problem : problem + "; " + message.problem;
    return message;
}
