// One capture of a generated mailbox by the real varo.exe from the real Outlook stand-in, with
// the checks every hostile mail must pass: no crash, nothing written on drive C: outside the
// working folder, every file written there listed in the log and gone after exit, a report that
// MSXML parses and transforms, and a window that answers after the capture. Time and the viewer's
// peak working set are printed for each case.
#pragma once
#include "StandInProcess.h"
#include "VaroDriver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct PlannedMail;

// Every file under a folder tree: relative path (upper case) -> size and last write time.
using TreeSnapshot = std::map<std::string, std::pair<ULONGLONG, ULONGLONG>>;
TreeSnapshot SnapshotTree(const std::string& root);

// The names a log holds, one per line.
std::vector<std::string> LogNames(const std::string& logPath);
// The file names (no folders) directly in a folder.
std::set<std::string> FilesIn(const std::string& folder);

class HostileCapture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The mailbox (outside drive C:) that the stand-in serves.
    std::string Mailbox() const { return m_mailbox; }
    void AddMail(const std::string& name, const PlannedMail& mail);
    // Starts the stand-in on the mailbox with these further options; false if it does not come up.
    bool StartOutlook(const std::wstring& options = L"--select 1");

    // Starts the viewer on a working folder under drive C: (or the given one) and waits for its
    // first capture to show a page; takes the drive's snapshot first.
    void StartViewer(const std::string& workFolder = std::string());
    // Waits until the viewer has shown count pages, answering its message boxes; false on timeout.
    bool WaitForPages(size_t count, DWORD timeoutMs);
    // Waits until the viewer has shown count message boxes in all.
    bool WaitForMessages(size_t count, DWORD timeoutMs);
    // The checks after a capture that showed its page: report, log, working folder, window.
    void CheckCapture(size_t listed);
    // The viewer answers a message again within the bound.
    bool Answers();
    // Closes the viewer (timed) and checks that the working folder holds only the viewer's own
    // files and that drive C: changed nowhere else.
    void CloseAndCheckCleanUp();
    // Keeps the page and what it shows (the pictures' shown copies too) for the browser check,
    // with what it should show; in hostile-pages by default.
    void KeepPageForBrowser(const std::string& subjectUtf8, const std::string& keepFolder = std::string());
    // Prints one line of figures for the report.
    void PrintFigures(const char* note = "");

    // The viewer's peak working set so far, in bytes.
    SIZE_T PeakWorkingSet() const;
    std::string Work(const std::string& name) const { return m_work + name; }

    std::string m_name, m_mailbox, m_work; // m_work ends with a backslash
    std::unique_ptr<VaroDriver> m_varo;
    StandInProcess m_outlook;
    TreeSnapshot m_before;
    double m_captureSeconds = 0, m_exitSeconds = 0;
    SIZE_T m_peak = 0;
    std::set<std::string> m_logged; // upper case, every name the log held before exit
};

// True when VARO_STRESS asks for the full sizes (scripts/stress).
bool Stress();

// The kind of the test program's own working folders: under the drive C: temporary folder.
std::string DriveCTemp();
