// Optional event trace for tests and diagnosis: when the environment variable VARO_TRACE names a
// file, each event is appended to it as one line "event detail". Otherwise nothing happens.
#pragma once

void AfxTrace(const char* event, const char* detail = "");

#include <windows.h>

// True when events are traced (VARO_TRACE is set).
bool AfxTraceEnabled();

// Registered message that a traced frame answers with the line "ping <wParam>": posted behind
// other messages, it tells a driver that everything queued before it has been handled.
UINT AfxTracePingMessage();
// Registered message that asks a traced frame to write its menu bar into the trace.
UINT AfxTraceMenuMessage();
// Writes every item of the menu as "menu <path> <id> <state> <text>" lines (path: positions
// joined by "/", state: the item's GetMenuState flags in hex).
void AfxTraceMenu(HMENU menu);
