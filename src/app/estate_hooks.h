// The hooks that give the generic estate form (form 1) and the estates
// browse (browse definition 1) their meaning.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// Form and browse definition of the estate choice.
constexpr int16_t EstateForm = 1;
constexpr int16_t EstateCodeField = 1;
constexpr int16_t EstatesBrowse = 1;

// Form 1 may be left only for an estate that exists, whose record is then in
// EstateRecord. A code that is not a whole number, or that names no estate,
// sounds the bell and keeps the operator in the form. Esc and other forms
// are let go without reading any file.
int16_t CheckForm(int16_t form, int16_t key);

// For definition 1: the estate's code (three digits), two blanks and its
// name, from the estates file's current record. Empty for other definitions.
std::string BrowseLine(int16_t definition);

// For definition 1: the chosen estate's code (three digits) into the field
// that opened the browse. Nothing for other definitions, nor for form 0.
void BrowseChosen(int16_t& definition, int16_t& form, int16_t& field);

// Every browse covers its whole file: empty start and end keys, result 0.
int16_t BrowseRange(int16_t definition, std::string& startKey, std::string& endKey);

// Puts the four hooks into the form entry's hooks table.
void InstallHooks();

}  // namespace app
