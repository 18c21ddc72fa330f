// Fuzz target for CXmlDocument: LoadText of arbitrary text, then a few edits.
//
// Input: one control byte, then parts separated by NUL bytes. The first part is the text to
// load; every further part is one edit: its first byte picks the operation, the rest is
// "name=value". Control bit 0 selects the Shift-JIS lead-byte table; bit 1 restricts element
// and attribute names to letters and digits, which lets the target check that the index built
// by the edits is the one the parser finds in the finished text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "XmlDocument.h"

namespace {

constexpr size_t kMaxEdits = 48;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::string Sanitize(const std::string& name) {
    std::string out;
    for (char c : name)
        out += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : 'x';
    return out.empty() ? std::string("n") : out;
}

std::string WholeCharacters(const std::string& value) {
    size_t i = 0;
    while (i < value.size())
        i += ShiftJisLead(static_cast<unsigned char>(value[i])) ? 2 : 1;
    return i > value.size() ? value.substr(0, value.size() - 1) : value;
}

// Pre-order shape of the index: offsets and depth of every element.
std::string Shape(const CXmlDocument& doc) {
    std::string shape;
    std::function<void(int, int)> walk = [&](int index, int depth) {
        for (; index != 0; index = doc.record(index).nextSibling) {
            const CXmlDocument::ElementRecord& r = doc.record(index);
            shape += std::to_string(depth) + ":" + std::to_string(r.startTagBegin) + "," +
                     std::to_string(r.startTagEnd) + "," + std::to_string(r.endTagBegin) + "," +
                     std::to_string(r.endTagEnd) + " ";
            walk(r.firstChild, depth + 1);
        }
    };
    walk(doc.record(0).firstChild, 0);
    return shape;
}

// Every element of the index points at its own tag delimiters.
void CheckIndex(const CXmlDocument& doc) {
    const std::string text = doc.GetText();
    auto at = [&](int pos) { return pos >= 0 && pos < static_cast<int>(text.size()) ? text[pos] : '\0'; };
    std::function<void(int)> walk = [&](int index) {
        for (; index != 0; index = doc.record(index).nextSibling) {
            const CXmlDocument::ElementRecord& r = doc.record(index);
            Check(at(r.startTagBegin) == '<' && at(r.startTagEnd) == '>' && at(r.endTagEnd) == '>');
            if (r.startTagEnd == r.endTagBegin + 1)
                Check(at(r.endTagBegin) == '/' && r.endTagEnd == r.startTagEnd);
            else
                Check(at(r.endTagBegin) == '<');
            walk(r.firstChild);
        }
    };
    walk(doc.record(0).firstChild);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    const bool shiftJis = control & 1;
    const bool plainNames = control & 2;
    std::vector<std::string> parts(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }

    CXmlDocument doc(shiftJis ? ShiftJisLead : SingleByteLead);
    const std::string& text = parts[0];
    const bool loaded = doc.LoadText(text.c_str());
    Check(doc.GetText() == text);
    Check(doc.currentIndex() == 0 && doc.childIndex() == 0 && doc.parentIndex() == 0);
    if (!loaded)
        Check(doc.freeIndex() == 1 && doc.record(0).firstChild == 0);
    CheckIndex(doc);

    bool appended = false;
    for (size_t i = 1; i < parts.size() && i <= kMaxEdits; ++i) {
        const std::string& part = parts[i];
        if (part.empty())
            continue;
        const std::string rest = part.substr(1);
        const size_t eq = rest.find('=');
        std::string name = eq == std::string::npos ? rest : rest.substr(0, eq);
        std::string value = eq == std::string::npos ? std::string() : rest.substr(eq + 1);
        if (plainNames) {
            name = Sanitize(name);
            // Texts from the code page never end inside a double-byte character; one that did
            // would take the next markup byte as its trail.
            if (shiftJis)
                value = WholeCharacters(value);
        }
        const std::string before = doc.GetText();
        bool done = false;
        switch (static_cast<uint8_t>(part[0]) % 6) {
        case 0:
            done = doc.AppendElement(name.c_str(), value.c_str(), false);
            appended = appended || done;
            break;
        case 1:
            done = doc.AppendElement(name.c_str(), value.empty() ? nullptr : value.c_str(), true);
            appended = appended || done;
            break;
        case 2:
            done = doc.EnterElement();
            break;
        case 3:
            done = doc.SetAttributeOf(doc.currentIndex(), name.c_str(), value.c_str());
            break;
        case 4:
            done = doc.SetAttributeOf(doc.childIndex(), name.c_str(), value.c_str());
            break;
        default:
            try {
                done = doc.SetAttributeOf(static_cast<uint8_t>(part[0]) / 6, name.c_str(), value.c_str());
            } catch (const std::out_of_range&) {
                done = false;
            }
            break;
        }
        if (!done)
            Check(doc.GetText() == before); // a refusal changes nothing
        if (plainNames)
            CheckIndex(doc);
    }

    // With plain names, a single-byte text and a prolog without markup, the parser must find
    // exactly the index that the edits built.
    if (plainNames && !shiftJis && !loaded && appended && text.find('<') == std::string::npos) {
        const std::string built = doc.GetText();
        Check(built.compare(0, text.size(), text) == 0);
        CXmlDocument reparsed(SingleByteLead);
        Check(reparsed.LoadText(built.c_str()));
        Check(Shape(reparsed) == Shape(doc));
    }
    return 0;
}
