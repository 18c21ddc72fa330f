// The report's files in the working folder: "VaroReport.xml" in the chosen encoding, and the page
// made from it. Each is written whole or its failure is added to the ones the user is told of.
#pragma once
#include "UniqueHandle.h"
#include "WorkingFolder.h"

#include <string>

class CReportFiles {
public:
    // folder is the working folder, ending with a backslash.
    explicit CReportFiles(std::string folder);

    std::string ReportPath() const;
    std::string StylesheetPath() const;
    std::string PagePath() const;

    // Creates the report file, or truncates it.
    void OpenReport();
    // Writes the text into the opened report and closes it: as UTF-8 when the encoding name is
    // exactly "UTF-8", else as its ANSI bytes whatever the declaration says. False when the
    // report is not whole (its failure then goes first).
    bool WriteReport(const std::string& text, const std::string& encoding, CWriteFailures& failures);
    // Writes and flushes the page; false when it is not whole (its failure then goes first).
    bool WritePage(const std::string& bytes, CWriteFailures& failures) const;

private:
    std::string m_folder;
    UniqueHandle m_report;
    DWORD m_openError = 0;
};
