// Model text (UTF-8) out to automation strings (UTF-16 BSTRs), and back for paths.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

// Allocates *out from UTF-8 text; E_POINTER for a null out, E_OUTOFMEMORY when allocation fails.
HRESULT Utf8ToBstr(const std::string& text, BSTR* out);
// Allocates *out from wide text; E_POINTER for a null out, E_OUTOFMEMORY when allocation fails.
HRESULT WideToBstr(const std::wstring& text, BSTR* out);
// A BSTR as a wide string (a null BSTR is the empty string).
std::wstring BstrToWide(BSTR text);
