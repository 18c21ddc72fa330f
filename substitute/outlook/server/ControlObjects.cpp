#include "ControlObjects.h"

#include "ButtonObject.h"
#include "PopupObject.h"

CommandBarControl* CreateControlObject(CommandBarSet& set,
                                       const std::shared_ptr<CommandBarControlData>& control) {
    if (!control)
        return nullptr;
    if (control->type == kControlPopup)
        return new PopupObject(set, control);
    return new ButtonObject(set, control);
}
