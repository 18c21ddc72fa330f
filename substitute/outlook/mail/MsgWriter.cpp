// .msg writer: the mail model as a compound file in Outlook's message layout (property stream,
// one stream per variable-size property, attachment and recipient storages, named-property
// storage, attached messages as sub-storages), readable by Outlook and by other .msg readers.
#include "Charset.h"
#include "ComPtr.h"
#include "MailNames.h"
#include "MailStore.h"
#include "MsgFormat.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The class id that Outlook gives message storages.
const CLSID kClsidMailMessage = {
    0x00020D0B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

void PutLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

HRESULT WriteStream(IStorage* storage, const wchar_t* name, const std::string& bytes) {
    ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(name, kCreateMode, 0, 0, stream.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    size_t done = 0;
    while (done < bytes.size()) {
        ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 24));
        ULONG written = 0;
        hr = stream->Write(bytes.data() + done, chunk, &written);
        if (FAILED(hr))
            return hr;
        if (written == 0)
            return STG_E_WRITEFAULT;
        done += written;
    }
    return S_OK;
}

// Collects the property entries of one object and writes the variable-size values as streams.
class PropertyWriter {
public:
    explicit PropertyWriter(IStorage* storage) : m_storage(storage) {}

    void Long(uint16_t id, uint32_t value) {
        std::string v;
        PutLe32(v, value);
        PutLe32(v, 0);
        Add(msg::Tag(id, msg::kTypeLong), v);
    }
    void Unicode(uint16_t id, const std::string& utf8) {
        std::string bytes = Utf8ToUtf16Le(utf8);
        Stream(id, msg::kTypeUnicode, bytes, static_cast<uint32_t>(bytes.size() + 2));
    }
    void Binary(uint16_t id, const std::string& bytes) {
        Stream(id, msg::kTypeBinary, bytes, static_cast<uint32_t>(bytes.size()));
    }
    void Object(uint16_t id) {
        std::string v;
        PutLe32(v, 0xFFFFFFFF);
        PutLe32(v, 0);
        Add(msg::Tag(id, msg::kTypeObject), v);
    }
    // Writes the property stream after the given header bytes.
    HRESULT Finish(const std::string& header) {
        if (FAILED(m_hr))
            return m_hr;
        std::sort(m_entries.begin(), m_entries.end());
        std::string bytes = header;
        for (const auto& entry : m_entries) {
            PutLe32(bytes, entry.first);
            PutLe32(bytes, msg::kPropertyReadWrite);
            bytes += entry.second;
        }
        return WriteStream(m_storage, msg::kPropertiesStream, bytes);
    }

private:
    void Add(uint32_t tag, const std::string& value) { m_entries.emplace_back(tag, value); }
    void Stream(uint16_t id, uint16_t type, const std::string& bytes, uint32_t size) {
        wchar_t name[32];
        std::swprintf(name, 32, L"__substg1.0_%04X%04X", id, type);
        HRESULT hr = WriteStream(m_storage, name, bytes);
        if (FAILED(hr))
            m_hr = hr;
        std::string v;
        PutLe32(v, size);
        PutLe32(v, 0);
        Add(msg::Tag(id, type), v);
    }

    IStorage* m_storage;
    HRESULT m_hr = S_OK;
    std::vector<std::pair<uint32_t, std::string>> m_entries;
};

std::string ExtensionOf(const std::string& name) {
    size_t dot = name.find_last_of('.');
    size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return name.substr(dot);
}

std::string ZeroBytes(size_t n) {
    return std::string(n, '\0');
}

HRESULT CreateSubStorage(IStorage* parent, const wchar_t* name, ComPtr<IStorage>& out) {
    return parent->CreateStorage(name, kCreateMode, 0, 0, out.ReleaseAndGetAddressOf());
}

HRESULT WriteMessage(IStorage* storage, const MailMessage& message, bool topLevel);

HRESULT WriteAttachment(IStorage* storage, const MailAttachment& attachment, uint32_t number) {
    PropertyWriter props(storage);
    props.Long(msg::kAttachNum, number);
    props.Long(msg::kObjectType, msg::kObjectTypeAttachment);
    props.Long(msg::kRenderingPosition, 0xFFFFFFFF);
    if (attachment.embedded) {
        // Like Outlook: an attached item carries its name as display name, without extension.
        props.Unicode(msg::kDisplayName, FileNameStem(attachment.fileName));
        props.Long(msg::kAttachMethod, msg::kAttachEmbeddedMessage);
        props.Object(msg::kAttachData);
        ComPtr<IStorage> sub;
        HRESULT hr = CreateSubStorage(storage, msg::kEmbeddedStorage, sub);
        if (FAILED(hr))
            return hr;
        sub->SetClass(kClsidMailMessage);
        hr = WriteMessage(sub.Get(), *attachment.embedded, false);
        if (FAILED(hr))
            return hr;
    } else {
        props.Unicode(msg::kDisplayName, attachment.fileName);
        props.Unicode(msg::kAttachLongFileName, attachment.fileName);
        props.Unicode(msg::kAttachFileName, attachment.fileName);
        std::string extension = ExtensionOf(attachment.fileName);
        if (!extension.empty())
            props.Unicode(msg::kAttachExtension, extension);
        props.Long(msg::kAttachMethod, msg::kAttachByValue);
        props.Binary(msg::kAttachData, attachment.data);
    }
    return props.Finish(ZeroBytes(msg::kHeaderAttachOrRecipient));
}

HRESULT WriteRecipient(IStorage* storage, const std::string& name, uint32_t number) {
    PropertyWriter props(storage);
    props.Long(0x3000, number); // PR_ROWID
    props.Long(msg::kObjectType, msg::kObjectTypeMailUser);
    props.Long(msg::kRecipientType, msg::kRecipientTo);
    props.Unicode(msg::kDisplayName, name);
    return props.Finish(ZeroBytes(msg::kHeaderAttachOrRecipient));
}

HRESULT WriteNameIdStorage(IStorage* root) {
    ComPtr<IStorage> names;
    HRESULT hr = CreateSubStorage(root, msg::kNameIdStorage, names);
    if (FAILED(hr))
        return hr;
    // No named properties: the GUID, entry and string streams are present and empty.
    for (const wchar_t* stream :
         {L"__substg1.0_00020102", L"__substg1.0_00030102", L"__substg1.0_00040102"}) {
        hr = WriteStream(names.Get(), stream, std::string());
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT WriteMessage(IStorage* storage, const MailMessage& message, bool topLevel) {
    const uint32_t attachCount = static_cast<uint32_t>(message.attachments.size());
    const uint32_t recipCount =
        message.recipients.empty() ? 0 : static_cast<uint32_t>(message.recipients.size());
    PropertyWriter props(storage);
    props.Unicode(msg::kMessageClass, message.messageClass.empty() ? "IPM.Note" : message.messageClass);
    props.Unicode(msg::kSubject, message.subject);
    if (!message.sender.empty()) {
        props.Unicode(msg::kSenderName, message.sender);
        props.Unicode(msg::kSentRepresentingName, message.sender);
    }
    std::string displayTo;
    for (const std::string& r : message.recipients)
        displayTo += (displayTo.empty() ? "" : "; ") + r;
    props.Unicode(msg::kDisplayTo, displayTo);
    props.Long(msg::kStoreSupportMask, msg::kStoreUnicodeOk);
    props.Long(msg::kMessageFlags, 1); // read
    props.Long(msg::kObjectType, msg::kObjectTypeMessage);
    props.Long(msg::kInternetCodePage, 65001);

    for (uint32_t i = 0; i < recipCount; ++i) {
        wchar_t name[40];
        std::swprintf(name, 40, L"%ls%08X", msg::kRecipPrefix, i);
        ComPtr<IStorage> sub;
        HRESULT hr = CreateSubStorage(storage, name, sub);
        if (SUCCEEDED(hr))
            hr = WriteRecipient(sub.Get(), message.recipients[i], i);
        if (FAILED(hr))
            return hr;
    }
    for (uint32_t i = 0; i < attachCount; ++i) {
        wchar_t name[40];
        std::swprintf(name, 40, L"%ls%08X", msg::kAttachPrefix, i);
        ComPtr<IStorage> sub;
        HRESULT hr = CreateSubStorage(storage, name, sub);
        if (SUCCEEDED(hr))
            hr = WriteAttachment(sub.Get(), message.attachments[i], i);
        if (FAILED(hr))
            return hr;
    }
    // Header: reserved, next recipient id, next attachment id, recipient count, attachment count.
    std::string header = ZeroBytes(8);
    PutLe32(header, recipCount);
    PutLe32(header, attachCount);
    PutLe32(header, recipCount);
    PutLe32(header, attachCount);
    if (topLevel)
        header += ZeroBytes(8);
    return props.Finish(header);
}

} // namespace

HRESULT WriteMsgStorage(IStorage* storage, const MailMessage& message) {
    if (!storage)
        return E_POINTER;
    storage->SetClass(kClsidMailMessage);
    HRESULT hr = WriteNameIdStorage(storage);
    if (FAILED(hr))
        return hr;
    return WriteMessage(storage, message, true);
}

HRESULT WriteMsgFile(const std::wstring& path, const MailMessage& message) {
    // Built in memory and written out in one piece: structured storage on a file writes each
    // small stream through to disk, which makes deeply nested messages very slow to write.
    ComPtr<ILockBytes> lockBytes;
    HRESULT hr = ::CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    ComPtr<IStorage> storage;
    hr = ::StgCreateDocfileOnILockBytes(lockBytes.Get(), kCreateMode, 0, storage.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    hr = WriteMsgStorage(storage.Get(), message);
    if (SUCCEEDED(hr))
        hr = storage->Commit(STGC_DEFAULT);
    if (FAILED(hr))
        return hr;
    storage.Reset();
    HGLOBAL memory = nullptr;
    STATSTG stat = {};
    hr = ::GetHGlobalFromILockBytes(lockBytes.Get(), &memory);
    if (SUCCEEDED(hr))
        hr = lockBytes->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr))
        return hr;
    const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
    const char* bytes = static_cast<const char*>(::GlobalLock(memory));
    if (!bytes && size != 0)
        return E_OUTOFMEMORY;
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    hr = file ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
    for (size_t done = 0; SUCCEEDED(hr) && done < size;) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 24));
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes + done, chunk, &written, nullptr) || written == 0)
            hr = STG_E_WRITEFAULT;
        done += written;
    }
    if (bytes)
        ::GlobalUnlock(memory);
    return hr;
}
