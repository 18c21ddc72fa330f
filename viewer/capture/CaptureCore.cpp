#include "CaptureCore.h"

#include "AsciiText.h"

#include <cstring>

namespace VaroCapture {

namespace {
// Picture extensions, each with its dot; a lowered extension counts as a picture when it occurs
// anywhere in this text.
const char kPictureExtensions[] = ".jpg .jpeg .bmp .gif .tif .png .pcx .tiff";
const char kMessageExtension[] = ".msg";
// Longest extension examined, dot included.
constexpr size_t kExtensionCapacity = 11;

const char16_t kReplacement = u'_';
const char16_t kReservedCharacters[] = u"<>:\"/\\|?*";
const char16_t kFallbackName[] = u"attachment";
// Stems that Windows maps to devices whatever the extension. The superscript digits count as
// port numbers too, and they are in the Western code page, so they reach this check.
const char16_t* const kDeviceNames[] = {
    u"CON",       u"PRN",  u"AUX",  u"NUL",       u"COM0",      u"COM1",      u"COM2",      u"COM3",
    u"COM4",      u"COM5", u"COM6", u"COM7",      u"COM8",      u"COM9",      u"COM\u00B9", u"COM\u00B2",
    u"COM\u00B3", u"LPT0", u"LPT1", u"LPT2",      u"LPT3",      u"LPT4",      u"LPT5",      u"LPT6",
    u"LPT7",      u"LPT8", u"LPT9", u"LPT\u00B9", u"LPT\u00B2", u"LPT\u00B3", u"CONIN$",    u"CONOUT$"};
// Longest extension that shortening keeps, dot included.
constexpr size_t kKeptExtensionUnits = 16;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

size_t ExtensionStart(const std::u16string& name) {
    size_t dot = name.rfind(u'.');
    return (dot == std::u16string::npos || dot == 0) ? name.size() : dot;
}

bool IsDeviceStem(const std::u16string& name) {
    // The device check looks at the part before the first dot, with trailing blanks ignored.
    size_t end = name.find(u'.');
    if (end == std::u16string::npos)
        end = name.size();
    while (end > 0 && name[end - 1] == u' ')
        --end;
    for (const char16_t* device : kDeviceNames) {
        size_t n = std::char_traits<char16_t>::length(device);
        if (n != end)
            continue;
        bool same = true;
        for (size_t i = 0; i < n && same; ++i)
            same = AsciiToUpper(name[i]) == device[i];
        if (same)
            return true;
    }
    return false;
}
} // namespace

size_t EncodeUtf8(const char16_t* source, size_t length, char* target, size_t capacity) {
    size_t written = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned long cp = source[i];
        size_t n;
        if (cp < 0x80)
            n = 1;
        else if (cp < 0x800)
            n = 2;
        else if (IsHighSurrogate(source[i]) && i + 1 < length && IsLowSurrogate(source[i + 1])) {
            cp = (cp - 0xD800) * 0x400 + (source[i + 1] - 0xDC00) + 0x10000;
            n = 4;
        } else
            n = 3;
        if (capacity != 0) {
            if (written + n > capacity)
                break;
            unsigned char* out = reinterpret_cast<unsigned char*>(target + written);
            switch (n) {
            case 1:
                out[0] = static_cast<unsigned char>(cp);
                break;
            case 2:
                out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
                out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                break;
            case 3:
                out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
                out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
                out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                break;
            default:
                out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
                out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
                out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
                out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
                break;
            }
        }
        written += n;
        if (n == 4)
            ++i;
    }
    return written;
}

std::string FileExtension(const std::string& fileName) {
    size_t start = fileName.find_last_of("\\/");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    return AsciiLower(std::string_view(fileName).substr(dot));
}

const char* AttachmentType(const std::string& fileName) {
    std::string ext = FileExtension(fileName);
    // Longer extensions than the examined buffer holds are no picture extension.
    if (ext.size() > kExtensionCapacity)
        return "DOC";
    return std::strstr(kPictureExtensions, ext.c_str()) ? "PIC" : "DOC";
}

bool IsMessageExtension(const std::string& fileName) {
    return FileExtension(fileName) == kMessageExtension;
}

std::u16string MakeSafeLeafName(const std::u16string& name, const Representable& representable) {
    // Only the last component: anything before a slash, backslash or colon is a folder, a drive
    // or a stream name.
    size_t cut = name.find_last_of(u"\\/:");
    std::u16string leaf = cut == std::u16string::npos ? name : name.substr(cut + 1);

    std::u16string out;
    out.reserve(leaf.size());
    for (size_t i = 0; i < leaf.size(); ++i) {
        char16_t c = leaf[i];
        size_t units = 1;
        if (IsHighSurrogate(c) && i + 1 < leaf.size() && IsLowSurrogate(leaf[i + 1]))
            units = 2;
        bool bad;
        if (units == 2)
            bad = !representable(&leaf[i], 2);
        else
            bad = c < 0x20 || c == 0x7F || std::char_traits<char16_t>::find(kReservedCharacters, 9, c) ||
                  IsHighSurrogate(c) || IsLowSurrogate(c) || (c >= 0x80 && !representable(&leaf[i], 1));
        if (bad)
            out.push_back(kReplacement);
        else
            out.append(leaf, i, units);
        i += units - 1;
    }
    // Windows drops trailing dots and blanks, so a name ending in them would name another file.
    while (!out.empty() && (out.back() == u'.' || out.back() == u' '))
        out.pop_back();
    // Leading blanks are legal but invisible in the page and easy to confuse; keep them out too.
    size_t first = out.find_first_not_of(u' ');
    out.erase(0, first == std::u16string::npos ? out.size() : first);
    if (out.empty())
        return kFallbackName;
    if (IsDeviceStem(out))
        out.insert(out.begin(), kReplacement);
    return out;
}

std::u16string ShortenFileName(const std::u16string& name, size_t maxUnits) {
    if (name.size() <= maxUnits)
        return name;
    size_t extStart = ExtensionStart(name);
    size_t extUnits = name.size() - extStart;
    if (extUnits > kKeptExtensionUnits || extUnits + 1 > maxUnits)
        extUnits = 0; // too long to keep: cut the name as a whole
    size_t stemUnits = maxUnits - extUnits;
    if (stemUnits == 0)
        return {};
    // Never end the stem inside a surrogate pair.
    if (IsHighSurrogate(name[stemUnits - 1]))
        --stemUnits;
    if (stemUnits == 0)
        return {};
    std::u16string stem = name.substr(0, stemUnits);
    while (!stem.empty() && (stem.back() == u'.' || stem.back() == u' '))
        stem.pop_back();
    if (stem.empty())
        return {};
    std::u16string out = stem + (extUnits ? name.substr(name.size() - extUnits) : std::u16string());
    // A cut can leave a device name ("CONSOLE.txt" cut to "CON.txt"); the length must stay.
    if (IsDeviceStem(out))
        out[0] = kReplacement;
    return out;
}

std::u16string MakeUniqueName(const std::u16string& name, size_t maxUnits,
                              const std::function<bool(const std::u16string&)>& taken) {
    if (!taken(name))
        return name;
    size_t extStart = ExtensionStart(name);
    std::u16string stem = name.substr(0, extStart);
    std::u16string ext = name.substr(extStart);
    for (unsigned n = 2;; ++n) {
        std::string number = " (" + std::to_string(n) + ")";
        std::u16string suffix(number.begin(), number.end());
        std::u16string candidate = stem + suffix + ext;
        if (candidate.size() > maxUnits) {
            if (suffix.size() + ext.size() + 1 > maxUnits)
                return {};
            std::u16string cut = ShortenFileName(stem + ext, maxUnits - suffix.size());
            size_t cutExt = ExtensionStart(cut);
            candidate = cut.substr(0, cutExt) + suffix + cut.substr(cutExt);
        }
        if (!taken(candidate))
            return candidate;
    }
}

std::string ReportText(std::string text) {
    // Bytes below 0x20 are never trail bytes of a double-byte code page, so each one here is a
    // character of its own.
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            c = ' ';
    return text;
}

std::string LogText(const std::string* names, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += names[i];
        text += '\n';
    }
    return text;
}

} // namespace VaroCapture
