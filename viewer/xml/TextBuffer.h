#pragma once

#include <cstddef>
#include <string>

// The growable narrow text of an XML document: one contiguous block, always followed by a NUL
// byte, that grows in place where the heap allows it (realloc) instead of being copied to a
// new block on every doubling. Bytes added by resize are unspecified until written.
class CTextBuffer {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    CTextBuffer() = default;
    CTextBuffer(const CTextBuffer& other);
    CTextBuffer(CTextBuffer&& other) noexcept;
    CTextBuffer& operator=(CTextBuffer other) noexcept;
    ~CTextBuffer();

    size_t size() const { return m_size; }
    const char* data() const { return m_data ? m_data : s_empty; }
    char* data() { return m_data ? m_data : s_empty; }
    char operator[](size_t pos) const { return m_data[pos]; }

    void assign(const char* text, size_t length);
    void resize(size_t length) {
        if (length <= m_capacity && m_data) {
            m_size = length;
            m_data[m_size] = '\0';
        } else {
            Grow(length);
        }
    }
    size_t find(const char* needle, size_t from) const;
    std::string substr(size_t pos, size_t length) const;
    std::string str() const { return std::string(data(), m_size); }

private:
    void Reserve(size_t capacity);
    void Grow(size_t length);

    static char s_empty[1]; // the text of a buffer that never held any

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0; // bytes usable for text, not counting the final NUL
};
