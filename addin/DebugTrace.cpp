#include "DebugTrace.h"

#include "com/HexResult.h"

namespace DebugTrace {

void Write(const std::wstring& text) {
    ::OutputDebugStringW((L"VaroAddin: " + text + L"\n").c_str());
}

void Failure(const std::wstring& text, HRESULT hr) {
    Write(text + L" (" + com::HexResult(hr) + L")");
}

} // namespace DebugTrace
