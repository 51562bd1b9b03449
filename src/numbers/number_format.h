// Numbers through picture masks. A mask's characters mark digit positions
// ("9" digit or "0", "Z"/"z" digit or blank, "*" digit or asterisk), the
// thousands position ",", the decimal point "." and the sign ("-", "+");
// any other character is copied. The result always has the mask's length.
#pragma once

#include <cstdint>
#include <string>

namespace numbers {

// Renders the value through the mask with the user's decimal and thousands
// characters (read from the site settings on the first call). A number that
// does not fit is written plainly, right-aligned and cut to the mask's
// length, or as "!" characters when even its integer digits do not fit.
std::string FormatNumber(std::string mask, double value);

// Renders an amount in cents: builds a money mask of the caller's mask's
// length (with the caller's fill, thousands, sign and units digit) and writes
// it in euros with two decimals, or in pesetas without decimals when the
// display currency is "P".
std::string FormatAmount(std::string mask, double amount);

// Checks typed number text against a mask: -1 when it holds anything but
// digits and blanks, a point the mask has no room for (or a second one), or
// a sign the mask has no room for, a second sign or one after a digit or the
// point; 0 when it is good.
int16_t IsBadNumberText(std::string text, std::string mask);

// The rate of a euro in pesetas, as the system has always held it (single
// precision).
inline constexpr double PesetasPerEuro = static_cast<double>(166.386f);

}  // namespace numbers
