#include "ApplicationObject.h"

#include "AutomationText.h"
#include "CallBudget.h"
#include "ErrorInfo.h"
#include "ExplorerObject.h"
#include "ItemFactory.h"
#include "MailStore.h"
#include "NameSpaceObject.h"

#include <exception>

namespace {
constexpr wchar_t kMapiNamespace[] = L"MAPI";

// Application.Version as each Outlook gives it: major.minor.0.build of a late service release.
const wchar_t* VersionText(long major) {
    switch (major) {
    case 12:
        return L"12.0.0.6691";
    case 14:
        return L"14.0.0.7268";
    case 15:
        return L"15.0.0.5537";
    case 16:
        return L"16.0.0.17328";
    default:
        return L"11.0.0.8312";
    }
}
} // namespace

ApplicationObject::ApplicationObject(const ServerState& state) : m_state(state) {}

HRESULT ApplicationObject::GetNamespace(BSTR type, _NameSpace** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (::lstrcmpiW(BstrToWide(type).c_str(), kMapiNamespace) != 0)
        return Fail(E_INVALIDARG, L"The only namespace is \"MAPI\".");
    *result = new NameSpaceObject();
    return S_OK;
}

HRESULT ApplicationObject::ActiveExplorer(_Explorer** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    // Without an explorer window Outlook answers with nothing, and so does the stand-in.
    *result = m_state.explorer ? new ExplorerObject(m_state) : nullptr;
    return S_OK;
}

HRESULT ApplicationObject::CreateItemFromTemplate(BSTR templatePath, VARIANT, IDispatch** result) {
    CallBudget::Spend();
    if (!result)
        return E_POINTER;
    *result = nullptr;
    std::wstring path = BstrToWide(templatePath);
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(STG_E_FILENOTFOUND, L"Cannot open the file: it does not exist.");
    std::shared_ptr<MailMessage> message;
    try {
        message = std::make_shared<MailMessage>(LoadMailFile(path));
    } catch (const std::exception&) {
        return Fail(E_FAIL, L"Cannot open the file: it is not a readable message.");
    }
    *result = CreateItemObject(message, m_state);
    return S_OK;
}

HRESULT ApplicationObject::get_Version(BSTR* result) {
    CallBudget::Spend();
    return WideToBstr(VersionText(m_state.outlookVersion), result);
}
