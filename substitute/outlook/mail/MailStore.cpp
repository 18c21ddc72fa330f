// Loading mail files: read once, read-only and shared for reading, then parsed from memory.
#include "CharsetWin32.h"
#include "MailStore.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace {

// Mail files larger than this are refused rather than read into memory.
constexpr ULONGLONG kMaxMailFileSize = 1024ull * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::string& problem) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = "file cannot be opened for reading";
        return false;
    }
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size) || static_cast<ULONGLONG>(size.QuadPart) > kMaxMailFileSize) {
        problem = "file is too large to be a mail";
        return false;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        if (!::ReadFile(file.Get(), &bytes[done], want, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    if (done < bytes.size()) {
        bytes.resize(done);
        problem = "file could not be read to its end";
    }
    return true;
}

bool EndsWithMsg(const std::wstring& path) {
    if (path.size() < 4)
        return false;
    std::wstring ext = path.substr(path.size() - 4);
    for (wchar_t& c : ext)
        c = static_cast<wchar_t>(std::towlower(c));
    return ext == L".msg";
}

void AddProblem(MailMessage& message, const std::string& problem) {
    if (problem.empty())
        return;
    message.problem = message.problem.empty() ? problem : problem + "; " + message.problem;
}

} // namespace

MailMessage ReadMsgFile(const std::wstring& path) {
    std::string bytes, problem;
    MailMessage message;
    if (ReadWholeFile(path, bytes, problem))
        message = ReadMsgBytes(bytes);
    AddProblem(message, problem);
    return message;
}

MailMessage LoadMailFile(const std::wstring& path) {
    InstallWindowsCharsetHook();
    std::string bytes, problem;
    MailMessage message;
    if (!ReadWholeFile(path, bytes, problem)) {
        AddProblem(message, problem);
        return message;
    }
    if (HasCompoundFileSignature(bytes)) {
        message = ReadMsgBytes(bytes);
    } else {
        message = ParseMimeMessage(bytes);
        if (EndsWithMsg(path))
            AddProblem(message, "not an Outlook message file (no compound-file signature); read as MIME");
    }
    AddProblem(message, problem);
    if (message.messageClass.empty())
        message.messageClass = "IPM.Note";
    return message;
}
