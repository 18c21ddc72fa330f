// The controls of a bar or of a pop-up menu (Office's CommandBarControls).
#pragma once
#include "CommandBarSet.h"
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"

class CommandBarControlsObject : public DispatchObject<CommandBarControls> {
public:
    CommandBarControlsObject(CommandBarSet& set, std::shared_ptr<ControlList> controls);

    // Index: a 1-based number or a caption.
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, CommandBarControl** result) override;
    HRESULT STDMETHODCALLTYPE get_Count(long* result) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT type, VARIANT id, VARIANT parameter, VARIANT before,
                                  VARIANT temporary, CommandBarControl** result) override;

private:
    CommandBarSet& m_set;
    std::shared_ptr<ControlList> m_controls;
};
