// How a second stand-in process (--stop, --click-control, --reconnect-addins, ...) reaches the
// one that serves: WM_CLOSE and WM_COPYDATA requests to its hidden control window (the codes are
// in WindowMessages.h). Both ends are here.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <utility>

class AddinHost;
class CommandBarSet;
class ExplorerWindow;
class RibbonHost;

// The serving end. Requests are refused until Attach gives them something to work on.
class ControlWindow {
public:
    ControlWindow() = default;
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;
    ~ControlWindow();

    bool Create(HINSTANCE instance);
    // What the requests work on; commandBars and explorer are null without an explorer window,
    // ribbon before Outlook 2007.
    void Attach(CommandBarSet* commandBars, ExplorerWindow* explorer, AddinHost* addins, RibbonHost* ribbon);
    void Detach();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(const COPYDATASTRUCT& data);
    LRESULT OnClickControlRequest(const COPYDATASTRUCT& data);
    LRESULT OnClickRibbonRequest(const COPYDATASTRUCT& data);
    LRESULT OnContextMenuRequest(const COPYDATASTRUCT& data);
    LRESULT OnAddinRequest(const COPYDATASTRUCT& data);
    void OnAddinRequestPosted();

    HWND m_window = nullptr;
    CommandBarSet* m_commandBars = nullptr;
    ExplorerWindow* m_explorer = nullptr;
    AddinHost* m_addins = nullptr;
    RibbonHost* m_ribbon = nullptr;
    std::deque<std::pair<ULONG_PTR, std::wstring>> m_addinRequests; // kind and event, in arrival order
};

// The requesting end; each gives the program's exit code.
// Ends the running stand-in and waits (bounded) until it has ended.
int StopRunningServer();
// Sends a request and waits until it was carried out; `refusal` is the message when it is refused.
int SendControlRequest(ULONG_PTR kind, const std::wstring& tag, const wchar_t* refusal);
