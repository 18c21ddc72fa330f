// Optional automation arguments as Office reads them: left out (VT_ERROR DISP_E_PARAMNOTFOUND,
// or VT_EMPTY) gives the default; anything else is coerced, and what cannot be is a type mismatch.
#pragma once
#include <oaidl.h>

#include <string>

bool IsOmitted(const VARIANT& value);
HRESULT OptionalLong(const VARIANT& value, long fallback, long& out);
// Booleans arrive as VT_BOOL or as 16-bit integers (-1 true, 0 false); any non-zero is true.
HRESULT OptionalBool(const VARIANT& value, bool fallback, bool& out);
HRESULT OptionalString(const VARIANT& value, const std::wstring& fallback, std::wstring& out);
