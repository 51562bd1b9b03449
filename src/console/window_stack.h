// Pop-up windows: the screen under each window is saved in the terminal's
// stack file when it opens and put back when it closes; frames, interior
// bounds, scrolling and the browse's header row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace console {

// Frame kinds for DrawFrame.
enum : int16_t {
  FrameBlank = 0,
  FrameSingle = 1,
  FrameDouble = 2,
};

// Path of the window stack file: TempDir + "WinPush.tmp".
std::string WindowStackPath();

// Saves the screen under the rectangle (absolute frame lines) and makes it
// the innermost window. A rectangle outside the screen is not pushed. Draws
// nothing; the cursor and colours stay as they are.
void PushWindow(int16_t top, int16_t left, int16_t bottom, int16_t right);

// Closes the innermost window: puts back the screen under it, the enclosing
// window's rectangle and the cursor position saved by the push. Without a
// stored frame it changes nothing. Afterwards the colours are those of the
// last restored cell; callers set their own again (as a rule with "-").
void PopWindow();

// Draws the innermost window's frame (FrameBlank, FrameSingle, FrameDouble;
// any other kind writes character 0 in every frame cell) in the current
// colours and blanks its interior. Nothing with no window open.
void DrawFrame(int16_t kind);

// Absolute bounds of the innermost window's interior: FirstRow and
// FirstColumn are 1 with no window open, LastColumn the screen width.
int16_t FirstRow();
int16_t FirstColumn();
int16_t LastColumn();

// Scrolls the rectangle of 0-based rows top..bottom and 0-based columns
// left..right: n > 0 moves the contents up n rows, n < 0 down -n rows; the
// rows uncovered are blank in the current colours.
void ScrollRegion(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t n);

// Writes a browse's header into the innermost window's top frame row, from
// the header's column first (1-based) for width columns: blanks continue the
// double frame line, underscores show as blanks. The corners show a left
// arrow when columns are hidden on the left and a right arrow when moreRight
// or the header continues past the last visible column.
void DrawHeaderRow(std::string_view header, int16_t first, int16_t width, bool moreRight);

// Cell bytes of the two arrows (the console shows bytes 1..31 as their OEM
// glyphs), so they survive a save and restore of the screen.
constexpr uint8_t LeftArrowChar = 17;   // U+25C4
constexpr uint8_t RightArrowChar = 16;  // U+25BA

}  // namespace console
