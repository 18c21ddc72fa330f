// The command bars of the stand-in's explorer as plain data: bars, their controls, and the
// controls of pop-up menus. The automation objects and the window both work on these.
#pragma once
#include "ComPtr.h"
#include "com/ConnectionPoint.h"
#include "UniqueHandle.h"

#include <memory>
#include <string>
#include <vector>

// Office's control types and bar positions that the stand-in knows.
constexpr long kControlButton = 1;
constexpr long kControlPopup = 10;
constexpr long kBarLeft = 0;
constexpr long kBarTop = 1;
constexpr long kBarFloating = 4;
constexpr long kBarMenuBar = 6;
constexpr long kBarTypeNormal = 0;
constexpr long kBarTypeMenuBar = 1;
constexpr long kCustomControlId = 1;
constexpr long kButtonAutomatic = 0;
constexpr long kButtonIcon = 1;
constexpr long kButtonCaption = 2;
constexpr long kButtonIconAndCaption = 3;

// What a built-in control of the stand-in does instead of firing Click to add-ins.
enum class BuiltinAction { None, Close, DisconnectAddins, ReconnectAddins };

struct CommandBarControlData;
using ControlList = std::vector<std::shared_ptr<CommandBarControlData>>;

struct CommandBarControlData {
    long serial = 0; // unique within one run: how the window and posted clicks name a control
    long type = kControlButton;
    long id = kCustomControlId;
    std::wstring caption;
    std::wstring tooltip;
    std::wstring tag;
    std::wstring parameter;
    bool enabled = true;
    bool visible = true;
    bool temporary = false;
    long style = kButtonAutomatic;
    long faceId = 0;
    std::shared_ptr<UniqueBitmap> face;       // a pasted picture, or none
    std::shared_ptr<ControlList> children;    // the menu of a pop-up; null for buttons
    ComPtr<com::ConnectionPoint> clickEvents; // buttons: _CommandBarButtonEvents
    BuiltinAction action = BuiltinAction::None;
    bool builtin = false; // one of the stand-in's own menus or items, not an add-in's
};

struct CommandBarData {
    std::wstring name;
    long position = kBarTop;
    bool visible = false; // a new bar is hidden until a client shows it, as in Office
    bool temporary = false;
    bool menuBar = false;
    std::shared_ptr<ControlList> controls = std::make_shared<ControlList>();
};
