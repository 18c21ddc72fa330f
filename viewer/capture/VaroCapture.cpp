#include "VaroCapture.h"

#include "AttachmentWalk.h"
#include "AutomationError.h"
#include "CaptureCore.h"
#include "OutlookCalls.h"
#include "ReportDocument.h"
#include "ReportFiles.h"
#include "ReportTransform.h"
#include "WorkingFiles.h"
#include "WorkingFolder.h"
#include "XmlEncoding.h"

namespace {
const char kAppTitle[] = "VARO";
const char kMsgLaunchOutlook[] = "Please Launch the Outlook First!";
const char kMsgSelectMail[] = "Please Select a Corresponding Mail in Outlook for Viewing Images!";
const wchar_t kOutlookProgId[] = L"Outlook.Application";
const char kMailMessageClass[] = "IPM.Note";
} // namespace

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
    return ReportTransform::CreatePlatformObject(clsid, object);
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
    if (SUCCEEDED(FindOutlookClass(&clsid)))
        m_spOutlookApp = OutlookCalls::AttachToRunning(clsid);
    if (!m_spOutlookApp) {
        ShowMessage(kMsgLaunchOutlook);
        return;
    }

    try {
        m_spNamespace.Reset();
        m_spNamespace = OutlookCalls::GetNamespace(m_spOutlookApp.Get());
        OutlookCalls::Logon(m_spNamespace.Get());
        m_spExplorer.Reset();
        m_spExplorer = OutlookCalls::ActiveExplorer(m_spOutlookApp.Get());
        // Only the last selected item is reported.
        ComPtr<IDispatch> item = OutlookCalls::LastSelectedItem(m_spExplorer.Get());
        if (GetMessageClass(item.Get()) != kMailMessageClass) {
            ShowMessage(kMsgSelectMail);
            return;
        }
        ComPtr<IDispatch> mail = OutlookCalls::AsMailItem(item.Get());
        WriteReport(mail.Get(), WorkingFolder().c_str());
    } catch (const CAutomationError& e) {
        ShowMessage(kMsgSelectMail);
        ShowMessage(e.Description().c_str());
    }
}

std::string CVaroCapture::GetMessageClass(IDispatch* item) {
    return OutlookCalls::MessageClass(item);
}

void CVaroCapture::SaveAttachments(IDispatch* mailItem, const char* folder, std::vector<std::string>& names) {
    CAttachmentWalk walk(m_spOutlookApp.Get(), m_log, [this](const char* text) { ShowMessage(text); });
    walk.SaveAttachments(mailItem, folder, names);
}

DWORD CVaroCapture::AppendToLog(const char* fileName, const std::string& text) {
    return CCreatedFilesLog::AppendToFile(fileName, text);
}

void CVaroCapture::WriteReport(IDispatch* mailItem, const char* folder) {
    if (!mailItem)
        throw CAutomationError(E_POINTER);
    CReportDocument document(g_strXMLEncoding, OutlookCalls::Subject(mailItem));

    // Every attachment is saved before any report file is touched.
    std::vector<std::string> names;
    try {
        SaveAttachments(mailItem, folder, names);
    } catch (const CAutomationError&) {
        // The files saved before the failure are the capture's all the same: the exit clean-up
        // must find them. The report files stay as they were.
        if (!names.empty() || m_log.HasUnlogged())
            m_log.Append(VaroCapture::LogText(names.data(), names.size()));
        throw;
    }
    document.AddAttachments(names);
    const std::string logText = VaroCapture::LogText(names.data(), names.size());
    const std::string text = document.Text();

    CReportFiles files(folder);
    CWriteFailures failures;
    files.OpenReport();
    // The saved files are logged even when the report cannot be written, so that the clean-up
    // at exit still finds them.
    if (DWORD logError = m_log.Append(logText))
        failures.Add(WorkingFolder() + WorkingFiles::kLog, logError);
    if (!files.WriteReport(text, g_strXMLEncoding, failures)) {
        // Without its source the page would be stale or broken: keep the previous page in view.
        ShowMessage(failures.Describe().c_str());
        return;
    }

    // Pictures the browser would show turned, or not at all, get copies it shows as intended.
    const ReportTransform::EntryMarks marks = m_shownCopies.Make(names, folder);
    std::string page;
    try {
        page = ReportTransform::Run(
            files.ReportPath(), files.StylesheetPath(),
            [this](REFCLSID clsid, IUnknown** object) { return CreateServiceObject(clsid, object); }, marks);
    } catch (const CAutomationError&) {
        m_shownCopies.Discard();
        // The run ends with the failure's own messages; a log that missed this run's files
        // (which the exit clean-up will then leave behind) must not go unmentioned.
        if (!failures.Empty())
            ShowMessage(failures.Describe().c_str());
        throw;
    }
    const bool pageWritten = files.WritePage(page, failures);
    if (pageWritten)
        m_shownCopies.Keep();
    else
        m_shownCopies.Discard();
    if (!failures.Empty())
        ShowMessage(failures.Describe().c_str());
    if (pageWritten)
        Navigate2(files.PagePath().c_str());
}
