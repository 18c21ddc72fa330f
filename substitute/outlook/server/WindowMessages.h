// How scripts and tests reach a running stand-in: the window classes they look for and the
// WM_COPYDATA requests its windows answer.
#pragma once
#include <windows.h>

// The hidden message-only window that --stop, --click-control and the add-in switches talk to.
constexpr wchar_t kControlWindowClass[] = L"VaroOutlookSubstituteControl";
constexpr wchar_t kExplorerWindowClass[] = L"VaroOutlookSubstituteExplorer";
constexpr wchar_t kMenuWindowClass[] = L"VaroOutlookSubstituteMenu";

// WM_COPYDATA to the control window; the data is "EVENT\nTAG" (wide), EVENT a named event that is
// set once the request was carried out. The result is TRUE when it was accepted.
constexpr ULONG_PTR kCopyClickControl = 0x56415201;     // click the first control with that tag
constexpr ULONG_PTR kCopyReconnectAddins = 0x56415202;  // disconnect and reconnect the add-ins
constexpr ULONG_PTR kCopyDisconnectAddins = 0x56415204; // disconnect the add-ins
constexpr ULONG_PTR kCopyClickRibbon = 0x56415205;      // onAction of the add-in control with that id
constexpr ULONG_PTR kCopyContextMenu = 0x56415206;      // open the context menu of the selection

// WM_COPYDATA to the explorer window with a tag or caption (wide): the centre of the first drawn
// control with that tag (else that caption), packed as MAKELONG(x, y) in client coordinates, or
// -1 when none is drawn. Menu items count only while their menu is open. With a ribbon: an add-in
// control's id or a legacy control's tag, else the text drawn on a tab, button or menu item.
constexpr ULONG_PTR kCopyControlPoint = 0x56415203;
// The same question, with a ribbon: the size of the picture that the add-in's getImage gave for
// that drawn control, MAKELONG(width, height); 0 when it shows a placeholder face; -1 when none
// is drawn.
constexpr ULONG_PTR kCopyControlImage = 0x56415207;
