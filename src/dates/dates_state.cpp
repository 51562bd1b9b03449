#include "dates/dates_state.h"

namespace dates {

DatesState& State() {
  static DatesState state;
  return state;
}

void ResetState() { State() = DatesState{}; }

}  // namespace dates
