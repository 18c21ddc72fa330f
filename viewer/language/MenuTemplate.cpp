#include "MenuTemplate.h"

namespace {

class WordReader {
public:
    WordReader(const uint8_t* data, std::size_t size) : m_pos(data), m_end(data + size) {}
    bool Word(uint16_t& value) {
        if (m_end - m_pos < 2)
            return false;
        value = static_cast<uint16_t>(m_pos[0] | (m_pos[1] << 8));
        m_pos += 2;
        return true;
    }
    bool Skip(std::size_t bytes) {
        if (static_cast<std::size_t>(m_end - m_pos) < bytes)
            return false;
        m_pos += bytes;
        return true;
    }
    bool Text(std::u16string& text) {
        text.clear();
        for (uint16_t c; Word(c);) {
            if (c == 0)
                return true;
            text.push_back(static_cast<char16_t>(c));
        }
        return false;
    }

private:
    const uint8_t* m_pos;
    const uint8_t* m_end;
};

} // namespace

bool CMenuTemplate::Read(const uint8_t* data, std::size_t size, int maxDepth,
                         std::vector<MenuTemplateItem>& items) {
    WordReader reader(data, size);
    uint16_t version = 0;
    uint16_t headerSize = 0;
    if (!reader.Word(version) || !reader.Word(headerSize) || version != 0 || !reader.Skip(headerSize))
        return false;
    if (maxDepth < 1)
        return true;

    struct Level {
        unsigned position; // of the next item of this level
        bool openedLast;   // the popup item that opened this level was the last of its own level
    };
    std::vector<Level> levels(1, Level{0, true});
    for (;;) {
        uint16_t flags = 0;
        if (!reader.Word(flags))
            return true;
        MenuTemplateItem item;
        item.depth = static_cast<int>(levels.size()) - 1;
        item.position = levels.back().position++;
        if (flags & kPopup) {
            item.popup = true;
            if (!reader.Text(item.text))
                return true;
            items.push_back(std::move(item));
            if (static_cast<int>(levels.size()) >= maxDepth)
                return true;
            levels.push_back(Level{0, (flags & kEnd) != 0});
            continue;
        }
        if (!reader.Word(item.id) || !reader.Text(item.text))
            return true;
        items.push_back(std::move(item));
        if (!(flags & kEnd))
            continue;
        bool leaving = true;
        while (leaving) {
            if (levels.size() == 1)
                return true;
            leaving = levels.back().openedLast;
            levels.pop_back();
        }
    }
}
