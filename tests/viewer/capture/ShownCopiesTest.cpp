// The pictures' shown copies over the life of a capture: made for the pictures that need them,
// kept while their page can be in view, and gone with a failed run, the next page and the capture.
#include "CaptureTestSupport.h"

#include "WorkingFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace {
std::string MailPicture(const char* leaf) {
    std::ifstream in(std::string(VARO_TEST_BINARY_DIR) + "\\mail-pictures\\" + leaf, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::shared_ptr<FakeMail> PhotoMail(const std::string& photo) {
    auto m = std::make_shared<FakeMail>();
    m->subject = L"photos";
    m->attachments = {{L"plain.png", "not decoded: the browser shows it as it is", nullptr},
                      {L"photo.jpg", photo, nullptr},
                      {L"notes.txt", "text", nullptr}};
    return m;
}
} // namespace

class ShownCopiesTest : public CaptureTest {
protected:
    std::string Copies() const { return Path(std::string(WorkingFiles::kShownCopies) + "\\"); }
    // The copies folder's files, sorted.
    std::vector<std::string> CopyFiles() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = ::FindFirstFileA((Copies() + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(data.cFileName);
        while (::FindNextFileA(find, &data));
        ::FindClose(find);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ShownCopiesTest, CopiesLastAsLongAsTheirPageCanBeInView) {
    const std::string photo = MailPicture("turned.jpg");
    if (photo.empty())
        GTEST_SKIP() << "no mail pictures (ImageMagick's convert missing?)";
    StartOutlook();
    m_outlook.selection = {PhotoMail(photo)};
    m_capture.OnRefresh();
    ASSERT_EQ(m_capture.events.back(), "idle");
    ASSERT_EQ(CopyFiles(), std::vector<std::string>{"1-2.jpg"});
    const std::string report = Read("VaroReport.xml");
    EXPECT_EQ(report.find("VaroShow"), std::string::npos) << report;
    std::string page = Read("VaroReport.htm");
    EXPECT_NE(page.find("src=\"./VaroShow/1-2.jpg\""), std::string::npos) << page;
    EXPECT_NE(page.find("src=\"./plain.png\""), std::string::npos);
    EXPECT_EQ(Read("varovlg.log"), "plain.png\r\nphoto.jpg\r\nnotes.txt\r\n");

    // A transform that fails keeps the page in view, and with it its copy; the run's own goes.
    m_capture.createProcessorResult = E_ACCESSDENIED;
    m_capture.OnRefresh();
    EXPECT_EQ(Read("VaroReport.htm"), page);
    EXPECT_EQ(CopyFiles(), std::vector<std::string>{"1-2.jpg"});
    // So does a walk that fails before any report file.
    m_capture.createProcessorResult = S_OK;
    auto broken = PhotoMail(photo);
    auto note = std::make_shared<FakeMail>();
    note->isMail = false;
    broken->attachments.push_back({L"note.msg", "", note});
    m_outlook.selection = {broken};
    m_capture.OnRefresh();
    EXPECT_EQ(CopyFiles(), std::vector<std::string>{"1-2.jpg"});

    // The next page replaces the copies; an empty mail leaves none.
    m_outlook.selection = {PhotoMail(photo)};
    m_capture.OnRefresh();
    EXPECT_EQ(CopyFiles(), std::vector<std::string>{"3-2.jpg"});
    EXPECT_EQ(Read("VaroReport.xml"), report);
    auto empty = std::make_shared<FakeMail>();
    empty->subject = L"photos";
    m_outlook.selection = {empty};
    m_capture.OnRefresh();
    EXPECT_TRUE(CopyFiles().empty());

    // The copies go with the capture, and their folder with them.
    auto capture = std::make_unique<RecordingCapture>();
    m_outlook.selection = {PhotoMail(photo)};
    capture->OnRefresh();
    EXPECT_EQ(CopyFiles(), std::vector<std::string>{"1-2.jpg"});
    capture->ReleaseOutlook();
    capture.reset();
    EXPECT_EQ(::GetFileAttributesA(Copies().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ShownCopiesTest, ExitCleanUpRemovesTheFolderWithWhatAnEndedRunLeft) {
    ASSERT_TRUE(::CreateDirectoryA(Copies().c_str(), nullptr));
    Write(std::string(WorkingFiles::kShownCopies) + "\\7-1.jpg", "left by a run that never ended");
    Write(std::string(WorkingFiles::kShownCopies) + "\\7-2.png", "and another");
    CShownCopies::RemoveFolder(m_folder);
    EXPECT_EQ(::GetFileAttributesA(Copies().c_str()), INVALID_FILE_ATTRIBUTES);
    // A file in the folder's place is an attachment's or someone else's: left alone.
    Write(WorkingFiles::kShownCopies, "a file");
    CShownCopies::RemoveFolder(m_folder);
    EXPECT_EQ(Read(WorkingFiles::kShownCopies), "a file");
}
