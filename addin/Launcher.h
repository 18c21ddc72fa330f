// Starts the viewer from its install folder under the program-files folder, without arguments.
// A viewer that is missing or cannot start is not reported: the click simply does nothing.
#pragma once

namespace Launcher {

void StartViewer();

} // namespace Launcher
