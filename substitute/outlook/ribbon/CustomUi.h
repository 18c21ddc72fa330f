// The custom UI document that an add-in gives through IRibbonExtensibility::GetCustomUI, read into
// the tabs, groups, controls and context menus that the stand-in draws. Pure C++; all text UTF-8.
//
// Namespaces: the root is customUI in "http://schemas.microsoft.com/office/2006/01/customui"
// (Office 2007) or "http://schemas.microsoft.com/office/2009/07/customui" (Office 2010 and later);
// only elements in the root's namespace count. Context menus exist in the 2009/07 namespace only.
//
// What is read: customUI (onLoad, loadImage) > ribbon > tabs > tab > group > button | separator,
// and customUI > contextMenus > contextMenu (idMso) > button | menuSeparator.
//
// Refused (Result::ok false, the whole document counts for nothing; `error` says where and why):
//  - XML that is not well-formed, a DOCTYPE, input beyond the reader's bounds (see XmlReader.h);
//  - a root other than customUI in one of the two namespaces ("wrong root");
//  - a tab, group or button with none of id, idMso, idQ, or with more than one of them;
//    a contextMenu without idMso; separators need no identity;
//  - an id used twice anywhere among the elements read;
//  - a malformed value of an attribute that is read: an identifier (id, idMso, imageMso,
//    insertAfterMso, insertBeforeMso) that is not a name without colon, a qualified identifier
//    (idQ, insertAfterQ, insertBeforeQ) with a bad form or an undeclared prefix, a size other than
//    normal or large, a boolean other than true, false, 1 or 0 (surrounding blanks allowed), an
//    empty callback name.
// Warned and skipped (Result::warnings, "line L, column C: ..."; the rest of the document counts):
//  - any element not read at its place (toggleButton, menu, gallery, backstage, qat, commands, ...,
//    unknown names, elements of other namespaces) with everything inside it;
//  - any attribute not read on its element (unknown, misspelt, namespaced, or not drawn here);
//  - a second ribbon, tabs or contextMenus element; text inside the elements.
//  The first 100 warnings are listed, then one line saying that more follow.
// Texts (label, screentip, supertip, keytip, tag, image) are taken as written.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace CustomUi {

extern const char kNamespace2006[];
extern const char kNamespace2009[];

// What tabs, groups, context menus and controls share. `attributes` holds every attribute read
// on the element (identity included), booleans as "true" or "false", sizes as "normal" or "large".
struct Element {
    std::string id, idMso, idQ; // at most one is set; idQ as written ("x:name")
    std::string idQNamespace;   // the namespace URI of idQ's prefix
    std::string tag;
    std::map<std::string, std::string> attributes;
    int line = 0, column = 0;

    const std::string& Identity() const;                  // id, else idMso, else idQ
    std::string Attribute(const std::string& name) const; // "" when absent
    bool Has(const std::string& name) const { return attributes.count(name) != 0; }
    bool Flag(const std::string& name, bool fallback) const; // a boolean attribute
};

enum class Kind { Button, Separator, MenuSeparator };

struct Control : Element {
    Kind kind = Kind::Button;
};

struct Group : Element {
    std::vector<Control> controls; // buttons and separators, in document order
};

struct Tab : Element {
    std::vector<Group> groups;
};

// Controls added to a built-in context menu ("ContextMenuMailItem", "ContextMenuMultipleItems").
struct ContextMenu : Element {
    std::vector<Control> controls; // buttons and menu separators
};

// One callback reference: the procedure the host calls by name.
struct Callback {
    std::string name;      // the procedure's name, e.g. "OnShowPictures"
    std::string attribute; // "onLoad", "loadImage", "onAction", "getImage", "getEnabled", ...
    std::string control;   // Identity() of the element it belongs to; "" for the document's own
};

struct Document {
    std::string ns; // kNamespace2006 or kNamespace2009
    std::string onLoad, loadImage;
    std::vector<Tab> tabs;
    std::vector<ContextMenu> contextMenus;
    std::vector<Callback> callbacks; // in document order
};

struct Result {
    bool ok = false;
    std::string error;                 // when not ok: "line L, column C: ..."
    std::vector<std::string> warnings; // what was skipped (kept when refused too)
    Document doc;                      // empty when not ok
};

Result Parse(const std::string& xml);

} // namespace CustomUi
