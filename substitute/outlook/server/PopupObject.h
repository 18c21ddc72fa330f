// A pop-up control (Office's CommandBarPopup): a menu with controls of its own.
#pragma once
#include "CommandBarControlObject.h"

class PopupObject : public CommandBarControlObject<CommandBarPopup> {
public:
    PopupObject(CommandBarSet& set, std::shared_ptr<CommandBarControlData> control);

    HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** result) override;
};
