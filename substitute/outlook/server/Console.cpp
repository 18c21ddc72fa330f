#include "Console.h"

#include "StringConv.h"

#include <windows.h>

namespace Console {

namespace {
constexpr wchar_t kPrefix[] = L"OutlookSubstitute: ";

void WriteLine(DWORD which, const std::wstring& text) {
    HANDLE out = ::GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE) {
        ::AttachConsole(ATTACH_PARENT_PROCESS);
        out = ::GetStdHandle(which);
        if (!out || out == INVALID_HANDLE_VALUE)
            return;
    }
    std::string bytes = WideToUtf8(text + L"\r\n");
    DWORD written = 0;
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::FlushFileBuffers(out);
}
} // namespace

void Info(const std::wstring& text) {
    WriteLine(STD_OUTPUT_HANDLE, kPrefix + text);
}

void Error(const std::wstring& text) {
    WriteLine(STD_ERROR_HANDLE, kPrefix + text);
}

void Text(const std::wstring& text) {
    WriteLine(STD_OUTPUT_HANDLE, text);
}

} // namespace Console
