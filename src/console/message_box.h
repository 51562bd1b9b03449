// A message in a framed box centred on the screen, left open for the caller
// to close with PopWindow.
#pragma once

#include <cstdint>
#include <string>

namespace console {

// Wraps text to lines of 76 characters (text comes back wrapped, each line
// padded to 76) and shows them in a single-framed box in the reverse style,
// placed around the given screen row. Returns with the box open and
// WindowDepth one higher, unless the lines do not fit on the screen (then
// nothing is shown and no window is pushed).
void ShowMessage(int16_t row, std::string& text);
// The same for a message the caller does not need back.
void ShowMessage(int16_t row, const std::string& text);

}  // namespace console
