// One walk of a mail's attachments: each is saved into the working folder under a safe, unique
// name and listed; an attached message is opened through Outlook and walked in turn, depth first,
// and its file removed once the walk is done with it.
#pragma once
#include "CreatedFilesLog.h"
#include "Dispatch.h"
#include "TargetNames.h"

#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

class CAttachmentWalk {
public:
    using ShowMessage = std::function<void(const char* text)>;
    // application opens the attached messages; log takes a message file that cannot be removed;
    // showMessage tells the user of an attachment that cannot be saved.
    CAttachmentWalk(IDispatch* application, CCreatedFilesLog& log, ShowMessage showMessage);

    // Saves every attachment of the mail into folder and appends the listed names.
    void SaveAttachments(IDispatch* mailItem, const std::string& folder, std::vector<std::string>& names);

private:
    // An attached message saved only to be opened: removed once the walk is done with it, if this
    // save wrote it. One that cannot be removed goes to the log for the exit clean-up.
    class SavedMessageFile {
    public:
        SavedMessageFile(CCreatedFilesLog& log, std::wstring path, std::string name, bool written)
            : m_log(log), m_path(std::move(path)), m_name(std::move(name)), m_written(written) {}
        SavedMessageFile(const SavedMessageFile&) = delete;
        SavedMessageFile& operator=(const SavedMessageFile&) = delete;
        ~SavedMessageFile();

    private:
        CCreatedFilesLog& m_log;
        std::wstring m_path;
        std::string m_name;
        bool m_written;
    };

    IDispatch* m_application;
    CCreatedFilesLog& m_log;
    ShowMessage m_showMessage;
    CTargetNames m_names;
    // The member ids of the mail, collection and attachment objects (each a single type) save a
    // round trip per call.
    Dispatch::CDispIdCache m_mailIds, m_collectionIds, m_attachmentIds;
};
