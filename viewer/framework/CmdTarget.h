// Base of everything that receives commands. Each class keeps a static table of its commands
// (a command map); OnCmdMsg looks there and then lets the next target in the route try.
#pragma once
#include "CmdUI.h"

#include <windows.h>

// What OnCmdMsg is asked to do with a command id.
enum : int {
    CN_COMMAND = 0,           // run the handler
    CN_UPDATE_COMMAND_UI = 1, // fill the CCmdUI through the update handler
    CN_COMMAND_PROBE = 2,     // only say whether a handler exists
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // TRUE when a handler of this target (or of a target it routes to) took the request.
    virtual BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui);
};

// One line of a command map of class T: a command range with a handler and/or an update handler.
template <class T> struct CmdMapEntry {
    UINT first;
    UINT last;
    void (T::*onCommand)() = nullptr;
    void (T::*onCommandId)(UINT id) = nullptr;
    void (T::*onUpdate)(CCmdUI* ui) = nullptr;
};

template <class T> constexpr CmdMapEntry<T> OnCommand(UINT id, void (T::*fn)()) {
    return {id, id, fn, nullptr, nullptr};
}
template <class T> constexpr CmdMapEntry<T> OnCommandId(UINT id, void (T::*fn)(UINT)) {
    return {id, id, nullptr, fn, nullptr};
}
template <class T> constexpr CmdMapEntry<T> OnUpdateRange(UINT first, UINT last, void (T::*fn)(CCmdUI*)) {
    return {first, last, nullptr, nullptr, fn};
}

// Runs the request against one class's map; TRUE when an entry took it.
template <class T, size_t N>
BOOL DispatchCmdMap(T* self, const CmdMapEntry<T> (&map)[N], UINT id, int code, CCmdUI* ui) {
    for (const CmdMapEntry<T>& e : map) {
        if (id < e.first || id > e.last)
            continue;
        const bool hasCommand = e.onCommand || e.onCommandId;
        if (code == CN_UPDATE_COMMAND_UI && e.onUpdate && ui) {
            (self->*e.onUpdate)(ui);
            return TRUE;
        }
        if (code == CN_COMMAND_PROBE && hasCommand)
            return TRUE;
        if (code == CN_COMMAND && hasCommand) {
            if (e.onCommand)
                (self->*e.onCommand)();
            else
                (self->*e.onCommandId)(id);
            return TRUE;
        }
    }
    return FALSE;
}
