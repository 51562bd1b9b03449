#pragma once

#include <cstdint>

namespace platform {

// Scan code (set 1) of a letter key, either case, as a PC keyboard reports
// it; 0 for anything that is not a letter.
inline uint8_t LetterScan(uint8_t ch) {
  static const char* rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
  static const uint8_t starts[] = {0x10, 0x1E, 0x2C};
  uint8_t lower = (ch >= 'A' && ch <= 'Z') ? static_cast<uint8_t>(ch + 32) : ch;
  for (int r = 0; r < 3; ++r)
    for (int i = 0; rows[r][i]; ++i)
      if (rows[r][i] == lower) return static_cast<uint8_t>(starts[r] + i);
  return 0;
}

}  // namespace platform
