#include "console/console_state.h"

namespace console {

ConsoleState& State() {
  static ConsoleState state;
  return state;
}

void ResetState() { State() = ConsoleState{}; }

}  // namespace console
