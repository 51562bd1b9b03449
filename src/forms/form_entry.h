// The generic form entry over the form model: drawing a form, editing its
// fields one after another with the line editor, moving between them on the
// navigation keys and mouse clicks, help on F1, the browse on F4, checking
// and storing each value, and chains of forms.
#pragma once

#include <cstdint>
#include <string>

namespace forms {

// Enters a form. form: a negative number enters it as the continuation of
// the form before it in a chain; it comes back as its absolute value.
// mayLeaveUp / mayLeaveDown (non-zero = yes): PgUp on the first field, PgDn
// on the last, leave the form instead of moving to that field. key comes
// back as the key that ended the form (after CheckForm accepted it).
void EnterForm(int16_t& form, int16_t mayLeaveUp, int16_t mayLeaveDown, int16_t& key);

// Draws the title (form 1 only), the labels and the values.
void DrawForm(int16_t form);

// Draws one field's value: nothing for a secret field, a choice's
// description for a field with choices, a multi-line value line by line.
void DrawFieldValue(int16_t form, int16_t field);

// Stores an edited text into a field (cut or padded to its width) and draws
// it. A numeric field takes only digits and blanks. 0 when accepted, any
// other value when rejected (and nothing is stored).
int16_t StoreFieldValue(int16_t form, const std::string& text, int16_t field, int16_t key);

// Hands the allowed codes of the field about to be edited to the line editor.
void SetFieldChoices(const std::string& choices);

}  // namespace forms
