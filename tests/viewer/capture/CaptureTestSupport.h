// A capture whose user-interface effects are recorded, run against the in-process Outlook in a
// working folder of its own.
#pragma once
#include "AutomationError.h"
#include "FakeOutlook.h"
#include "VaroCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class RecordingCapture : public CVaroCapture {
public:
    std::vector<std::string> events;
    HRESULT classLookup = S_OK;
    HRESULT serviceFailure = S_OK;
    // Replaces the platform's template by one whose processor cannot be made (or cannot transform).
    HRESULT createProcessorResult = S_OK;
    HRESULT transformResult = S_OK;
    std::function<void()> whileBoxIsShown;

    IDispatch* Application() const { return m_spOutlookApp.Get(); }
    IDispatch* Namespace() const { return m_spNamespace.Get(); }
    IDispatch* Explorer() const { return m_spExplorer.Get(); }

protected:
    void ShowMessage(const char* text) override {
        events.push_back(std::string("box:") + text);
        // What the box's own message loop may run (once): a queued command, say.
        if (auto run = std::exchange(whileBoxIsShown, nullptr))
            run();
    }
    void BeginBusyCursor() override { events.push_back("busy"); }
    void EndBusyCursor() override { events.push_back("idle"); }
    void Navigate2(const char* path) override { events.push_back(std::string("navigate:") + path); }
    HRESULT FindOutlookClass(CLSID* clsid) override;
    HRESULT CreateServiceObject(REFCLSID clsid, IUnknown** object) override {
        if (FAILED(serviceFailure))
            return serviceFailure;
        if (clsid == kXslTemplateClass && (FAILED(createProcessorResult) || FAILED(transformResult)))
            return CreateFailingTemplate(createProcessorResult, transformResult, object);
        return CVaroCapture::CreateServiceObject(clsid, object);
    }

public:
    static const CLSID kXslTemplateClass;
    static HRESULT CreateFailingTemplate(HRESULT createProcessor, HRESULT transform, IUnknown** object);
};

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts the fake Outlook into the running-object table for the run.
    void StartOutlook();
    void StopOutlook();

    std::string Path(const std::string& name) const { return m_folder + name; }
    std::string Read(const std::string& name) const;
    void Write(const std::string& name, const std::string& bytes) const;
    bool Exists(const std::string& path) const;
    // The files in the working folder, sorted.
    std::vector<std::string> Files() const;

    std::string m_folder; // ends with a backslash
    std::string m_parent;
    FakeOutlook m_outlook;
    // Ended in the tear-down while the temporary folder is still the test's own: a capture's
    // last act may be to write its log there.
    std::unique_ptr<RecordingCapture> m_ownedCapture = std::make_unique<RecordingCapture>();
    RecordingCapture& m_capture = *m_ownedCapture;

private:
    std::string m_savedTmp, m_savedTemp;
    DWORD m_cookie = 0;
};

extern const char kSelectMail[];
extern const char kLaunchOutlook[];
