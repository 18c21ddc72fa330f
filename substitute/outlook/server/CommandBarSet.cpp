#include "CommandBarSet.h"

#include "CommandBarStore.h"
#include "ControlObjects.h"
#include "OutlookSubstitute_h.h"

#include <algorithm>

namespace {
constexpr wchar_t kMenuBarName[] = L"Menu Bar";

struct BuiltinItem {
    const wchar_t* caption;
    BuiltinAction action;
};
struct BuiltinMenu {
    const wchar_t* caption;
    long id;
    std::vector<BuiltinItem> items;
};

// Outlook's top-level menus; the add-ins' convention is that the fifth one is Tools.
const std::vector<BuiltinMenu>& BuiltinMenus() {
    static const std::vector<BuiltinMenu> menus = {
        {L"File", 30002, {{L"Close", BuiltinAction::Close}}},
        {L"Edit", 30003, {{L"Select All", BuiltinAction::None}}},
        {L"View", 30004, {{L"Toolbars", BuiltinAction::None}}},
        {L"Go", 30124, {{L"Inbox", BuiltinAction::None}}},
        {L"Tools",
         30007,
         {{L"Address Book...", BuiltinAction::None},
          {L"Disconnect COM Add-Ins", BuiltinAction::DisconnectAddins},
          {L"Reconnect COM Add-Ins", BuiltinAction::ReconnectAddins}}},
        {L"Actions", 30131, {{L"New Mail Message", BuiltinAction::None}}},
        {L"Help", 30010, {{L"About the Outlook Stand-in", BuiltinAction::None}}},
    };
    return menus;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::shared_ptr<CommandBarControlData> FindIn(const ControlList& list,
                                              const CommandBarSet::Criteria& criteria) {
    for (const auto& control : list) {
        bool matches = (criteria.type == 0 || control->type == criteria.type) &&
                       (criteria.id == 0 || control->id == criteria.id) &&
                       (!criteria.tag || control->tag == *criteria.tag) &&
                       (!criteria.visibleOnly || control->visible);
        if (matches)
            return control;
        if (control->children) {
            if (auto found = FindIn(*control->children, criteria))
                return found;
        }
    }
    return nullptr;
}

bool RemoveFrom(ControlList& list, const CommandBarControlData* target) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->get() == target) {
            list.erase(it);
            return true;
        }
        if ((*it)->children && RemoveFrom(*(*it)->children, target))
            return true;
    }
    return false;
}

void DisconnectIn(const ControlList& list) {
    for (const auto& control : list) {
        if (control->clickEvents)
            control->clickEvents->DisconnectAll();
        if (control->children)
            DisconnectIn(*control->children);
    }
}
} // namespace

CommandBarSet::CommandBarSet() {
    BuildMenuBar();
}

CommandBarSet::~CommandBarSet() {
    DisconnectAllSinks();
}

void CommandBarSet::BuildMenuBar() {
    auto bar = std::make_shared<CommandBarData>();
    bar->name = kMenuBarName;
    bar->menuBar = true;
    bar->visible = true;
    for (const BuiltinMenu& menu : BuiltinMenus()) {
        auto popup = NewControl(kControlPopup);
        popup->caption = menu.caption;
        popup->id = menu.id;
        popup->builtin = true;
        for (const BuiltinItem& item : menu.items) {
            auto button = NewControl(kControlButton);
            button->caption = item.caption;
            button->action = item.action;
            button->builtin = true;
            button->enabled = item.action != BuiltinAction::None;
            popup->children->push_back(button);
        }
        bar->controls->push_back(popup);
    }
    m_bars.push_back(bar);
}

std::shared_ptr<CommandBarControlData> CommandBarSet::NewControl(long type) {
    auto control = std::make_shared<CommandBarControlData>();
    control->serial = m_nextSerial++;
    control->type = type;
    if (type == kControlPopup) {
        control->children = std::make_shared<ControlList>();
    } else {
        std::weak_ptr<CommandBarControlData> weak = control;
        control->clickEvents.Attach(new com::ConnectionPoint(
            DIID__CommandBarButtonEvents, [this, weak](IConnectionPointContainer** out) {
                auto alive = weak.lock();
                if (!alive)
                    return E_UNEXPECTED;
                ComPtr<CommandBarControl> object;
                object.Attach(CreateControlObject(*this, alive));
                if (!object)
                    return E_UNEXPECTED;
                return object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
            }));
    }
    return control;
}

std::shared_ptr<CommandBarData> CommandBarSet::FindBar(const std::wstring& name) const {
    for (const auto& bar : m_bars) {
        if (SameName(bar->name, name))
            return bar;
    }
    return nullptr;
}

std::shared_ptr<CommandBarData> CommandBarSet::AddBar(const std::wstring& name, long position, bool menuBar,
                                                      bool temporary) {
    if (name.empty() || FindBar(name))
        return nullptr;
    auto bar = std::make_shared<CommandBarData>();
    bar->name = name;
    bar->position = position;
    bar->menuBar = menuBar;
    bar->temporary = temporary;
    m_bars.push_back(bar);
    Changed();
    return bar;
}

void CommandBarSet::RemoveBar(const std::shared_ptr<CommandBarData>& bar) {
    if (bar == MenuBar())
        return;
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), bar), m_bars.end());
    Changed();
}

std::shared_ptr<CommandBarControlData> CommandBarSet::AddControl(ControlList& list, long type, long id,
                                                                 long before, bool temporary) {
    if (type != kControlButton && type != kControlPopup)
        return nullptr;
    if (before < 0 || static_cast<size_t>(before) > list.size() + 1)
        return nullptr;
    auto control = NewControl(type);
    control->id = id;
    control->temporary = temporary;
    if (before == 0)
        list.push_back(control);
    else
        list.insert(list.begin() + (before - 1), control);
    Changed();
    return control;
}

std::shared_ptr<CommandBarControlData> CommandBarSet::FindControl(const Criteria& criteria) const {
    for (const auto& bar : m_bars) {
        if (auto found = FindIn(*bar->controls, criteria))
            return found;
    }
    return nullptr;
}

std::shared_ptr<CommandBarControlData> CommandBarSet::FindBySerial(long serial) const {
    for (const auto& bar : m_bars) {
        struct BySerial {
            long serial;
            std::shared_ptr<CommandBarControlData> operator()(const ControlList& list) const {
                for (const auto& control : list) {
                    if (control->serial == serial)
                        return control;
                    if (control->children) {
                        if (auto found = (*this)(*control->children))
                            return found;
                    }
                }
                return nullptr;
            }
        };
        if (auto found = BySerial{serial}(*bar->controls))
            return found;
    }
    return nullptr;
}

void CommandBarSet::RemoveControl(const CommandBarControlData* control) {
    for (const auto& bar : m_bars) {
        if (RemoveFrom(*bar->controls, control)) {
            Changed();
            return;
        }
    }
}

void CommandBarSet::Click(const std::shared_ptr<CommandBarControlData>& control) {
    if (!control || !control->enabled)
        return;
    if (control->action != BuiltinAction::None) {
        if (m_onAction)
            m_onAction(control->action);
        return;
    }
    if (control->type != kControlButton || !control->clickEvents)
        return;
    ComPtr<CommandBarControl> object;
    object.Attach(CreateControlObject(*this, control));
    ComPtr<IDispatch> ctrl;
    object.As(IID_IDispatch, ctrl);
    VARIANT_BOOL cancelDefault = VARIANT_FALSE;
    VARIANTARG args[2];
    // IDispatch takes the arguments last-first: CancelDefault, then Ctrl.
    ::VariantInit(&args[0]);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &cancelDefault;
    ::VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = ctrl.Get();
    DISPPARAMS params = {args, nullptr, 2, 0};
    ComPtr<com::ConnectionPoint> events = control->clickEvents;
    events->Fire(1, params);
}

void CommandBarSet::Changed() const {
    if (m_onChange)
        m_onChange();
}

void CommandBarSet::LoadPermanentBars() {
    for (const SavedCommandBar& saved : CommandBarStore::Load()) {
        if (FindBar(saved.name))
            continue;
        auto bar = std::make_shared<CommandBarData>();
        bar->name = saved.name;
        bar->position = saved.position;
        bar->visible = saved.visible;
        m_bars.push_back(bar);
    }
    Changed();
}

bool CommandBarSet::SavePermanentBars() const {
    std::vector<SavedCommandBar> saved;
    for (const auto& bar : m_bars) {
        if (!bar->temporary && !bar->menuBar)
            saved.push_back({bar->name, bar->position, bar->visible});
    }
    return CommandBarStore::Save(saved);
}

void CommandBarSet::DisconnectAllSinks() {
    for (const auto& bar : m_bars)
        DisconnectIn(*bar->controls);
}
