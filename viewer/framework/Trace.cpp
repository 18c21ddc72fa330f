#include "Trace.h"

#include <windows.h>

#include <cstdio>
#include <string>

void AfxTrace(const char* event, const char* detail) {
    char path[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableA("VARO_TRACE", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s %s\n", event, detail ? detail : "");
        std::fclose(f);
    }
}

bool AfxTraceEnabled() {
    return ::GetEnvironmentVariableA("VARO_TRACE", nullptr, 0) > 0;
}

UINT AfxTracePingMessage() {
    static const UINT message = ::RegisterWindowMessageA("VaroTracePing");
    return message;
}

UINT AfxTraceMenuMessage() {
    static const UINT message = ::RegisterWindowMessageA("VaroTraceMenu");
    return message;
}

namespace {
void TraceMenuLevel(HMENU menu, const std::string& path) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[1024] = "";
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT id = ::GetMenuItemID(menu, i);
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        const std::string itemPath = path.empty() ? std::to_string(i) : path + "/" + std::to_string(i);
        char line[1200];
        std::snprintf(line, sizeof line, "%s %d %x %s", itemPath.c_str(), static_cast<int>(id), state, text);
        AfxTrace("menu", line);
        if (HMENU sub = ::GetSubMenu(menu, i))
            TraceMenuLevel(sub, itemPath);
    }
}
} // namespace

void AfxTraceMenu(HMENU menu) {
    TraceMenuLevel(menu, std::string());
    AfxTrace("menu-end");
}
