#include "RibbonHost.h"

#include "AutomationText.h"
#include "ComString.h"
#include "ExplorerObject.h"
#include "RibbonControlObject.h"
#include "StringConv.h"
#include "Variant.h"
#include "com/HexResult.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>

namespace {
constexpr char kTabAddIns[] = "TabAddIns";

struct BuiltinButton {
    const wchar_t* label;
    const wchar_t* imageMso;
    bool large;
};
struct BuiltinGroup {
    const wchar_t* label;
    std::vector<BuiltinButton> buttons;
};
struct BuiltinTab {
    const wchar_t* idMso;
    const wchar_t* label;
    std::vector<BuiltinGroup> groups;
};

// Outlook's explorer tabs (File opens the backstage view and is drawn apart) with a few of their
// own controls, so that an add-in's group is seen where a user looks for it.
const std::vector<BuiltinTab>& BuiltinTabs() {
    static const std::vector<BuiltinTab> tabs = {
        {L"TabMail",
         L"Home",
         {{L"New", {{L"New E-mail", L"NewMailMessage", true}, {L"New Items", L"NewItemsMenu", true}}},
          {L"Delete",
           {{L"Ignore", L"Ignore", false}, {L"Clean Up", L"CleanUp", false}, {L"Delete", L"Delete", true}}},
          {L"Respond",
           {{L"Reply", L"Reply", false},
            {L"Reply All", L"ReplyAll", false},
            {L"Forward", L"Forward", false}}}}},
        {L"TabSendReceive",
         L"Send / Receive",
         {{L"Send & Receive", {{L"Send/Receive All Folders", L"SendReceiveAll", true}}}}},
        {L"TabFolder", L"Folder", {{L"New", {{L"New Folder", L"FolderCreateNew", true}}}}},
        {L"TabView", L"View", {{L"Current View", {{L"Change View", L"ChangeView", true}}}}},
        {L"TabAddIns", L"Add-ins", {}},
    };
    return tabs;
}

std::wstring Wide(const std::string& utf8) {
    return Utf8ToWide(utf8);
}

// A copy of the bitmap inside an IPictureDisp (or IPicture); null when it holds none.
std::shared_ptr<RibbonImage> ImageOf(const VARIANT& value) {
    IUnknown* object = value.vt == VT_DISPATCH  ? value.pdispVal
                       : value.vt == VT_UNKNOWN ? value.punkVal
                                                : nullptr;
    if (!object)
        return nullptr;
    ComPtr<IPicture> picture;
    if (FAILED(
            object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(picture.ReleaseAndGetAddressOf()))))
        return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)) ||
        !handle)
        return nullptr;
    auto image = std::make_shared<RibbonImage>();
    HANDLE source = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle));
    image->bitmap.Reset(static_cast<HBITMAP>(::CopyImage(source, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!image->bitmap)
        return nullptr;
    DIBSECTION dib = {};
    if (::GetObjectW(image->bitmap.Get(), sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBitsPixel == 32 &&
        dib.dsBm.bmBits) {
        // An alpha channel counts only when some pixel uses it; else the bitmap is opaque.
        const auto* pixels = static_cast<const BYTE*>(dib.dsBm.bmBits);
        const size_t count = static_cast<size_t>(dib.dsBm.bmWidthBytes) * std::abs(dib.dsBm.bmHeight) / 4;
        for (size_t i = 0; i < count && !image->alpha; ++i)
            image->alpha = pixels[i * 4 + 3] != 0;
    }
    return image;
}

const CustomUi::Element* FindElement(const CustomUi::Document& doc, const std::string& id,
                                     bool& inContextMenu) {
    for (const CustomUi::Tab& tab : doc.tabs)
        for (const CustomUi::Group& group : tab.groups)
            for (const CustomUi::Control& control : group.controls)
                if (control.kind == CustomUi::Kind::Button && control.Identity() == id) {
                    inContextMenu = false;
                    return &control;
                }
    for (const CustomUi::ContextMenu& menu : doc.contextMenus)
        for (const CustomUi::Control& control : menu.controls)
            if (control.kind == CustomUi::Kind::Button && control.Identity() == id) {
                inContextMenu = true;
                return &control;
            }
    return nullptr;
}
} // namespace

RibbonHost::RibbonHost(const ServerState& state, long version, Report report)
    : m_state(state), m_version(version), m_report(std::move(report)) {
    Refresh();
}

RibbonHost::~RibbonHost() {
    for (auto& addin : m_addins)
        *addin->link = nullptr; // an IRibbonUI that an add-in still holds reaches nothing
}

std::shared_ptr<RibbonHost::Addin> RibbonHost::FindAddin(const std::wstring& progId) const {
    for (const auto& addin : m_addins)
        if (addin->progId == progId)
            return addin;
    return nullptr;
}

bool RibbonHost::Listed(const Addin* addin) const {
    return std::any_of(m_addins.begin(), m_addins.end(), [addin](const auto& a) { return a.get() == addin; });
}

void RibbonHost::Connected(const std::wstring& progId, IUnknown* object) {
    if (!KnowsRibbons() || !object)
        return;
    ComPtr<IRibbonExtensibility> extensibility;
    if (FAILED(object->QueryInterface(office::IID_IRibbonExtensibility,
                                      reinterpret_cast<void**>(extensibility.ReleaseAndGetAddressOf()))) ||
        !extensibility)
        return; // an add-in without a ribbon of its own
    Disconnected(progId);
    auto addin = std::make_shared<Addin>();
    addin->progId = progId;
    addin->extensibility = std::move(extensibility);
    addin->link = std::make_shared<RibbonUiObject::Target>(
        [this, progId](const std::wstring* controlId) { Invalidated(progId, controlId); });
    m_addins.push_back(addin);
    if (ExplorerHasRibbon() && m_state.explorer)
        LoadExplorerUi(*addin);
}

void RibbonHost::Disconnected(const std::wstring& progId) {
    auto it =
        std::find_if(m_addins.begin(), m_addins.end(), [&](const auto& a) { return a->progId == progId; });
    if (it == m_addins.end())
        return;
    *(*it)->link = nullptr;
    m_addins.erase(it);
    Changed();
}

void RibbonHost::LoadExplorerUi(Addin& addin) {
    CComString ribbonId(office::kRibbonIdExplorer);
    BSTR given = nullptr;
    HRESULT hr = ribbonId.Get() ? addin.extensibility->GetCustomUI(ribbonId.Get(), &given) : E_OUTOFMEMORY;
    CComString xml;
    xml.Attach(given);
    std::string text = WideToUtf8(BstrToWide(xml.Get()));
    const std::wstring where = L"add-in " + addin.progId + L", custom UI for " + office::kRibbonIdExplorer;
    if (FAILED(hr)) {
        m_report(where + L": GetCustomUI returned " + com::HexResult(hr) + L"; its ribbon is not shown");
        return;
    }
    if (text.empty())
        return; // nothing for this window kind
    CustomUi::Result result = CustomUi::Parse(text);
    for (const std::string& warning : result.warnings)
        m_report(where + L": " + Wide(warning) + L" (skipped)");
    if (!result.ok) {
        m_report(where + L" is not used: " + Wide(result.error));
        return;
    }
    addin.explorer = std::move(result.doc);
    addin.loaded = true;
    if (!addin.explorer.onLoad.empty()) {
        ComPtr<IDispatch> ui;
        ui.Attach(new RibbonUiObject(addin.link));
        CustomUi::Element document;
        document.attributes["onLoad"] = addin.explorer.onLoad;
        CallBack(addin, document, "onLoad", ui.Get(), nullptr);
    }
    addin.allStale = true;
    Changed();
}

void RibbonHost::Invalidated(const std::wstring& progId, const std::wstring* controlId) {
    std::shared_ptr<Addin> addin = FindAddin(progId);
    if (!addin)
        return;
    if (controlId)
        addin->stale.insert(WideToUtf8(*controlId));
    else
        addin->allStale = true;
    Changed();
}

void RibbonHost::Changed() {
    if (m_onChange)
        m_onChange();
}

ComPtr<IDispatch> RibbonHost::ControlObject(const CustomUi::Element& control, Context context) const {
    ComPtr<IDispatch> contextObject;
    if (m_state.explorer) {
        ComPtr<_Explorer> explorer;
        explorer.Attach(new ExplorerObject(m_state));
        if (context == Context::Explorer) {
            explorer.As(IID_IDispatch, contextObject);
        } else {
            ComPtr<Selection> selection;
            if (SUCCEEDED(explorer->get_Selection(selection.ReleaseAndGetAddressOf())) && selection)
                selection.As(IID_IDispatch, contextObject);
        }
    }
    ComPtr<IDispatch> object;
    object.Attach(new RibbonControlObject(Wide(control.Identity()), Wide(control.tag), contextObject.Get()));
    return object;
}

bool RibbonHost::CallBack(Addin& addin, const CustomUi::Element& control, const char* attribute,
                          IDispatch* argument, VARIANT* result) {
    const std::string name = control.Attribute(attribute);
    std::wstring wideName = Wide(name);
    const std::wstring what = L"add-in " + addin.progId + L": callback " + wideName + L" (" +
                              Wide(attribute) +
                              (control.Identity().empty() ? L"" : L" of " + Wide(control.Identity())) + L")";
    // By name at each use, through the IDispatch part of the pointer that the add-in gave.
    IDispatch* callbacks = addin.extensibility.Get();
    LPOLESTR names[] = {&wideName[0]};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = callbacks->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        m_report(what + L" cannot be found: " + com::HexResult(hr));
        return false;
    }
    VARIANTARG arg;
    ::VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = argument;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    EXCEPINFO exception = {};
    UINT argError = 0;
    hr = callbacks->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &exception,
                           &argError);
    // The callee may fill the exception record; its strings are ours to free.
    CComString source, description, helpFile;
    source.Attach(exception.bstrSource);
    description.Attach(exception.bstrDescription);
    helpFile.Attach(exception.bstrHelpFile);
    const std::wstring descriptionText = BstrToWide(description.Get());
    if (FAILED(hr)) {
        if (hr == DISP_E_EXCEPTION && exception.scode)
            hr = exception.scode;
        m_report(what + L" failed: " + com::HexResult(hr) +
                 (descriptionText.empty() ? L"" : L" " + descriptionText));
        if (result)
            ::VariantClear(result);
        return false;
    }
    return true;
}

RibbonHost::Dynamic RibbonHost::Resolve(Addin& addin, const CustomUi::Element& control, Context context) {
    Dynamic values;
    values.label = Wide(control.Attribute("label"));
    values.screentip = Wide(control.Attribute("screentip"));
    values.enabled = control.Flag("enabled", true);
    values.visible = control.Flag("visible", true);
    ComPtr<IDispatch> object;
    auto ask = [&](const char* attribute, VARTYPE type, CVariant& out) {
        if (!control.Has(attribute))
            return false;
        if (!object)
            object = ControlObject(control, context);
        if (!CallBack(addin, control, attribute, object.Get(), out.Ptr()))
            return false;
        if (type == VT_EMPTY)
            return true;
        HRESULT hr = ::VariantChangeType(out.Ptr(), out.Ptr(), 0, type);
        if (FAILED(hr))
            m_report(L"add-in " + addin.progId + L": callback " + Wide(control.Attribute(attribute)) + L" (" +
                     Wide(attribute) + L" of " + Wide(control.Identity()) +
                     L") gave a value of the wrong type");
        return SUCCEEDED(hr);
    };
    CVariant value;
    if (ask("getLabel", VT_BSTR, value))
        values.label = BstrToWide(value.Get().bstrVal);
    CVariant tip;
    if (ask("getScreentip", VT_BSTR, tip))
        values.screentip = BstrToWide(tip.Get().bstrVal);
    CVariant enabled;
    if (ask("getEnabled", VT_BOOL, enabled))
        values.enabled = enabled.Get().boolVal != VARIANT_FALSE;
    CVariant visible;
    if (ask("getVisible", VT_BOOL, visible))
        values.visible = visible.Get().boolVal != VARIANT_FALSE;
    CVariant image;
    if (values.visible && ask("getImage", VT_EMPTY, image)) {
        values.image = ImageOf(image.Get());
        if (!values.image)
            m_report(L"add-in " + addin.progId + L": callback " + Wide(control.Attribute("getImage")) +
                     L" (getImage of " + Wide(control.Identity()) + L") gave no bitmap picture");
    }
    return values;
}

RibbonButton RibbonHost::Drawn(Addin& addin, const CustomUi::Control& control, const Dynamic& values) const {
    RibbonButton button;
    button.addin = addin.progId;
    button.id = control.Identity();
    button.separator = control.kind != CustomUi::Kind::Button;
    button.label = values.label;
    button.screentip = values.screentip;
    button.large = control.Attribute("size") == "large";
    button.enabled = values.enabled;
    button.image = values.image;
    button.imageMso = Wide(control.Attribute("imageMso"));
    return button;
}

void RibbonHost::Refresh() {
    std::vector<RibbonTab> tabs;
    for (const BuiltinTab& builtin : BuiltinTabs()) {
        RibbonTab tab{builtin.idMso, builtin.label, {}};
        for (const BuiltinGroup& group : builtin.groups) {
            RibbonGroup drawn{group.label, {}};
            for (const BuiltinButton& b : group.buttons) {
                RibbonButton button;
                button.label = b.label;
                button.imageMso = b.imageMso;
                button.large = b.large;
                drawn.buttons.push_back(button);
            }
            tab.groups.push_back(drawn);
        }
        tabs.push_back(tab);
    }
    const auto addins = m_addins; // a callback may let an add-in go meanwhile
    for (const auto& held : addins) {
        Addin& addin = *held;
        if (!addin.loaded || !Listed(&addin))
            continue;
        // What was invalidated is asked again; a callback that invalidates meanwhile counts for the next
        // round.
        const bool all = std::exchange(addin.allStale, false);
        const std::set<std::string> stale = std::exchange(addin.stale, {});
        for (const CustomUi::Tab& tab : addin.explorer.tabs) {
            if (!tab.Flag("visible", true))
                continue;
            auto place = std::find_if(tabs.begin(), tabs.end(), [&](const RibbonTab& t) {
                return !tab.idMso.empty() && t.idMso == Wide(tab.idMso);
            });
            if (place == tabs.end()) {
                if (!tab.idMso.empty())
                    continue; // a built-in tab that this window does not have
                RibbonTab own{Wide(tab.Identity()), Wide(tab.Attribute("label")), {}};
                // Custom tabs go after the built-in ones, before Add-ins.
                place = tabs.insert(tabs.end() - 1, own);
            }
            for (const CustomUi::Group& group : tab.groups) {
                if (!group.idMso.empty() || !group.Flag("visible", true))
                    continue; // built-in groups cannot be moved here
                RibbonGroup drawn{Wide(group.Attribute("label")), {}};
                for (const CustomUi::Control& control : group.controls) {
                    const std::string& id = control.Identity();
                    Dynamic values;
                    if (control.kind == CustomUi::Kind::Button) {
                        auto cached = addin.values.find(id);
                        if (all || stale.count(id) || cached == addin.values.end()) {
                            addin.values[id] = Resolve(addin, control, Context::Explorer);
                        }
                        values = addin.values[id];
                        if (!values.visible)
                            continue;
                    }
                    drawn.buttons.push_back(Drawn(addin, control, values));
                }
                place->groups.push_back(drawn);
            }
        }
    }
    m_tabs = std::move(tabs);
}

std::vector<RibbonButton> RibbonHost::ContextMenu(const std::string& idMso) {
    std::vector<RibbonButton> items;
    const auto addins = m_addins;
    for (const auto& held : addins) {
        Addin& addin = *held;
        if (!addin.loaded || !Listed(&addin))
            continue;
        for (const CustomUi::ContextMenu& menu : addin.explorer.contextMenus) {
            if (menu.idMso != idMso)
                continue;
            for (const CustomUi::Control& control : menu.controls) {
                Dynamic values;
                if (control.kind == CustomUi::Kind::Button) {
                    values = Resolve(addin, control, Context::Selection);
                    if (!Listed(&addin))
                        return items;
                    if (!values.visible)
                        continue;
                }
                items.push_back(Drawn(addin, control, values));
            }
        }
    }
    return items;
}

bool RibbonHost::Find(const std::string& id, std::wstring& addinOut, Context& context) const {
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& addin : m_addins) {
            bool inContextMenu = false;
            if (!addin->loaded || !FindElement(addin->explorer, id, inContextMenu) ||
                inContextMenu != (pass == 1))
                continue;
            if (!inContextMenu) {
                // A ribbon control as last drawn: hidden or disabled ones take no clicks.
                auto drawn = addin->values.find(id);
                if (drawn == addin->values.end() || !drawn->second.enabled || !drawn->second.visible)
                    continue;
            }
            {
                addinOut = addin->progId;
                context = inContextMenu ? Context::Selection : Context::Explorer;
                return true;
            }
        }
    }
    return false;
}

RibbonHost::ClickResult RibbonHost::Click(const std::wstring& progId, const std::string& id,
                                          Context context) {
    std::shared_ptr<Addin> addin = FindAddin(progId);
    bool inContextMenu = false;
    const CustomUi::Element* control =
        addin && addin->loaded ? FindElement(addin->explorer, id, inContextMenu) : nullptr;
    if (!control)
        return ClickResult::NotFound;
    // As a user sees it: a ribbon control as last drawn, a menu item as it would show now.
    Dynamic values;
    if (inContextMenu) {
        values = Resolve(*addin, *control, context);
        if (!Listed(addin.get()))
            return ClickResult::NotFound;
    } else {
        auto drawn = addin->values.find(id);
        if (drawn == addin->values.end())
            return ClickResult::NotFound;
        values = drawn->second;
    }
    if (!values.enabled || !values.visible)
        return ClickResult::Disabled;
    if (!control->Has("onAction"))
        return ClickResult::Done; // a button without an action does nothing, as in Office
    ComPtr<IDispatch> object = ControlObject(*control, context);
    CallBack(*addin, *control, "onAction", object.Get(), nullptr);
    return ClickResult::Done;
}
