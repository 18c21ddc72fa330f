// libFuzzer entry for the language packs' menu-template reader (the built-in texts that a switch
// of language pack puts back): any bytes read without crash or overrun, levels within the depth
// limit, positions counted per level, and the items written back as a template read the same.
#include "MenuTemplate.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kMaxDepth = 32; // as the language packs use it

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void PutWord(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

// Writes the items as a template: each level's last item carries the end flag.
std::string Write(const std::vector<MenuTemplateItem>& items) {
    std::string out;
    PutWord(out, 0);
    PutWord(out, 0);
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuTemplateItem& item = items[i];
        // Last of its level: no later item on this level before the level closes.
        bool last = true;
        for (size_t k = i + 1; k < items.size() && items[k].depth >= item.depth; ++k)
            if (items[k].depth == item.depth) {
                last = false;
                break;
            }
        uint16_t flags = static_cast<uint16_t>((item.popup ? CMenuTemplate::kPopup : 0) |
                                               (last ? CMenuTemplate::kEnd : 0));
        PutWord(out, flags);
        if (!item.popup)
            PutWord(out, item.id);
        for (char16_t c : item.text)
            PutWord(out, static_cast<uint16_t>(c));
        PutWord(out, 0);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<MenuTemplateItem> items;
    if (!CMenuTemplate::Read(data, size, kMaxDepth, items))
        return 0;
    Check(items.size() <= size / 4);
    std::vector<unsigned> next(kMaxDepth, 0);
    int depth = 0;
    for (const MenuTemplateItem& item : items) {
        Check(item.depth >= 0 && item.depth < kMaxDepth && item.depth <= depth);
        if (item.depth < depth)
            for (int d = item.depth + 1; d < kMaxDepth; ++d)
                next[d] = 0;
        Check(item.position == next[item.depth]++);
        depth = item.popup ? item.depth + 1 : item.depth;
        for (char16_t c : item.text)
            Check(c != 0);
    }
    // A template whose last popup is empty or was cut short reads back differently; the rest must
    // come back item for item.
    std::vector<MenuTemplateItem> again;
    const std::string written = Write(items);
    Check(CMenuTemplate::Read(reinterpret_cast<const uint8_t*>(written.data()), written.size(), kMaxDepth,
                              again));
    Check(again.size() <= items.size());
    for (size_t i = 0; i < again.size(); ++i)
        Check(again[i].depth == items[i].depth && again[i].position == items[i].position &&
              again[i].popup == items[i].popup && again[i].id == items[i].id &&
              again[i].text == items[i].text);
    return 0;
}
