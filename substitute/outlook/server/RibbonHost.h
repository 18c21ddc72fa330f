// What Office does with add-ins' ribbons: after OnConnection the add-in is asked for
// IRibbonExtensibility (Outlook 2007 and later); when the explorer shows a ribbon (2010 and later)
// GetCustomUI is called once for "Microsoft.Outlook.Explorer", the custom UI read, onLoad given an
// IRibbonUI, and every callback called by name through the IDispatch part of the
// IRibbonExtensibility pointer, at each use. Dynamic values are asked once and kept until the
// add-in invalidates them. Whatever an add-in's ribbon does wrong is reported on the console and
// skipped; the add-in stays connected.
#pragma once
#include "ComPtr.h"
#include "CustomUi.h"
#include "OfficeInterfaces.h"
#include "RibbonUiObject.h"
#include "ServerState.h"
#include "UniqueHandle.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A picture that an add-in gave through getImage, copied so that it outlives the add-in's object.
struct RibbonImage {
    UniqueBitmap bitmap;
    bool alpha = false; // 32 bits per pixel with a meaningful alpha channel
};

// A control as drawn: built-in ones (no add-in) are placeholders that do nothing.
struct RibbonButton {
    std::wstring addin; // ProgID of the add-in; empty for a built-in control
    std::string id;     // the control's identity in the add-in's custom UI
    std::wstring label, screentip;
    bool large = false;
    bool enabled = true;
    bool separator = false;
    std::shared_ptr<RibbonImage> image; // from getImage
    std::wstring imageMso;              // else a placeholder face for this name
};
struct RibbonGroup {
    std::wstring label;
    std::vector<RibbonButton> buttons;
};
struct RibbonTab {
    std::wstring idMso; // the built-in tab's name, or the add-in tab's identity
    std::wstring label;
    std::vector<RibbonGroup> groups;
};

class RibbonHost {
public:
    enum class Context { Explorer, Selection };
    enum class ClickResult { NotFound, Disabled, Done };
    using Report = std::function<void(const std::wstring&)>;

    // version: the Outlook version that the stand-in plays (11, 12, 14, ...).
    RibbonHost(const ServerState& state, long version, Report report);
    RibbonHost(const RibbonHost&) = delete;
    RibbonHost& operator=(const RibbonHost&) = delete;
    ~RibbonHost();

    // Outlook 2007 knows ribbons (in its inspectors), 2010 and later in the explorer too.
    bool KnowsRibbons() const { return m_version >= 12; }
    bool ExplorerHasRibbon() const { return m_version >= 14; }

    // After a successful OnConnection, and before the add-in is let go.
    void Connected(const std::wstring& progId, IUnknown* addin);
    void Disconnected(const std::wstring& progId);

    // Called (later, from the message loop is best) when the ribbon needs asking and drawing again.
    void SetChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }
    // Asks the callbacks of what was invalidated and lays out the explorer's tabs again.
    void Refresh();
    // The explorer's tabs after the last Refresh: the built-in ones with the add-ins' groups merged
    // in (by idMso), then the add-ins' own tabs, then "Add-ins".
    const std::vector<RibbonTab>& Tabs() const { return m_tabs; }
    // The add-ins' visible items for a built-in context menu, asked afresh (with the selection).
    std::vector<RibbonButton> ContextMenu(const std::string& idMso);
    // onAction of an add-in's control, with the context given; disabled or hidden controls are not
    // clicked.
    ClickResult Click(const std::wstring& addin, const std::string& id, Context context);
    // The first add-in control with that id that a user could click: enabled and visible ribbon
    // controls first, then context-menu items (asked when clicked).
    bool Find(const std::string& id, std::wstring& addin, Context& context) const;

private:
    struct Dynamic {
        std::wstring label, screentip;
        bool enabled = true, visible = true;
        std::shared_ptr<RibbonImage> image;
    };
    struct Addin {
        std::wstring progId;
        ComPtr<IRibbonExtensibility> extensibility;
        bool loaded = false; // its explorer custom UI was read
        CustomUi::Document explorer;
        std::shared_ptr<RibbonUiObject::Target> link;
        bool allStale = true;
        std::set<std::string> stale;
        std::map<std::string, Dynamic> values; // by control identity
    };

    std::shared_ptr<Addin> FindAddin(const std::wstring& progId) const;
    bool Listed(const Addin* addin) const;
    void LoadExplorerUi(Addin& addin);
    void Invalidated(const std::wstring& progId, const std::wstring* controlId);
    void Changed();
    Dynamic Resolve(Addin& addin, const CustomUi::Element& control, Context context);
    // Calls the callback named by the control's attribute; false (reported) when it cannot.
    bool CallBack(Addin& addin, const CustomUi::Element& control, const char* attribute, IDispatch* argument,
                  VARIANT* result);
    ComPtr<IDispatch> ControlObject(const CustomUi::Element& control, Context context) const;
    RibbonButton Drawn(Addin& addin, const CustomUi::Control& control, const Dynamic& values) const;

    const ServerState& m_state;
    const long m_version;
    Report m_report;
    std::function<void()> m_onChange;
    std::vector<std::shared_ptr<Addin>> m_addins; // shared: a callback may let its add-in go
    std::vector<RibbonTab> m_tabs;
};
