// Where the stand-in keeps its permanent command bars between runs, as Office keeps its own:
// HKCU\Software\Varoscope\OutlookSubstitute\CommandBars, one subkey per bar.
#pragma once
#include <string>
#include <vector>

struct SavedCommandBar {
    std::wstring name;
    long position = 0;
    bool visible = false;
};

class CommandBarStore {
public:
    static const char* KeyPath();
    // The bars in their saved order; empty when nothing was saved.
    static std::vector<SavedCommandBar> Load();
    // Replaces what was saved; false when the registry refuses.
    static bool Save(const std::vector<SavedCommandBar>& bars);
};
