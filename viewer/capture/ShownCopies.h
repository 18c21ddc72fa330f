// The pictures of a capture as the page shows them. The embedded browser shows only JPEG, PNG, GIF
// and BMP, and ignores the orientation a phone writes into a photo; for every listed picture it
// would not show as intended, a copy it can show is made in a folder of the viewer's own inside the
// working folder, and the page learns of it through marks on the report's entries in memory (the
// report file itself stays as it is).
#pragma once
#include "ReportTransform.h"

#include <string>
#include <vector>

class CShownCopies {
public:
    CShownCopies() = default;
    CShownCopies(const CShownCopies&) = delete;
    CShownCopies& operator=(const CShownCopies&) = delete;
    // The copies only serve the pages of this capture: all of them go with it.
    ~CShownCopies();

    // Makes the copies for a run whose report lists names (entry i is names[i], saved in folder,
    // which ends with a backslash) and gives the marks that point the page at them. A picture
    // whose copy cannot be made keeps its entry as it is.
    ReportTransform::EntryMarks Make(const std::vector<std::string>& names, const std::string& folder);
    // The run's page is in view: the copies of the page it replaced are removed.
    void Keep();
    // The run's page was not made: its copies are removed, the page in view keeps its own.
    void Discard();

    // Removes the copies folder in the working folder with the files in it, whoever made them.
    static void RemoveFolder(const std::string& workingFolder);

private:
    // The run's number, so that a run never overwrites a copy the page in view still shows.
    unsigned m_run = 0;
    std::string m_folder;               // the copies folder of the last run, ending with a backslash
    std::vector<std::string> m_inView;  // copies of the page in view
    std::vector<std::string> m_pending; // copies of the run under way
};
