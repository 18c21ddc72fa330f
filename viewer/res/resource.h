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

// Framework commands and strings (values fixed by the framework's conventions).
#define ID_SEPARATOR 0
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_FINDER 57667
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_INDICATOR_CAPS 59137
#define ID_INDICATOR_NUM 59138
#define ID_INDICATOR_SCRL 59139
#define AFX_IDW_TOOLBAR 59392
#define AFX_IDW_STATUS_BAR 59393
#define AFX_IDW_PANE_FIRST 59648

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
