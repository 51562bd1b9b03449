// The calendar pop-up: a quarter of a year at the right edge of the screen,
// opened with the calendar hot key from any key wait.
#pragma once

#include <string>

#include "dates/calendar_month.h"

namespace dates {

// Shows the calendar on the working date (today when that is not a usable
// date) and lets the operator move through it. Returns the chosen date as
// FormatDate style 0, mask "dma" after F, f or Alt+F, or the empty text after
// Esc. The screen under the window, the style, the cursor and the exit-key
// set are as they were before, whichever key closes it.
std::string CalendarPopup();

// Today's date by the system clock, in local time.
CalendarDay Today();

}  // namespace dates
