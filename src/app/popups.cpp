#include "app/popups.h"

#include "console/console_state.h"
#include "dates/calendar_popup.h"
#include "numbers/calculator_popup.h"

namespace app {

void InstallPopups() {
  console::ConsoleState& state = console::State();
  state.CalculatorPopup = numbers::CalculatorPopup;
  state.CalendarPopup = dates::CalendarPopup;
}

}  // namespace app
