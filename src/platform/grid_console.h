// A console whose output side is a cell grid in memory. The memory console and
// the terminal console both draw through it; the terminal then sends the
// grid's changes to the device.
#pragma once

#include <vector>

#include "console.h"

namespace platform {

class GridConsole : public Console {
 public:
  explicit GridConsole(int16_t width = 80, int16_t height = 25);

  int16_t Width() const override { return width_; }
  int16_t Height() const override { return height_; }
  void MoveCursor(int16_t row, int16_t column) override;
  int16_t CursorRow() const override { return row_; }
  int16_t CursorColumn() const override { return column_; }
  void WriteText(std::string_view cp850) override;
  void WriteBlanks(int n) override;
  void NewLine() override;
  void SetColours(int foreground, int background) override;
  int Foreground() const override { return foreground_; }
  int Background() const override { return background_; }
  Cell ReadCell(int16_t row, int16_t column) const override;
  void ScrollRect(const Rect& rect, int n) override;
  void SetCursor(int size) override;
  int CursorSize() const override { return cursorSize_; }
  void ClearScreen() override;
  void Beep() override { ++beeps_; }

  bool InsertToggle() const override { return insert_; }
  void SetInsertToggle(bool on) override { insert_ = on; }
  std::string ClipboardText() const override { return clipboard_; }
  void SetClipboardText(std::string_view cp850) override { clipboard_ = std::string(cp850); }

  // Test and renderer access.
  const std::vector<Cell>& Cells() const { return cells_; }
  int Beeps() const { return beeps_; }
  uint8_t CurrentAttr() const { return static_cast<uint8_t>(foreground_ + 16 * background_); }
  // Row of text (code page 850 bytes), 1-based, without attributes.
  std::string RowText(int16_t row) const;
  // The whole screen as UTF-8 lines, for failure messages.
  std::string Dump() const;

 protected:
  Cell& At(int16_t row, int16_t column) { return cells_[(row - 1) * width_ + (column - 1)]; }
  void PutChar(uint8_t ch);
  void ScrollUpWhole();

  int16_t width_, height_;
  std::vector<Cell> cells_;
  int16_t row_ = 1, column_ = 1;
  int foreground_ = 7, background_ = 0;
  int cursorSize_ = 25;
  // Set when a write filled the last row: the next write scrolls first,
  // unless the cursor is moved in between.
  bool pendingScroll_ = false;
  bool insert_ = true;
  std::string clipboard_;
  int beeps_ = 0;
};

}  // namespace platform
