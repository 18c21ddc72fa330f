// Resource and command identifiers of the viewer: the one place they are defined.
// Included by C++ code and by the resource compiler (so: #define only).
#pragma once

// Shared by the menu bar, tool bar, accelerator table, document string and main icon.
#define IDR_MAINFRAME 128
#define IDR_VAROTYPE 129
#define IDB_TOOLBAR 128

// Viewer commands.
#define ID_VIEW_REFRESH 32773
#define ID_HELP_SUPPORT 32775
#define ID_ENCODING_UTF8 32779
#define ID_ENCODING_ISO88591 32780
#define ID_ENCODING_SHIFTJIS 32781
#define ID_ENCODING_BIG5 32782
#define ID_VIEW_GOBACK 32783

// Language items: the built-in texts, then one id per listed pack.
#define ID_LANGUAGE_DEFAULT 5050
#define ID_LANGUAGE_FIRST_PACK 5051
#define ID_LANGUAGE_LAST 5099

// The framework's own commands, strings, bars and indicators.
#include "../framework/FrameworkIds.h"

// About box.
#define IDD_ABOUTBOX 100
#define IDC_CREDITS_PANEL 1001
#define IDC_VERSION_LABEL 1003
#define IDC_HOMEPAGE_LINK 1006
#define IDB_LOGO 148
// The separator image of the credits is a bitmap with a quoted resource name: "IDB_SEPARATOR".

// Version information.
#define VARO_VERSION_TEXT "1.41"
#define VARO_VERSION_COMMA 1, 41, 0, 0
