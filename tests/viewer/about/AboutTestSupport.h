// Driving the modal About box from a second thread: finding its windows, pressing keys and
// mouse buttons by messages to the very window meant (never through whatever has the focus),
// capturing its pixels, and temporary file-type registrations.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace abouttest {

// Runs dialog-showing code on this thread while `driver` gets the dialog window on a second
// thread, once the dialog is ready (active, with the focus in it). A driver that leaves the
// dialog open fails the test; the dialog is then cancelled so that the run can end.
void RunWithDriver(const std::function<void()>& showModal, const std::function<void(HWND)>& driver);

// True when the dialog is the active window of its thread and the focus is on it or inside it.
bool IsReady(HWND dialog);

// Waits until `condition` holds or `timeoutMs` passes; returns the last result.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);

// A message box of the thread that owns `dialog` (not the dialog itself), or null.
HWND FindMessageBox(HWND dialog);
std::string WindowText(HWND hwnd);
// The text of a message box: its static text control that is not the icon.
std::string MessageBoxText(HWND box);

POINT CentreOnScreen(HWND hwnd);
// Puts the pointer there. Only the link's hover needs it: the link itself asks where the pointer
// is to know when it has left (nothing is clicked or typed through the pointer's position).
void MoveMouse(POINT screen);
// A mouse move over the middle of the window, posted to it, with the pointer put there too.
void Hover(HWND hwnd);
// A left click (press and release) in the middle of `over`, posted to the window that the system
// would give it: `over` itself, or the parent when `over` lets clicks through (a plain static).
void Click(HWND over);
// A key press posted to the window of the dialog's thread that holds the focus, as the keyboard
// would deliver it once the dialog is ready; the dialog's own loop then handles it.
void PressKey(HWND dialog, WORD virtualKey);

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // row by row, top first
    int Count(COLORREF colour) const;
    int CountIf(const std::function<bool(COLORREF)>& test) const;
    bool operator==(const Capture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};
// The client area of a window as it is on screen; saved as a .bmp under the build tree when a
// name is given.
Capture CaptureClient(HWND hwnd, const std::string& saveName = {});

std::string BinaryDir();  // the test build's folder, Windows form
std::string ProgramDir(); // where the test programs are
std::string ReadFile(const std::string& path);

// Sets HKEY_CLASSES_ROOT\subKey's default value for the life of the object, then puts back what
// was there (or removes the key).
class ClassesEntry {
public:
    ClassesEntry(const std::string& subKey, const std::string& value);
    ~ClassesEntry();
    ClassesEntry(const ClassesEntry&) = delete;
    ClassesEntry& operator=(const ClassesEntry&) = delete;

private:
    std::string m_subKey;
    bool m_existed = false;
    bool m_hadValue = false;
    std::string m_previous;
};

} // namespace abouttest
