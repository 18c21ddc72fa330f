// The stand-in's explorer: a real window with Outlook's menu bar and the tool bars of the
// command-bar model (or, playing Outlook 2010 and later, a ribbon) above a list of the mailbox
// (subject, sender, attachments) with multiple selection (ctrl-click). The automation side reads its
// selection in list order; a click on a drawn button or menu item fires Click through the
// control's connection point, a click on an add-in's ribbon control or context-menu item calls its
// onAction, as in Outlook.
#pragma once
#include "CommandBarView.h"
#include "RibbonHost.h"
#include "RibbonView.h"
#include "ServerState.h"

#include <windows.h>

#include <deque>
#include <memory>
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
    // Calls onAction of an add-in's ribbon control or context-menu item from the message loop, as a
    // user's click arrives; then sets the named event.
    void PostRibbonClick(const std::wstring& addin, const std::string& id, RibbonHost::Context context,
                         const std::wstring& doneEvent);
    // Opens the mail context menu at the selection from the message loop, as a right-click does;
    // then sets the named event. False when nothing is selected or the explorer has no ribbon.
    bool PostContextMenu(const std::wstring& doneEvent);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    void OnSize(int width, int height);
    void OnPaint();
    void OnMouseDown(POINT at);
    void OnMouseUp(POINT at);
    void OnFireClick();
    void OnRibbonChanged();
    void OnContextMenu(HWND from, POINT screen);
    void OpenContextMenu(POINT at);
    void CloseContextMenu();
    void OnChildMouseDown(POINT at);
    // Shows the screen tip of the ribbon control under the mouse, or hides it.
    void OnMouseMove(POINT at);
    void PaintTip(HDC dc, const RECT& client) const;
    void HideTip();
    bool OnRibbonMouseDown(POINT at);
    void OnRibbonMouseUp(POINT at);
    // The drawn ribbon item (or context-menu item, in window coordinates) at a point.
    bool RibbonHitTest(POINT at, RibbonView::Item& hit) const;
    std::vector<RibbonView::Item> RibbonItemsInWindow() const;
    POINT SelectionPoint() const;
    void SetDone(const std::wstring& doneEvent) const;
    LRESULT OnControlPoint(const COPYDATASTRUCT& data);
    LRESULT OnControlImage(const COPYDATASTRUCT& data);
    bool FindRibbonItem(const std::wstring& idTagOrText, RibbonView::Item& found) const;
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
    HWND m_contextMenu = nullptr;
    HWND m_tip = nullptr;
    std::wstring m_tipText;
    long m_pressed = 0; // the control under the button-down, clicked if the button-up is on it too
    std::unique_ptr<RibbonView> m_ribbonView; // only when the explorer has a ribbon
    std::wstring m_pressedRibbon;             // the ribbon item under the button-down
    bool m_ribbonChangePosted = false;
    struct Pending {
        enum class What { Control, Ribbon, ContextMenu } what;
        long serial;
        std::wstring addin;
        std::string id;
        RibbonHost::Context context;
        std::wstring doneEvent;
    };
    std::deque<Pending> m_pendingClicks;
};
