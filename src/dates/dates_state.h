// Process-wide state of the dates subsystem.
#pragma once

#include <array>

namespace dates {

struct DatesState {
  // The user's date separator and element order, read from the site
  // settings on first use and kept for the process; NUL-filled until read.
  std::array<char, 1> DatCaracter{};
  std::array<char, 3> DatOrdre{};
};

DatesState& State();
// Back to the state at process start, for tests.
void ResetState();

}  // namespace dates
