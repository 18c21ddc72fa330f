// The stand-in's explorer: a real window with Outlook's menu bar and the tool bars of the
// command-bar model above a list of the mailbox (subject, sender, attachments) with multiple
// selection. The automation side reads its selection in list order; a click on a drawn button or
// menu item fires Click through the control's connection point, as in Outlook.
#pragma once
#include "CommandBarView.h"
#include "ServerState.h"

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

class ExplorerWindow {
public:
    explicit ExplorerWindow(const ServerState& state);
    ExplorerWindow(const ExplorerWindow&) = delete;
    ExplorerWindow& operator=(const ExplorerWindow&) = delete;
    ~ExplorerWindow();

    // Creates and shows the window; false when that fails.
    bool Create(HINSTANCE instance, int showCommand);
    // Selects exactly these mails (0-based indices into the mailbox).
    void Select(const std::vector<size_t>& indices);
    // The selected mails' 0-based indices, in list order.
    std::vector<size_t> SelectedIndices() const;
    HWND Handle() const { return m_window; }
    // Clicks the control from the message loop, as a user's click arrives; then sets the named
    // event (when given) so that whoever asked knows the click was delivered.
    void PostClick(long serial, const std::wstring& doneEvent);
    // The command bars changed: draw them anew.
    void CommandBarsChanged();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    void OnSize(int width, int height);
    void OnPaint();
    void OnMouseDown(POINT at);
    void OnMouseUp(POINT at);
    void OnFireClick();
    LRESULT OnControlPoint(const COPYDATASTRUCT& data);
    void OnDestroy();
    void FillList();
    // The drawn control at a point of the client area, or null.
    const CommandBarView::Item* HitTest(POINT at, std::vector<CommandBarView::Item>& storage) const;
    void ShowMenu(long serial);

    const ServerState& m_state;
    CommandBarView m_view;
    HWND m_window = nullptr;
    HWND m_list = nullptr;
    HWND m_menu = nullptr;
    long m_pressed = 0; // the control under the button-down, clicked if the button-up is on it too
    std::deque<std::pair<long, std::wstring>> m_pendingClicks;
};
