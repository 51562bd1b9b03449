// Session start-up: fills SessionSettings() from the environment and the
// settings files "Sessio.ini", "DorvTerm.ini" and "Dorv.ini".
#pragma once

#include <cstdint>
#include <string>

#include "config/session_settings.h"

namespace config {

// Gathers the session once, at start-up: directories, menu title and name,
// colour pairs, working date, language and run mode, and sets the base
// currency to euros. Never fails: whatever is missing leaves the empty text,
// 0 or a built-in default. ModuleName is left as it is.
void StartSession();

// The colour text used when the terminal file gives none.
inline constexpr const char* kDefaultColourText = "15000700000700070007";

// The number with which a text begins (leading blanks skipped; a sign, digits
// and one decimal point), rounded to the nearest whole number with halves to
// the even neighbour and held within the 16-bit range; 0 when the text does
// not begin with a number.
int16_t LeadingNumber(const std::string& text);

// Appends a backslash to a directory that is not empty and does not already
// end in ":" or "\".
std::string EndDirectory(std::string dir);

// A path as a message shows it: for a path under a root directory written
// with slashes, the backslashes the program joined to the root are shown as
// slashes too, so that the path reads in one style. Only for showing: files
// are opened with the path as built.
std::string ShownPath(std::string path);

}  // namespace config
