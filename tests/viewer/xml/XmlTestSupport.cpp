#include "XmlTestSupport.h"

#include <functional>

namespace {

void Walk(const CXmlDocument& doc, const std::function<void(int, int)>& visit) {
    std::function<void(int, int)> go = [&](int index, int depth) {
        for (; index != 0; index = doc.record(index).nextSibling) {
            visit(index, depth);
            go(doc.record(index).firstChild, depth + 1);
        }
    };
    go(doc.record(0).firstChild, 0);
}

} // namespace

std::string IndexFault(const CXmlDocument& doc) {
    const std::string text = doc.GetText();
    std::string fault;
    auto at = [&](int pos) { return pos >= 0 && pos < static_cast<int>(text.size()) ? text[pos] : '\0'; };
    Walk(doc, [&](int i, int) {
        if (!fault.empty())
            return;
        const CXmlDocument::ElementRecord& r = doc.record(i);
        const std::string where = "record " + std::to_string(i) + ": ";
        const bool empty = r.startTagEnd == r.endTagBegin + 1;
        if (at(r.startTagBegin) != '<' || at(r.startTagEnd) != '>' || at(r.endTagEnd) != '>')
            fault = where + "tag delimiters misplaced";
        else if (empty && (at(r.endTagBegin) != '/' || r.endTagEnd != r.startTagEnd))
            fault = where + "empty element inconsistent";
        else if (!empty && at(r.endTagBegin) != '<')
            fault = where + "end tag misplaced";
        else if (r.parent != 0 && (r.startTagBegin <= doc.record(r.parent).startTagEnd ||
                                   r.endTagEnd >= doc.record(r.parent).endTagBegin))
            fault = where + "not inside its parent";
        else if (r.nextSibling != 0 && doc.record(r.nextSibling).startTagBegin <= r.endTagEnd)
            fault = where + "sibling overlaps";
    });
    return fault;
}

std::string IndexShape(const CXmlDocument& doc) {
    std::string shape;
    Walk(doc, [&](int i, int depth) {
        const CXmlDocument::ElementRecord& r = doc.record(i);
        shape += std::to_string(depth) + ":" + std::to_string(r.startTagBegin) + "," +
                 std::to_string(r.startTagEnd) + "," + std::to_string(r.endTagBegin) + "," +
                 std::to_string(r.endTagEnd) + " ";
    });
    return shape;
}
