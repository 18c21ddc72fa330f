// Failure results with a readable description, as Outlook gives them.
#pragma once
#include <windows.h>

// Sets the thread's error information to text and returns hr.
HRESULT Fail(HRESULT hr, const wchar_t* text);
