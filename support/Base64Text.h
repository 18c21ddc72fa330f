// Base64 text for mails that tests and benchmarks write themselves: lines of 76 characters
// ended by CR LF, as mail programs write them (or one long line).
#pragma once
#include <string>

inline std::string Base64Text(const std::string& bytes, bool wrapLines = true) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(bytes.size() * 4 / 3 + bytes.size() / 38 + 8);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
        if (wrapLines && out.size() % 78 == 76)
            out += "\r\n";
    }
    return out;
}
