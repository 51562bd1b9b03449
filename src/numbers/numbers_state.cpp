#include "numbers/numbers_state.h"

namespace numbers {

NumbersState& State() {
  static NumbersState state;
  return state;
}

void ResetState() { State() = NumbersState{}; }

}  // namespace numbers
