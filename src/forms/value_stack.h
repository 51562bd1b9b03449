// ValueStack: one process-wide byte string on which callers save small
// values around nested calls. Each operation pops what it pushed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace forms {

// Appends the bytes, then their length as a 2-byte little-endian integer.
void PushValue(std::string_view bytes);
// Removes the top item and returns it. An empty or damaged stack (fewer
// bytes than the length says) gives the empty text and is emptied.
std::string PopValue();

// The items the system saves: 2-byte and 4-byte little-endian integers.
void PushInt16(int16_t value);
int16_t PopInt16();
void PushInt32(int32_t value);
int32_t PopInt32();

}  // namespace forms
