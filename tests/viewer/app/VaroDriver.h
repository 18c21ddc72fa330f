// Drives a varo.exe in a process of its own, the way a user and other programs reach it: finds
// its window, sends commands, keys and clicks, answers its message boxes and reads its trace
// (VARO_TRACE), its status bar and its working folder. Each run lives in a folder of its own:
//   root\prog\varo.exe (+ LANG\, the language setting file), root\pf\Varoscope\ (install folder),
//   root\tmp\ (working folder: TMP and TEMP), root\cwd\ (current directory), root\trace.txt.
#pragma once
#include "UniqueHandle.h"
#include "../../support/WindowShot.h"

#include <windows.h>

#include <string>
#include <vector>

class VaroDriver {
public:
    explicit VaroDriver(const std::string& name);
    ~VaroDriver();

    std::string root, prog, install, temp, cwd, tracePath;

    // Fills the install folder with the shipped support files and the help file.
    void InstallSupportFiles();
    // Copies the shipped language packs into prog\LANG.
    void InstallLanguagePacks();
    static void WriteFile(const std::string& path, const std::string& text);
    static bool ReadFile(const std::string& path, std::string& text);
    static bool Exists(const std::string& path);

    // Starts the program and waits for its main window; false if it does not come up.
    bool Start();
    // Closes the main window and waits for the process to end; false if it does not.
    bool Close();
    bool Running() const;

    // Waits until the trace holds at least count lines starting with event, answering every
    // message box of the program meanwhile (their texts are kept in messages).
    bool WaitForEvents(const std::string& event, size_t count, DWORD timeoutMs = 15000);
    size_t CountEvents(const std::string& event);
    std::vector<std::string> Events(const std::string& event);
    // Lets pending work finish: posts pings behind everything queued and waits until two in a row
    // come back with no message box of the program in between (answering the boxes meanwhile).
    // False if the program stops answering.
    bool Settle();
    // Answers every message box that the program has open; true if there was one.
    bool AnswerMessageBoxes();

    void Command(UINT id); // WM_COMMAND as from a menu
    void PostKey(UINT vk); // a key press to the main window (through its accelerators)
    void ClickToolButton(int index);
    // The menu bar as the program sees it, one line per item "<path> <id> <state> <text>".
    std::vector<std::string> MenuLines();
    std::string MenuText(const std::string& path);
    UINT MenuState(const std::string& path);
    std::string StatusText();
    std::string Caption();

    HWND frame = nullptr;
    PROCESS_INFORMATION process{};
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, std::string>> environment; // extra variables for the run

private:
    HWND FindChild(const char* className) const;
    bool Ping();

    UniqueNullableHandle m_job; // ends the program with the test, whatever happens
    WPARAM m_pings = 0;
};

