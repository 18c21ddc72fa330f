// All command bars of the explorer: the built-in menu bar with Outlook's top-level menus, and the
// bars that add-ins create. Permanent bars (name, position, visibility) are kept between runs.
#pragma once
#include "CommandBarData.h"

#include <functional>

class CommandBarSet {
public:
    CommandBarSet();
    CommandBarSet(const CommandBarSet&) = delete;
    CommandBarSet& operator=(const CommandBarSet&) = delete;
    ~CommandBarSet();

    const std::vector<std::shared_ptr<CommandBarData>>& Bars() const { return m_bars; }
    const std::shared_ptr<CommandBarData>& MenuBar() const { return m_bars.front(); }
    // The bar of that name (case-insensitive, as Office compares them), or null.
    std::shared_ptr<CommandBarData> FindBar(const std::wstring& name) const;
    // A new bar at the end; null when the name is empty or taken.
    std::shared_ptr<CommandBarData> AddBar(const std::wstring& name, long position, bool menuBar,
                                           bool temporary);
    void RemoveBar(const std::shared_ptr<CommandBarData>& bar);
    // A new control in list, before the 1-based position before (0: at the end); null for a type
    // the stand-in cannot make or a position outside the list.
    std::shared_ptr<CommandBarControlData> AddControl(ControlList& list, long type, long id, long before,
                                                      bool temporary);
    // The first control, bars in order and menus depth-first, matching every given criterion.
    struct Criteria {
        long type = 0; // 0: any
        long id = 0;   // 0: any
        const std::wstring* tag = nullptr;
        bool visibleOnly = false;
    };
    std::shared_ptr<CommandBarControlData> FindControl(const Criteria& criteria) const;
    std::shared_ptr<CommandBarControlData> FindBySerial(long serial) const;
    // Removes a control wherever it is.
    void RemoveControl(const CommandBarControlData* control);

    // A click on a control as a user makes it: built-in actions run, buttons fire Click.
    void Click(const std::shared_ptr<CommandBarControlData>& control);

    // Someone changed the model (the window redraws).
    void Changed() const;
    void SetChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }
    void SetActionHandler(std::function<void(BuiltinAction)> handler) { m_onAction = std::move(handler); }

    // The permanent bars of earlier runs, and saving them for the next one.
    void LoadPermanentBars();
    bool SavePermanentBars() const;
    // Releases every event sink (at exit, after the add-ins were disconnected).
    void DisconnectAllSinks();

private:
    void BuildMenuBar();
    std::shared_ptr<CommandBarControlData> NewControl(long type);

    std::vector<std::shared_ptr<CommandBarData>> m_bars;
    long m_nextSerial = 1;
    std::function<void()> m_onChange;
    std::function<void(BuiltinAction)> m_onAction;
};
