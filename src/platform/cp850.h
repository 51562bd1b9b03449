// Code page 850 at the boundary with the system: every byte string inside the
// framework is code page 850; the system speaks UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Unicode code point of a byte as text (control bytes stay control bytes;
// 213 is the euro sign).
char32_t Cp850ToUnicode(uint8_t byte);
// Unicode code point of a byte as a screen cell shows it: bytes 1 to 31 and
// 127 as their OEM glyphs, 0 as a blank, 213 as the euro sign.
char32_t Cp850Glyph(uint8_t byte);
// UTF-8 of a screen glyph.
std::string GlyphUtf8(uint8_t byte);
// Byte for a code point; the OEM glyphs map back to bytes 1 to 31.
// 0 when code page 850 has no such character.
uint8_t UnicodeToCp850(char32_t cp);

std::string Cp850ToUtf8(std::string_view cp850);
// Invalid UTF-8 and characters outside code page 850 become '?'.
std::string Utf8ToCp850(std::string_view utf8);

// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace platform
