#include "CustomUi.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using CustomUi::Parse;
using CustomUi::Result;

namespace {

const std::string k2006 = "http://schemas.microsoft.com/office/2006/01/customui";
const std::string k2009 = "http://schemas.microsoft.com/office/2009/07/customui";

// What an add-in for today's Outlook gives for the explorer: a group on the Home tab and an item
// in the context menus of one and of several mails.
const std::string kAddinDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<customUI xmlns="http://schemas.microsoft.com/office/2009/07/customui" onLoad="Ribbon_Load">
  <ribbon>
    <tabs>
      <tab idMso="TabMail">
        <group id="VaroscopeGroup" label="Varoscope" insertAfterMso="GroupMailNew">
          <button id="VaroscopeShow" size="large" label="Show pictures" tag="show"
                  screentip="Show pictures" supertip="Shows the pictures of the selected mail."
                  getImage="GetButtonImage" onAction="OnShowPictures"/>
        </group>
      </tab>
    </tabs>
  </ribbon>
  <contextMenus>
    <contextMenu idMso="ContextMenuMailItem">
      <button id="VaroscopeMailItem" label="Show pictures" getImage="GetMenuImage" onAction="OnShowPictures"/>
    </contextMenu>
    <contextMenu idMso="ContextMenuMultipleItems">
      <menuSeparator id="VaroscopeSeparator"/>
      <button id="VaroscopeMultiple" label="Show pictures" getImage="GetMenuImage" onAction="OnShowPictures"/>
    </contextMenu>
  </contextMenus>
</customUI>
)";

std::string Document(const std::string& ns, const std::string& inside) {
    return "<customUI xmlns=\"" + ns + "\">" + inside + "</customUI>";
}

std::string InGroup(const std::string& controls) {
    return Document(k2009,
                    "<ribbon><tabs><tab id='t'><group id='g'>" + controls + "</group></tab></tabs></ribbon>");
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

} // namespace

TEST(CustomUi, ReadsTheAddinsRibbonAndContextMenus) {
    Result r = Parse(kAddinDocument);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty()) << Joined(r.warnings);
    EXPECT_EQ(r.doc.ns, k2009);
    EXPECT_EQ(r.doc.onLoad, "Ribbon_Load");
    ASSERT_EQ(r.doc.tabs.size(), 1u);
    EXPECT_EQ(r.doc.tabs[0].idMso, "TabMail");
    EXPECT_EQ(r.doc.tabs[0].Identity(), "TabMail");
    ASSERT_EQ(r.doc.tabs[0].groups.size(), 1u);
    const CustomUi::Group& group = r.doc.tabs[0].groups[0];
    EXPECT_EQ(group.id, "VaroscopeGroup");
    EXPECT_EQ(group.Attribute("insertAfterMso"), "GroupMailNew");
    ASSERT_EQ(group.controls.size(), 1u);
    const CustomUi::Control& button = group.controls[0];
    EXPECT_EQ(button.kind, CustomUi::Kind::Button);
    EXPECT_EQ(button.id, "VaroscopeShow");
    EXPECT_EQ(button.tag, "show");
    EXPECT_EQ(button.Attribute("size"), "large");
    EXPECT_EQ(button.Attribute("screentip"), "Show pictures");
    EXPECT_EQ(button.Attribute("getImage"), "GetButtonImage");
    EXPECT_EQ(button.line, 7);
    EXPECT_EQ(button.column, 11);
    EXPECT_TRUE(button.Flag("enabled", true));
    ASSERT_EQ(r.doc.contextMenus.size(), 2u);
    EXPECT_EQ(r.doc.contextMenus[0].idMso, "ContextMenuMailItem");
    EXPECT_EQ(r.doc.contextMenus[1].idMso, "ContextMenuMultipleItems");
    ASSERT_EQ(r.doc.contextMenus[1].controls.size(), 2u);
    EXPECT_EQ(r.doc.contextMenus[1].controls[0].kind, CustomUi::Kind::MenuSeparator);
    EXPECT_EQ(r.doc.contextMenus[1].controls[1].Attribute("onAction"), "OnShowPictures");
    // Every callback with the control it belongs to, in document order.
    std::string callbacks;
    for (const CustomUi::Callback& c : r.doc.callbacks)
        callbacks += c.attribute + ":" + c.name + "@" + c.control + " ";
    EXPECT_EQ(callbacks, "onLoad:Ribbon_Load@ getImage:GetButtonImage@VaroscopeShow "
                         "onAction:OnShowPictures@VaroscopeShow getImage:GetMenuImage@VaroscopeMailItem "
                         "onAction:OnShowPictures@VaroscopeMailItem getImage:GetMenuImage@VaroscopeMultiple "
                         "onAction:OnShowPictures@VaroscopeMultiple ");
}

TEST(CustomUi, BothNamespacesAnyPrefixAndOnlyTheRootsNamespace) {
    // 2006/01 reads the ribbon but knows no context menus; a prefixed root counts like a default one.
    Result old =
        Parse("<mso:customUI xmlns:mso='" + k2006 +
              "' loadImage='LoadImage'><mso:ribbon><mso:tabs>"
              "<mso:tab id='t' visible=' 0 '><mso:group idMso='GroupMailNew'><mso:separator/>"
              "<mso:button idQ='mso:b' enabled='1'/><button id='c'/></mso:group></mso:tab></mso:tabs>"
              "</mso:ribbon><mso:contextMenus/></mso:customUI>");
    ASSERT_TRUE(old.ok) << old.error;
    EXPECT_EQ(old.doc.ns, k2006);
    EXPECT_EQ(old.doc.loadImage, "LoadImage");
    ASSERT_EQ(old.doc.tabs.size(), 1u);
    EXPECT_FALSE(old.doc.tabs[0].Flag("visible", true));
    ASSERT_EQ(old.doc.tabs[0].groups[0].controls.size(), 2u);
    EXPECT_EQ(old.doc.tabs[0].groups[0].controls[0].kind, CustomUi::Kind::Separator);
    const CustomUi::Control& shared = old.doc.tabs[0].groups[0].controls[1];
    EXPECT_EQ(shared.idQ, "mso:b");
    EXPECT_EQ(shared.idQNamespace, k2006);
    EXPECT_EQ(shared.Attribute("enabled"), "true");
    EXPECT_TRUE(old.doc.contextMenus.empty());
    EXPECT_EQ(
        Joined(old.warnings),
        "line 1, column 239: <button id=\"c\"> of the namespace '' inside <group> is not read; skipped with "
        "its content\n"
        "line 1, column 301: <mso:contextMenus> inside <customUI> is not read (the 2006/01 namespace has no "
        "context menus); skipped with its content\n");
}

TEST(CustomUi, WarnsAndSkipsWhatItDoesNotRead) {
    Result r = Parse(Document(k2009, R"(
<commands><command idMso="Copy" onAction="Never"/></commands>
<ribbon startFromScratch="false"><tabs><tab id="t">
  <group id="g" x:mark="1" xmlns:x="urn:x">
    <toggleButton id="tb" onAction="Never"><button id="inner"/></toggleButton>
    <button id="b" onaction="Typo" onAction="Act">text</button>
    <menuSeparator id="ms"/>
    <futureControl/>
  </group>
</tab></tabs><tabs/></ribbon><ribbon/>
<backstage/>
<contextMenus><contextMenu idMso="ContextMenuMailItem"><separator id="s"/><menu id="m"/></contextMenu>
</contextMenus>)"));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.doc.tabs.size(), 1u);
    ASSERT_EQ(r.doc.tabs[0].groups[0].controls.size(), 1u);
    EXPECT_EQ(r.doc.tabs[0].groups[0].controls[0].Attribute("onAction"), "Act");
    EXPECT_TRUE(r.doc.contextMenus[0].controls.empty());
    ASSERT_EQ(r.doc.callbacks.size(), 1u); // nothing from skipped elements
    EXPECT_EQ(
        Joined(r.warnings),
        "line 2, column 1: <commands> inside <customUI> is not read; skipped with its content\n"
        "line 3, column 9: the attribute 'startFromScratch' on <ribbon> is not read; skipped\n"
        "line 4, column 17: the attribute 'x:mark' on <group> is not read; skipped\n"
        "line 5, column 5: <toggleButton id=\"tb\"> inside <group> is not read; skipped with its content\n"
        "line 6, column 20: the attribute 'onaction' on <button> is not read; skipped\n"
        "line 6, column 51: text inside <button> is not read; skipped\n"
        "line 7, column 5: <menuSeparator id=\"ms\"> inside <group> is not read; skipped with its content\n"
        "line 8, column 5: <futureControl> inside <group> is not read; skipped with its content\n"
        "line 10, column 14: a second <tabs> inside <ribbon>; skipped with its content\n"
        "line 10, column 30: a second <ribbon> inside <customUI>; skipped with its content\n"
        "line 11, column 1: <backstage> inside <customUI> is not read; skipped with its content\n"
        "line 12, column 56: <separator id=\"s\"> inside <contextMenu> is not read; skipped with its "
        "content\n"
        "line 12, column 75: <menu id=\"m\"> inside <contextMenu> is not read; skipped with its content\n");
    // A document made of nothing but unknown parts gives a bounded list.
    std::string many;
    for (int i = 0; i < 500; ++i)
        many += "<x/>";
    r = Parse(Document(k2009, many));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.warnings.size(), 101u);
    EXPECT_EQ(r.warnings.back(), "line 1, column 472: more warnings follow; they are not listed");
}

TEST(CustomUi, RefusesWhatOfficeRefusesWithLineAndColumn) {
    const struct {
        std::string text;
        std::string error; // its start
    } cases[] = {
        {"<customUI/>", "line 1, column 1: wrong root <customUI> in the namespace ''"},
        {"<ribbon xmlns='" + k2009 + "'/>", "line 1, column 1: wrong root <ribbon>"},
        {"<customUI xmlns='http://schemas.microsoft.com/office/2007/customui'/>",
         "line 1, column 1: wrong root"},
        // Well-formedness comes first, as the whole text is read before its meaning.
        {"<customUI><x>", "line 1, column 14: the document ends inside <x>"},
        {InGroup("<button label='x'/>"), "line 1, column 112: <button> needs an id, idMso or idQ"},
        {InGroup("<button id='a' idMso='Copy'/>"), "line 1, column 112: <button> may have only one of"},
        {Document(k2009, "<ribbon><tabs><tab label='x'/></tabs></ribbon>"), "line 1, column 86: <tab> needs"},
        {Document(k2009, "<contextMenus><contextMenu/></contextMenus>"),
         "line 1, column 86: <contextMenu> needs"},
        {InGroup("<button id='g'/>"),
         "line 1, column 112: the id 'g' is used twice (first at line 1, column 98)"},
        {Document(k2009, "<ribbon><tabs><tab id='x'/></tabs></ribbon><contextMenus><contextMenu "
                         "idMso='ContextMenuMailItem'><button id='x'/></contextMenu></contextMenus>"),
         "line 1, column 170: the id 'x' is used twice (first at line 1, column 86)"},
        {InGroup("<button id='b' size='Large'/>"),
         "line 1, column 127: size=\"Large\" on <button> must be normal"},
        {InGroup("<button id='b' visible='yes'/>"),
         "line 1, column 127: visible=\"yes\" on <button> must be true"},
        {InGroup("<button id='b' onAction=' '/>"),
         "line 1, column 127: onAction=\" \" on <button> names no callback"},
        {InGroup("<button id='my button'/>"),
         "line 1, column 120: id=\"my button\" on <button> is not a valid"},
        {InGroup("<button id='" + std::string(1025, 'a') + "'/>"),
         "line 1, column 120: id=\"" + std::string(64, 'a') + "...\" on <button> is not a valid"},
        {InGroup("<button idQ='x:b'/>"),
         "line 1, column 120: idQ=\"x:b\" on <button>: the prefix 'x' is not"},
        {InGroup("<separator insertAfterMso='a:b'/>"),
         "line 1, column 123: insertAfterMso=\"a:b\" on <separator>"},
        {Document(k2009, "<contextMenus><contextMenu idMso='M'><button id='b' getEnabled=''/></contextMenu>"
                         "</contextMenus>"),
         "line 1, column 124: getEnabled=\"\" on <button> names no callback"},
    };
    for (const auto& c : cases) {
        Result r = Parse(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.error.compare(0, c.error.size(), c.error), 0) << c.text << "\n" << r.error;
        EXPECT_TRUE(r.doc.tabs.empty() && r.doc.contextMenus.empty() && r.doc.callbacks.empty()) << c.text;
    }
}

TEST(CustomUi, EveryCutOfARealDocumentIsRefusedCleanly) {
    // Truncated or damaged transfers: every prefix is refused with a position, never read in part.
    std::string trimmed = kAddinDocument.substr(0, kAddinDocument.find_last_not_of('\n') + 1);
    for (std::size_t size = 0; size < trimmed.size(); ++size) {
        Result r = Parse(trimmed.substr(0, size));
        ASSERT_FALSE(r.ok) << size;
        ASSERT_EQ(r.error.compare(0, 5, "line "), 0) << size << ": " << r.error;
    }
    EXPECT_TRUE(Parse(trimmed).ok);
    // One byte changed anywhere: read or refused, never a crash (the sanitizer build watches).
    for (std::size_t at = 0; at < trimmed.size(); ++at) {
        for (char c : {'<', '&', '"', '\0', '\x80'}) {
            std::string damaged = trimmed;
            damaged[at] = c;
            Result r = Parse(damaged);
            ASSERT_TRUE(r.ok || !r.error.empty()) << at;
        }
    }
}

TEST(CustomUi, TheAddinsShippedDocumentIsReadWithoutAWarning) {
    // The file the add-in keeps as its resource, as Office and the stand-in read it.
    std::ifstream in(VARO_SOURCE_DIR "/addin/ribbon/Explorer.xml", std::ios::binary);
    ASSERT_TRUE(in);
    std::ostringstream text;
    text << in.rdbuf();
    Result r = Parse(text.str());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty()) << Joined(r.warnings);
    EXPECT_EQ(r.doc.ns, k2009);
    ASSERT_EQ(r.doc.tabs.size(), 1u);
    EXPECT_EQ(r.doc.tabs[0].idMso, "TabMail");
    ASSERT_EQ(r.doc.tabs[0].groups.size(), 1u);
    EXPECT_EQ(r.doc.tabs[0].groups[0].Attribute("label"), "Varoscope");
    ASSERT_EQ(r.doc.contextMenus.size(), 2u);
    EXPECT_EQ(r.doc.contextMenus[0].idMso, "ContextMenuMailItem");
    EXPECT_EQ(r.doc.contextMenus[1].idMso, "ContextMenuMultipleItems");
    std::string callbacks;
    for (const CustomUi::Callback& c : r.doc.callbacks)
        callbacks += c.attribute + ":" + c.name + "@" + c.control + " ";
    EXPECT_EQ(callbacks, "onLoad:OnRibbonLoad@ getImage:GetShowPicturesImage@VaroscopeShowPictures "
                         "onAction:OnShowPictures@VaroscopeShowPictures "
                         "getImage:GetShowPicturesImage@VaroscopeShowPicturesMail "
                         "onAction:OnShowPictures@VaroscopeShowPicturesMail "
                         "getImage:GetShowPicturesImage@VaroscopeShowPicturesItems "
                         "onAction:OnShowPictures@VaroscopeShowPicturesItems ");
}
