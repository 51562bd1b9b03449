// Process-wide state of the console toolkit: the style stack, the window
// stack's innermost rectangle, and the input state with the exit-key set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace console {

struct ConsoleState {
  // Styles.
  int16_t CurrentStyle = 0;  // 0..4, the style last selected by SetStyle
  std::string StyleStack;    // saved style numbers, one byte each, most recent last

  // Windows: the innermost open window; all 0 when none is open.
  int16_t WindowDepth = 0;
  int16_t WindowTop = 0;
  int16_t WindowLeft = 0;
  int16_t WindowBottom = 0;
  int16_t WindowRight = 0;
  // Frames that could not be written to the stack file (its directory is not
  // writable), kept here instead, the most recent last. While any is held,
  // pushes go here too, so the stack stays in order.
  std::vector<std::string> MemoryFrames;

  // Input.
  std::string TypeAhead;       // characters returned as keys before any console input
  int16_t MouseState = 0;      // 0 not set up, 1 input on, 2 mouse exists and input off, 3 no mouse
  int16_t InCalculator = 0;    // flag: the calculator hot key is being served
  int16_t InCalendar = 0;      // flag: the calendar hot key is being served
  std::string ExitKeys;        // 16-bit little-endian key codes that end a line-editor entry
  std::string ExitKeyResults;  // at the same byte positions: the code reported instead
  std::string SavedExitKeys;   // the set saved by SetKeySet "+"
  std::string SavedExitKeyResults;
  int16_t SavedExitKeyDepth = 0;  // 1 while a set is saved
  int16_t MaskChar = 0;           // 0, or the character shown for every character of a hidden entry
  int16_t MouseRow = 0;           // position of the last mouse event seen
  int16_t MouseColumn = 0;
  uint16_t LastModifiers = 0;  // platform::Modifier bits of the last event taken

  // Hot-key pop-ups, filled by the program at start-up. Each runs its own
  // screen and key loop and returns the text to be typed next. Empty hooks
  // leave Alt+X and Alt+C as plain keys.
  std::function<std::string()> CalculatorPopup;
  std::function<std::string()> CalendarPopup;
};

ConsoleState& State();
// Back to the initial state (hooks included), for tests.
void ResetState();

}  // namespace console
