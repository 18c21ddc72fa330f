// The Outlook stand-in as the host of add-ins, driven from a test as a user and a script drive it:
// started with its console output in the test's folder, attached, its explorer's command bars at
// hand, and its drawn controls clicked with the mouse. The current user's add-in registrations and
// kept command bars are cleared before and after each test.
#pragma once
#include "StandInProcess.h"

#include "OutlookSubstitute_h.h"

#include "ComPtr.h"

#include <gtest/gtest.h>
#include <oaidl.h>

#include <functional>
#include <string>

class StandInHostTest : public ::testing::Test {
protected:
    static constexpr DWORD kWaitMs = 30000;

    // folderTag names the test's temporary folder.
    explicit StandInHostTest(const wchar_t* folderTag);

    void SetUp() override;
    void TearDown() override;

    // Starts the stand-in with these arguments, attaches and takes the explorer's command bars.
    void Start(const std::wstring& arguments = L"");
    void Stop();
    // What the stand-in wrote to its console.
    std::string Console() const;
    // The arguments that open the bundled sample mailbox with its first mail selected.
    static std::wstring SampleMailbox();

    ComPtr<IDispatch> Bar(const wchar_t* name);
    ComPtr<IDispatch> Find(const wchar_t* tag);
    static ComPtr<IDispatch> Controls(IDispatch* owner);
    static long Count(IDispatch* owner);
    static ComPtr<IDispatch> Item(IDispatch* owner, long index);
    // The Tools menu's pop-up of the active menu bar.
    ComPtr<IDispatch> ToolsMenu();

    // A user's click: button down and up at the centre of the drawn control (tag, else caption);
    // false when no such control is drawn.
    static bool ClickDrawn(const std::wstring& tagOrCaption);
    // With a ribbon: the size of the picture that the add-in gave for a drawn control (id, tag or
    // text); {0, 0} for a placeholder face or a control that is not drawn.
    static SIZE DrawnImage(const std::wstring& idOrText);
    // Waits for a condition while answering this thread's messages (calls from the stand-in
    // arrive so).
    static bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);
    // Removes the current user's add-in registrations and kept command bars.
    static void ClearAddinKeys();

    TempFolder m_folder;
    std::wstring m_output;
    StandInProcess m_standIn;
    ComPtr<_Application> m_app;
    ComPtr<IDispatch> m_bars;
};
