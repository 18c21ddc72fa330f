// .msg reader on Windows: the message model read through Windows structured storage.
#include "Charset.h"
#include "CharsetWin32.h"
#include "ComPtr.h"
#include "MailStore.h"
#include "MsgModel.h"
#include "MsgStorage.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

// Streams larger than this are not read: no real attachment comes near it.
constexpr uint64_t kMaxStreamSize = 512ull * 1024 * 1024;
constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

std::wstring Wide(const std::string& utf8) {
    std::string utf16 = Utf8ToUtf16Le(utf8);
    std::wstring out;
    for (size_t i = 0; i + 1 < utf16.size(); i += 2)
        out += static_cast<wchar_t>(static_cast<unsigned char>(utf16[i]) |
                                    (static_cast<unsigned char>(utf16[i + 1]) << 8));
    return out;
}

std::string Utf8(const wchar_t* text) {
    std::string utf16;
    for (; text && *text; ++text) {
        utf16 += static_cast<char>(*text & 0xFF);
        utf16 += static_cast<char>((*text >> 8) & 0xFF);
    }
    return Utf16LeToUtf8(utf16);
}

class Win32Storage : public MsgStorage {
public:
    explicit Win32Storage(ComPtr<IStorage> storage) : m_storage(std::move(storage)) {}

    Read ReadStream(const std::string& name, uint64_t maxSize, std::string& out) override {
        ComPtr<IStream> stream;
        if (FAILED(m_storage->OpenStream(Wide(name).c_str(), nullptr, kReadMode, 0,
                                         stream.ReleaseAndGetAddressOf())))
            return Read::Absent;
        STATSTG stat = {};
        if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > maxSize)
            return Read::TooLarge;
        out.assign(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
        size_t done = 0;
        while (done < out.size()) {
            ULONG chunk = static_cast<ULONG>(std::min<size_t>(out.size() - done, 1u << 24));
            ULONG got = 0;
            HRESULT hr = stream->Read(&out[done], chunk, &got);
            if (FAILED(hr) || got == 0)
                break;
            done += got;
        }
        if (done < out.size()) {
            out.resize(done);
            return Read::Truncated;
        }
        return Read::Ok;
    }

    std::unique_ptr<MsgStorage> OpenStorage(const std::string& name) override {
        ComPtr<IStorage> sub;
        if (FAILED(m_storage->OpenStorage(Wide(name).c_str(), nullptr, kReadMode, nullptr, 0,
                                          sub.ReleaseAndGetAddressOf())))
            return nullptr;
        return std::make_unique<Win32Storage>(std::move(sub));
    }

    bool HasElement(const std::string& name) override {
        ComPtr<IStream> stream;
        if (SUCCEEDED(m_storage->OpenStream(Wide(name).c_str(), nullptr, kReadMode, 0,
                                            stream.ReleaseAndGetAddressOf())))
            return true;
        return OpenStorage(name) != nullptr;
    }

    bool List(std::vector<Element>& elements) override {
        ComPtr<IEnumSTATSTG> list;
        if (FAILED(m_storage->EnumElements(0, nullptr, 0, list.ReleaseAndGetAddressOf())))
            return false;
        STATSTG stat;
        ULONG fetched = 0;
        while (list->Next(1, &stat, &fetched) == S_OK && fetched == 1) {
            if (stat.pwcsName) {
                elements.push_back({Utf8(stat.pwcsName), stat.type == STGTY_STORAGE});
                ::CoTaskMemFree(stat.pwcsName);
            }
        }
        return true;
    }

    // The storage copied into a compound file of its own.
    std::string AsCompoundFile() override {
        ComPtr<ILockBytes> lockBytes;
        if (FAILED(::CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.ReleaseAndGetAddressOf())))
            return std::string();
        ComPtr<IStorage> copy;
        if (FAILED(::StgCreateDocfileOnILockBytes(lockBytes.Get(),
                                                  STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                                  copy.ReleaseAndGetAddressOf())) ||
            FAILED(m_storage->CopyTo(0, nullptr, nullptr, copy.Get())) || FAILED(copy->Commit(STGC_DEFAULT)))
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

private:
    ComPtr<IStorage> m_storage;
};

} // namespace

MailMessage ReadMsgStorage(IStorage* storage) {
    InstallWindowsCharsetHook();
    if (!storage) {
        MailMessage message;
        message.problem = "no message storage";
        return message;
    }
    Win32Storage root{ComPtr<IStorage>(storage)};
    return ReadMsgModel(root, kMaxStreamSize);
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
    HRESULT hr = ::StgOpenStorageOnILockBytes(lockBytes.Get(), nullptr, kReadMode, nullptr, 0,
                                              storage.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        char text[96];
        std::snprintf(text, sizeof text, "damaged compound file (error 0x%08lX)",
                      static_cast<unsigned long>(hr));
        message.problem = text;
        return message;
    }
    InstallWindowsCharsetHook();
    Win32Storage root(std::move(storage));
    return ReadMsgModel(root, bytes.size());
}
