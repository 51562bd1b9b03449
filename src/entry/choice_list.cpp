#include "entry/entry_state.h"
#include "entry/line_editor.h"

namespace entry {

void SetChoiceList(const std::string& choices) { State().ChoiceList = choices; }

const std::string& ChoiceList() { return State().ChoiceList; }

}  // namespace entry
