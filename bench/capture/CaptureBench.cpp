// One capture of a mail with many pictures from the Outlook stand-in, against copying the same
// bytes into the same folder, both measured in this run.
//   capture_bench.exe ATTACHMENTS BYTES_EACH [REPEATS]
// Prints one line: attachments, bytes, best capture time, best copy time and their ratio, and the
// capture against the floor of the protocol (copy plus the calls that each attachment needs).
#include "UniqueHandle.h"
#include "VaroCapture.h"

#include "Base64Text.h"
#include "Dispatch.h"
#include "StandInProcess.h"
#include "StringConv.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

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
    void Navigate2(const char*) override {
        navigated = true;
        shown = Clock::now();
    }
    // The first XML service object marks the end of the walk and the start of the transform.
    HRESULT CreateServiceObject(REFCLSID clsid, IUnknown** object) override {
        if (!transforming) {
            transforming = true;
            transformStart = Clock::now();
        }
        return CVaroCapture::CreateServiceObject(clsid, object);
    }

public:
    bool transforming = false;
    Clock::time_point transformStart, shown;
};

// Item, FileName, SaveAsFile, and the release of the attachment object that Item handed out:
// a cross-process object costs its own round trip when it is let go.
constexpr int kCallsPerAttachment = 4;

// The running stand-in's selection; null when it cannot be reached.
ComPtr<IDispatch> RunningSelection() {
    CLSID clsid = {};
    ComPtr<IUnknown> running;
    ComPtr<IDispatch> app;
    if (FAILED(::CLSIDFromProgID(L"Outlook.Application", &clsid)) ||
        FAILED(::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf())) ||
        FAILED(running.As(IID_IDispatch, app)))
        return {};
    ComPtr<IDispatch> explorer = Dispatch::ToDispatch(Dispatch::CallMethod(app.Get(), L"ActiveExplorer"));
    return Dispatch::ToDispatch(Dispatch::GetProperty(explorer.Get(), L"Selection"));
}

// One automation round trip to the running stand-in: a property get that returns a number
// (Selection.Count), best average over a few series of many calls.
double RoundTripSeconds() {
    ComPtr<IDispatch> selection = RunningSelection();
    LPOLESTR name = const_cast<LPOLESTR>(L"Count");
    DISPID id = 0;
    if (!selection || FAILED(selection->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
        return 0;
    constexpr int kSeries = 5, kCalls = 400;
    double best = 1e30;
    for (int s = 0; s < kSeries; ++s) {
        auto t0 = Clock::now();
        for (int i = 0; i < kCalls; ++i) {
            DISPPARAMS none = {};
            CVariant result;
            selection->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              result.ReleaseAndGetAddressOf(), nullptr, nullptr);
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count() / kCalls);
    }
    return best;
}

// The calls that saving one attachment takes, each timed on its own against the running stand-in
// (best average over a few series): Item (which hands out a new object, released again), FileName
// and SaveAsFile into a new file of the work folder. Milliseconds each; zeros when not reachable.
struct CallCosts {
    double item = 0, fileName = 0, save = 0;
    double Sum() const { return item + fileName + save; }
};
CallCosts TimeAttachmentCalls(const std::string& work) {
    CallCosts costs;
    ComPtr<IDispatch> selection = RunningSelection();
    if (!selection)
        return costs;
    ComPtr<IDispatch> mail =
        Dispatch::ToDispatch(Dispatch::CallMethod(selection.Get(), L"Item", {CVariant::FromLong(1)}));
    ComPtr<IDispatch> attachments = Dispatch::ToDispatch(Dispatch::GetProperty(mail.Get(), L"Attachments"));
    if (!attachments)
        return costs;
    Dispatch::CDispIdCache collectionIds, attachmentIds;
    constexpr int kSeries = 3, kCalls = 100;
    auto best = [&](auto&& call) {
        double fastest = 1e30;
        for (int s = 0; s < kSeries; ++s) {
            auto t0 = Clock::now();
            for (int i = 0; i < kCalls; ++i)
                call(s * kCalls + i);
            fastest = std::min(fastest, std::chrono::duration<double>(Clock::now() - t0).count() / kCalls);
        }
        return fastest * 1000.0;
    };
    costs.item = best([&](int) {
        ComPtr<IDispatch> one = Dispatch::ToDispatch(Dispatch::CallMethod(
            attachments.Get(), L"Item", {CVariant::FromLong(1)}, nullptr, &collectionIds));
    });
    ComPtr<IDispatch> first = Dispatch::ToDispatch(
        Dispatch::CallMethod(attachments.Get(), L"Item", {CVariant::FromLong(1)}, nullptr, &collectionIds));
    costs.fileName =
        best([&](int) { Dispatch::GetProperty(first.Get(), L"FileName", nullptr, &attachmentIds); });
    costs.save = best([&](int i) {
        const std::wstring path = AnsiToWide(work + "probe-" + std::to_string(i) + ".jpg");
        Dispatch::CallMethod(first.Get(), L"SaveAsFile", {CVariant::FromString(path)}, nullptr,
                             &attachmentIds);
    });
    return costs;
}

double PeakWorkingSetMB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)
               ? static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20)
               : 0;
}

void RemoveFiles(const std::string& folder) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
    if (!find)
        return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileA((folder + data.cFileName).c_str());
    } while (::FindNextFileA(find.Get(), &data));
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: capture_bench ATTACHMENTS BYTES_EACH [REPEATS]\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const size_t size = static_cast<size_t>(std::atol(argv[2]));
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string base =
        std::string(temp) + "varo-bench-" + std::to_string(::GetCurrentProcessId()) + "\\";
    const std::string mailbox = base + "mailbox\\", source = base + "source\\", work = base + "work\\";
    for (const std::string& f : {base, mailbox, source, work})
        ::CreateDirectoryA(f.c_str(), nullptr);

    // The pictures: incompressible bytes, one source file each for the copy baseline, and one
    // mail that carries them all.
    std::mt19937 random(42);
    std::string boundary = "bench-boundary";
    std::ofstream mail(mailbox + "bench.eml", std::ios::binary);
    mail << "From: bench@example.com\r\nSubject: " << count << " pictures\r\nMIME-Version: 1.0\r\n"
         << "Content-Type: multipart/mixed; boundary=\"" << boundary << "\"\r\n\r\n";
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        char name[32];
        std::snprintf(name, sizeof name, "picture%05d.jpg", i + 1);
        names.push_back(name);
        std::ofstream(source + name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(size));
        mail << "--" << boundary
             << "\r\nContent-Type: image/jpeg\r\nContent-Disposition: attachment; filename=\"" << name
             << "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
             << Base64Text(bytes) << "\r\n";
    }
    mail << "--" << boundary << "--\r\n";
    mail.close();

    if (StandInProcess::RunToEnd(L"--register") != 0) {
        std::fprintf(stderr, "cannot register the stand-in\n");
        return 1;
    }
    StandInProcess server;
    constexpr DWORD kReadyTimeoutMs = 600000; // the stand-in reads the whole mailbox first
    if (!server.Start(AnsiToWide("--mailbox \"" + mailbox.substr(0, mailbox.size() - 1) + "\" --select 1"),
                      std::wstring(), kReadyTimeoutMs)) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }

    ::SetEnvironmentVariableA("TMP", work.c_str());
    ::SetEnvironmentVariableA("TEMP", work.c_str());
    const std::string stylesheet = std::string(VARO_BENCH_SOURCE_DIR) + "\\data\\VaroReport.xsl";
    double bestCapture = 1e30, bestCopy = 1e30, bestTransform = 1e30;
    int failures = 0;
    for (int r = 0; r < repeats; ++r) {
        RemoveFiles(work);
        ::CopyFileA(stylesheet.c_str(), (work + "VaroReport.xsl").c_str(), FALSE);
        QuietCapture capture;
        auto t0 = Clock::now();
        capture.OnRefresh();
        double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        if (!capture.navigated || capture.messages)
            ++failures;
        bestCapture = std::min(bestCapture, seconds);
        if (capture.transforming)
            bestTransform = std::min(
                bestTransform, std::chrono::duration<double>(capture.shown - capture.transformStart).count());
        capture.ReleaseOutlook();

        RemoveFiles(work);
        t0 = Clock::now();
        for (const std::string& n : names)
            ::CopyFileA((source + n).c_str(), (work + "copy-" + n).c_str(), FALSE);
        bestCopy = std::min(bestCopy, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    const double roundTrip = RoundTripSeconds();
    RemoveFiles(work);
    const CallCosts calls = TimeAttachmentCalls(work);
    server.Stop();
    StandInProcess::RunToEnd(L"--unregister");
    RemoveFiles(work);
    RemoveFiles(source);
    RemoveFiles(mailbox);
    for (const std::string& f : {work, source, mailbox, base})
        ::RemoveDirectoryA(f.c_str());

    // The least this protocol allows: the bytes copied once, and per attachment the four round
    // trips that saving it needs, each at the measured round trip.
    const double floor = bestCopy + kCallsPerAttachment * count * roundTrip;
    std::printf(
        "attachments=%d bytes=%.1fMB capture=%.3fs copy=%.3fs ratio=%.2f floor=%.3fs capture/floor=%.2f "
        "per-attachment=%.2fms round-trip=%.3fms%s\n",
        count, static_cast<double>(size) * count / 1e6, bestCapture, bestCopy, bestCapture / bestCopy, floor,
        bestCapture / floor, bestCapture * 1000.0 / count, roundTrip * 1000.0,
        failures ? " (capture FAILED)" : "");
    // Where an attachment's time goes: its calls timed one by one (Item with its release), SaveAsFile's bytes
    // included. What the capture spends beyond them is the viewer's own share.
    const double ownMs = bestCapture * 1000.0 / count - calls.Sum();
    std::printf("  calls per attachment: Item %.2fms + FileName %.2fms + SaveAsFile %.2fms = %.2fms; "
                "capture/calls=%.2f; viewer's own share %.2fms per attachment, of which the transform "
                "%.2fms; peak working set %.1f MB\n",
                calls.item, calls.fileName, calls.save, calls.Sum(),
                bestCapture * 1000.0 / count / calls.Sum(), ownMs, bestTransform * 1000.0 / count,
                PeakWorkingSetMB());
    ::CoUninitialize();
    return failures ? 1 : 0;
}
