// Turns a mail of the model into the automation object Outlook would hand out for it: a mail item
// for the "IPM.Note" family, a plain item (no _MailItem) for contacts, meetings, tasks and the rest.
#pragma once
#include "ServerState.h"

#include <oaidl.h>

#include <memory>

bool IsMailItemClass(const std::string& messageClass);
// A new object with one reference owned by the caller.
IDispatch* CreateItemObject(const std::shared_ptr<MailMessage>& message, const ServerState& state);
