#include "forms/forms_state.h"

namespace forms {

FormsState& State() {
  static FormsState state;
  return state;
}

void ResetState() { State() = FormsState{}; }

}  // namespace forms
