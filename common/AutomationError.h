// The error that ends a capture run: an automation call failed, or an absent object was used.
#pragma once
#include <windows.h>
#include <stdexcept>
#include <string>

class CAutomationError : public std::runtime_error {
public:
    explicit CAutomationError(HRESULT hr);
    HRESULT Error() const { return m_hr; }
    // The text the user sees for this error (see DescribeError).
    std::string Description() const { return DescribeError(m_hr); }

    // The system's text for the code in the user's language, without its final CR LF; otherwise
    // "IDispatch error #n" for the range that dispatch interfaces use for their own codes, else
    // "Unknown error 0x...".
    static std::string DescribeError(HRESULT hr);

private:
    HRESULT m_hr;
};

// The system's text for a Win32 error code (GetLastError), without its final CR LF; "Error n" when
// the system has none.
std::string DescribeSystemError(unsigned long code);

// Raises the automation failure for a failed result code.
inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr))
        throw CAutomationError(hr);
}
