// ParseMimeMessage: RFC 5322 / MIME message to the mail model.
//
// Which parts count as the body (and so are not attachments): a text/plain, text/html,
// text/enriched or text/calendar part that has no file name (neither a Content-Disposition
// filename nor a Content-Type name) and whose disposition is not "attachment"; multipart
// containers themselves (alternative, related, mixed, signed, ...) are never attachments, only
// their leaves are. Every other leaf is an attachment: message/rfc822 parts become attached
// messages, nameless parts get a generated "ATT00001.ext" name. This matches what Outlook lists
// for such mail: inline pictures with a name, signatures and delivery reports included.
#include "AsciiText.h"
#include "Charset.h"
#include "MailMessage.h"
#include "MailNames.h"
#include "MimeCodec.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__GNUC__)
#define VARO_NOINLINE __attribute__((noinline))
#else
#define VARO_NOINLINE
#endif

namespace {

// Attached messages nested deeper than this are hostile or broken; the innermost are left out.
// Each attached message costs a few MIME levels (it usually sits in a multipart of its own
// message), so the two limits are counted apart: real mail nests messages far deeper than it
// nests multiparts inside one message. The recursion per level is kept lean enough that both
// limits together fit in a 1 MB thread stack.
constexpr int kMaxMessageDepth = 400;
// MIME levels in total, attached messages and their multiparts included.
constexpr int kMaxMimeDepth = 1000;
// Decoded copies that the enclosing levels of one attached message may hold together.
constexpr size_t kMaxHeldBytes = 256u * 1024 * 1024;
// Problems beyond this count are summarised, so a broken file gives a readable text.
constexpr size_t kMaxProblems = 8;

struct Entity {
    std::vector<std::pair<std::string, std::string>> headers; // lower-cased name, unfolded value
    std::string_view body;
    const std::string* Header(const char* name) const {
        for (const auto& h : headers)
            if (h.first == name)
                return &h.second;
        return nullptr;
    }
};

// Splits an entity into its header fields and its body at the first empty line. A line that is
// neither a field nor a continuation also ends the header (lenient towards broken mail).
Entity SplitEntity(std::string_view bytes, bool isMessage) {
    Entity e;
    size_t pos = 0, n = bytes.size();
    bool first = true;
    if (isMessage) {
        // Some stored messages start with a line of blanks; a part's leading empty line instead
        // means it has no header fields.
        while (pos < n) {
            size_t eol = bytes.find('\n', pos);
            if (eol == std::string_view::npos || AsciiTrim(bytes.substr(pos, eol - pos)).size() != 0)
                break;
            pos = eol + 1;
        }
    }
    while (pos < n) {
        size_t eol = bytes.find('\n', pos);
        size_t next = eol == std::string_view::npos ? n : eol + 1;
        std::string_view line = bytes.substr(pos, (eol == std::string_view::npos ? n : eol) - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty()) {
            e.body = bytes.substr(next);
            return e;
        }
        if (first && line.substr(0, 5) == "From ") { // mbox separator line
            first = false;
            pos = next;
            continue;
        }
        first = false;
        if ((line[0] == ' ' || line[0] == '\t') && !e.headers.empty()) {
            // Unfolding: the line break and the blanks that indent the next line read as one space.
            std::string_view rest = line.substr(line.find_first_not_of(" \t") == std::string_view::npos
                                                    ? line.size()
                                                    : line.find_first_not_of(" \t"));
            e.headers.back().second += ' ';
            e.headers.back().second.append(rest.data(), rest.size());
            pos = next;
            continue;
        }
        size_t colon = line.find(':');
        std::string_view name =
            colon == std::string_view::npos ? std::string_view() : AsciiTrim(line.substr(0, colon));
        if (name.empty() || name.find_first_of(" \t") != std::string_view::npos) {
            e.body = bytes.substr(pos);
            return e;
        }
        e.headers.emplace_back(AsciiLower(name), std::string(AsciiTrim(line.substr(colon + 1))));
        pos = next;
    }
    e.body = std::string_view();
    return e;
}

// The parts between "--boundary" lines. closed tells whether the closing "--boundary--" came.
std::vector<std::string_view> SplitMultipart(std::string_view body, const std::string& boundary,
                                             bool& closed) {
    std::vector<std::string_view> parts;
    const std::string delimiter = "--" + boundary;
    size_t pos = 0, n = body.size();
    size_t partStart = std::string_view::npos;
    closed = false;
    while (pos < n) {
        size_t eol = body.find('\n', pos);
        size_t lineEnd = eol == std::string_view::npos ? n : eol;
        std::string_view line = body.substr(pos, lineEnd - pos);
        if (line.size() >= delimiter.size() && line.compare(0, delimiter.size(), delimiter) == 0) {
            std::string_view rest = line.substr(delimiter.size());
            bool isClose = rest.substr(0, 2) == "--";
            if (isClose)
                rest.remove_prefix(2);
            if (AsciiTrim(rest).empty()) {
                if (partStart != std::string_view::npos) {
                    // The line break before a delimiter belongs to the delimiter.
                    size_t end = pos;
                    if (end > partStart && body[end - 1] == '\n') {
                        --end;
                        if (end > partStart && body[end - 1] == '\r')
                            --end;
                    }
                    parts.push_back(body.substr(partStart, end - partStart));
                }
                if (isClose) {
                    closed = true;
                    return parts;
                }
                partStart = eol == std::string_view::npos ? n : eol + 1;
            }
        }
        if (eol == std::string_view::npos)
            break;
        pos = eol + 1;
    }
    if (partStart != std::string_view::npos)
        parts.push_back(body.substr(partStart));
    return parts;
}

struct WalkState {
    MailMessage& message;
    int generatedNames = 0;
    bool meetingRequest = false;
    std::vector<std::string> problems;
    void Problem(std::string text) {
        if (problems.size() < kMaxProblems &&
            std::find(problems.begin(), problems.end(), text) == problems.end())
            problems.push_back(std::move(text));
    }
};

struct Depth {
    int mime = 0;         // MIME entities from the top-level message down
    int messages = 0;     // attached messages from the top-level message down
    size_t heldBytes = 0; // decoded copies of the enclosing attached messages
};

void WalkEntity(const Entity& entity, WalkState& state, Depth depth, const char* defaultType);

bool IsIdentityEncoding(const std::string& cte) {
    std::string value = AsciiLower(AsciiTrim(cte));
    return value.empty() || value == "7bit" || value == "8bit" || value == "binary";
}

MailMessage ParseAt(std::string_view bytes, Depth depth);

bool IsBodyType(const std::string& type) {
    return type == "text/plain" || type == "text/html" || type == "text/enriched" || type == "text/calendar";
}

std::string DisplaySender(const std::string& from) {
    std::string text = DecodeHeaderText(from);
    size_t lt = text.find('<');
    if (lt != std::string::npos) {
        std::string name(AsciiTrim(std::string_view(text).substr(0, lt)));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        if (!name.empty())
            return name;
        size_t gt = text.find('>', lt);
        return text.substr(lt + 1, (gt == std::string::npos ? text.size() : gt) - lt - 1);
    }
    // "address (Name)": the comment is the display name.
    size_t open = text.find('(');
    size_t close = text.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open + 1)
        return std::string(AsciiTrim(std::string_view(text).substr(open + 1, close - open - 1)));
    return std::string(AsciiTrim(text));
}

// The addresses of a To or Cc field, each in its display form.
std::vector<std::string> DisplayRecipients(const std::string& field) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false;
    int angle = 0;
    for (size_t i = 0; i <= field.size(); ++i) {
        char c = i < field.size() ? field[i] : ',';
        if (c == '"' && (i == 0 || field[i - 1] != '\\'))
            quoted = !quoted;
        else if (!quoted && c == '<')
            ++angle;
        else if (!quoted && c == '>' && angle > 0)
            --angle;
        if (c == ',' && !quoted && angle == 0) {
            std::string name = DisplaySender(current);
            if (!name.empty())
                out.push_back(name);
            current.clear();
        } else {
            current += c;
        }
    }
    return out;
}

// A part that is not a multipart: an attached message, a body text or an attachment. Kept out
// of WalkEntity so that the frames of deep multipart nesting stay small.
VARO_NOINLINE void WalkLeaf(const Entity& entity, const HeaderField& type, WalkState& state, Depth depth) {
    const std::string* cteHeader = entity.Header("content-transfer-encoding");
    const std::string cte = cteHeader ? *cteHeader : std::string();
    const std::string* dispHeader = entity.Header("content-disposition");
    HeaderField disposition = ParseHeaderField(dispHeader ? *dispHeader : std::string());
    std::string fileName = disposition.Param("filename");
    if (fileName.empty())
        fileName = type.Param("name");

    if (type.value == "message/rfc822" || type.value == "message/global") {
        if (depth.messages >= kMaxMessageDepth || depth.mime >= kMaxMimeDepth) {
            state.Problem("attached messages nested too deeply; the innermost ones are left out");
            MailAttachment attachment;
            attachment.fileName = AttachedMessageFileName(FileNameStem(fileName), std::string());
            attachment.embedded = std::make_shared<MailMessage>();
            attachment.embedded->problem = "not read: attached messages nested too deeply";
            state.message.attachments.push_back(std::move(attachment));
            return;
        }
        // An identity-encoded message is read in place; a decoded copy counts against the bytes
        // that the open levels may hold, so a chain of encoded levels cannot exhaust memory.
        std::string decoded;
        std::string_view inner = entity.body;
        if (!IsIdentityEncoding(cte)) {
            decoded = DecodeTransferEncoding(entity.body, cte);
            inner = decoded;
        }
        Depth innerDepth{depth.mime + 1, depth.messages + 1, depth.heldBytes + decoded.size()};
        if (innerDepth.heldBytes > kMaxHeldBytes) {
            state.Problem("attached messages too large to decode; the innermost ones are left out");
            MailAttachment attachment;
            attachment.fileName = AttachedMessageFileName(FileNameStem(fileName), std::string());
            attachment.embedded = std::make_shared<MailMessage>();
            attachment.embedded->problem = "not read: attached messages too large to decode";
            state.message.attachments.push_back(std::move(attachment));
            return;
        }
        auto message = std::make_shared<MailMessage>(ParseAt(inner, innerDepth));
        MailAttachment attachment;
        attachment.fileName = AttachedMessageFileName(FileNameStem(fileName), message->subject);
        attachment.embedded = std::move(message);
        state.message.attachments.push_back(std::move(attachment));
        return;
    }

    if (IsBodyType(type.value) && fileName.empty() && disposition.value != "attachment") {
        if (type.value == "text/calendar") {
            std::string method = AsciiLower(type.Param("method"));
            std::string text = DecodeTransferEncoding(entity.body, cte);
            if (method == "request" || text.find("METHOD:REQUEST") != std::string::npos)
                state.meetingRequest = true;
        }
        return;
    }

    MailAttachment attachment;
    std::string lowerCte = AsciiLower(AsciiTrim(cte));
    if (lowerCte == "x-uuencode" || lowerCte == "x-uue" || lowerCte == "uuencode" || lowerCte == "uue") {
        std::string uuName;
        attachment.data = DecodeUuencode(entity.body, &uuName);
        if (fileName.empty())
            fileName = RawTextToUtf8(uuName);
    } else {
        attachment.data = DecodeTransferEncoding(entity.body, cte);
    }
    if (fileName.empty())
        fileName = GeneratedAttachmentName(++state.generatedNames, type.value);
    attachment.fileName = fileName;
    state.message.attachments.push_back(std::move(attachment));
}

void WalkEntity(const Entity& entity, WalkState& state, Depth depth, const char* defaultType) {
    const std::string* typeHeader = entity.Header("content-type");
    HeaderField type = ParseHeaderField(typeHeader ? *typeHeader : std::string());
    if (type.value.find('/') == std::string::npos)
        type.value = defaultType;
    if (type.value.compare(0, 10, "multipart/") == 0) {
        std::string boundary = type.Param("boundary");
        if (!boundary.empty()) {
            if (depth.mime >= kMaxMimeDepth) {
                state.Problem("MIME parts nested too deeply; the innermost ones are left out");
                return;
            }
            bool closed = false;
            std::vector<std::string_view> parts = SplitMultipart(entity.body, boundary, closed);
            if (!closed)
                state.Problem("multipart body ends without its closing boundary (truncated?)");
            const char* childDefault = type.value == "multipart/digest" ? "message/rfc822" : "text/plain";
            Depth inner = depth;
            ++inner.mime;
            for (std::string_view part : parts)
                WalkEntity(SplitEntity(part, false), state, inner, childDefault);
            return;
        }
        state.Problem("multipart part without boundary; kept as one attachment");
    }
    WalkLeaf(entity, type, state, depth);
}

std::string MessageClassOf(const Entity& root, bool meetingRequest) {
    const std::string* typeHeader = root.Header("content-type");
    HeaderField type = ParseHeaderField(typeHeader ? *typeHeader : std::string());
    if (type.value == "application/pkcs7-mime" || type.value == "application/x-pkcs7-mime")
        return "IPM.Note.SMIME";
    if (type.value == "multipart/signed") {
        std::string protocol = AsciiLower(type.Param("protocol"));
        if (protocol.find("pkcs7-signature") != std::string::npos)
            return "IPM.Note.SMIME.MultipartSigned";
    }
    if (meetingRequest)
        return "IPM.Schedule.Meeting.Request";
    return "IPM.Note";
}

MailMessage ParseAt(std::string_view bytes, Depth depth) {
    MailMessage message;
    Entity root = SplitEntity(bytes, true);
    if (const std::string* subject = root.Header("subject"))
        message.subject = DecodeHeaderText(*subject);
    if (const std::string* from = root.Header("from"))
        message.sender = DisplaySender(*from);
    if (const std::string* to = root.Header("to"))
        message.recipients = DisplayRecipients(*to);
    if (root.headers.empty())
        message.problem = "no header fields: not a mail message";
    WalkState state{message, 0, false, {}};
    WalkEntity(root, state, depth, "text/plain");
    message.messageClass = MessageClassOf(root, state.meetingRequest);
    for (const std::string& p : state.problems) {
        if (!message.problem.empty())
            message.problem += "; ";
        message.problem += p;
    }
    return message;
}

} // namespace

MailMessage ParseMimeMessage(const std::string& bytes) {
    return ParseAt(bytes, Depth());
}
