// The stand-in's explorer: a real window that lists the mailbox (subject, sender, attachments)
// with multiple selection. The automation side reads its selection in list order.
#pragma once
#include "ServerState.h"

#include <windows.h>

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

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    void OnSize(int width, int height);
    void OnDestroy();
    void FillList();

    const ServerState& m_state;
    HWND m_window = nullptr;
    HWND m_list = nullptr;
};
