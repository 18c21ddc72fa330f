// The capture run: attach to the running Outlook, save the attachments of the selected mail,
// write the XML report and its HTML page, and hand the page to the view. The user-interface
// effects of a run are virtual so that the view supplies them (and tests can watch them).
#pragma once
#include "ComPtr.h"
#include "CreatedFilesLog.h"
#include "ShownCopies.h"

#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>

class CVaroCapture {
public:
    CVaroCapture() = default;
    CVaroCapture(const CVaroCapture&) = delete;
    CVaroCapture& operator=(const CVaroCapture&) = delete;
    // Files a run saved that never reached the log are removed with it, as the exit clean-up would.
    virtual ~CVaroCapture() = default;

    // The Refresh command: one whole capture run.
    void OnRefresh();
    // The item's "MessageClass" in the ANSI code page; empty when it cannot be read.
    std::string GetMessageClass(IDispatch* item);
    // Saves every attachment of the mail into folder (attached messages walked depth first) and
    // appends the listed names.
    void SaveAttachments(IDispatch* mailItem, const char* folder, std::vector<std::string>& names);
    // Builds, writes and transforms the report of the mail, then shows the page.
    void WriteReport(IDispatch* mailItem, const char* folder);
    // Appends text (line feeds become CR LF) to the named file in the temporary folder.
    // Gives 0 or the system's error code; a failed append leaves the file as it was.
    DWORD AppendToLog(const char* fileName, const std::string& text);
    // Releases namespace, explorer and application, in that order.
    void ReleaseOutlook();

protected:
    // OK box with the exclamation icon, captioned with the application title.
    virtual void ShowMessage(const char* text);
    // The busy cursor of a run; EndBusyCursor is called once on every way out.
    virtual void BeginBusyCursor();
    virtual void EndBusyCursor();
    // Shows the page at path in the view.
    virtual void Navigate2(const char* path) = 0;
    // The class of the running Outlook to attach to.
    virtual HRESULT FindOutlookClass(CLSID* clsid);
    // Creates one XML service object (the transformation's only way to the platform's classes).
    virtual HRESULT CreateServiceObject(REFCLSID clsid, IUnknown** object);

    ComPtr<IDispatch> m_spOutlookApp;
    ComPtr<IDispatch> m_spNamespace;
    ComPtr<IDispatch> m_spExplorer;

private:
    // Keeps the busy cursor, and the mark of a run under way, for exactly as long as a run lives,
    // whichever way it ends.
    class BusyScope {
    public:
        explicit BusyScope(CVaroCapture& owner) : m_owner(owner) {
            m_owner.BeginBusyCursor();
            m_owner.m_running = true;
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;
        ~BusyScope() {
            m_owner.EndBusyCursor();
            m_owner.m_running = false;
        }

    private:
        CVaroCapture& m_owner;
    };

    HCURSOR m_previousCursor = nullptr;
    bool m_running = false;
    CCreatedFilesLog m_log;
    CShownCopies m_shownCopies;
};
