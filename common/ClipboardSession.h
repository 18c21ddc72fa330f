// The clipboard, open for one operation and closed again on every way out.
#pragma once
#include <windows.h>

class ClipboardSession {
public:
    // owner may be null: the clipboard is then opened for the calling task.
    explicit ClipboardSession(HWND owner = nullptr) : m_open(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession() {
        if (m_open)
            ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool Open() const { return m_open; }

private:
    bool m_open;
};
