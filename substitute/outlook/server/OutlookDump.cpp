// OutlookDump: attaches to the running Outlook.Application the way the viewer does, walks the
// explorer's selection and saves every attachment of every selected mail into a folder tree,
// opening attached messages (".msg") with CreateItemFromTemplate and walking them in turn.
//
//   OutlookDump.exe [--last] OUTDIR
//
// OUTDIR\<n>\<i>\ receives the i-th attachment of the n-th selected item; an attached message
// NAME.msg is saved there and its own attachments go to OUTDIR\<n>\<i>\NAME.msg.parts\<j>\. Standard output
// (UTF-8) gets one line per item ("item", number, class, mail or other, subject) and per saved file
// ("file", path relative to OUTDIR). Exit codes: 0 done, 1 no Outlook running, 2 bad command line,
// 3 automation failure (the line "failure 0x........ <step>" says which).
#include "ComPtr.h"
#include "ComString.h"
#include "OutlookSubstitute_h.h"
#include "StringConv.h"
#include "Variant.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {
constexpr LCID kViewerLocale = 0x0800;
constexpr wchar_t kMessageExtension[] = L".msg";
constexpr wchar_t kPartsSuffix[] = L".parts";

enum ExitCode { kOk = 0, kNoOutlook = 1, kBadCommandLine = 2, kAutomationFailure = 3 };

struct AutomationFailure {
    HRESULT hr;
    const char* step;
};

void Check(HRESULT hr, const char* step) {
    if (FAILED(hr))
        throw AutomationFailure{hr, step};
}

template <typename T> T* Use(const ComPtr<T>& p, const char* step) {
    if (!p)
        throw AutomationFailure{E_POINTER, step}; // an absent object, as the viewer sees it
    return p.Get();
}

void Print(const std::wstring& line) {
    std::string bytes = WideToUtf8(line + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

// An optional argument left out; it owns nothing, so it is passed by value.
VARIANT Omitted() {
    return CVariant::Omitted().Get();
}

// Reads "MessageClass" by name, as the viewer does; the empty string when the read fails.
std::wstring MessageClass(IDispatch* item) {
    LPOLESTR name = const_cast<LPOLESTR>(L"MessageClass");
    DISPID id = DISPID_UNKNOWN;
    item->GetIDsOfNames(IID_NULL, &name, 1, kViewerLocale, &id);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    CVariant result;
    if (FAILED(item->Invoke(id, IID_NULL, kViewerLocale, DISPATCH_PROPERTYGET, &none, result.Ptr(), nullptr,
                            nullptr)) ||
        result.Type() != VT_BSTR || !result.Get().bstrVal)
        return std::wstring();
    return std::wstring(result.Get().bstrVal, ::SysStringLen(result.Get().bstrVal));
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() &&
           ::lstrcmpiW(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

class Dumper {
public:
    Dumper(ComPtr<_Application> app, std::wstring root) : m_app(std::move(app)), m_root(std::move(root)) {}

    // Saves the attachments of mail into folder (relative to the root, ends with a backslash).
    void SaveAttachments(_MailItem* mail, const std::wstring& folder) {
        ::CreateDirectoryW((m_root + folder).c_str(), nullptr);
        ComPtr<Attachments> attachments;
        Check(mail->get_Attachments(attachments.ReleaseAndGetAddressOf()), "Attachments");
        long count = 0;
        Check(Use(attachments, "Attachments")->get_Count(&count), "Attachments.Count");
        for (long i = 1; i <= count; ++i) {
            ComPtr<Attachment> attachment;
            Check(attachments->Item(i, attachment.ReleaseAndGetAddressOf()), "Attachments.Item");
            CComString fileName;
            Check(Use(attachment, "Attachment")->get_FileName(fileName.ReleaseAndGetAddressOf()),
                  "Attachment.FileName");
            // Each attachment in a folder of its own: two attachments of one name both survive.
            std::wstring own = folder + std::to_wstring(i) + L"\\";
            ::CreateDirectoryW((m_root + own).c_str(), nullptr);
            std::wstring relative = own + fileName.ToWString();
            CComString path(m_root + relative);
            Check(attachment->SaveAsFile(path.Get()), "Attachment.SaveAsFile");
            Print(L"file\t" + relative);
            if (EndsWithNoCase(fileName.ToWString(), kMessageExtension))
                WalkMessageFile(path.Get(), relative + kPartsSuffix + L"\\");
        }
    }

private:
    void WalkMessageFile(BSTR path, const std::wstring& folder) {
        ComPtr<IDispatch> item;
        Check(
            Use(m_app, "Application")->CreateItemFromTemplate(path, Omitted(), item.ReleaseAndGetAddressOf()),
            "CreateItemFromTemplate");
        ComPtr<_MailItem> mail;
        HRESULT hr = item.As(IID__MailItem, mail);
        if (FAILED(hr) && hr != E_NOINTERFACE)
            Check(hr, "QueryInterface(_MailItem) of an attached message");
        SaveAttachments(Use(mail, "attached message as a mail item"), folder);
    }

    ComPtr<_Application> m_app;
    std::wstring m_root;
};

int Run(const std::wstring& root, bool lastOnly) {
    CLSID clsid;
    ComPtr<IUnknown> running;
    ComPtr<_Application> app;
    if (FAILED(::CLSIDFromProgID(L"Outlook.Application", &clsid)) ||
        FAILED(::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf())) ||
        FAILED(running.As(IID__Application, app))) {
        Print(L"no Outlook running");
        return kNoOutlook;
    }
    ComPtr<_NameSpace> ns;
    CComString mapi(L"MAPI");
    Check(app->GetNamespace(mapi.Get(), ns.ReleaseAndGetAddressOf()), "GetNamespace");
    Check(Use(ns, "NameSpace")->Logon(Omitted(), Omitted(), Omitted(), Omitted()), "Logon");
    ComPtr<_Explorer> explorer;
    Check(app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), "ActiveExplorer");
    ComPtr<Selection> selection;
    Check(Use(explorer, "ActiveExplorer")->get_Selection(selection.ReleaseAndGetAddressOf()), "Selection");
    long count = 0;
    Check(Use(selection, "Selection")->get_Count(&count), "Selection.Count");
    Print(L"count\t" + std::to_wstring(count));
    ::CreateDirectoryW(root.c_str(), nullptr);
    Dumper dumper(app, root);
    auto dumpItem = [&](long n) {
        ComPtr<IDispatch> item;
        selection->Item(n, item.ReleaseAndGetAddressOf()); // result ignored: an absent item is the failure
        std::wstring cls = MessageClass(Use(item, "Selection.Item"));
        ComPtr<_MailItem> mail;
        HRESULT hr = item.As(IID__MailItem, mail);
        if (FAILED(hr) && hr != E_NOINTERFACE)
            Check(hr, "QueryInterface(_MailItem)");
        std::wstring subject;
        if (mail) {
            CComString s;
            Check(mail->get_Subject(s.ReleaseAndGetAddressOf()), "Subject");
            subject = s.ToWString();
        }
        Print(L"item\t" + std::to_wstring(n) + L"\t" + cls + L"\t" + (mail ? L"mail" : L"other") + L"\t" +
              subject);
        if (mail)
            dumper.SaveAttachments(mail.Get(), std::to_wstring(n) + L"\\");
    };
    if (lastOnly)
        dumpItem(count); // like the viewer: the last selected item, even when there is none
    else
        for (long n = 1; n <= count; ++n)
            dumpItem(n);
    return kOk;
}
} // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring root;
    bool lastOnly = false;
    for (int i = 1; argv && i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--last")
            lastOnly = true;
        else if (root.empty() && !arg.empty() && arg[0] != L'-')
            root = arg;
        else
            root.clear(), argc = -1;
    }
    if (argv)
        ::LocalFree(argv);
    if (root.empty()) {
        std::fputs("usage: OutlookDump.exe [--last] OUTDIR\n", stderr);
        return kBadCommandLine;
    }
    if (root.back() != L'\\')
        root += L'\\';
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return kAutomationFailure;
    int rc;
    try {
        rc = Run(root, lastOnly);
    } catch (const AutomationFailure& f) {
        char line[160];
        std::snprintf(line, sizeof line, "failure 0x%08lX %s\n", static_cast<unsigned long>(f.hr), f.step);
        std::fputs(line, stdout);
        rc = kAutomationFailure;
    }
    ::CoUninitialize();
    return rc;
}
