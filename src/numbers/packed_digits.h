// Packed digit strings: two decimal digits to a byte, each byte 128 + the
// two-digit value. Dates, codes and record keys are held this way; because a
// byte grows with its value, packed strings of equal length compare (unsigned,
// byte by byte) in the order of their digit texts.
//
// Pure text functions without state; none fails.
#pragma once

#include <cstdint>
#include <string>

namespace numbers {

// Packs a digit text of n characters into (n + 1) / 2 bytes. Blanks around the
// digits are stripped and the digits right-aligned in the input's width; any
// blank left inside and any character that is not a digit count as 0. An odd
// last digit becomes the tens of the last byte.
std::string PackDigits(std::string digits);

// Two digit characters for every byte (its value AND 127, last two digits).
std::string UnpackDigits(std::string packed);

// The value in decimal without its sign, left-filled with "0" and cut to its
// rightmost `width` characters. Whole numbers are written without a decimal
// point; a value that is not finite gives zeros.
std::string ZeroPad(double value, int16_t width);

// Turns a dotted numeric code ("12.345") into the fixed layout of its digit
// groups (first group 4 or 6 digits, the others 4) and packs it.
std::string PackDottedCode(std::string code);

}  // namespace numbers
