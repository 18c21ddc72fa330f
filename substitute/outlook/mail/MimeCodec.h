// Decoders for the encodings that MIME headers and bodies use. Pure functions, lenient: bad
// input gives whatever could be decoded, never an exception.
#pragma once
#include <map>
#include <string>
#include <string_view>

std::string DecodeBase64(std::string_view text);
std::string DecodeQuotedPrintable(std::string_view text);
// x-uuencode: the lines between "begin MODE NAME" and "end". fileName receives NAME when given.
std::string DecodeUuencode(std::string_view text, std::string* fileName = nullptr);
// Transfer decoding by Content-Transfer-Encoding value (any case); unknown values mean identity.
std::string DecodeTransferEncoding(std::string_view body, const std::string& encoding);

// Header text to UTF-8: RFC 2047 encoded words are decoded (adjacent ones joined, blanks between
// them dropped) and raw 8-bit text is read as UTF-8 when valid, else as Windows-1252.
std::string DecodeHeaderText(std::string_view raw);

// A structured field such as Content-Type or Content-Disposition: the lower-cased value before
// the first ';' and its parameters by lower-cased name. RFC 2231 continuations and charsets are
// resolved; parameter values are UTF-8.
struct HeaderField {
    std::string value;
    std::map<std::string, std::string> params;
    std::string Param(const std::string& name) const;
    bool HasParam(const std::string& name) const { return params.count(name) != 0; }
};
HeaderField ParseHeaderField(std::string_view raw);
