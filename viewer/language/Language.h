// Language packs: ".lng" files in the "LANG\" folder beside the program that replace menu texts,
// status-bar prompts and dialog texts, and may name a font. All pack access goes through the
// private-profile functions; nothing of a pack is held in memory but its path and its font.
//
// Call order in the viewer:
//   InitInstance:        g_hResInstance = instance; PickStartupLanguage();
//   CMainFrame::OnCreate: id = BuildLanguageMenu(languagePopup);
//                         if (id != ID_LANGUAGE_DEFAULT) RetitleMenu(menuBar, IDR_MAINFRAME);
//                         SwitchLanguage(id);
//   SwitchLanguage(id):  ApplyLanguage(menuBar, id); RetitleMenu(menuBar, IDR_MAINFRAME); DrawMenuBar
//   GetMessageString:    GetLanguageDescription(menuBar, id) for pack items, else LoadLangString(id)
//
// User-interface thread only. Every text lookup returns g_szLangText, one shared buffer that the
// next lookup overwrites: copy the text before the next call.
#pragma once
#include <windows.h>

#include "UniqueHandle.h"

constexpr int kLangTextSize = 1024;

// Full path of the active pack; empty while the built-in texts are active.
extern char g_szLangFile[MAX_PATH];
// Result buffer of every text lookup below.
extern char g_szLangText[kLangTextSize];
// Font from the active pack's FontName/FontSize; empty when the pack names none.
extern UniqueFont g_hLangFont;
// Command id of the checked Language item.
extern UINT g_nLangSelId;
// Highest command id given to a pack so far (ID_LANGUAGE_DEFAULT while none is listed).
extern UINT g_nLangLastId;
// Module whose string table and menu resources hold the built-in texts.
extern HINSTANCE g_hResInstance;

// Before any window exists: activates the pack of the remembered language or, on a first start, of
// the user's default language.
void PickStartupLanguage();

// Appends the installed packs to the Language popup, puts the radio check on the selected item
// and returns its command id.
UINT BuildLanguageMenu(HMENU hLanguagePopup);

// Makes a language current and remembers it in the language setting file. With a menu, id is the
// command id of a Language item (ID_LANGUAGE_DEFAULT for the built-in texts); without one (null),
// id is the language number and g_szLangFile is the caller's.
void ApplyLanguage(HMENU hMenu, UINT nId);

// Puts the active pack's texts into the menu, or the built-in texts back when no pack is active.
void RetitleMenu(HMENU hMenu, LPCSTR lpszMenuResource);
inline void RetitleMenu(HMENU hMenu, UINT nMenuId) {
    RetitleMenu(hMenu, MAKEINTRESOURCEA(nMenuId));
}

// Puts the texts of the menu resource (from g_hResInstance) back into the menu. Items added at run
// time keep their texts.
void RestoreMenuTexts(HMENU hMenu, LPCSTR lpszMenuResource);
inline void RestoreMenuTexts(HMENU hMenu, UINT nMenuId) {
    RestoreMenuTexts(hMenu, MAKEINTRESOURCEA(nMenuId));
}

// Puts the active pack's texts and font into a dialog window and all its descendants.
void RetitleDialog(HWND hDlg, LPCSTR lpszDialogResource);
inline void RetitleDialog(HWND hDlg, UINT nDialogId) {
    RetitleDialog(hDlg, MAKEINTRESOURCEA(nDialogId));
}

// The pack's "String" text for the id, else the built-in string, else empty; in g_szLangText.
const char* LoadLangString(UINT nId);

// Status-bar prompt of a pack item: the pack's Description, else its String 5051; in g_szLangText.
const char* GetLanguageDescription(HMENU hMenu, UINT nId);

// Tests only: take the pack folder and the setting file from this program path instead of the
// process's module file name. Null goes back to the module file name.
void SetLanguageProgramPath(const char* lpszProgramPath);
