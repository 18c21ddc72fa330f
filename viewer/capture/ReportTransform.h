// The report's HTML page: the stylesheet run over the written report by the platform's XSLT
// processor (MSXML), collected in memory.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace ReportTransform {

// Creates one XML service object for IUnknown.
using CreateObject = std::function<HRESULT(REFCLSID clsid, IUnknown** object)>;

// The platform's way: CoCreateInstance for IUnknown in any context.
HRESULT CreatePlatformObject(REFCLSID clsid, IUnknown** object);

// An attribute given to one entry of the loaded report, for the stylesheet only: the report file
// keeps its layout.
struct EntryMark {
    std::size_t entry = 0; // the entry's position among the report's attachments
    const char* attribute = "";
    std::string value; // ANSI
};
struct EntryMarks {
    // The entries the written report holds; marks are given only when the loaded one holds as
    // many, so that no mark lands on another file's entry.
    std::size_t entryCount = 0;
    std::vector<EntryMark> marks;
};

// Loads the report and the stylesheet, marks the loaded report's entries, runs the transformation
// and gives the bytes the processor wrote. A failure that the capture judges raises
// CAutomationError; the service objects are released before it returns. A mark that cannot be
// set leaves its entry as the report has it.
std::string Run(const std::string& reportPath, const std::string& stylesheetPath, const CreateObject& create,
                const EntryMarks& marks = EntryMarks());

} // namespace ReportTransform
