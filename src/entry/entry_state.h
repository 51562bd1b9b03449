// Process-wide state of the line editor.
#pragma once

#include <string>

namespace entry {

struct EntryState {
  // The choices of the field about to be edited: entries "|" value ","
  // display text, one after another; empty for a free-text field.
  std::string ChoiceList;
  // Selects the folding table of UpperText; set only while the line editor
  // searches its choice list.
  bool FoldAccents = false;
};

EntryState& State();
void ResetState();

}  // namespace entry
