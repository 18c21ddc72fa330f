#include "AutomationError.h"

#include <cstdio>
#include <string>

namespace {
constexpr unsigned long kDispatchErrorFirst = 0x80040201UL;
constexpr unsigned long kDispatchErrorLast = 0x8004FFFFUL;
constexpr unsigned long kDispatchErrorBase = 0x80040200UL;

std::string SystemText(HRESULT hr, DWORD language) {
    char* buffer = nullptr;
    DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), language, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (n && buffer)
        text.assign(buffer, n);
    if (buffer)
        ::LocalFree(buffer);
    // Only the final line break goes; inner ones are part of the system's text.
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    return text;
}
} // namespace

CAutomationError::CAutomationError(HRESULT hr) : std::runtime_error("automation failure"), m_hr(hr) {}

std::string CAutomationError::DescribeError(HRESULT hr) {
    // The user's default language first; a system without texts in that language falls back to
    // its own search order rather than to no text at all.
    std::string text = SystemText(hr, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
    if (text.empty())
        text = SystemText(hr, 0);
    if (!text.empty())
        return text;
    char buffer[64];
    unsigned long code = static_cast<unsigned long>(hr);
    if (code >= kDispatchErrorFirst && code <= kDispatchErrorLast)
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d",
                      static_cast<int>(code - kDispatchErrorBase));
    else
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", code);
    return buffer;
}

std::string DescribeSystemError(unsigned long code) {
    std::string text = SystemText(static_cast<HRESULT>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
    if (text.empty())
        text = SystemText(static_cast<HRESULT>(code), 0);
    return text.empty() ? "Error " + std::to_string(code) : text;
}
