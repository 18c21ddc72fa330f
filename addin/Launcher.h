// Starts the viewer from its install folder under the program-files folder, without arguments.
// A viewer that is missing or cannot start is not reported to the user: the click does nothing
// visible, and the reason goes to the debugger trace.
#pragma once

namespace Launcher {

void StartViewer();

} // namespace Launcher
