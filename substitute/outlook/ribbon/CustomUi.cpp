#include "CustomUi.h"

#include "XmlReader.h"

#include <utility>

namespace CustomUi {

const char kNamespace2006[] = "http://schemas.microsoft.com/office/2006/01/customui";
const char kNamespace2009[] = "http://schemas.microsoft.com/office/2009/07/customui";

const std::string& Element::Identity() const {
    return !id.empty() ? id : !idMso.empty() ? idMso : idQ;
}

std::string Element::Attribute(const std::string& name) const {
    auto it = attributes.find(name);
    return it == attributes.end() ? std::string() : it->second;
}

bool Element::Flag(const std::string& name, bool fallback) const {
    auto it = attributes.find(name);
    return it == attributes.end() ? fallback : it->second == "true";
}

namespace {

// Where an element stands; decides which children and attributes are read.
enum class Place {
    None,
    Root,
    Ribbon,
    Tabs,
    Tab,
    Group,
    ContextMenus,
    ContextMenu,
    Button,     // in a group
    MenuButton, // in a context menu
    Separator,
    MenuSeparator,
    Skip
};

enum class Type { Id, Name, QName, Boolean, Size, Callback, Text };

using Specs = std::map<std::string, Type>;

// Office's identifiers are at most this many characters long.
constexpr std::size_t kMaxIdentifier = 1024;
// A hostile document could ask for a warning per few bytes; the host lists the first ones.
constexpr std::size_t kMaxWarnings = 100;
// Values quoted in messages are cut to this many bytes.
constexpr std::size_t kMaxQuoted = 64;

const char* NameOf(Place place) {
    switch (place) {
    case Place::Root:
        return "customUI";
    case Place::Ribbon:
        return "ribbon";
    case Place::Tabs:
        return "tabs";
    case Place::Tab:
        return "tab";
    case Place::Group:
        return "group";
    case Place::ContextMenus:
        return "contextMenus";
    case Place::ContextMenu:
        return "contextMenu";
    case Place::Button:
    case Place::MenuButton:
        return "button";
    case Place::Separator:
        return "separator";
    case Place::MenuSeparator:
        return "menuSeparator";
    default:
        return "";
    }
}

Specs Join(std::initializer_list<const Specs*> parts) {
    Specs all;
    for (const Specs* part : parts)
        all.insert(part->begin(), part->end());
    return all;
}

const Specs& SpecsOf(Place place) {
    static const Specs identity = {
        {"id", Type::Id}, {"idMso", Type::Name}, {"idQ", Type::QName}, {"tag", Type::Text}};
    static const Specs placement = {{"insertAfterMso", Type::Name},
                                    {"insertBeforeMso", Type::Name},
                                    {"insertAfterQ", Type::QName},
                                    {"insertBeforeQ", Type::QName}};
    static const Specs visible = {{"visible", Type::Boolean}, {"getVisible", Type::Callback}};
    static const Specs caption = {{"label", Type::Text},     {"getLabel", Type::Callback},
                                  {"keytip", Type::Text},    {"getKeytip", Type::Callback},
                                  {"screentip", Type::Text}, {"getScreentip", Type::Callback},
                                  {"supertip", Type::Text},  {"getSupertip", Type::Callback}};
    static const Specs image = {
        {"image", Type::Text}, {"imageMso", Type::Name}, {"getImage", Type::Callback}};
    static const Specs button = {{"showImage", Type::Boolean}, {"getShowImage", Type::Callback},
                                 {"showLabel", Type::Boolean}, {"getShowLabel", Type::Callback},
                                 {"enabled", Type::Boolean},   {"getEnabled", Type::Callback},
                                 {"onAction", Type::Callback}};
    static const Specs tabOnly = {{"label", Type::Text},
                                  {"getLabel", Type::Callback},
                                  {"keytip", Type::Text},
                                  {"getKeytip", Type::Callback}};
    static const Specs size = {{"size", Type::Size}, {"getSize", Type::Callback}};
    static const Specs description = {{"description", Type::Text}, {"getDescription", Type::Callback}};
    static const Specs separatorIdentity = {{"id", Type::Id}, {"idQ", Type::QName}};
    static const Specs title = {{"title", Type::Text}, {"getTitle", Type::Callback}};
    static const Specs root = {{"onLoad", Type::Callback}, {"loadImage", Type::Callback}};
    static const Specs contextMenu = {{"idMso", Type::Name}};
    static const Specs tab = Join({&identity, &placement, &visible, &tabOnly});
    static const Specs group = Join({&identity, &placement, &visible, &caption, &image});
    static const Specs groupButton =
        Join({&identity, &placement, &visible, &caption, &image, &button, &size});
    static const Specs menuButton =
        Join({&identity, &placement, &visible, &caption, &image, &button, &description});
    static const Specs separator = Join({&separatorIdentity, &placement, &visible});
    static const Specs menuSeparator = Join({&separatorIdentity, &placement, &title});
    static const Specs none;
    switch (place) {
    case Place::Root:
        return root;
    case Place::Tab:
        return tab;
    case Place::Group:
        return group;
    case Place::ContextMenu:
        return contextMenu;
    case Place::Button:
        return groupButton;
    case Place::MenuButton:
        return menuButton;
    case Place::Separator:
        return separator;
    case Place::MenuSeparator:
        return menuSeparator;
    default:
        return none;
    }
}

Place ChildOf(Place parent, const std::string& local, bool is2009) {
    static const struct {
        Place parent;
        const char* local;
        Place child;
    } kChildren[] = {{Place::Root, "ribbon", Place::Ribbon},
                     {Place::Ribbon, "tabs", Place::Tabs},
                     {Place::Tabs, "tab", Place::Tab},
                     {Place::Tab, "group", Place::Group},
                     {Place::Group, "button", Place::Button},
                     {Place::Group, "separator", Place::Separator},
                     {Place::ContextMenus, "contextMenu", Place::ContextMenu},
                     {Place::ContextMenu, "button", Place::MenuButton},
                     {Place::ContextMenu, "menuSeparator", Place::MenuSeparator}};
    if (parent == Place::Root && local == "contextMenus" && is2009)
        return Place::ContextMenus;
    for (const auto& entry : kChildren)
        if (entry.parent == parent && local == entry.local)
            return entry.child;
    return Place::Skip;
}

std::string Position(int line, int column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// value for a message: cut at a character boundary, "..." marking the cut.
std::string Shown(const std::string& value) {
    if (value.size() <= kMaxQuoted)
        return value;
    std::size_t cut = kMaxQuoted;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;
    return value.substr(0, cut) + "...";
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

class Builder : public XmlHandler {
public:
    Builder(const XmlReader& reader, Result& result) : m_reader(reader), m_result(result) {}
    const std::string& Error() const { return m_error; }

    // A refusal does not stop the read: a document that is not well-formed is reported as such
    // first, as Office reads the whole text before it looks at what it means.
    bool OnStartElement(const XmlElement& element) override {
        std::size_t depth = m_stack.size();
        if (m_error.empty() && !Start(element))
            m_stack.resize(depth); // from here on everything is skipped
        if (m_stack.size() == depth)
            m_stack.push_back(Place::Skip);
        return true;
    }

    bool OnEndElement() override {
        m_stack.pop_back();
        return true;
    }

    bool OnText(const std::string& text, int line, int column) override {
        if (m_error.empty() && m_stack.back() != Place::Skip && !Trimmed(text).empty())
            Warn(line, column,
                 std::string("text inside <") + NameOf(m_stack.back()) + "> is not read; skipped");
        return true;
    }

private:
    // Pushes the element's place, or nothing when it is skipped; false when it is refused.
    bool Start(const XmlElement& element) {
        Place parent = m_stack.empty() ? Place::None : m_stack.back();
        if (parent == Place::Skip)
            return true;
        if (parent == Place::None)
            return StartRoot(element);
        Document& doc = m_result.doc;
        bool own = element.ns == doc.ns;
        Place place = own ? ChildOf(parent, element.local, doc.ns == kNamespace2009) : Place::Skip;
        bool* seen = place == Place::Ribbon         ? &m_seenRibbon
                     : place == Place::Tabs         ? &m_seenTabs
                     : place == Place::ContextMenus ? &m_seenContextMenus
                                                    : nullptr;
        if (seen && *seen) {
            Warn(element.line, element.column,
                 "a second <" + element.qname + "> inside <" + NameOf(parent) +
                     ">; skipped with its content");
            return true;
        }
        if (place == Place::Skip) {
            WarnSkipped(element, parent, own);
            return true;
        }
        if (seen)
            *seen = true;
        m_stack.push_back(place);
        switch (place) {
        case Place::Tab:
            doc.tabs.emplace_back();
            return Read(element, place, doc.tabs.back());
        case Place::Group:
            doc.tabs.back().groups.emplace_back();
            return Read(element, place, doc.tabs.back().groups.back());
        case Place::ContextMenu:
            doc.contextMenus.emplace_back();
            return Read(element, place, doc.contextMenus.back());
        case Place::Button:
        case Place::Separator:
            return ReadControl(element, place, doc.tabs.back().groups.back().controls);
        case Place::MenuButton:
        case Place::MenuSeparator:
            return ReadControl(element, place, doc.contextMenus.back().controls);
        default: {
            Element unused; // ribbon, tabs, contextMenus: no attribute is read
            return Read(element, place, unused);
        }
        }
    }

    bool StartRoot(const XmlElement& element) {
        if (element.local != "customUI" || (element.ns != kNamespace2006 && element.ns != kNamespace2009))
            return Fail(element.line, element.column,
                        "wrong root <" + element.qname + "> in the namespace '" + element.ns +
                            "'; expected customUI in '" + kNamespace2006 + "' or '" + kNamespace2009 + "'");
        m_result.doc.ns = element.ns;
        m_stack.push_back(Place::Root);
        Element root;
        if (!Read(element, Place::Root, root))
            return false;
        m_result.doc.onLoad = root.Attribute("onLoad");
        m_result.doc.loadImage = root.Attribute("loadImage");
        return true;
    }

    void WarnSkipped(const XmlElement& element, Place parent, bool own) {
        std::string what = "<" + element.qname;
        for (const XmlAttribute& attribute : element.attributes) {
            if (attribute.ns.empty() &&
                (attribute.local == "id" || attribute.local == "idMso" || attribute.local == "idQ")) {
                what += " " + attribute.local + "=\"" + Shown(attribute.value) + "\"";
                break;
            }
        }
        what += ">";
        if (!own)
            what += " of the namespace '" + element.ns + "'";
        std::string why;
        if (own && parent == Place::Root && element.local == "contextMenus")
            why = " (the 2006/01 namespace has no context menus)";
        Warn(element.line, element.column,
             what + " inside <" + NameOf(parent) + "> is not read" + why + "; skipped with its content");
    }

    bool ReadControl(const XmlElement& element, Place place, std::vector<Control>& controls) {
        controls.emplace_back();
        Control& control = controls.back();
        control.kind = place == Place::Separator       ? Kind::Separator
                       : place == Place::MenuSeparator ? Kind::MenuSeparator
                                                       : Kind::Button;
        return Read(element, place, control);
    }

    // Reads the attributes that this place knows into target, checks identity and unique ids,
    // and records the callbacks.
    bool Read(const XmlElement& element, Place place, Element& target) {
        const Specs& specs = SpecsOf(place);
        const std::string name = NameOf(place);
        target.line = element.line, target.column = element.column;
        std::vector<std::pair<std::string, std::string>> callbacks;
        for (const XmlAttribute& attribute : element.attributes) {
            auto spec = attribute.ns.empty() ? specs.find(attribute.local) : specs.end();
            if (spec == specs.end()) {
                Warn(attribute.line, attribute.column,
                     "the attribute '" + attribute.qname + "' on <" + name + "> is not read; skipped");
                continue;
            }
            std::string value;
            if (!Check(attribute, spec->second, name, value))
                return false;
            if (spec->second == Type::Callback)
                callbacks.emplace_back(attribute.local, value);
            if (attribute.local == "id")
                target.id = value;
            else if (attribute.local == "idMso")
                target.idMso = value;
            else if (attribute.local == "idQ")
                target.idQ = value;
            else if (attribute.local == "tag")
                target.tag = value;
            target.attributes[attribute.local] = value;
        }
        if (target.Has("idQ")) {
            std::size_t colon = target.idQ.find(':');
            std::string prefix = colon == std::string::npos ? std::string() : target.idQ.substr(0, colon);
            m_reader.LookupNamespace(prefix, target.idQNamespace);
        }
        if (!CheckIdentity(element, place, target, name))
            return false;
        for (const auto& callback : callbacks)
            m_result.doc.callbacks.push_back(Callback{callback.second, callback.first, target.Identity()});
        return true;
    }

    bool Check(const XmlAttribute& attribute, Type type, const std::string& element, std::string& value) {
        std::string where = attribute.local + "=\"" + Shown(attribute.value) + "\" on <" + element + ">";
        auto fail = [&](const std::string& why) {
            return Fail(attribute.line, attribute.column, where + why);
        };
        value = attribute.value;
        switch (type) {
        case Type::Id:
        case Type::Name:
            if (!IsXmlNcName(value) || CharacterCount(value) > kMaxIdentifier)
                return fail(" is not a valid identifier");
            return true;
        case Type::QName: {
            std::size_t colon = value.find(':');
            std::string prefix = colon == std::string::npos ? std::string() : value.substr(0, colon);
            std::string local = colon == std::string::npos ? value : value.substr(colon + 1);
            std::string uri;
            if ((colon != std::string::npos && !IsXmlNcName(prefix)) || !IsXmlNcName(local) ||
                CharacterCount(local) > kMaxIdentifier)
                return fail(" is not a valid qualified identifier");
            if (colon != std::string::npos && !m_reader.LookupNamespace(prefix, uri))
                return fail(": the prefix '" + prefix + "' is not declared");
            return true;
        }
        case Type::Boolean:
            value = Trimmed(value);
            if (value == "true" || value == "1")
                value = "true";
            else if (value == "false" || value == "0")
                value = "false";
            else
                return fail(" must be true, false, 1 or 0");
            return true;
        case Type::Size:
            value = Trimmed(value);
            if (value != "normal" && value != "large")
                return fail(" must be normal or large");
            return true;
        case Type::Callback:
            if (Trimmed(value).empty())
                return fail(" names no callback");
            return true;
        case Type::Text:
            return true;
        }
        return true;
    }

    bool CheckIdentity(const XmlElement& element, Place place, const Element& target,
                       const std::string& name) {
        int given = target.Has("id") + target.Has("idMso") + target.Has("idQ");
        if (place == Place::ContextMenu && !target.Has("idMso"))
            return Fail(element.line, element.column, "<contextMenu> needs an idMso");
        if (place == Place::Tab || place == Place::Group || place == Place::Button ||
            place == Place::MenuButton) {
            if (given == 0)
                return Fail(element.line, element.column, "<" + name + "> needs an id, idMso or idQ");
            if (given > 1)
                return Fail(element.line, element.column,
                            "<" + name + "> may have only one of id, idMso and idQ");
        }
        if (!target.id.empty()) {
            auto first = m_ids.emplace(target.id, std::make_pair(element.line, element.column));
            if (!first.second)
                return Fail(element.line, element.column,
                            "the id '" + target.id + "' is used twice (first at " +
                                Position(first.first->second.first, first.first->second.second) + ")");
        }
        return true;
    }

    void Warn(int line, int column, const std::string& message) {
        std::vector<std::string>& warnings = m_result.warnings;
        if (warnings.size() < kMaxWarnings)
            warnings.push_back(Position(line, column) + ": " + message);
        else if (warnings.size() == kMaxWarnings)
            warnings.push_back(Position(line, column) + ": more warnings follow; they are not listed");
    }

    bool Fail(int line, int column, const std::string& message) {
        m_error = Position(line, column) + ": " + message;
        return false;
    }

    const XmlReader& m_reader;
    Result& m_result;
    std::vector<Place> m_stack;
    std::map<std::string, std::pair<int, int>> m_ids;
    bool m_seenRibbon = false, m_seenTabs = false, m_seenContextMenus = false;
    std::string m_error;
};

} // namespace

Result Parse(const std::string& xml) {
    Result result;
    XmlReader reader;
    Builder builder(reader, result);
    if (reader.Read(xml, builder) != XmlReader::Outcome::Done)
        result.error = reader.Error();
    else
        result.error = builder.Error();
    result.ok = result.error.empty();
    if (!result.ok)
        result.doc = Document();
    return result;
}

} // namespace CustomUi
