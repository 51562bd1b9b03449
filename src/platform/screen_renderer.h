// Turns the console's cell grid into the bytes that bring a terminal's
// screen up to date. It keeps the cells the terminal shows (the front
// buffer) and sends only the cells that differ from the grid, choosing the
// shortest cursor moves and colour changes. Pure: no device, bytes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console.h"

namespace platform {

struct RendererOptions {
  int16_t Width = 80;
  int16_t Height = 25;
  // 16: bright colours by SGR 90-97 and 100-107; 8: bright foreground as
  // bold, bright background as its base colour.
  int Colours = 16;
  // Erase runs of blanks with ECH (the terminal fills them with the current
  // background).
  bool EraseCharacters = true;
  // Cursor shape by DECSCUSR.
  bool CursorShape = true;
};

class ScreenRenderer {
 public:
  explicit ScreenRenderer(const RendererOptions& options = {});

  // The terminal's screen is unknown (first draw, after a resize or a
  // suspension): the next Render clears it and sends every cell.
  void Invalidate();

  // Bytes that make the terminal show cells (Width x Height, row by row)
  // with the cursor at (row, column), hidden when cursorSize is 0.
  std::string Render(const std::vector<Cell>& cells, int cursorRow, int cursorColumn, int cursorSize);

  // The SGR sequence that selects an attribute, from nothing known.
  std::string AttrSequence(uint8_t attr) const;

  const RendererOptions& Options() const { return options_; }

 private:
  void MoveTo(std::string& out, int row, int column, const std::vector<Cell>& cells);
  void SetAttr(std::string& out, uint8_t attr);

  RendererOptions options_;
  std::vector<Cell> front_;
  bool frontKnown_ = false;
  int row_ = 0, column_ = 0;  // where the terminal's cursor is; 0: unknown
  int attr_ = -1;             // the terminal's current attribute; -1: unknown
  int cursorVisible_ = -1;    // -1 unknown
  int cursorShape_ = -1;
  std::string glyphs_[256];
};

}  // namespace platform
