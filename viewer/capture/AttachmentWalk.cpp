#include "AttachmentWalk.h"

#include "AutomationError.h"
#include "CaptureCore.h"
#include "OutlookCalls.h"
#include "StringConv.h"

#include <windows.h>

namespace {
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
} // namespace

CAttachmentWalk::CAttachmentWalk(IDispatch* application, CCreatedFilesLog& log, ShowMessage showMessage)
    : m_application(application), m_log(log), m_showMessage(std::move(showMessage)) {}

CAttachmentWalk::SavedMessageFile::~SavedMessageFile() {
    if (m_written && !::DeleteFileW(m_path.c_str()))
        m_log.Keep(m_name);
}

void CAttachmentWalk::SaveAttachments(IDispatch* mailItem, const std::string& folder,
                                      std::vector<std::string>& names) {
    if (!mailItem)
        throw CAutomationError(E_POINTER);
    ComPtr<IDispatch> attachments = OutlookCalls::Attachments(mailItem, m_mailIds);
    long count = OutlookCalls::Count(attachments.Get(), m_collectionIds);
    for (long i = 1; i <= count; ++i) {
        ComPtr<IDispatch> attachment = OutlookCalls::Item(attachments.Get(), i, m_collectionIds);
        std::wstring fileName = OutlookCalls::FileName(attachment.Get(), m_attachmentIds);
        std::string name = m_names.Take(fileName, folder);
        if (name.empty()) {
            m_showMessage(("The attachment \"" + WideToAnsi(fileName) +
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
        HRESULT saved = OutlookCalls::SaveAsFile(attachment.Get(), widePath, m_attachmentIds);

        if (isMessage) {
            // Declared first, so that it is removed after the items opened from it are released.
            SavedMessageFile messageFile(m_log, widePath, name,
                                         WrittenBySave(before, StateOf(widePath), saved));
            ComPtr<IDispatch> nested = OutlookCalls::OpenMessageFile(m_application, widePath);
            SaveAttachments(nested.Get(), folder, names);
        } else {
            names.push_back(name);
        }
    }
}
