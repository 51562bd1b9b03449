// The orderly end of the process when it ends from outside the program's own
// flow: the terminal hung up, its input ended, or SIGTERM or SIGHUP arrived
// while the program waited. The program registers the work that its own
// shut-down would do (closing its files); the terminal is restored after it.
#pragma once

#include <functional>

namespace platform {

// Replaces the work done before an orderly end; empty for none.
void SetShutdownHook(std::function<void()> hook);

// Runs the shut-down hook once, then ends the process with the exit code
// (std::exit: the terminal is restored by its exit handler).
[[noreturn]] void EndProcess(int exitCode);

// Sleeps; a SIGTERM or SIGHUP that arrives meanwhile, while the terminal is
// the program's, ends the process in order (EndProcess(0)).
void SleepOrEnd(int ms);

}  // namespace platform
