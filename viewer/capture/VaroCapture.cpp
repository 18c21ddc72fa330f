#include "VaroCapture.h"

#include "AutomationError.h"
#include "CaptureCore.h"
#include "Dispatch.h"
#include "StringConv.h"
#include "UniqueHandle.h"
#include "Variant.h"
#include "XmlDocument.h"
#include "XmlEncoding.h"

#include <msxml2.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>

namespace {
const char kAppTitle[] = "VARO";
const char kMsgLaunchOutlook[] = "Please Launch the Outlook First!";
const char kMsgSelectMail[] = "Please Select a Corresponding Mail in Outlook for Viewing Images!";
const wchar_t kOutlookProgId[] = L"Outlook.Application";
const char kMailMessageClass[] = "IPM.Note";
const wchar_t kNamespaceType[] = L"MAPI";
constexpr LCID kMessageClassLocale = 0x0800;

const char kReportXml[] = "VaroReport.xml";
const char kReportXsl[] = "VaroReport.xsl";
const char kReportHtm[] = "VaroReport.htm";
const char kLogFile[] = "varovlg.log";
const char kUtf8[] = "UTF-8";
const char kProlog[] = "<?xml version=\"1.0\" encoding=\"%s\"?>\r\n"
                       "<?xml-stylesheet href=\"VaroReport.xsl\" type=\"text/xsl\" ?>\r\n";
// Files of the working folder that no attachment may replace.
const char* const kReservedNames[] = {"VaroReport.xml", "VaroReport.xsl", "VaroReport.htm",
                                      "VaroReport.css", "VaroDoc.bmp",    "varovlg.log"};

// Outlook's interfaces, asked for by their identifiers and used through IDispatch.
const IID IID_OutlookApplication = {
    0x00063001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_OutlookMailItem = {
    0x00063034, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// MSXML has no import library for these.
const CLSID CLSID_XmlDocument = {
    0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const CLSID CLSID_XmlFreeThreadedDocument = {
    0xF6D90F12, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const CLSID CLSID_XslTemplate = {
    0x2933BF94, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_XmlDocument2 = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_XslTemplate = {0x2933BF93, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// A file that could not be written, and why.
struct WriteFailure {
    std::string path;
    DWORD error = 0;
};

std::string DescribeWriteFailures(const std::vector<WriteFailure>& failures) {
    std::string text;
    for (const WriteFailure& f : failures) {
        if (!text.empty())
            text += "\r\n\r\n";
        text += "The file \"" + f.path + "\" could not be written.\r\n" + DescribeSystemError(f.error);
    }
    return text;
}

// Writes all bytes; 0 or the system's error code.
DWORD WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr))
            return ::GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        data += written;
        size -= written;
    }
    return 0;
}

UniqueHandle CreateForWriting(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string TempFolder() {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    return folder;
}

std::u16string ToU16(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}
std::wstring ToWide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}

// What a file looked like, to tell whether a save wrote it.
struct FileState {
    bool exists = false;
    FILETIME written = {};
    DWORD sizeHigh = 0, sizeLow = 0;
};
FileState StateOf(const std::wstring& path) {
    FileState state;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        state.exists = true;
        state.written = data.ftLastWriteTime;
        state.sizeHigh = data.nFileSizeHigh;
        state.sizeLow = data.nFileSizeLow;
    }
    return state;
}
// A save that reports success wrote the file; a failed one wrote it only if the file is new or
// changed (a half-written file is the capture's too). Anything else was there before.
bool WrittenBySave(const FileState& before, const FileState& after, HRESULT saveResult) {
    if (!after.exists)
        return false;
    if (SUCCEEDED(saveResult) || !before.exists)
        return true;
    return ::CompareFileTime(&before.written, &after.written) != 0 || before.sizeHigh != after.sizeHigh ||
           before.sizeLow != after.sizeLow;
}

bool RepresentableInAnsi(const char16_t* ch, size_t units) {
    if (::GetACP() == CP_UTF8)
        return true;
    char buffer[8];
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(ch),
                                  static_cast<int>(units), buffer, sizeof buffer, nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

// Creates one service object as the platform's runtime expects: created for IUnknown, run, then
// asked for the interface. Missing interfaces leave the object absent; other failures end the run.
template <typename T> ComPtr<T> RunAndQuery(HRESULT created, IUnknown* unknown, REFIID iid) {
    ComPtr<T> out;
    if (FAILED(created) || !unknown) {
        if (FAILED(created) && created != E_NOINTERFACE)
            throw CAutomationError(created);
        return out;
    }
    // Running the object only readies it; the query below tells whether it is usable.
    ::OleRun(unknown);
    HRESULT hr = unknown->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    if (FAILED(hr) && hr != E_NOINTERFACE)
        throw CAutomationError(hr);
    return out;
}
} // namespace

CVaroCapture::~CVaroCapture() {
    if (m_unlogged.empty() || LogSavedFiles(std::string()) == 0)
        return;
    // The log stays out of reach: remove the files here, as the exit clean-up would have.
    const std::string folder = TempFolder();
    size_t start = 0;
    while (start < m_unlogged.size()) {
        size_t end = m_unlogged.find('\n', start);
        if (end == std::string::npos)
            end = m_unlogged.size();
        if (end > start)
            ::DeleteFileA((folder + m_unlogged.substr(start, end - start)).c_str());
        start = end + 1;
    }
}

CVaroCapture::SavedMessageFile::~SavedMessageFile() {
    if (m_written && !::DeleteFileW(m_path.c_str()))
        m_owner.m_unlogged += m_name + '\n';
}

void CVaroCapture::ShowMessage(const char* text) {
    ::MessageBoxA(::GetActiveWindow(), text, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

void CVaroCapture::BeginBusyCursor() {
    m_previousCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}

void CVaroCapture::EndBusyCursor() {
    ::SetCursor(m_previousCursor);
}

HRESULT CVaroCapture::FindOutlookClass(CLSID* clsid) {
    return ::CLSIDFromProgID(kOutlookProgId, clsid);
}

HRESULT CVaroCapture::CreateServiceObject(REFCLSID clsid, IUnknown** object) {
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(object));
}

void CVaroCapture::ReleaseOutlook() {
    m_spNamespace.Reset();
    m_spExplorer.Reset();
    m_spOutlookApp.Reset();
}

void CVaroCapture::OnRefresh() {
    // A message box, or a wait for Outlook, lets queued commands through. A Refresh arriving
    // inside a run would replace the references that run is using and the cursor it will put
    // back; the run under way reports the current selection anyway, so the request is dropped.
    if (m_running)
        return;
    BusyScope busy(*this);

    // Attach to the running Outlook; the viewer never starts one.
    m_spOutlookApp.Reset();
    CLSID clsid = {};
    ComPtr<IUnknown> running;
    HRESULT hr = FindOutlookClass(&clsid);
    if (SUCCEEDED(hr))
        hr = ::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr) && running)
        hr = running.As(IID_OutlookApplication, m_spOutlookApp);
    if (FAILED(hr) || !m_spOutlookApp) {
        m_spOutlookApp.Reset();
        ShowMessage(kMsgLaunchOutlook);
        return;
    }

    try {
        m_spNamespace.Reset();
        m_spNamespace = Dispatch::ToDispatch(Dispatch::CallMethod(m_spOutlookApp.Get(), L"GetNamespace",
                                                                  {CVariant::FromString(kNamespaceType)}));
        Dispatch::CallMethod(
            m_spNamespace.Get(), L"Logon",
            {CVariant::Omitted(), CVariant::Omitted(), CVariant::Omitted(), CVariant::Omitted()});

        m_spExplorer.Reset();
        m_spExplorer = Dispatch::ToDispatch(Dispatch::CallMethod(m_spOutlookApp.Get(), L"ActiveExplorer"));
        ComPtr<IDispatch> selection =
            Dispatch::ToDispatch(Dispatch::GetProperty(m_spExplorer.Get(), L"Selection"));
        long count = Dispatch::ToLong(Dispatch::GetProperty(selection.Get(), L"Count"));
        // Only the last selected item is reported.
        ComPtr<IDispatch> item =
            Dispatch::ToDispatch(Dispatch::CallMethod(selection.Get(), L"Item", {CVariant::FromLong(count)}));
        if (!item)
            throw CAutomationError(E_POINTER);

        if (GetMessageClass(item.Get()) != kMailMessageClass) {
            ShowMessage(kMsgSelectMail);
            return;
        }
        ComPtr<IDispatch> mail;
        hr = item.As(IID_OutlookMailItem, mail);
        if (FAILED(hr) && hr != E_NOINTERFACE)
            throw CAutomationError(hr);
        WriteReport(mail.Get(), TempFolder().c_str());
    } catch (const CAutomationError& e) {
        ShowMessage(kMsgSelectMail);
        ShowMessage(e.Description().c_str());
    }
}

std::string CVaroCapture::GetMessageClass(IDispatch* item) {
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

void CVaroCapture::SaveAttachments(IDispatch* mailItem, const char* folder, std::vector<std::string>& names) {
    Walk walk;
    for (const char* reserved : kReservedNames)
        walk.used.insert(UpperCase(AnsiToWide(reserved)));
    SaveAttachmentsInto(mailItem, folder, names, walk);
}

std::string CVaroCapture::TargetName(const std::wstring& fileName, const std::string& folder, NameSet& used) {
    // Paths live in buffers of MAX_PATH characters, terminator included. The exit clean-up joins
    // folder and name with one more separator, and must still reach the file.
    constexpr size_t kCleanUpSeparator = 1;
    if (folder.size() + 1 + kCleanUpSeparator >= MAX_PATH)
        return {};
    size_t room = MAX_PATH - 1 - kCleanUpSeparator - folder.size();
    std::u16string safe = VaroCapture::MakeSafeLeafName(ToU16(fileName), RepresentableInAnsi);
    auto taken = [&used](const std::u16string& candidate) {
        return used.count(UpperCase(ToWide(candidate))) != 0;
    };
    for (size_t maxUnits = room; maxUnits > 0; --maxUnits) {
        std::u16string shortened = VaroCapture::ShortenFileName(safe, maxUnits);
        if (shortened.empty())
            break;
        std::u16string unique = VaroCapture::MakeUniqueName(shortened, maxUnits, taken);
        if (unique.empty())
            break;
        std::string ansi = WideToAnsi(ToWide(unique));
        if (ansi.size() <= room) {
            used.insert(UpperCase(ToWide(unique)));
            return ansi;
        }
    }
    return {};
}

void CVaroCapture::SaveAttachmentsInto(IDispatch* mailItem, const std::string& folder,
                                       std::vector<std::string>& names, Walk& walk) {
    if (!mailItem)
        throw CAutomationError(E_POINTER);
    ComPtr<IDispatch> attachments =
        Dispatch::ToDispatch(Dispatch::GetProperty(mailItem, L"Attachments", nullptr, &walk.mailIds));
    long count =
        Dispatch::ToLong(Dispatch::GetProperty(attachments.Get(), L"Count", nullptr, &walk.collectionIds));
    for (long i = 1; i <= count; ++i) {
        ComPtr<IDispatch> attachment = Dispatch::ToDispatch(Dispatch::CallMethod(
            attachments.Get(), L"Item", {CVariant::FromLong(i)}, nullptr, &walk.collectionIds));
        if (!attachment)
            throw CAutomationError(E_POINTER);
        std::wstring fileName = Dispatch::ToWString(
            Dispatch::GetProperty(attachment.Get(), L"FileName", nullptr, &walk.attachmentIds));
        std::string name = TargetName(fileName, folder, walk.used);
        if (name.empty()) {
            ShowMessage(("The attachment \"" + WideToAnsi(fileName) +
                         "\" was not saved: the working folder's path leaves no room for its name.")
                            .c_str());
            continue;
        }
        std::string path = folder + name;
        std::wstring widePath = AnsiToWide(path);
        // The attachment's own extension decides whether it is a message to walk. Only then does
        // the file's state before the save matter (asking for a missing file is not free).
        const bool isMessage = VaroCapture::IsMessageExtension(WideToAnsi(fileName));
        const FileState before = isMessage ? StateOf(widePath) : FileState();
        // The walk counts on the file being there whatever the result; the result only tells
        // whether a message file found afterwards is this save's to remove.
        HRESULT saved = S_OK;
        Dispatch::CallMethod(attachment.Get(), L"SaveAsFile", {CVariant::FromString(widePath)}, &saved,
                             &walk.attachmentIds);

        if (isMessage) {
            // Declared first, so that it is removed after the items opened from it are released.
            SavedMessageFile messageFile(*this, widePath, name,
                                         WrittenBySave(before, StateOf(widePath), saved));
            if (!m_spOutlookApp)
                throw CAutomationError(E_POINTER);
            ComPtr<IDispatch> created = Dispatch::ToDispatch(
                Dispatch::CallMethod(m_spOutlookApp.Get(), L"CreateItemFromTemplate",
                                     {CVariant::FromString(widePath), CVariant::Omitted()}));
            if (!created)
                throw CAutomationError(E_POINTER);
            ComPtr<IDispatch> nested;
            HRESULT hr = created.As(IID_OutlookMailItem, nested);
            if (FAILED(hr) && hr != E_NOINTERFACE)
                throw CAutomationError(hr);
            SaveAttachmentsInto(nested.Get(), folder, names, walk);
        } else {
            names.push_back(name);
        }
    }
}

DWORD CVaroCapture::LogSavedFiles(const std::string& logText) {
    m_unlogged += logText;
    DWORD error = AppendToLog(kLogFile, m_unlogged);
    if (error == 0)
        m_unlogged.clear();
    return error;
}

DWORD CVaroCapture::AppendToLog(const char* fileName, const std::string& text) {
    std::string path = TempFolder() + fileName;
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ::GetLastError();
    LARGE_INTEGER zero = {}, end = {};
    if (!::SetFilePointerEx(file.Get(), zero, &end, FILE_END))
        return ::GetLastError();
    // The log is a text file: each line ends with CR LF on disk.
    std::string lines;
    lines.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    DWORD error = WriteAll(file.Get(), lines.data(), lines.size());
    if (error != 0) {
        // Half a line would name a file nobody saved: cut the log back to its whole lines.
        // Nothing more can be done if even that fails.
        if (::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN))
            ::SetEndOfFile(file.Get());
    }
    return error;
}

void CVaroCapture::WriteReport(IDispatch* mailItem, const char* folderText) {
    if (!mailItem)
        throw CAutomationError(E_POINTER);
    const std::string folder = folderText;
    std::string subject =
        VaroCapture::ReportText(WideToAnsi(Dispatch::ToWString(Dispatch::GetProperty(mailItem, L"Subject"))));

    CXmlDocument document;
    std::vector<char> prolog(sizeof kProlog + g_strXMLEncoding.size());
    std::snprintf(prolog.data(), prolog.size(), kProlog, g_strXMLEncoding.c_str());
    document.LoadText(prolog.data()); // finds no element; the prolog stays as the text's start
    document.AppendElement("MAILITEM");
    document.SetAttributeOf(document.currentIndex(), "xml:space", "preserve");
    document.AppendElement("SUBJECT", subject.c_str(), true);

    // Every attachment is saved before any report file is touched.
    std::vector<std::string> names;
    try {
        SaveAttachments(mailItem, folder.c_str(), names);
    } catch (const CAutomationError&) {
        // The files saved before the failure are the capture's all the same: the exit clean-up
        // must find them. The report files stay as they were.
        if (!names.empty() || !m_unlogged.empty())
            LogSavedFiles(VaroCapture::LogText(names.data(), names.size()));
        throw;
    }

    document.AppendElement("ATTACHMENTS", nullptr, true);
    document.EnterElement();
    for (const std::string& name : names) {
        document.AppendElement("ATTACHMENT", name.c_str(), true);
        document.SetAttributeOf(document.childIndex(), "FILENAME", name.c_str());
        document.SetAttributeOf(document.childIndex(), "ATTTYPE", VaroCapture::AttachmentType(name));
    }
    std::string logText = VaroCapture::LogText(names.data(), names.size());
    std::string text = document.GetText();

    std::vector<WriteFailure> failures;
    const std::string reportPath = folder + kReportXml;
    UniqueHandle report = CreateForWriting(reportPath);
    DWORD reportError = report ? 0 : ::GetLastError();
    // The saved files are logged even when the report cannot be written, so that the clean-up
    // at exit still finds them.
    if (DWORD logError = LogSavedFiles(logText))
        failures.push_back({TempFolder() + kLogFile, logError});

    if (report) {
        if (g_strXMLEncoding == kUtf8) {
            std::wstring wide = AnsiToWide(text);
            const char16_t* units = reinterpret_cast<const char16_t*>(wide.data());
            size_t size = VaroCapture::EncodeUtf8(units, wide.size(), nullptr, 0);
            std::string bytes(size, '\0');
            if (size)
                VaroCapture::EncodeUtf8(units, wide.size(), &bytes[0], size);
            reportError = WriteAll(report.Get(), bytes.data(), bytes.size());
        } else {
            reportError = WriteAll(report.Get(), text.data(), text.size());
        }
        report.Reset();
    }
    if (reportError) {
        // Without its source the page would be stale or broken: keep the previous page in view.
        failures.insert(failures.begin(), {reportPath, reportError});
        ShowMessage(DescribeWriteFailures(failures).c_str());
        return;
    }

    std::string page;
    try {
        page = TransformReport(folder);
    } catch (const CAutomationError&) {
        // The run ends with the failure's own messages; a log that missed this run's files
        // (which the exit clean-up will then leave behind) must not go unmentioned.
        if (!failures.empty())
            ShowMessage(DescribeWriteFailures(failures).c_str());
        throw;
    }
    const std::string pagePath = folder + kReportHtm;
    DWORD pageError = 0;
    {
        UniqueHandle file = CreateForWriting(pagePath);
        if (!file)
            pageError = ::GetLastError();
        else if (!(pageError = WriteAll(file.Get(), page.data(), page.size())) &&
                 !::FlushFileBuffers(file.Get()))
            pageError = ::GetLastError();
    }
    if (pageError) {
        failures.insert(failures.begin(), {pagePath, pageError});
        ShowMessage(DescribeWriteFailures(failures).c_str());
        return;
    }
    if (!failures.empty())
        ShowMessage(DescribeWriteFailures(failures).c_str());
    Navigate2(pagePath.c_str());
}

std::string CVaroCapture::TransformReport(const std::string& folder) {
    ComPtr<IUnknown> unknown;
    HRESULT hr = CreateServiceObject(CLSID_XmlDocument, unknown.ReleaseAndGetAddressOf());
    ComPtr<IXMLDOMDocument2> xml = RunAndQuery<IXMLDOMDocument2>(hr, unknown.Get(), IID_XmlDocument2);
    hr = CreateServiceObject(CLSID_XmlFreeThreadedDocument, unknown.ReleaseAndGetAddressOf());
    ComPtr<IXMLDOMDocument2> xsl = RunAndQuery<IXMLDOMDocument2>(hr, unknown.Get(), IID_XmlDocument2);
    hr = CreateServiceObject(CLSID_XslTemplate, unknown.ReleaseAndGetAddressOf());
    ComPtr<IXSLTemplate> xslTemplate = RunAndQuery<IXSLTemplate>(hr, unknown.Get(), IID_XslTemplate);
    unknown.Reset();
    if (!xml || !xsl || !xslTemplate)
        throw CAutomationError(E_POINTER);

    // Whether the loads parsed is not judged here: an unreadable report or stylesheet shows up as
    // a failure of createProcessor or transform, or as what the processor makes of it.
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ThrowIfFailed(xml->load(CVariant::FromString(AnsiToWide(folder + kReportXml)).Get(), &loaded));
    ThrowIfFailed(xsl->load(CVariant::FromString(AnsiToWide(folder + kReportXsl)).Get(), &loaded));
    // Deliberately unchecked: a stylesheet the template refuses makes createProcessor fail.
    xslTemplate->putref_stylesheet(xsl.Get());
    ComPtr<IXSLProcessor> processor;
    ThrowIfFailed(xslTemplate->createProcessor(processor.ReleaseAndGetAddressOf()));
    if (!processor)
        throw CAutomationError(E_POINTER);

    ComPtr<IStream> stream;
    ThrowIfFailed(::CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()));
    // Deliberately unchecked: without output or input the transform call fails, which is checked.
    processor->put_output(CVariant::FromUnknown(stream.Get()).Get());
    processor->put_input(CVariant::FromDispatch(xml.Get()).Get());
    // done only says whether a transformation may be resumed; a synchronous input always finishes.
    VARIANT_BOOL done = VARIANT_FALSE;
    ThrowIfFailed(processor->transform(&done));

    // The page is what the processor wrote, from the stream's start to its current position.
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER end = {};
    ThrowIfFailed(stream->Seek(zero, STREAM_SEEK_CUR, &end));
    std::string bytes(static_cast<size_t>(end.QuadPart), '\0');
    ThrowIfFailed(stream->Seek(zero, STREAM_SEEK_SET, nullptr));
    ULONG read = 0;
    if (!bytes.empty())
        ThrowIfFailed(stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read));
    bytes.resize(read);
    return bytes;
}
