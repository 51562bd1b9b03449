#include "grid_console.h"

#include <algorithm>

#include "cp850.h"

namespace platform {

GridConsole::GridConsole(int16_t width, int16_t height)
    : width_(width), height_(height), cells_(static_cast<size_t>(width) * height) {}

void GridConsole::MoveCursor(int16_t row, int16_t column) {
  if (row >= 1 && row <= height_) row_ = row;
  if (column >= 1 && column <= width_) column_ = column;
  pendingScroll_ = false;
}

void GridConsole::ScrollUpWhole() {
  std::move(cells_.begin() + width_, cells_.end(), cells_.begin());
  Cell blank{' ', CurrentAttr()};
  std::fill(cells_.end() - width_, cells_.end(), blank);
}

void GridConsole::PutChar(uint8_t ch) {
  if (pendingScroll_) {
    ScrollUpWhole();
    pendingScroll_ = false;
    row_ = height_;
    column_ = 1;
  }
  At(row_, column_) = Cell{ch, CurrentAttr()};
  if (column_ < width_) {
    ++column_;
  } else if (row_ < height_) {
    ++row_;
    column_ = 1;
  } else {
    // The bottom-right cell was written: the cursor waits at column 1 of the
    // last row and the buffer scrolls only if writing goes on from there.
    column_ = 1;
    pendingScroll_ = true;
  }
}

void GridConsole::WriteText(std::string_view cp850) {
  for (char c : cp850) PutChar(static_cast<uint8_t>(c));
}

void GridConsole::WriteBlanks(int n) {
  for (int i = 0; i < n; ++i) PutChar(' ');
}

void GridConsole::NewLine() {
  if (pendingScroll_) {
    ScrollUpWhole();
    pendingScroll_ = false;
  }
  column_ = 1;
  if (row_ < height_) {
    ++row_;
  } else {
    ScrollUpWhole();
  }
}

void GridConsole::SetColours(int foreground, int background) {
  if (foreground >= 0 && foreground < 16) foreground_ = foreground;
  if (background >= 0 && background < 16) background_ = background;
}

Cell GridConsole::ReadCell(int16_t row, int16_t column) const {
  if (row < 1 || row > height_ || column < 1 || column > width_) return Cell{' ', 0x07};
  return cells_[(row - 1) * width_ + (column - 1)];
}

void GridConsole::ScrollRect(const Rect& r, int n) {
  int top = std::max<int>(r.Top, 1), left = std::max<int>(r.Left, 1);
  int bottom = std::min<int>(r.Bottom, height_), right = std::min<int>(r.Right, width_);
  if (top > bottom || left > right) return;
  int rows = bottom - top + 1;
  Cell blank{' ', CurrentAttr()};
  auto copyRow = [&](int to, int from) {
    for (int c = left; c <= right; ++c) At(to, c) = At(from, c);
  };
  auto blankRow = [&](int row) {
    for (int c = left; c <= right; ++c) At(row, c) = blank;
  };
  if (n == 0 || n >= rows || -n >= rows) {
    for (int row = top; row <= bottom; ++row) blankRow(row);
  } else if (n > 0) {
    for (int row = top; row <= bottom - n; ++row) copyRow(row, row + n);
    for (int row = bottom - n + 1; row <= bottom; ++row) blankRow(row);
  } else {
    int m = -n;
    for (int row = bottom; row >= top + m; --row) copyRow(row, row - m);
    for (int row = top; row < top + m; ++row) blankRow(row);
  }
}

void GridConsole::SetCursor(int size) { cursorSize_ = size == 0 ? 0 : std::clamp(size, 10, 99); }

void GridConsole::ClearScreen() { std::fill(cells_.begin(), cells_.end(), Cell{' ', CurrentAttr()}); }

std::string GridConsole::RowText(int16_t row) const {
  std::string text;
  if (row < 1 || row > height_) return text;
  for (int c = 1; c <= width_; ++c)
    text.push_back(static_cast<char>(cells_[(row - 1) * width_ + c - 1].Char));
  return text;
}

std::string GridConsole::Dump() const {
  std::string out;
  for (int16_t row = 1; row <= height_; ++row) {
    std::string line = RowText(row);
    std::string utf8;
    for (char c : line) utf8 += GlyphUtf8(static_cast<uint8_t>(c));
    out += utf8;
    out += '\n';
  }
  return out;
}

}  // namespace platform
