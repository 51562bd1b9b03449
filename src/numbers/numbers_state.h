// Process-wide state of the numbers subsystem.
#pragma once

#include <string>

namespace numbers {

struct NumbersState {
  // Currency values; all empty at start.
  std::string CurBase;
  std::string CurAlt;
  std::string CurDisplay;

  // The user's decimal and thousands characters for formatted numbers, read
  // from the site settings on first use and kept for the process; NUL until
  // read.
  char DecCaracter = '\0';
  char MilCaracter = '\0';
};

NumbersState& State();
// Back to the state at process start, for tests.
void ResetState();

}  // namespace numbers
