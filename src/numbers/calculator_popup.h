// The calculator pop-up: an adding machine with a paper tape, opened with the
// calculator hot key from any key wait. Its whole state lives in the
// terminal's tape file between openings.
#pragma once

#include <string>

namespace numbers {

// Path of the tape file: TerminalDir + "WRKCALC.TMP".
std::string CalculatorTapePath();

// Runs the calculator until F, Alt+F or Esc. Returns the figure in hundredths
// after F or Alt+F, the empty text after Esc. The state is written to the
// tape file whichever key closes it; the screen under the window, the style,
// the cursor and the exit-key set are as they were before.
std::string CalculatorPopup();

}  // namespace numbers
