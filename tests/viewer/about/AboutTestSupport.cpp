#include "AboutTestSupport.h"

#include "RegKey.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace abouttest {

namespace {

struct FindState {
    HWND exclude;
    HWND found;
    bool wantDialogWithPanel;
};

BOOL CALLBACK FindThreadWindow(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    if (hwnd == state->exclude || !::IsWindowVisible(hwnd))
        return TRUE;
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != "#32770")
        return TRUE;
    const bool hasPanel = ::GetDlgItem(hwnd, 1001) != nullptr;
    if (hasPanel == state->wantDialogWithPanel) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(DWORD threadId, HWND exclude, bool withPanel) {
    FindState state{exclude, nullptr, withPanel};
    ::EnumThreadWindows(threadId, &FindThreadWindow, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

void SaveBitmap(const std::string& path, const Capture& shot) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = shot.width;
    info.biHeight = -shot.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::vector<DWORD> rows(shot.pixels.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        COLORREF c = shot.pixels[i];
        rows[i] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size() * 4);
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::fwrite(rows.data(), 4, rows.size(), out);
        std::fclose(out);
    }
}

} // namespace

void RunWithDriver(const std::function<void()>& showModal, const std::function<void(HWND)>& driver) {
    const DWORD uiThread = ::GetCurrentThreadId();
    std::thread second([&] {
        HWND dialog = nullptr;
        WaitFor([&] { return (dialog = FindDialog(uiThread, nullptr, true)) != nullptr && IsReady(dialog); },
                10000);
        if (!dialog) {
            ADD_FAILURE() << "the About box did not appear";
            return;
        }
        if (!IsReady(dialog)) {
            ADD_FAILURE() << "the About box did not become active with the focus in it";
        } else {
            driver(dialog);
        }
        if (::IsWindow(dialog)) {
            // Only a test that means to leave it open may do so; it closes it itself then.
            ADD_FAILURE() << "the About box was left open";
            if (HWND box = FindMessageBox(dialog))
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    showModal();
    second.join();
}

bool IsReady(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info))
        return false;
    return info.hwndActive == dialog && info.hwndFocus &&
           (info.hwndFocus == dialog || ::IsChild(dialog, info.hwndFocus));
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

HWND FindMessageBox(HWND dialog) {
    return FindDialog(::GetWindowThreadProcessId(dialog, nullptr), dialog, false);
}

std::string WindowText(HWND hwnd) {
    char text[4096] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string MessageBoxText(HWND box) {
    std::string found;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        ::GetClassNameA(child, cls, sizeof cls);
        if (std::string(cls) != "Static")
            continue;
        if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::string text = WindowText(child);
        if (!text.empty())
            found = text;
    }
    return found;
}

POINT CentreOnScreen(HWND hwnd) {
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void MoveMouse(POINT screen) {
    ::SetCursorPos(screen.x, screen.y);
}

void Hover(HWND hwnd) {
    MoveMouse(CentreOnScreen(hwnd));
    RECT client{};
    ::GetClientRect(hwnd, &client);
    ::PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, client.bottom / 2));
}

void Click(HWND over) {
    POINT screen = CentreOnScreen(over);
    HWND target = over;
    // Where the system would deliver it: past windows that are transparent to the mouse.
    while (::GetParent(target) &&
           ::SendMessageA(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) == HTTRANSPARENT)
        target = ::GetParent(target);
    POINT client = screen;
    ::ScreenToClient(target, &client);
    const LPARAM at = MAKELPARAM(client.x, client.y);
    ::PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(target, WM_LBUTTONUP, 0, at);
}

void PressKey(HWND dialog, WORD virtualKey) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : dialog;
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    ::PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

int Capture::Count(COLORREF colour) const {
    return CountIf([colour](COLORREF c) { return c == colour; });
}

int Capture::CountIf(const std::function<bool(COLORREF)>& test) const {
    int n = 0;
    for (COLORREF c : pixels)
        n += test(c) ? 1 : 0;
    return n;
}

Capture CaptureClient(HWND hwnd, const std::string& saveName) {
    Capture shot;
    RECT client{};
    ::GetClientRect(hwnd, &client);
    shot.width = client.right;
    shot.height = client.bottom;
    if (shot.width <= 0 || shot.height <= 0)
        return shot;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Read through the top-level window: a child window's own DC of another process shows
    // nothing under Wine.
    HWND root = ::GetAncestor(hwnd, GA_ROOT);
    POINT origin{0, 0};
    ::MapWindowPoints(hwnd, root, &origin, 1);
    HDC source = ::GetDC(root);
    HDC memory = ::CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, shot.width, shot.height, source, origin.x, origin.y, SRCCOPY);
    ::GdiFlush();
    const auto* raw = static_cast<const DWORD*>(bits);
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
    for (size_t i = 0; i < shot.pixels.size(); ++i)
        shot.pixels[i] = RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF);
    ::SelectObject(memory, previous);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(root, source);
    if (!saveName.empty()) {
        std::string folder = BinaryDir() + "\\about-shots";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        SaveBitmap(folder + "\\" + saveName + ".bmp", shot);
    }
    return shot;
}

std::string BinaryDir() {
    return VARO_TEST_BINARY_DIR;
}
std::string ProgramDir() {
    return BinaryDir() + "\\bin";
}

std::string ReadFile(const std::string& path) {
    std::string text;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            text.append(buffer, n);
        std::fclose(in);
    }
    return text;
}

ClassesEntry::ClassesEntry(const std::string& subKey, const std::string& value) : m_subKey(subKey) {
    RegKey key;
    m_existed = key.Open(HKEY_CLASSES_ROOT, subKey.c_str(), KEY_READ) == ERROR_SUCCESS;
    if (m_existed)
        m_hadValue = key.QueryString(nullptr, m_previous);
    if (!m_existed) {
        // Remember the outermost key this creates, so that all of it goes again.
        std::string::size_type end = 0;
        do {
            end = subKey.find('\\', end + 1);
            std::string prefix = subKey.substr(0, end);
            RegKey probe;
            if (probe.Open(HKEY_CLASSES_ROOT, prefix.c_str(), KEY_READ) != ERROR_SUCCESS) {
                m_subKey = prefix;
                break;
            }
        } while (end != std::string::npos);
    }
    RegKey created;
    EXPECT_EQ(created.Create(HKEY_CLASSES_ROOT, subKey.c_str()), ERROR_SUCCESS) << subKey;
    EXPECT_EQ(created.SetString(nullptr, value), ERROR_SUCCESS) << subKey;
}

ClassesEntry::~ClassesEntry() {
    if (!m_existed) {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, m_subKey.c_str());
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, m_subKey.c_str());
        return;
    }
    RegKey key;
    if (key.Open(HKEY_CLASSES_ROOT, m_subKey.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS)
        return;
    if (m_hadValue)
        key.SetString(nullptr, m_previous);
    else
        ::RegDeleteValueA(key.Get(), nullptr);
}

} // namespace abouttest
