// The stand-in while it serves: the mails, the explorer window with its command bars, the
// application object for COM clients, the add-ins, and Outlook's order of start and end.
#pragma once
#include "ServerOptions.h"

#include <windows.h>

// Serves until the explorer window closes or a --stop arrives; gives the exit code.
int Serve(HINSTANCE instance, int showCommand, const ServerOptions& options);
