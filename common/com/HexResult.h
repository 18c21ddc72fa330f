// A result code as messages and traces write it: "0x8004C001".
#pragma once
#include <windows.h>

#include <cwchar>
#include <string>

namespace com {

inline std::wstring HexResult(HRESULT hr) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

} // namespace com
