// Reading a standard menu template (the built-in texts that a language switch puts back): pure
// C++, so that the reader can be checked and fuzzed natively. Little-endian words, texts as
// zero-terminated UTF-16.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MenuTemplateItem {
    int depth = 0;         // 0 for the menu bar, 1 for its popups, ...
    unsigned position = 0; // the item's position within its own level
    bool popup = false;    // opens the next level; its text goes by position
    uint16_t id = 0;       // command id of a plain item (0: separator); its text goes by command
    std::u16string text;
};

class CMenuTemplate {
public:
    static constexpr uint16_t kPopup = 0x0010; // MF_POPUP
    static constexpr uint16_t kEnd = 0x0080;   // MF_END: last item of its level

    // Reads the items in template order, levels no deeper than maxDepth (a popup on the last
    // allowed level ends the reading). Reading stops at the first item that does not fit in the
    // bytes; the items before it are kept. False when the bytes are no standard (version 0)
    // template.
    static bool Read(const uint8_t* data, std::size_t size, int maxDepth,
                     std::vector<MenuTemplateItem>& items);
};
