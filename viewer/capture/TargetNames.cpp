#include "TargetNames.h"

#include "CaptureCore.h"
#include "StringConv.h"
#include "WorkingFiles.h"

#include <windows.h>

namespace {
std::u16string ToU16(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}
std::wstring ToWide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}

bool RepresentableInAnsi(const char16_t* ch, size_t units) {
    if (::GetACP() == CP_UTF8)
        return true;
    char buffer[8];
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(ch),
                                  static_cast<int>(units), buffer, sizeof buffer, nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}
} // namespace

CTargetNames::CTargetNames() {
    for (const char* reserved : WorkingFiles::kReserved)
        m_used.insert(UpperCase(AnsiToWide(reserved)));
}

std::string CTargetNames::Take(const std::wstring& fileName, const std::string& folder) {
    // Paths live in buffers of MAX_PATH characters, terminator included. The exit clean-up joins
    // folder and name with one more separator, and must still reach the file.
    constexpr size_t kCleanUpSeparator = 1;
    if (folder.size() + 1 + kCleanUpSeparator >= MAX_PATH)
        return {};
    size_t room = MAX_PATH - 1 - kCleanUpSeparator - folder.size();
    std::u16string safe = VaroCapture::MakeSafeLeafName(ToU16(fileName), RepresentableInAnsi);
    auto taken = [this](const std::u16string& candidate) {
        return m_used.count(UpperCase(ToWide(candidate))) != 0;
    };
    for (size_t maxUnits = room; maxUnits > 0; --maxUnits) {
        std::u16string shortened = VaroCapture::ShortenFileName(safe, maxUnits);
        if (shortened.empty())
            break;
        std::u16string unique = VaroCapture::MakeUniqueName(shortened, maxUnits, taken);
        if (unique.empty())
            break;
        std::string ansi = WideToAnsi(ToWide(unique));
        if (ansi.size() <= room) {
            m_used.insert(UpperCase(ToWide(unique)));
            return ansi;
        }
    }
    return {};
}
