// The parts of a capture that need no Windows: byte encoding, file typing and safe file names.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace VaroCapture {

// UTF-16 to UTF-8, unit by unit. With capacity 0 it only measures; otherwise it writes at most
// capacity bytes and stops before the first sequence that would not fit. Gives the byte count.
// A lone surrogate is written as a 3-byte sequence of its own value.
size_t EncodeUtf8(const char16_t* source, size_t length, char* target, size_t capacity);

// The extension of a file name's last path component: from its last dot to the end, ASCII
// letters lowered; empty without a dot.
std::string FileExtension(const std::string& fileName);

// "PIC" when the lowered extension occurs in the picture extension text, else "DOC".
const char* AttachmentType(const std::string& fileName);

// True for the extension of attached messages, which are opened and walked.
bool IsMessageExtension(const std::string& fileName);

// Tells whether one character (one UTF-16 unit, or a surrogate pair) survives the conversion to
// the ANSI code page unchanged.
using Representable = std::function<bool(const char16_t* ch, size_t units)>;

// A leaf name that is safe to create in the working folder: only the last component of any path
// (either slash, a drive or a stream colon), no reserved or control characters and no characters
// the code page lacks (each becomes '_'), no trailing dots or blanks, no device name, never empty.
std::u16string MakeSafeLeafName(const std::u16string& name, const Representable& representable);

// Cuts the stem (keeping the extension when it is short) so that the name has at most maxUnits
// units; a surrogate pair is never split. Empty when no name with a stem of one character fits.
std::u16string ShortenFileName(const std::u16string& name, size_t maxUnits);

// "stem (n).ext" for n = 2, 3, ... : the first candidate that taken() rejects; the name itself when
// it is free. Candidates keep within maxUnits by shortening the stem.
std::u16string MakeUniqueName(const std::u16string& name, size_t maxUnits,
                              const std::function<bool(const std::u16string&)>& taken);

// Text (in the ANSI code page) as the report may hold it: the control characters that XML does not
// allow even escaped become blanks, since one of them would make the whole report unreadable.
std::string ReportText(std::string text);

// Report text for the log: one name and a line feed per listed name.
std::string LogText(const std::string* names, size_t count);

} // namespace VaroCapture
