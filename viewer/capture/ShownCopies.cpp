#include "ShownCopies.h"

#include "CaptureCore.h"
#include "ShownCopyMaker.h"
#include "UniqueHandle.h"
#include "WorkingFiles.h"

#include <windows.h>

#include <memory>

namespace {
const char kShownAttribute[] = "SHOWNCOPY";
const char kPagesAttribute[] = "PAGECOUNT";
const char kPicture[] = "PIC";
// Room a copy's path needs beyond its base: the engine adds ".jpg" or ".png", and ".tmp" while
// the copy is being written, and the path ends with a null.
constexpr size_t kCopyExtension = 5;

void DeleteAll(std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        ::DeleteFileA(path.c_str());
    paths.clear();
}

// The copies folder, made if missing; false when it cannot be used. A link in its place could
// lead the copies out of the working folder, so only a plain folder will do.
bool UsableFolder(const std::string& path) {
    ::CreateDirectoryA(path.c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string LeafOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

CShownCopies::~CShownCopies() {
    DeleteAll(m_pending);
    DeleteAll(m_inView);
    if (!m_folder.empty())
        ::RemoveDirectoryA(m_folder.c_str()); // only when nothing else is left in it
}

ReportTransform::EntryMarks CShownCopies::Make(const std::vector<std::string>& names,
                                               const std::string& folder) {
    DeleteAll(m_pending);
    ReportTransform::EntryMarks marks;
    marks.entryCount = names.size();
    ++m_run;
    const std::string copies = folder + WorkingFiles::kShownCopies + "\\";
    std::unique_ptr<ShownCopyMaker> maker; // made only when a picture needs it
    bool folderReady = false;
    for (size_t i = 0; i < names.size(); ++i) {
        if (std::string(VaroCapture::AttachmentType(names[i])) != kPicture)
            continue;
        const std::string source = folder + names[i];
        if (!ShownCopyMaker::Needs(source))
            continue;
        // Named by run and entry only: nothing an attachment is called can reach these names.
        const std::string base = copies + std::to_string(m_run) + "-" + std::to_string(i + 1);
        if (base.size() + kCopyExtension >= MAX_PATH)
            break;
        if (!folderReady) {
            if (!UsableFolder(copies.substr(0, copies.size() - 1)))
                break;
            folderReady = true;
            m_folder = copies;
        }
        if (!maker)
            maker = std::make_unique<ShownCopyMaker>();
        ShownCopy copy;
        if (!maker->Make(source, base, &copy) || copy.path.empty())
            continue;
        m_pending.push_back(copy.path);
        marks.marks.push_back(
            {i, kShownAttribute, std::string(WorkingFiles::kShownCopies) + "/" + LeafOf(copy.path)});
        if (copy.pageCount > 1)
            marks.marks.push_back({i, kPagesAttribute, std::to_string(copy.pageCount)});
    }
    return marks;
}

void CShownCopies::Keep() {
    DeleteAll(m_inView);
    m_inView.swap(m_pending);
}

void CShownCopies::Discard() {
    DeleteAll(m_pending);
}

void CShownCopies::RemoveFolder(const std::string& workingFolder) {
    if (workingFolder.empty())
        return;
    const std::string folder = workingFolder + WorkingFiles::kShownCopies;
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    // A link in place of the folder is removed itself; what it leads to is not the viewer's.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA data;
        UniqueFindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
        if (find) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    ::DeleteFileA((folder + "\\" + data.cFileName).c_str());
            } while (::FindNextFileA(find.Get(), &data));
        }
    }
    ::RemoveDirectoryA(folder.c_str());
}
