#include "AttachmentObject.h"

#include "AutomationText.h"
#include "CallBudget.h"
#include "ErrorInfo.h"
#include "MailStore.h"
#include "UniqueHandle.h"

namespace {
HRESULT WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return HRESULT_FROM_WIN32(::GetLastError());
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
            file.Reset();
            ::DeleteFileW(path.c_str()); // never leave a truncated copy behind
            return FAILED(hr) ? hr : E_FAIL;
        }
        done += written;
    }
    return S_OK;
}
// A mail may name its attachment "dir/../../x.txt"; Outlook reports only the file name itself, and
// clients that append it to a folder must never be led outside that folder.
std::string BaseFileName(const std::string& name) {
    size_t cut = name.find_last_of("/\\:");
    if (cut == std::string::npos)
        return name;
    std::string base = name.substr(cut + 1);
    if (base.find_first_not_of('.') == std::string::npos)
        return "Untitled"; // "", "." and ".." are no file names
    return base;
}
// Tells the test that the walk is here and waits until the test lets it go on.
void HoldFor(const std::wstring& name) {
    constexpr DWORD kHoldLimitMs = 60000;
    UniqueNullableHandle held(::OpenEventW(EVENT_MODIFY_STATE, FALSE, (name + L".held").c_str()));
    UniqueNullableHandle go(::OpenEventW(SYNCHRONIZE, FALSE, (name + L".go").c_str()));
    if (held)
        ::SetEvent(held.Get());
    if (go)
        ::WaitForSingleObject(go.Get(), kHoldLimitMs);
}
} // namespace

AttachmentObject::AttachmentObject(std::shared_ptr<MailMessage> owner, size_t index, const ServerState& state)
    : m_owner(std::move(owner)), m_index(index), m_state(state) {}

HRESULT AttachmentObject::get_FileName(BSTR* result) {
    CallBudget::Spend();
    return Utf8ToBstr(BaseFileName(Attached().fileName), result);
}

HRESULT AttachmentObject::SaveAsFile(BSTR path) {
    CallBudget::Spend();
    std::wstring target = BstrToWide(path);
    if (target.empty())
        return Fail(E_INVALIDARG, L"No file name was given.");
    static long s_saveCalls = 0; // every call runs on the server's one thread
    ++s_saveCalls;
    if (s_saveCalls == m_state.holdSaveAsAt)
        HoldFor(m_state.holdEvent);
    if (m_state.failSaveAs || s_saveCalls == m_state.failSaveAsAt)
        return Fail(STG_E_ACCESSDENIED, L"Cannot save the attachment (failure switched on for tests).");
    const MailAttachment& attached = Attached();
    if (attached.embedded) {
        HRESULT hr = WriteMsgFile(target, *attached.embedded);
        return FAILED(hr) ? Fail(hr, L"Cannot save the attached message.") : S_OK;
    }
    HRESULT hr = WriteWholeFile(target, attached.data);
    return FAILED(hr) ? Fail(hr, L"Cannot save the attachment.") : S_OK;
}
