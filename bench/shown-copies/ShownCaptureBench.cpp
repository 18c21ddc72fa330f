// Capture to page of a mail of phone photos stored turned (orientation 6), against the same mail
// with the photos upright (orientation 1), which need no shown copies, both from the Outlook
// stand-in in this run.
//   shown_capture_bench.exe [PHOTOS] [REPEATS]     (default: 50 photos, best of 1)
#include "UniqueHandle.h"
#include "VaroCapture.h"

#include "Base64Text.h"
#include "StandInProcess.h"
#include "StringConv.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchPhoto.h"

namespace {
using Clock = std::chrono::steady_clock;

class QuietCapture : public CVaroCapture {
public:
    int messages = 0;
    bool navigated = false;

protected:
    void ShowMessage(const char* text) override {
        ++messages;
        std::fprintf(stderr, "capture message: %s\n", text);
    }
    void BeginBusyCursor() override {}
    void EndBusyCursor() override {}
    void Navigate2(const char*) override { navigated = true; }
};

template <typename Visit> void ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
    if (!find)
        return;
    do {
        if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..")
            visit(data);
    } while (::FindNextFileA(find.Get(), &data));
}

// Files in the folders below the working folder: the shown copies a capture keeps.
int CopiesBelow(const std::string& folder) {
    int count = 0;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA& entry) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ForEachEntry(folder + entry.cFileName + "\\", [&](const WIN32_FIND_DATAA&) { ++count; });
    });
    return count;
}

void RemoveAll(const std::string& folder) {
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA& entry) {
        const std::string path = folder + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveAll(path + "\\");
            ::RemoveDirectoryA(path.c_str());
        } else {
            ::DeleteFileA(path.c_str());
        }
    });
}

struct Outcome {
    double seconds = 1e30;
    int copies = 0;
    bool failed = false;
};

// The best of repeats captures of the one mail in mailbox, each into an empty working folder.
// The stand-in keeps the temporary folder it starts with; the capture gets the working folder.
Outcome CaptureMailbox(const std::string& mailbox, const std::string& temp, const std::string& work,
                       int repeats) {
    Outcome outcome;
    ::SetEnvironmentVariableA("TMP", temp.c_str());
    ::SetEnvironmentVariableA("TEMP", temp.c_str());
    StandInProcess server;
    constexpr DWORD kReadyTimeoutMs = 600000; // the stand-in reads the whole mailbox first
    if (!server.Start(AnsiToWide("--mailbox \"" + mailbox.substr(0, mailbox.size() - 1) + "\" --select 1"),
                      std::wstring(), kReadyTimeoutMs)) {
        outcome.failed = true;
        return outcome;
    }
    ::SetEnvironmentVariableA("TMP", work.c_str());
    ::SetEnvironmentVariableA("TEMP", work.c_str());
    const std::string stylesheet = std::string(VARO_BENCH_SOURCE_DIR) + "\\data\\VaroReport.xsl";
    for (int r = 0; r < repeats; ++r) {
        RemoveAll(work);
        ::CopyFileA(stylesheet.c_str(), (work + "VaroReport.xsl").c_str(), FALSE);
        QuietCapture capture;
        const auto start = Clock::now();
        capture.OnRefresh();
        outcome.seconds =
            std::min(outcome.seconds, std::chrono::duration<double>(Clock::now() - start).count());
        outcome.failed = outcome.failed || !capture.navigated || capture.messages;
        outcome.copies = CopiesBelow(work);
        capture.ReleaseOutlook();
    }
    server.Stop();
    RemoveAll(work);
    return outcome;
}

void WriteMail(const std::string& path, const std::string& photo, int photos) {
    const std::string boundary = "bench-boundary";
    std::ofstream mail(path, std::ios::binary);
    mail << "From: bench@example.com\r\nSubject: " << photos << " photos\r\nMIME-Version: 1.0\r\n"
         << "Content-Type: multipart/mixed; boundary=\"" << boundary << "\"\r\n\r\n";
    const std::string encoded = Base64Text(photo);
    for (int i = 0; i < photos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
        mail << "--" << boundary
             << "\r\nContent-Type: image/jpeg\r\nContent-Disposition: attachment; filename=\"" << name
             << "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
             << encoded << "\r\n";
    }
    mail << "--" << boundary << "--\r\n";
}

} // namespace

int main(int argc, char** argv) {
    const int photos = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string base =
        std::string(temp) + "varo-shown-capture-" + std::to_string(::GetCurrentProcessId()) + "\\";
    const std::string upright = base + "upright\\", turned = base + "turned\\", work = base + "work\\";
    for (const std::string& f : {base, upright, turned, work})
        ::CreateDirectoryA(f.c_str(), nullptr);

    std::string jpeg;
    {
        Pictures::WicCodec codec;
        jpeg = BenchPhoto::Jpeg(codec, base + "photo.jpg");
    }
    ::DeleteFileA((base + "photo.jpg").c_str());
    if (jpeg.empty()) {
        std::fprintf(stderr, "shown capture bench: no JPEG encoder here\n");
        return 1;
    }
    WriteMail(upright + "photos.eml", BenchPhoto::WithOrientation(jpeg, 1), photos);
    WriteMail(turned + "photos.eml", BenchPhoto::WithOrientation(jpeg, 6), photos);

    int status = 0;
    if (StandInProcess::RunToEnd(L"--register") != 0) {
        std::fprintf(stderr, "cannot register the stand-in\n");
        status = 1;
    } else {
        const Outcome plain = CaptureMailbox(upright, temp, work, repeats);
        const Outcome shown = CaptureMailbox(turned, temp, work, repeats);
        StandInProcess::RunToEnd(L"--unregister");
        std::printf("photos=%d photo=%zuKB orientation1=%.2fs orientation6=%.2fs ratio=%.2f "
                    "per-photo-extra=%.0fms copies=%d/%d%s\n",
                    photos, jpeg.size() / 1024, plain.seconds, shown.seconds, shown.seconds / plain.seconds,
                    (shown.seconds - plain.seconds) * 1000.0 / photos, shown.copies, plain.copies,
                    plain.failed || shown.failed ? " (capture FAILED)" : "");
        status = plain.failed || shown.failed ? 1 : 0;
    }
    RemoveAll(base);
    ::RemoveDirectoryA(base.c_str());
    ::CoUninitialize();
    return status;
}
