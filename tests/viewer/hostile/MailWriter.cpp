#include "MailWriter.h"

#include "Base64Text.h"

#include <cstdio>
#include <fstream>

namespace {
std::string PercentUtf8(const std::string& utf8) {
    std::string out;
    char buf[4];
    for (unsigned char c : utf8) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
            c == '-') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string Header(const std::string& subject, const std::string& boundary) {
    return "From: hostile@example.com\r\nTo: you@example.com\r\nSubject: =?UTF-8?B?" +
           Base64Text(subject, false) +
           "?=\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary +
           "\"\r\n\r\n--" + boundary + "\r\nContent-Type: text/plain\r\n\r\nAttached.\r\n";
}

std::string Disposition(const std::string& name) {
    return "Content-Disposition: attachment; filename*=UTF-8''" + PercentUtf8(name) + "\r\n";
}

void AppendMime(const PlannedMail& mail, std::string& out, unsigned& counter) {
    const std::string boundary = "hostile-boundary-" + std::to_string(counter++);
    out += Header(mail.subject, boundary);
    for (const MailPart& p : mail.parts) {
        out += "--" + boundary + "\r\n";
        if (p.message) {
            out += "Content-Type: message/rfc822\r\n" + Disposition(p.name) + "\r\n";
            AppendMime(*p.message, out, counter);
            out += "\r\n";
        } else {
            out += "Content-Type: application/octet-stream\r\n" + Disposition(p.name) +
                   "Content-Transfer-Encoding: base64\r\n\r\n" + Base64Text(p.bytes) + "\r\n";
        }
    }
    out += "--" + boundary + "--\r\n";
}

uint32_t Le(std::string& out, uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return v;
}
} // namespace

std::string MimeText(const PlannedMail& mail) {
    std::string out;
    unsigned counter = 0;
    AppendMime(mail, out, counter);
    return out;
}

size_t ListedCount(const PlannedMail& mail) {
    size_t n = 0;
    for (const MailPart& p : mail.parts)
        n += p.message ? ListedCount(*p.message) : 1;
    return n;
}

bool WriteHugeMail(const std::string& path, const std::string& subject, const std::string& name,
                   uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string boundary = "hostile-huge";
    out << Header(subject, boundary) << "--" << boundary << "\r\nContent-Type: application/octet-stream\r\n"
        << Disposition(name) << "Content-Transfer-Encoding: base64\r\n\r\n";
    // Whole base64 lines (57 bytes each) per piece, so that the pieces join into one clean body.
    constexpr size_t kPiece = 57 * 16384;
    std::string piece;
    uint64_t done = 0;
    while (done < size) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kPiece, size - done));
        piece.resize(n);
        for (size_t i = 0; i < n; ++i)
            piece[i] = static_cast<char>((done + i) * 131 >> 7);
        std::string text = Base64Text(piece);
        if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)
            text += "\r\n";
        out << text;
        done += n;
    }
    out << "--" << boundary << "--\r\n";
    return static_cast<bool>(out);
}

std::string SmallBitmap(int width, int height, int tint) {
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* p = &pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<char>(255 * x / width);
            p[1] = static_cast<char>(255 * y / height);
            p[2] = static_cast<char>(tint);
        }
    std::string out = "BM";
    Le(out, 54 + static_cast<uint32_t>(pixels.size()), 4);
    Le(out, 0, 4);
    Le(out, 54, 4);
    Le(out, 40, 4);
    Le(out, static_cast<uint32_t>(width), 4);
    Le(out, static_cast<uint32_t>(height), 4);
    Le(out, 1, 2);
    Le(out, 24, 2);
    Le(out, 0, 4);
    Le(out, static_cast<uint32_t>(pixels.size()), 4);
    Le(out, 2835, 4);
    Le(out, 2835, 4);
    Le(out, 0, 4);
    Le(out, 0, 4);
    return out + pixels;
}
