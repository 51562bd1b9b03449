// Process-wide state of the form entry and the browse.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/hooks.h"

namespace forms {

struct FormsState {
  // Small byte strings saved around nested calls: each item is followed by
  // its length as a 2-byte little-endian integer.
  std::string ValueStack;
  // The form at which a chain of forms was left by paging; 0 for none.
  int16_t ResumeForm = 0;
  // The application's hooks, filled by the program at start-up.
  FormHooks Hooks;
  // Forms being entered right now, outermost first: a chain that leads back
  // to one of them is not followed again.
  std::vector<int16_t> ActiveForms;
  // List-mode choice of the last browse: bytes 4-7 of the chosen line's
  // header and its text.
  int32_t ListChoiceValue = 0;
  std::string ListChoiceText;
};

FormsState& State();
// Back to the initial state (hooks included), for tests.
void ResetState();

}  // namespace forms
