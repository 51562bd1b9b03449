// Dates as text: ISO, numeric with the user's separator and element order,
// with a three-letter month, or long with month names and joining words in
// the session's language.
#pragma once

#include <cstdint>
#include <string>

namespace dates {

// style: -1 ISO (CCYY-MM-DD); 0 numeric; 1 three-letter month; 2 or more
// long form. The letters D, M and A of the mask (either case) say which
// elements appear; the user's order setting says in which order. Numeric
// forms are padded or cut to a width set by the mask; the zero date gives
// blanks or the empty text.
std::string FormatDate(const std::string& date, int16_t style, const std::string& mask);

}  // namespace dates
