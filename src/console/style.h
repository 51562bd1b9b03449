// The screen model's positions and the style codes that every drawing
// routine uses to change colours.
#pragma once

#include <cstdint>
#include <string_view>

namespace console {

// Display style numbers; each takes one entry of the session's ColourPairs.
enum : int16_t {
  StyleHighlight = 0,
  StyleNormal = 1,
  StyleReverse = 2,
  StyleReverseNormal = 3,
  StyleUnderline = 4,
};

// Selects a display style by a code of letters and the marks "+" (save the
// current style first) and "-" (back to the last saved style), in any case:
// "n", "h", "r", "rh", "u", "+n", "+h", "+u", "+rh", "-". An empty or blank
// code changes nothing.
void SetStyle(std::string_view code);

// Moves the cursor relative to the innermost open window: (0, 0) is the
// window's top-left frame corner, (1, 1) its first interior cell. Absolute
// with no window open. A coordinate outside the screen leaves that
// coordinate of the cursor as it was.
void Locate(int16_t row, int16_t column);

// True when every character of text is ch (and for the empty text).
bool IsAllChar(std::string_view text, char ch);

// Size of the visible console window, asked of the console at every call.
int16_t ScreenWidth();
int16_t ScreenHeight();

}  // namespace console
