// The automation object for a control of the model: a button or a pop-up.
#pragma once
#include "CommandBarSet.h"
#include "OutlookSubstitute_h.h"

#include <memory>

// A new object with one reference owned by the caller; null for a null control.
CommandBarControl* CreateControlObject(CommandBarSet& set,
                                       const std::shared_ptr<CommandBarControlData>& control);
