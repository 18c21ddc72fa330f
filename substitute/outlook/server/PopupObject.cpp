#include "PopupObject.h"

#include "CommandBarControlsObject.h"

PopupObject::PopupObject(CommandBarSet& set, std::shared_ptr<CommandBarControlData> control)
    : CommandBarControlObject(set, std::move(control)) {}

HRESULT PopupObject::get_Controls(CommandBarControls** result) {
    if (!result)
        return E_POINTER;
    *result = new CommandBarControlsObject(m_set, m_control->children);
    return S_OK;
}
