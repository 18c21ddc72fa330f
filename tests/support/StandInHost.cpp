#include "StandInHost.h"

#include "CommandBarStore.h"
#include "Dispatch.h"
#include "OfficeInterfaces.h"
#include "StringConv.h"
#include "WindowMessages.h"

#include <objbase.h>

StandInHostTest::StandInHostTest(const wchar_t* folderTag) : m_folder(folderTag) {}

void StandInHostTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ClearAddinKeys();
    m_output = m_folder.Path() + L"console.txt";
}

void StandInHostTest::TearDown() {
    Stop();
    ClearAddinKeys();
    ::CoUninitialize();
}

void StandInHostTest::ClearAddinKeys() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, office::kOutlookAddinsKey);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, CommandBarStore::KeyPath());
}

void StandInHostTest::Start(const std::wstring& arguments) {
    ASSERT_TRUE(m_standIn.Start(arguments, m_output))
        << "exit code " << m_standIn.ExitCode() << " " << WideToAnsi(m_standIn.StartError()) << "\n"
        << Console();
    ASSERT_EQ(m_standIn.Attach(m_app, IID__Application), S_OK);
    ComPtr<_Explorer> explorer;
    ASSERT_EQ(m_app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_TRUE(explorer);
    m_bars = Dispatch::ToDispatch(Dispatch::GetProperty(explorer.Get(), L"CommandBars"));
}

void StandInHostTest::Stop() {
    m_bars.Reset();
    m_app.Reset();
    m_standIn.Stop();
}

std::string StandInHostTest::Console() const {
    return ReadFileBytes(m_output);
}

std::wstring StandInHostTest::SampleMailbox() {
    return L"--mailbox \"" + AnsiToWide(VARO_TEST_SOURCE_DIR) + L"\\data\\sample-mailbox\" --select 1";
}

ComPtr<IDispatch> StandInHostTest::Bar(const wchar_t* name) {
    return Dispatch::ToDispatch(Dispatch::CallMethod(m_bars.Get(), L"Item", {CVariant::FromString(name)}));
}

ComPtr<IDispatch> StandInHostTest::Find(const wchar_t* tag) {
    return Dispatch::ToDispatch(Dispatch::CallMethod(
        m_bars.Get(), L"FindControl",
        {CVariant::FromLong(1), CVariant::Omitted(), CVariant::FromString(tag), CVariant::Omitted()}));
}

ComPtr<IDispatch> StandInHostTest::Controls(IDispatch* owner) {
    return Dispatch::ToDispatch(Dispatch::GetProperty(owner, L"Controls"));
}

long StandInHostTest::Count(IDispatch* owner) {
    return Dispatch::ToLong(Dispatch::GetProperty(Controls(owner).Get(), L"Count"));
}

ComPtr<IDispatch> StandInHostTest::Item(IDispatch* owner, long index) {
    return Dispatch::ToDispatch(
        Dispatch::CallMethod(Controls(owner).Get(), L"Item", {CVariant::FromLong(index)}));
}

ComPtr<IDispatch> StandInHostTest::ToolsMenu() {
    ComPtr<IDispatch> menuBar = Dispatch::ToDispatch(Dispatch::GetProperty(m_bars.Get(), L"ActiveMenuBar"));
    return Dispatch::ToDispatch(Dispatch::GetProperty(Item(menuBar.Get(), 5).Get(), L"Control"));
}

bool StandInHostTest::ClickDrawn(const std::wstring& tagOrCaption) {
    HWND explorer = ::FindWindowW(kExplorerWindowClass, nullptr);
    if (!explorer)
        return false;
    std::wstring text = tagOrCaption;
    COPYDATASTRUCT data = {kCopyControlPoint, static_cast<DWORD>(text.size() * sizeof(wchar_t)), &text[0]};
    LRESULT point = ::SendMessageW(explorer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    if (point == -1)
        return false;
    LPARAM at = static_cast<LPARAM>(point & 0xFFFFFFFF);
    ::SendMessageW(explorer, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(explorer, WM_LBUTTONUP, 0, at);
    return true;
}

SIZE StandInHostTest::DrawnImage(const std::wstring& idOrText) {
    HWND explorer = ::FindWindowW(kExplorerWindowClass, nullptr);
    std::wstring text = idOrText;
    COPYDATASTRUCT data = {kCopyControlImage, static_cast<DWORD>(text.size() * sizeof(wchar_t)), &text[0]};
    LRESULT size = explorer ? ::SendMessageW(explorer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)) : -1;
    if (size <= 0)
        return {0, 0};
    return {LOWORD(size), HIWORD(size)};
}

bool StandInHostTest::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}
