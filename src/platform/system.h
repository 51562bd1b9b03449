// The system services the framework reaches: paths, environment, current
// directory, time and random numbers. Everything here speaks code page 850.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Every path the system builds passes through here: backslashes become
// slashes, code page 850 becomes UTF-8, and where the exact path does not
// exist, each component is matched without regard to case.
std::string NativePath(std::string_view cp850Path);

// An environment variable in code page 850; unset is the empty text.
std::string GetEnv(const char* name);

// Changes the process's current directory; false on failure.
bool ChangeDirectory(std::string_view cp850Path);

// Milliseconds since an arbitrary start, monotonic.
int64_t NowMs();
// Sleeps; tests may replace the sleeper to run without delays.
void SleepMs(int ms);
// A pseudo-random number in [0, 1).
double RandomUnit();

// Process-wide state of the platform layer, with a way for tests to start
// clean.
struct PlatformState {
  std::function<void(int)> Sleeper;                     // empty: the real sleep
  std::function<double()> Random;                       // empty: the process's generator
  std::function<std::string(const char*)> Environment;  // empty: the real environment
  std::string SmallWindowNotice;                        // see SetSmallWindowNotice
};
PlatformState& State();
void ResetState();

}  // namespace platform
