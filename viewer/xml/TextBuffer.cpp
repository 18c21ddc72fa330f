#include "TextBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {
constexpr size_t kMinimumCapacity = 64;
}

char CTextBuffer::s_empty[1] = {'\0'};

CTextBuffer::CTextBuffer(const CTextBuffer& other) {
    assign(other.data(), other.m_size);
}

CTextBuffer::CTextBuffer(CTextBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

CTextBuffer& CTextBuffer::operator=(CTextBuffer other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_capacity, other.m_capacity);
    return *this;
}

CTextBuffer::~CTextBuffer() {
    std::free(m_data);
}

void CTextBuffer::Reserve(size_t capacity) {
    if (capacity <= m_capacity && m_data)
        return;
    void* grown = std::realloc(m_data, capacity + 1);
    if (!grown)
        throw std::bad_alloc();
    m_data = static_cast<char*>(grown);
    m_capacity = capacity;
}

void CTextBuffer::assign(const char* text, size_t length) {
    Reserve(length < kMinimumCapacity ? kMinimumCapacity : length);
    if (length != 0)
        std::memmove(m_data, text, length);
    m_size = length;
    m_data[m_size] = '\0';
}

void CTextBuffer::Grow(size_t length) {
    // Doubling keeps a run of appends linear.
    size_t capacity = m_capacity < kMinimumCapacity ? kMinimumCapacity : m_capacity;
    while (capacity < length)
        capacity = capacity > npos / 4 ? length : capacity * 2;
    Reserve(capacity);
    m_size = length;
    m_data[m_size] = '\0';
}

size_t CTextBuffer::find(const char* needle, size_t from) const {
    const size_t n = std::strlen(needle);
    if (n == 0 || from > m_size || m_size - from < n)
        return n == 0 && from <= m_size ? from : npos;
    const char* end = m_data + m_size - n + 1; // last possible start + 1
    for (const char* p = m_data + from; p < end;) {
        const void* hit = std::memchr(p, needle[0], static_cast<size_t>(end - p));
        if (!hit)
            return npos;
        p = static_cast<const char*>(hit);
        if (std::memcmp(p, needle, n) == 0)
            return static_cast<size_t>(p - m_data);
        ++p;
    }
    return npos;
}

std::string CTextBuffer::substr(size_t pos, size_t length) const {
    if (pos >= m_size)
        return std::string();
    if (length > m_size - pos)
        length = m_size - pos;
    return std::string(m_data + pos, length);
}
