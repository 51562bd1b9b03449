// The frame of the receipts inquiry: start-up, the main loop and shut-down,
// run on the console installed by main.
#pragma once

namespace app {

// Runs the program on the active console and returns its exit code.
int RunProgram();

}  // namespace app
