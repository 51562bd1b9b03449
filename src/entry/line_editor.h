// The line editor through which every typed value passes, and the
// upper-casing of code page 850 text.
#pragma once

#include <cstdint>
#include <string>

namespace entry {

// Edits a fixed-length text at (row, col), relative to the innermost window,
// width cells to a row, until the operator presses a key that ends the entry
// by the exit-key set (console::SetKeySet). The text keeps its length.
//
// In:  row, col (0: the cursor's row or column), width (0: length + 1), text
//      padded to the field's size, pos (clamped to 1 .. length + 1).
// Out: text as edited (with a choice list, the chosen entry's value padded or
//      cut to the text's length), pos, key (translated through the exit-key
//      set; a click outside the field as -(column * 100 + row), absolute).
//      row, col and width come back with the values that replaced 0.
//
// The caller sets the choice list (SetChoiceList) and the exit keys and mask
// character (console::SetKeySet) before the call. Insert mode is the
// console's process-wide Insert toggle. The style is left at "h".
void EditLine(int16_t& row, int16_t& col, int16_t& width, std::string& text, int16_t& pos, int16_t& key);

// The choices of the next EditLine: entries "|" value "," display text, for
// example "|P,PENDENT|D,TORNAT"; the empty text for a free-text field.
void SetChoiceList(const std::string& choices);
const std::string& ChoiceList();

// A copy of the text with every code from 64 to 237 taken from a table:
// upper-casing of the letters of code page 850 (accents kept), or, while
// State().FoldAccents is set, folding to plain capitals A to Z with every
// other code of that range turned into a blank.
std::string UpperText(const std::string& text);

}  // namespace entry
