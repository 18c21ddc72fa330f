#include "MailNames.h"

#include "AsciiText.h"

#include <cstdio>

namespace {

struct TypeExtension {
    const char* type;
    const char* extension;
};

const TypeExtension kTypeExtensions[] = {
    {"text/plain", ".txt"},
    {"text/html", ".htm"},
    {"text/calendar", ".ics"},
    {"text/rfc822-headers", ".txt"},
    {"text/xml", ".xml"},
    {"text/csv", ".csv"},
    {"message/delivery-status", ".txt"},
    {"message/disposition-notification", ".txt"},
    {"image/jpeg", ".jpg"},
    {"image/jpg", ".jpg"},
    {"image/pjpeg", ".jpg"},
    {"image/png", ".png"},
    {"image/gif", ".gif"},
    {"image/bmp", ".bmp"},
    {"image/tiff", ".tif"},
    {"application/pdf", ".pdf"},
    {"application/zip", ".zip"},
    {"application/x-gzip", ".gz"},
    {"application/gzip", ".gz"},
    {"application/msword", ".doc"},
    {"application/ms-tnef", ".dat"},
    {"application/vnd.ms-tnef", ".dat"},
    {"application/pkcs7-signature", ".p7s"},
    {"application/x-pkcs7-signature", ".p7s"},
    {"application/pkcs7-mime", ".p7m"},
    {"application/x-pkcs7-mime", ".p7m"},
    {"application/pgp-signature", ".asc"},
    {"application/pgp-encrypted", ".pgp"},
    {"audio/mpeg", ".mp3"},
    {"video/mp4", ".mp4"},
};

} // namespace

std::string ReplaceInvalidFileNameChars(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|')
            c = '_';
    }
    return out;
}

std::string FileNameStem(const std::string& fileName) {
    std::string stem = fileName;
    size_t slash = stem.find_last_of("/\\");
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > start)
        stem.erase(dot);
    return stem;
}

std::string AttachedMessageFileName(const std::string& givenStem, const std::string& subject) {
    std::string stem = givenStem;
    if (stem.find_first_not_of(" \t.") == std::string::npos)
        stem = subject;
    if (stem.find_first_not_of(" \t.") == std::string::npos)
        stem = "Untitled";
    return ReplaceInvalidFileNameChars(stem) + ".msg";
}

std::string GeneratedAttachmentName(int number, const std::string& contentType) {
    char base[32];
    std::snprintf(base, sizeof base, "ATT%05d", number);
    std::string type = AsciiLower(contentType);
    size_t start = type.find_first_not_of(" \t");
    size_t end = type.find_last_not_of(" \t");
    type = start == std::string::npos ? std::string() : type.substr(start, end - start + 1);
    for (const TypeExtension& te : kTypeExtensions)
        if (type == te.type)
            return std::string(base) + te.extension;
    if (type.compare(0, 5, "text/") == 0)
        return std::string(base) + ".txt";
    return std::string(base) + ".bin";
}
