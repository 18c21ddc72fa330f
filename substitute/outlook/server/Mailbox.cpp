#include "Mailbox.h"

#include "MailStore.h"
#include "UniqueHandle.h"

#include <algorithm>
#include <cwctype>
#include <exception>

namespace {
bool HasMailExtension(const std::wstring& name) {
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos)
        return false;
    std::wstring ext = name.substr(dot);
    for (auto& c : ext)
        c = static_cast<wchar_t>(std::towlower(c));
    return ext == L".eml" || ext == L".msg";
}

std::shared_ptr<MailMessage> LoadOne(const std::wstring& path) {
    auto message = std::make_shared<MailMessage>();
    try {
        *message = LoadMailFile(path);
    } catch (const std::exception& e) {
        message->problem = std::string("cannot read the file: ") + e.what();
    } catch (...) {
        message->problem = "cannot read the file";
    }
    return message;
}
} // namespace

bool LoadMailbox(const std::wstring& folder, std::vector<ServedMail>& mails, std::wstring& error) {
    mails.clear();
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(::FindFirstFileW((base + L"*").c_str(), &found));
    if (!search) {
        error = L"cannot list the mailbox folder \"" + folder + L"\"";
        return false;
    }
    std::vector<std::wstring> names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HasMailExtension(found.cFileName))
            names.emplace_back(found.cFileName);
    } while (::FindNextFileW(search.Get(), &found));
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names)
        mails.push_back(ServedMail{name, LoadOne(base + name)});
    return true;
}
