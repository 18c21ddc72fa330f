// libFuzzer entry: a custom UI document is either refused with "line L, column C: ..." inside the
// text, or read into a model whose identities and callbacks keep what the header promises. The
// XML reader alone must agree: what it refuses is refused, and its events nest.
#include "CustomUi.h"
#include "XmlReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Counts events and checks that they nest and that names are well formed.
class Nesting : public XmlHandler {
public:
    int depth = 0;
    bool OnStartElement(const XmlElement& e) override {
        Check(IsXmlNcName(e.local) && ++depth <= XmlReader::kMaxDepth);
        for (const XmlAttribute& a : e.attributes)
            Check(IsXmlNcName(a.local) && (a.ns.empty() == (a.qname.find(':') == std::string::npos)));
        return true;
    }
    bool OnEndElement() override {
        Check(--depth >= 0);
        return true;
    }
    bool OnText(const std::string& text, int line, int column) override {
        Check(!text.empty() && line >= 1 && column >= 1 && depth > 0);
        return true;
    }
};

void CheckPosition(const std::string& message, const std::string& text) {
    int line = 0, column = 0;
    Check(std::sscanf(message.c_str(), "line %d, column %d: ", &line, &column) == 2);
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        lines += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    Check(line >= 1 && column >= 1 && line <= lines);
}

void CheckElement(const CustomUi::Element& e, bool needsIdentity, std::set<std::string>& ids) {
    int given = !e.id.empty() + !e.idMso.empty() + !e.idQ.empty();
    Check(given <= 1 && (!needsIdentity || given == 1));
    Check(e.id.empty() || (IsXmlNcName(e.id) && ids.insert(e.id).second));
    Check(e.idMso.empty() || IsXmlNcName(e.idMso));
    for (const char* flag : {"visible", "enabled", "showImage", "showLabel"})
        Check(!e.Has(flag) || e.Attribute(flag) == "true" || e.Attribute(flag) == "false");
    Check(!e.Has("size") || e.Attribute("size") == "normal" || e.Attribute("size") == "large");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    XmlReader reader;
    Nesting nesting;
    XmlReader::Outcome outcome = reader.Read(text, nesting);
    Check(outcome != XmlReader::Outcome::Stopped);
    Check((outcome == XmlReader::Outcome::Done) == (nesting.depth == 0 && reader.Error().empty()));

    CustomUi::Result result = CustomUi::Parse(text);
    for (const std::string& warning : result.warnings)
        CheckPosition(warning, text);
    if (!result.ok) {
        CheckPosition(result.error, text);
        Check(result.doc.tabs.empty() && result.doc.contextMenus.empty() && result.doc.callbacks.empty());
        return 0;
    }
    Check(outcome == XmlReader::Outcome::Done && result.error.empty());
    Check(result.doc.ns == CustomUi::kNamespace2006 || result.doc.ns == CustomUi::kNamespace2009);
    Check(result.doc.ns == CustomUi::kNamespace2009 || result.doc.contextMenus.empty());
    std::set<std::string> ids;
    std::size_t callbacks = !result.doc.onLoad.empty() + !result.doc.loadImage.empty();
    auto countCallbacks = [&callbacks](const CustomUi::Element& e) {
        for (const auto& attribute : e.attributes)
            callbacks += attribute.first.compare(0, 3, "get") == 0 || attribute.first == "onAction";
    };
    auto checkControl = [&](const CustomUi::Control& c) {
        CheckElement(c, c.kind == CustomUi::Kind::Button, ids);
        Check(c.kind == CustomUi::Kind::Button || c.idMso.empty());
        countCallbacks(c);
    };
    for (const CustomUi::Tab& tab : result.doc.tabs) {
        CheckElement(tab, true, ids);
        countCallbacks(tab);
        for (const CustomUi::Group& group : tab.groups) {
            CheckElement(group, true, ids);
            countCallbacks(group);
            for (const CustomUi::Control& c : group.controls) {
                Check(c.kind != CustomUi::Kind::MenuSeparator);
                checkControl(c);
            }
        }
    }
    for (const CustomUi::ContextMenu& menu : result.doc.contextMenus) {
        Check(!menu.idMso.empty() && menu.id.empty());
        for (const CustomUi::Control& c : menu.controls) {
            Check(c.kind != CustomUi::Kind::Separator);
            checkControl(c);
        }
    }
    Check(callbacks == result.doc.callbacks.size());
    for (const CustomUi::Callback& callback : result.doc.callbacks)
        Check(!callback.name.empty() && (callback.control.empty() == (callback.attribute == "onLoad" ||
                                                                      callback.attribute == "loadImage")));
    return 0;
}
