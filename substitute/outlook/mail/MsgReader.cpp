// .msg reader: the compound file's property streams and sub-storages to the mail model.
#include "CharsetWin32.h"
#include "Charset.h"
#include "ComPtr.h"
#include "MailNames.h"
#include "MailStore.h"
#include "MimeCodec.h"
#include "MsgFormat.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <utility>
#include <vector>

namespace {

// Attached messages nested deeper than this are left out (a hostile file could nest without
// end); far beyond what real mail nests, and within a 1 MB thread stack.
constexpr int kMaxDepth = 400;
// Streams larger than this are not read: no real attachment comes near it.
constexpr uint64_t kMaxStreamSize = 512ull * 1024 * 1024;
constexpr unsigned kDefaultCodePage = 1252;

struct Problems {
    // No stream can be larger than the file that holds it; a damaged directory may claim so.
    uint64_t maxStreamSize = kMaxStreamSize;
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

std::wstring SubstgName(uint16_t id, uint16_t type) {
    wchar_t name[32];
    std::swprintf(name, 32, L"__substg1.0_%04X%04X", id, type);
    return name;
}

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text < 0x80 ? *text : '?');
    return out;
}

// Reads a whole stream of the storage; false when it is absent or unreadable.
bool ReadStream(IStorage* storage, const std::wstring& name, std::string& out, Problems& problems) {
    ComPtr<IStream> stream;
    HRESULT hr = storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                     stream.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return false;
    STATSTG stat = {};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > problems.maxStreamSize) {
        problems.Add("stream " + Narrow(name.c_str()) + " cannot be read");
        return false;
    }
    out.assign(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    size_t done = 0;
    while (done < out.size()) {
        ULONG chunk = static_cast<ULONG>(std::min<size_t>(out.size() - done, 1u << 24));
        ULONG got = 0;
        hr = stream->Read(&out[done], chunk, &got);
        if (FAILED(hr) || got == 0)
            break;
        done += got;
    }
    if (done < out.size()) {
        problems.Add("stream " + Narrow(name.c_str()) + " is truncated");
        out.resize(done);
    }
    return true;
}

bool HasElement(IStorage* storage, const wchar_t* name) {
    ComPtr<IStream> stream;
    if (SUCCEEDED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                      stream.ReleaseAndGetAddressOf())))
        return true;
    ComPtr<IStorage> sub;
    return SUCCEEDED(storage->OpenStorage(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                          sub.ReleaseAndGetAddressOf()));
}

// The properties of one object (message, attachment, recipient).
class PropertySet {
public:
    PropertySet(IStorage* storage, unsigned headerSize, unsigned codePage, Problems& problems)
        : m_storage(storage), m_codePage(codePage), m_problems(problems) {
        std::string bytes;
        if (!ReadStream(storage, msg::kPropertiesStream, bytes, problems)) {
            problems.Add("property stream missing");
            return;
        }
        if (bytes.size() < headerSize) {
            problems.Add("property stream too short");
            return;
        }
        m_header = bytes.substr(0, headerSize);
        for (size_t p = headerSize; p + msg::kEntrySize <= bytes.size(); p += msg::kEntrySize)
            m_fixed[ReadLe32(&bytes[p])] = bytes.substr(p + 8, 8);
    }

    bool Long(uint16_t id, uint32_t& value) const {
        auto it = m_fixed.find(msg::Tag(id, msg::kTypeLong));
        if (it == m_fixed.end())
            return false;
        value = ReadLe32(it->second.data());
        return true;
    }

    void SetCodePage(unsigned codePage) { m_codePage = codePage; }

    // A string property, Unicode or 8-bit, as UTF-8; empty when absent.
    std::string String(uint16_t id) const {
        std::string bytes;
        if (ReadStream(m_storage, SubstgName(id, msg::kTypeUnicode), bytes, m_problems))
            return Utf16LeToUtf8(bytes);
        if (ReadStream(m_storage, SubstgName(id, msg::kTypeString8), bytes, m_problems)) {
            size_t nul = bytes.find('\0');
            if (nul != std::string::npos)
                bytes.resize(nul);
            std::string out;
            if (CodePageToUtf8(m_codePage, bytes, out))
                return out;
            return RawTextToUtf8(bytes);
        }
        return std::string();
    }

    bool Binary(uint16_t id, std::string& out) const {
        return ReadStream(m_storage, SubstgName(id, msg::kTypeBinary), out, m_problems);
    }

private:
    IStorage* m_storage;
    unsigned m_codePage;
    Problems& m_problems;
    std::string m_header;
    std::map<uint32_t, std::string> m_fixed;
};

// Sub-storages whose names start with prefix followed by a hexadecimal number, in number order.
std::vector<std::pair<uint32_t, std::wstring>> NumberedStorages(IStorage* storage, const wchar_t* prefix,
                                                                Problems& problems) {
    std::vector<std::pair<uint32_t, std::wstring>> found;
    ComPtr<IEnumSTATSTG> elements;
    if (FAILED(storage->EnumElements(0, nullptr, 0, elements.ReleaseAndGetAddressOf()))) {
        problems.Add("storage cannot be listed");
        return found;
    }
    size_t prefixLength = std::wcslen(prefix);
    STATSTG stat;
    ULONG fetched = 0;
    while (elements->Next(1, &stat, &fetched) == S_OK && fetched == 1) {
        if (stat.pwcsName) {
            std::wstring name = stat.pwcsName;
            ::CoTaskMemFree(stat.pwcsName);
            if (stat.type == STGTY_STORAGE && name.compare(0, prefixLength, prefix) == 0)
                found.emplace_back(
                    static_cast<uint32_t>(std::wcstoul(name.c_str() + prefixLength, nullptr, 16)), name);
        }
        if (found.size() > 100000)
            break;
    }
    std::sort(found.begin(), found.end());
    return found;
}

// An OLE object attachment: its storage copied into a compound file of its own.
std::string StorageBytes(IStorage* source) {
    ComPtr<ILockBytes> lockBytes;
    if (FAILED(::CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.ReleaseAndGetAddressOf())))
        return std::string();
    ComPtr<IStorage> copy;
    if (FAILED(::StgCreateDocfileOnILockBytes(lockBytes.Get(),
                                              STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                              copy.ReleaseAndGetAddressOf())) ||
        FAILED(source->CopyTo(0, nullptr, nullptr, copy.Get())) || FAILED(copy->Commit(STGC_DEFAULT)))
        return std::string();
    STATSTG stat = {};
    if (FAILED(lockBytes->Stat(&stat, STATFLAG_NONAME)))
        return std::string();
    std::string out(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG got = 0;
    ULARGE_INTEGER zero = {};
    if (!out.empty())
        lockBytes->ReadAt(zero, &out[0], static_cast<ULONG>(out.size()), &got);
    out.resize(got);
    return out;
}

MailMessage ReadMessage(IStorage* storage, unsigned headerSize, int depth, uint64_t maxStreamSize);

MailAttachment ReadAttachment(IStorage* storage, unsigned codePage, int depth, int& generated,
                              Problems& problems) {
    MailAttachment attachment;
    PropertySet props(storage, msg::kHeaderAttachOrRecipient, codePage, problems);
    uint32_t method = msg::kAttachByValue;
    bool hasMethod = props.Long(msg::kAttachMethod, method);
    std::string longName = props.String(msg::kAttachLongFileName);
    std::string shortName = props.String(msg::kAttachFileName);
    std::string displayName = props.String(msg::kDisplayName);
    std::string mimeTag = props.String(msg::kAttachMimeTag);

    ComPtr<IStorage> object;
    if (SUCCEEDED(storage->OpenStorage(msg::kEmbeddedStorage, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                       nullptr, 0, object.ReleaseAndGetAddressOf()))) {
        bool isMessage = method == msg::kAttachEmbeddedMessage ||
                         (!hasMethod && HasElement(object.Get(), msg::kPropertiesStream));
        if (isMessage) {
            if (depth >= kMaxDepth) {
                problems.Add("attached messages nested too deeply; the innermost ones are left out");
                attachment.fileName = AttachedMessageFileName(displayName, std::string());
                attachment.embedded = std::make_shared<MailMessage>();
                attachment.embedded->problem = "not read: attached messages nested too deeply";
                return attachment;
            }
            auto inner = std::make_shared<MailMessage>(
                ReadMessage(object.Get(), msg::kHeaderEmbedded, depth + 1, problems.maxStreamSize));
            // Outlook names an attached item after what its attachment shows: the display
            // name, else the file name, else the item's subject.
            std::string stem = !displayName.empty() ? displayName
                               : !longName.empty()  ? FileNameStem(longName)
                                                    : FileNameStem(shortName);
            attachment.fileName = AttachedMessageFileName(stem, inner->subject);
            attachment.embedded = std::move(inner);
            return attachment;
        }
        attachment.data = StorageBytes(object.Get());
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

MailMessage ReadMessage(IStorage* storage, unsigned headerSize, int depth, uint64_t maxStreamSize) {
    MailMessage message;
    Problems problems;
    problems.maxStreamSize = maxStreamSize;
    PropertySet props(storage, headerSize, kDefaultCodePage, problems);
    uint32_t codePage = 0;
    if (props.Long(msg::kMessageCodePage, codePage) || props.Long(msg::kInternetCodePage, codePage))
        props.SetCodePage(codePage);
    else
        codePage = kDefaultCodePage;
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

    for (const auto& entry : NumberedStorages(storage, msg::kRecipPrefix, problems)) {
        ComPtr<IStorage> recipStorage;
        if (FAILED(storage->OpenStorage(entry.second.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                        nullptr, 0, recipStorage.ReleaseAndGetAddressOf())))
            continue;
        PropertySet recipient(recipStorage.Get(), msg::kHeaderAttachOrRecipient, codePage, problems);
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
    for (const auto& entry : NumberedStorages(storage, msg::kAttachPrefix, problems)) {
        ComPtr<IStorage> attachStorage;
        if (FAILED(storage->OpenStorage(entry.second.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                        nullptr, 0, attachStorage.ReleaseAndGetAddressOf()))) {
            problems.Add("attachment storage cannot be opened");
            continue;
        }
        message.attachments.push_back(
            ReadAttachment(attachStorage.Get(), codePage, depth, generated, problems));
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

MailMessage ReadMsgStorage(IStorage* storage) {
    InstallWindowsCharsetHook();
    if (!storage) {
        MailMessage message;
        message.problem = "no message storage";
        return message;
    }
    return ReadMessage(storage, msg::kHeaderTopLevel, 0, kMaxStreamSize);
}

MailMessage ReadMsgBytes(const std::string& bytes) {
    MailMessage message;
    if (!HasCompoundFileSignature(bytes)) {
        message.problem = "not an Outlook message file (no compound-file signature)";
        return message;
    }
    // The file's bytes are read once and opened from memory, so the file itself is never
    // held open or changed while the message is served.
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) {
        message.problem = "out of memory";
        return message;
    }
    if (void* p = ::GlobalLock(memory)) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(p));
        ::GlobalUnlock(memory);
    }
    ComPtr<ILockBytes> lockBytes;
    if (FAILED(::CreateILockBytesOnHGlobal(memory, TRUE, lockBytes.ReleaseAndGetAddressOf()))) {
        ::GlobalFree(memory);
        message.problem = "out of memory";
        return message;
    }
    ComPtr<IStorage> storage;
    HRESULT hr = ::StgOpenStorageOnILockBytes(lockBytes.Get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                              nullptr, 0, storage.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        char text[96];
        std::snprintf(text, sizeof text, "damaged compound file (error 0x%08lX)",
                      static_cast<unsigned long>(hr));
        message.problem = text;
        return message;
    }
    InstallWindowsCharsetHook();
    return ReadMessage(storage.Get(), msg::kHeaderTopLevel, 0, bytes.size());
}
