#include "OutlookCalls.h"

#include "AutomationError.h"
#include "OfficeInterfaces.h"
#include "StringConv.h"
#include "Variant.h"

namespace OutlookCalls {

namespace {
const wchar_t kNamespaceType[] = L"MAPI";
constexpr LCID kMessageClassLocale = 0x0800;
} // namespace

ComPtr<IDispatch> AttachToRunning(const CLSID& outlookClass) {
    ComPtr<IUnknown> running;
    ComPtr<IDispatch> application;
    HRESULT hr = ::GetActiveObject(outlookClass, nullptr, running.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr) && running)
        hr = running.As(office::IID_OutlookApplication, application);
    if (FAILED(hr))
        application.Reset();
    return application;
}

ComPtr<IDispatch> GetNamespace(IDispatch* application) {
    return Dispatch::ToDispatch(
        Dispatch::CallMethod(application, L"GetNamespace", {CVariant::FromString(kNamespaceType)}));
}

void Logon(IDispatch* nameSpace) {
    Dispatch::CallMethod(
        nameSpace, L"Logon",
        {CVariant::Omitted(), CVariant::Omitted(), CVariant::Omitted(), CVariant::Omitted()});
}

ComPtr<IDispatch> ActiveExplorer(IDispatch* application) {
    return Dispatch::ToDispatch(Dispatch::CallMethod(application, L"ActiveExplorer"));
}

ComPtr<IDispatch> LastSelectedItem(IDispatch* explorer) {
    ComPtr<IDispatch> selection = Dispatch::ToDispatch(Dispatch::GetProperty(explorer, L"Selection"));
    long count = Dispatch::ToLong(Dispatch::GetProperty(selection.Get(), L"Count"));
    ComPtr<IDispatch> item =
        Dispatch::ToDispatch(Dispatch::CallMethod(selection.Get(), L"Item", {CVariant::FromLong(count)}));
    if (!item)
        throw CAutomationError(E_POINTER);
    return item;
}

std::string MessageClass(IDispatch* item) {
    if (!item)
        throw CAutomationError(E_POINTER);
    // Read by name on whatever kind of item this is; the name lookup's result is not judged,
    // a failed read means "no class".
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"MessageClass")};
    item->GetIDsOfNames(IID_NULL, names, 1, kMessageClassLocale, &id);
    DISPPARAMS none = {};
    CVariant value;
    HRESULT hr = item->Invoke(id, IID_NULL, kMessageClassLocale, DISPATCH_PROPERTYGET, &none,
                              value.ReleaseAndGetAddressOf(), nullptr, nullptr);
    if (FAILED(hr))
        return {};
    return WideToAnsi(Dispatch::ToWString(value));
}

ComPtr<IDispatch> AsMailItem(IDispatch* item) {
    if (!item)
        throw CAutomationError(E_POINTER);
    ComPtr<IDispatch> mail;
    HRESULT hr = item->QueryInterface(office::IID_OutlookMailItem,
                                      reinterpret_cast<void**>(mail.ReleaseAndGetAddressOf()));
    // Only a missing interface is no failure: the item is then no mail item.
    if (FAILED(hr) && hr != E_NOINTERFACE)
        throw CAutomationError(hr);
    return mail;
}

std::string Subject(IDispatch* mailItem) {
    return WideToAnsi(Dispatch::ToWString(Dispatch::GetProperty(mailItem, L"Subject")));
}

ComPtr<IDispatch> Attachments(IDispatch* mailItem, Dispatch::CDispIdCache& mailIds) {
    return Dispatch::ToDispatch(Dispatch::GetProperty(mailItem, L"Attachments", nullptr, &mailIds));
}

long Count(IDispatch* attachments, Dispatch::CDispIdCache& collectionIds) {
    return Dispatch::ToLong(Dispatch::GetProperty(attachments, L"Count", nullptr, &collectionIds));
}

ComPtr<IDispatch> Item(IDispatch* attachments, long index, Dispatch::CDispIdCache& collectionIds) {
    ComPtr<IDispatch> attachment = Dispatch::ToDispatch(
        Dispatch::CallMethod(attachments, L"Item", {CVariant::FromLong(index)}, nullptr, &collectionIds));
    if (!attachment)
        throw CAutomationError(E_POINTER);
    return attachment;
}

std::wstring FileName(IDispatch* attachment, Dispatch::CDispIdCache& attachmentIds) {
    return Dispatch::ToWString(Dispatch::GetProperty(attachment, L"FileName", nullptr, &attachmentIds));
}

HRESULT SaveAsFile(IDispatch* attachment, const std::wstring& path, Dispatch::CDispIdCache& attachmentIds) {
    HRESULT saved = S_OK;
    Dispatch::CallMethod(attachment, L"SaveAsFile", {CVariant::FromString(path)}, &saved, &attachmentIds);
    return saved;
}

ComPtr<IDispatch> OpenMessageFile(IDispatch* application, const std::wstring& path) {
    if (!application)
        throw CAutomationError(E_POINTER);
    ComPtr<IDispatch> created = Dispatch::ToDispatch(Dispatch::CallMethod(
        application, L"CreateItemFromTemplate", {CVariant::FromString(path), CVariant::Omitted()}));
    if (!created)
        throw CAutomationError(E_POINTER);
    return AsMailItem(created.Get());
}

} // namespace OutlookCalls
