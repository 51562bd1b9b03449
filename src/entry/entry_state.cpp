#include "entry/entry_state.h"

namespace entry {

EntryState& State() {
  static EntryState state;
  return state;
}

void ResetState() { State() = EntryState{}; }

}  // namespace entry
