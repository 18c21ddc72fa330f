// The stand-in seen from another process, as the viewer sees it: attaching through the
// running-object table, the selection rules, items that are not mails, argument checking by
// IDispatch, saving attachments byte for byte, attached messages, damaged files and the fault switches.
#include "StandInProcess.h"
#include "OutlookSubstitute_h.h"

#include "StringConv.h"

#include "Base64Text.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <oleauto.h>

#include <vector>

namespace {
constexpr char kCompoundSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr DWORD kAbruptExitCode = 99;
constexpr DWORD kAlreadyRunningExitCode = 4;

std::string AllBytes() {
    std::string bytes;
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    return bytes;
}

const std::wstring kMailSubject = L"Gr\u00fc\u00dfe \u6771\u4eac \U0001F600";

std::string PlainMail() {
    return "From: Zoe <zoe@example.org>\r\n"
           "Subject: =?UTF-8?B?" +
           Base64Text(WideToUtf8(kMailSubject)) +
           "?=\r\n"
           "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
           "--b1\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
           "--b1\r\nContent-Type: application/octet-stream\r\n"
           "Content-Disposition: attachment; filename=\"all-bytes.bin\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           Base64Text(AllBytes()) +
           "\r\n"
           "--b1\r\nContent-Type: text/plain\r\n"
           "Content-Disposition: attachment; filename*=UTF-8''%C3%BCber.txt\r\n\r\n\xC3\xBC"
           "ber\r\n"
           "--b1--\r\n";
}

std::string MeetingRequest() {
    return "From: Zoe <zoe@example.org>\r\nSubject: Planning\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/calendar; method=REQUEST\r\n\r\n"
           "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\nSUMMARY:Planning\r\nEND:VEVENT\r\nEND:"
           "VCALENDAR\r\n";
}

std::string TruncatedMail() {
    return "From: Zoe <zoe@example.org>\r\nSubject: Cut short\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"b3\"\r\n\r\n"
           "--b3\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; "
           "filename=\"first.txt\"\r\n\r\n"
           "complete part\r\n"
           "--b3\r\nContent-Type: application/octet-stream\r\n"
           "Content-Disposition: attachment; filename=\"second.bin\"\r\nContent-Transfer-Encoding: "
           "base64\r\n\r\n"
           "AAECAwQFBgcICQoLDA0OD";
}

std::string Wrap(const std::string& subject, const std::string& boundary, const std::string& parts) {
    return "From: Zoe <zoe@example.org>\r\nSubject: " + subject +
           "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n" +
           parts + "--" + boundary + "--\r\n";
}

std::string NestedMail() {
    std::string deepest = Wrap("Deepest", "b6",
                               "--b6\r\nContent-Type: application/octet-stream\r\n"
                               "Content-Disposition: attachment; filename=\"deep.bin\"\r\n\r\ndeep data\r\n");
    std::string middle = Wrap("Middle", "b5",
                              "--b5\r\nContent-Type: text/plain\r\n"
                              "Content-Disposition: attachment; filename=\"mid.txt\"\r\n\r\nmid text\r\n"
                              "--b5\r\nContent-Type: message/rfc822\r\n\r\n" +
                                  deepest + "\r\n");
    return Wrap("Outer", "b4", "--b4\r\nContent-Type: message/rfc822\r\n\r\n" + middle + "\r\n");
}

std::string PathNamedAttachments() {
    return Wrap("Paths", "b7",
                "--b7\r\nContent-Type: text/plain; name=\"1234/../../up.txt\"\r\n\r\nup\r\n"
                "--b7\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; "
                "filename=\"C:\\\\x\\\\in.txt\"\r\n\r\nin\r\n"
                "--b7\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; "
                "filename=\"a/..\"\r\n\r\ndots\r\n");
}

VARIANT Omitted() {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

VARIANT Long(long n) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

// Owns a variant result.
struct Variant {
    VARIANT v;
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// Calls a member by name through IDispatch, arguments in source order.
HRESULT CallByName(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                   Variant* result, UINT* argError = nullptr) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0x0800, &id);
    if (FAILED(hr))
        return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO exception = {};
    UINT error = 0;
    hr = object->Invoke(id, IID_NULL, 0x0800, flags, &params, result ? &result->v : nullptr, &exception,
                        &error);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    if (argError)
        *argError = error;
    return hr;
}

std::wstring Text(BSTR s) {
    return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring();
}

class AutomationServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_mailbox.Write(L"a.eml", PlainMail());
        m_mailbox.Write(L"b.eml", MeetingRequest());
        m_mailbox.Write(L"c.eml", TruncatedMail());
        m_mailbox.Write(L"d.eml", NestedMail());
        m_mailbox.Write(L"e.msg", "this is not a compound file at all");
        m_mailbox.Write(L"f.eml", PathNamedAttachments());
        m_mailbox.Write(L"ignored.txt", "not a mail file");
    }
    void TearDown() override {
        m_app.Reset();
        m_server.Stop();
        ::CoUninitialize();
    }

    void StartServer(const std::wstring& options) {
        // No trailing backslash before the closing quote: it would escape the quote.
        std::wstring folder = m_mailbox.Path().substr(0, m_mailbox.Path().size() - 1);
        ASSERT_TRUE(m_server.Start(L"--mailbox \"" + folder + L"\" " + options))
            << "the stand-in did not get ready; exit code " << m_server.ExitCode();
        ASSERT_EQ(m_server.Attach(m_app, IID__Application), S_OK);
    }

    ComPtr<Selection> GetSelection() {
        ComPtr<_Explorer> explorer;
        EXPECT_EQ(m_app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK);
        ComPtr<Selection> selection;
        if (explorer) {
            EXPECT_EQ(explorer->get_Selection(selection.ReleaseAndGetAddressOf()), S_OK);
        }
        return selection;
    }

    ComPtr<IDispatch> SelectedItem(long n) {
        ComPtr<Selection> selection = GetSelection();
        ComPtr<IDispatch> item;
        if (selection)
            selection->Item(n, item.ReleaseAndGetAddressOf());
        return item;
    }

    ComPtr<_MailItem> SelectedMail(long n) {
        ComPtr<_MailItem> mail;
        ComPtr<IDispatch> item = SelectedItem(n);
        EXPECT_TRUE(item);
        if (item) {
            EXPECT_EQ(item.As(IID__MailItem, mail), S_OK);
        }
        return mail;
    }

    ComPtr<Attachment> AttachmentOf(_MailItem* mail, long n) {
        ComPtr<Attachments> attachments;
        EXPECT_EQ(mail->get_Attachments(attachments.ReleaseAndGetAddressOf()), S_OK);
        ComPtr<Attachment> attachment;
        if (attachments) {
            EXPECT_EQ(attachments->Item(n, attachment.ReleaseAndGetAddressOf()), S_OK);
        }
        return attachment;
    }

    std::wstring FileNameOf(Attachment* attachment) {
        BSTR name = nullptr;
        EXPECT_EQ(attachment->get_FileName(&name), S_OK);
        std::wstring text = Text(name);
        ::SysFreeString(name);
        return text;
    }

    ComPtr<_MailItem> OpenTemplate(const std::wstring& path) {
        BSTR p = ::SysAllocString(path.c_str());
        ComPtr<IDispatch> item;
        HRESULT hr = m_app->CreateItemFromTemplate(p, Omitted(), item.ReleaseAndGetAddressOf());
        ::SysFreeString(p);
        EXPECT_EQ(hr, S_OK) << "CreateItemFromTemplate " << WideToUtf8(path);
        ComPtr<_MailItem> mail;
        if (item) {
            EXPECT_EQ(item.As(IID__MailItem, mail), S_OK);
        }
        return mail;
    }

    TempFolder m_mailbox{L"mailbox"};
    TempFolder m_out{L"saved"};
    StandInProcess m_server;
    ComPtr<_Application> m_app;
};

TEST_F(AutomationServerTest, SelectionIsInListOrderWhateverTheOrderOfPreselection) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 4,1,2"));
    ComPtr<Selection> selection = GetSelection();
    ASSERT_TRUE(selection);
    long count = 0;
    ASSERT_EQ(selection->get_Count(&count), S_OK);
    ASSERT_EQ(count, 3);
    Variant cls;
    ASSERT_EQ(CallByName(SelectedItem(2).Get(), L"MessageClass", DISPATCH_PROPERTYGET, {}, &cls), S_OK);
    EXPECT_EQ(Text(cls.v.bstrVal), L"IPM.Schedule.Meeting.Request");
    BSTR subject = nullptr;
    ASSERT_EQ(SelectedMail(1)->get_Subject(&subject), S_OK);
    EXPECT_EQ(Text(subject), kMailSubject); // UTF-16 with a surrogate pair, not mangled
    ::SysFreeString(subject);
    ASSERT_EQ(SelectedMail(3)->get_Subject(&subject), S_OK);
    EXPECT_EQ(Text(subject), L"Outer");
    ::SysFreeString(subject);

    ComPtr<IDispatch> outside;
    EXPECT_TRUE(FAILED(selection->Item(0, outside.ReleaseAndGetAddressOf())));
    EXPECT_FALSE(outside);
    EXPECT_TRUE(FAILED(selection->Item(4, outside.ReleaseAndGetAddressOf())));
    EXPECT_FALSE(outside);
}

// The visible top-level window of this class that belongs to the process, or null.
HWND WindowOfProcess(DWORD processId, const wchar_t* className) {
    for (HWND w = ::FindWindowExW(nullptr, nullptr, className, nullptr); w;
         w = ::FindWindowExW(nullptr, w, className, nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == processId)
            return w;
    }
    return nullptr;
}

// The bounds of a row of a list view in another process: the rectangle has to live there.
bool RowRect(HWND list, DWORD processId, int row, RECT& rect) {
    UniqueNullableHandle process(
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process)
        return false;
    void* remote = ::VirtualAllocEx(process.Get(), nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return false;
    rect = RECT{LVIR_BOUNDS, 0, 0, 0};
    bool ok = ::WriteProcessMemory(process.Get(), remote, &rect, sizeof rect, nullptr) &&
              ::SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote)) &&
              ::ReadProcessMemory(process.Get(), remote, &rect, sizeof rect, nullptr);
    ::VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    return ok;
}

// A click on a row, posted to the list itself: no pointer, focus or foreground involved.
void ClickRow(HWND list, const RECT& row, WPARAM keys) {
    const LPARAM at = MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2);
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    ::PostMessageW(list, WM_LBUTTONUP, keys, at);
}

TEST_F(AutomationServerTest, SelectionFollowsWhatTheUserSelectsInTheList) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 5"));
    HWND explorer = WindowOfProcess(m_server.ProcessId(), L"VaroOutlookSubstituteExplorer");
    ASSERT_TRUE(explorer);
    HWND list = ::FindWindowExW(explorer, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_TRUE(list);
    RECT first{}, second{};
    ASSERT_TRUE(RowRect(list, m_server.ProcessId(), 0, first));
    ASSERT_TRUE(RowRect(list, m_server.ProcessId(), 1, second));
    ClickRow(list, first, 0);         // the first row alone
    ClickRow(list, second, MK_SHIFT); // and the second one with it
    long count = 0;
    for (int tries = 0; tries < 100 && count != 2; ++tries) {
        if (tries)
            ::Sleep(50);
        ComPtr<Selection> selection = GetSelection();
        ASSERT_TRUE(selection);
        ASSERT_EQ(selection->get_Count(&count), S_OK);
    }
    ASSERT_EQ(count, 2);
    Variant cls;
    ASSERT_EQ(CallByName(SelectedItem(2).Get(), L"MessageClass", DISPATCH_PROPERTYGET, {}, &cls), S_OK);
    EXPECT_EQ(Text(cls.v.bstrVal), L"IPM.Schedule.Meeting.Request"); // b.eml, the second in the list
}

TEST_F(AutomationServerTest, NothingSelectedGivesCountZeroAndNoItem) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L""));
    ComPtr<Selection> selection = GetSelection();
    ASSERT_TRUE(selection);
    long count = -1;
    ASSERT_EQ(selection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    ComPtr<IDispatch> item;
    EXPECT_TRUE(FAILED(selection->Item(count, item.ReleaseAndGetAddressOf())));
    EXPECT_FALSE(item);
}

TEST_F(AutomationServerTest, WithoutExplorerActiveExplorerGivesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--no-explorer --select 1"));
    ComPtr<_Explorer> explorer;
    EXPECT_EQ(m_app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_FALSE(explorer);
    Variant result;
    ASSERT_EQ(CallByName(m_app.Get(), L"ActiveExplorer", DISPATCH_METHOD, {}, &result), S_OK);
    EXPECT_TRUE(result.v.vt == VT_EMPTY || (result.v.vt == VT_DISPATCH && !result.v.pdispVal))
        << "variant type " << result.v.vt;
}

TEST_F(AutomationServerTest, NonMailItemAnswersMessageClassButNotMailItem) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 2"));
    ComPtr<IDispatch> item = SelectedItem(1);
    ASSERT_TRUE(item);
    ComPtr<_MailItem> mail;
    EXPECT_EQ(item.As(IID__MailItem, mail), E_NOINTERFACE);
    Variant cls;
    ASSERT_EQ(CallByName(item.Get(), L"MessageClass", DISPATCH_PROPERTYGET, {}, &cls), S_OK);
    ASSERT_EQ(cls.v.vt, VT_BSTR);
    EXPECT_EQ(Text(cls.v.bstrVal), L"IPM.Schedule.Meeting.Request");
    EXPECT_EQ(CallByName(item.Get(), L"Attachments", DISPATCH_PROPERTYGET, {}, nullptr), DISP_E_UNKNOWNNAME);
}

TEST_F(AutomationServerTest, DispatchChecksArgumentsLikeARealAutomationServer) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 1"));
    ComPtr<Selection> selection = GetSelection();
    ASSERT_TRUE(selection);
    Variant result;
    VARIANT word;
    ::VariantInit(&word);
    word.vt = VT_BSTR;
    word.bstrVal = ::SysAllocString(L"not a number");
    EXPECT_EQ(CallByName(selection.Get(), L"Item", DISPATCH_METHOD, {word}, &result), DISP_E_TYPEMISMATCH);
    ::VariantClear(&word);
    EXPECT_EQ(CallByName(selection.Get(), L"Item", DISPATCH_METHOD, {}, &result), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(CallByName(selection.Get(), L"Item", DISPATCH_METHOD, {Long(1), Long(2)}, &result),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(CallByName(selection.Get(), L"NoSuchMember", DISPATCH_METHOD, {}, &result), DISP_E_UNKNOWNNAME);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(selection->Invoke(0x7777, IID_NULL, 0, DISPATCH_METHOD, &none, &result.v, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(CallByName(selection.Get(), L"Count", DISPATCH_PROPERTYPUT, {Long(5)}, nullptr),
              DISP_E_MEMBERNOTFOUND);
    // A VT_I4 index, as the viewer passes it, and a string that reads as a number both work.
    Variant item;
    ASSERT_EQ(CallByName(selection.Get(), L"Item", DISPATCH_METHOD, {Long(1)}, &item), S_OK);
    EXPECT_EQ(item.v.vt, VT_DISPATCH);

    // Logon with every argument omitted, explicitly or not at all.
    Variant ns;
    VARIANT mapi;
    ::VariantInit(&mapi);
    mapi.vt = VT_BSTR;
    mapi.bstrVal = ::SysAllocString(L"MAPI");
    ASSERT_EQ(CallByName(m_app.Get(), L"GetNamespace", DISPATCH_METHOD, {mapi}, &ns), S_OK);
    ::VariantClear(&mapi);
    ASSERT_EQ(ns.v.vt, VT_DISPATCH);
    EXPECT_EQ(CallByName(ns.v.pdispVal, L"Logon", DISPATCH_METHOD,
                         {Omitted(), Omitted(), Omitted(), Omitted()}, nullptr),
              S_OK);
    EXPECT_EQ(CallByName(ns.v.pdispVal, L"Logon", DISPATCH_METHOD, {}, nullptr), S_OK);

    // CreateItemFromTemplate by name with the folder argument left out altogether.
    VARIANT path;
    ::VariantInit(&path);
    path.vt = VT_BSTR;
    path.bstrVal = ::SysAllocString((m_mailbox.Path() + L"d.eml").c_str());
    Variant opened;
    EXPECT_EQ(CallByName(m_app.Get(), L"CreateItemFromTemplate", DISPATCH_METHOD, {path}, &opened), S_OK);
    ::VariantClear(&path);
    EXPECT_EQ(opened.v.vt, VT_DISPATCH);
}

TEST_F(AutomationServerTest, SaveAsFileWritesTheAttachmentBytesExactly) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 1"));
    ComPtr<_MailItem> mail = SelectedMail(1);
    ASSERT_TRUE(mail);
    ComPtr<Attachment> binary = AttachmentOf(mail.Get(), 1);
    ComPtr<Attachment> text = AttachmentOf(mail.Get(), 2);
    ASSERT_TRUE(binary && text);
    EXPECT_EQ(FileNameOf(binary.Get()), L"all-bytes.bin");
    EXPECT_EQ(FileNameOf(text.Get()), L"\u00fcber.txt");
    std::wstring target = m_out.Path() + L"saved.bin";
    m_out.Write(L"saved.bin", std::string(5000, 'x')); // an older, longer file of that name
    BSTR path = ::SysAllocString(target.c_str());
    ASSERT_EQ(binary->SaveAsFile(path), S_OK);
    ::SysFreeString(path);
    EXPECT_EQ(ReadFileBytes(target), AllBytes());
}

TEST_F(AutomationServerTest, AttachedMessagesSaveAsMsgFilesThatOpenAgainToAnyDepth) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 4"));
    ComPtr<_MailItem> outer = SelectedMail(1);
    ASSERT_TRUE(outer);
    ComPtr<Attachment> middleAttachment = AttachmentOf(outer.Get(), 1);
    ASSERT_TRUE(middleAttachment);
    EXPECT_EQ(FileNameOf(middleAttachment.Get()).substr(FileNameOf(middleAttachment.Get()).size() - 4),
              L".msg");
    std::wstring middlePath = m_out.Path() + L"middle.msg";
    BSTR path = ::SysAllocString(middlePath.c_str());
    ASSERT_EQ(middleAttachment->SaveAsFile(path), S_OK);
    ::SysFreeString(path);
    EXPECT_EQ(ReadFileBytes(middlePath).substr(0, 8), std::string(kCompoundSignature, 8));

    ComPtr<_MailItem> middle = OpenTemplate(middlePath);
    ASSERT_TRUE(middle);
    ComPtr<Attachment> midText = AttachmentOf(middle.Get(), 1);
    ComPtr<Attachment> deepAttachment = AttachmentOf(middle.Get(), 2);
    ASSERT_TRUE(midText && deepAttachment);
    EXPECT_EQ(FileNameOf(midText.Get()), L"mid.txt");
    std::wstring deepPath = m_out.Path() + L"deepest.msg";
    path = ::SysAllocString(deepPath.c_str());
    ASSERT_EQ(deepAttachment->SaveAsFile(path), S_OK);
    ::SysFreeString(path);

    ComPtr<_MailItem> deepest = OpenTemplate(deepPath);
    ASSERT_TRUE(deepest);
    BSTR subject = nullptr;
    ASSERT_EQ(deepest->get_Subject(&subject), S_OK);
    EXPECT_EQ(Text(subject), L"Deepest");
    ::SysFreeString(subject);
    ComPtr<Attachment> deep = AttachmentOf(deepest.Get(), 1);
    ASSERT_TRUE(deep);
    std::wstring dataPath = m_out.Path() + L"deep.bin";
    path = ::SysAllocString(dataPath.c_str());
    ASSERT_EQ(deep->SaveAsFile(path), S_OK);
    ::SysFreeString(path);
    EXPECT_EQ(ReadFileBytes(dataPath), "deep data");

    // .eml files open the same way, the folder argument omitted.
    ComPtr<_MailItem> fromEml = OpenTemplate(m_mailbox.Path() + L"a.eml");
    ASSERT_TRUE(fromEml);
    ASSERT_EQ(fromEml->get_Subject(&subject), S_OK);
    EXPECT_EQ(Text(subject), kMailSubject);
    ::SysFreeString(subject);
}

TEST_F(AutomationServerTest, FileNamesNeverLeadOutOfTheClientsFolder) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 6"));
    ComPtr<_MailItem> mail = SelectedMail(1);
    ASSERT_TRUE(mail);
    ComPtr<Attachment> up = AttachmentOf(mail.Get(), 1);
    ComPtr<Attachment> drive = AttachmentOf(mail.Get(), 2);
    ComPtr<Attachment> dots = AttachmentOf(mail.Get(), 3);
    ASSERT_TRUE(up && drive && dots);
    EXPECT_EQ(FileNameOf(up.Get()), L"up.txt");
    EXPECT_EQ(FileNameOf(drive.Get()), L"in.txt");
    EXPECT_EQ(FileNameOf(dots.Get()), L"Untitled");
}

TEST_F(AutomationServerTest, CreateItemFromTemplateOfAMissingFileFailsWithoutAnItem) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L""));
    BSTR path = ::SysAllocString((m_out.Path() + L"missing.msg").c_str());
    ComPtr<IDispatch> item;
    EXPECT_TRUE(FAILED(m_app->CreateItemFromTemplate(path, Omitted(), item.ReleaseAndGetAddressOf())));
    ::SysFreeString(path);
    EXPECT_FALSE(item);
}

TEST_F(AutomationServerTest, DamagedFilesAreServedWithTheirReadablePartsAndLeftUntouched) {
    std::string before =
        ReadFileBytes(m_mailbox.Path() + L"c.eml") + ReadFileBytes(m_mailbox.Path() + L"e.msg");
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 1,2,3,4,5"));
    ComPtr<Selection> selection = GetSelection();
    long count = 0;
    ASSERT_EQ(selection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 5); // every mail file, the damaged ones too, and not the .txt file
    ComPtr<_MailItem> truncated = SelectedMail(3);
    ASSERT_TRUE(truncated);
    ComPtr<Attachment> first = AttachmentOf(truncated.Get(), 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(FileNameOf(first.Get()), L"first.txt");
    std::wstring firstPath = m_out.Path() + L"first.txt";
    BSTR path = ::SysAllocString(firstPath.c_str());
    EXPECT_EQ(first->SaveAsFile(path), S_OK);
    ::SysFreeString(path);
    EXPECT_EQ(ReadFileBytes(firstPath).substr(0, 13), "complete part");
    Variant cls;
    EXPECT_EQ(CallByName(SelectedItem(5).Get(), L"MessageClass", DISPATCH_PROPERTYGET, {}, &cls), S_OK);
    m_app.Reset();
    m_server.Stop();
    std::string after =
        ReadFileBytes(m_mailbox.Path() + L"c.eml") + ReadFileBytes(m_mailbox.Path() + L"e.msg");
    EXPECT_EQ(before, after);
}

TEST_F(AutomationServerTest, FailSaveAsFailsAndWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 1 --fail-saveas"));
    ComPtr<_MailItem> mail = SelectedMail(1);
    ASSERT_TRUE(mail);
    ComPtr<Attachment> attachment = AttachmentOf(mail.Get(), 1);
    ASSERT_TRUE(attachment);
    std::wstring target = m_out.Path() + L"never.bin";
    BSTR path = ::SysAllocString(target.c_str());
    EXPECT_TRUE(FAILED(attachment->SaveAsFile(path)));
    ::SysFreeString(path);
    EXPECT_FALSE(FileExists(target));
}

TEST_F(AutomationServerTest, ExitAfterCallsEndsTheServerAtTheNextCall) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L"--select 1 --exit-after-calls 3"));
    ComPtr<Selection> selection = GetSelection(); // ActiveExplorer and Selection: two calls
    ASSERT_TRUE(selection);
    long count = 0;
    EXPECT_EQ(selection->get_Count(&count), S_OK); // the third
    EXPECT_EQ(count, 1);
    ComPtr<IDispatch> item;
    EXPECT_TRUE(FAILED(selection->Item(1, item.ReleaseAndGetAddressOf()))); // the server is gone
    EXPECT_FALSE(item);
    EXPECT_EQ(m_server.WaitForExit(10000), kAbruptExitCode);
}

TEST_F(AutomationServerTest, ASecondStandInRefusesToStartWhileOneRuns) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L""));
    std::string output;
    EXPECT_EQ(StandInProcess::RunToEnd(L"--no-explorer", &output), kAlreadyRunningExitCode) << output;
    EXPECT_NE(output.find("already running"), std::string::npos) << output;
    ComPtr<_Application> again;
    EXPECT_EQ(m_server.Attach(again, IID__Application), S_OK); // the first one still serves
}

TEST_F(AutomationServerTest, RealMsgFileWithNestedMessagesOpensThroughCreateItemFromTemplate) {
    ASSERT_NO_FATAL_FAILURE(StartServer(L""));
    std::wstring source =
        AnsiToWide(VARO_TEST_SOURCE_DIR) + L"\\..\\shared\\testdata\\mail\\msg\\hht_msgInMsgInMsg.msg";
    if (!FileExists(source))
        GTEST_SKIP() << "shared test mails not found";
    ComPtr<_MailItem> mail = OpenTemplate(source);
    ASSERT_TRUE(mail);
    ComPtr<Attachments> attachments;
    ASSERT_EQ(mail->get_Attachments(attachments.ReleaseAndGetAddressOf()), S_OK);
    long count = 0;
    ASSERT_EQ(attachments->get_Count(&count), S_OK);
    EXPECT_GT(count, 0);
}
} // namespace
