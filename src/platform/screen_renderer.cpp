#include "screen_renderer.h"

#include "cp850.h"

namespace platform {

namespace {

// Console colour order (black, blue, green, cyan, red, magenta, brown, grey)
// to the ANSI order (black, red, green, yellow, blue, magenta, cyan, white).
constexpr int kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};

constexpr int kPastEdge = -1;  // the cursor stands after the last column

bool IsBlank(const Cell& c) { return c.Char == ' ' || c.Char == 0; }

void AppendNumber(std::string& out, int n) { out += std::to_string(n); }

std::string Csi(int n, char final) {
  std::string s = "\x1b[";
  if (n != 1) AppendNumber(s, n);
  s += final;
  return s;
}

std::string Cup(int row, int column) {
  std::string s = "\x1b[";
  if (row != 1 || column != 1) {
    AppendNumber(s, row);
    if (column != 1) {
      s += ';';
      AppendNumber(s, column);
    }
  }
  s += 'H';
  return s;
}

}  // namespace

ScreenRenderer::ScreenRenderer(const RendererOptions& options)
    : options_(options), front_(static_cast<size_t>(options.Width) * options.Height) {
  for (int b = 0; b < 256; ++b) glyphs_[b] = GlyphUtf8(static_cast<uint8_t>(b));
}

void ScreenRenderer::Invalidate() {
  frontKnown_ = false;
  row_ = column_ = 0;
  attr_ = -1;
  cursorVisible_ = -1;
  cursorShape_ = -1;
}

std::string ScreenRenderer::AttrSequence(uint8_t attr) const {
  int fg = attr & 15, bg = attr >> 4;
  std::string s = "\x1b[0;";
  if (options_.Colours >= 16) {
    AppendNumber(s, fg < 8 ? 30 + kAnsi[fg] : 90 + kAnsi[fg - 8]);
    s += ';';
    AppendNumber(s, bg < 8 ? 40 + kAnsi[bg] : 100 + kAnsi[bg - 8]);
  } else {
    if (fg >= 8) s += "1;";
    AppendNumber(s, 30 + kAnsi[fg & 7]);
    s += ';';
    AppendNumber(s, 40 + kAnsi[bg & 7]);
  }
  s += 'm';
  return s;
}

void ScreenRenderer::SetAttr(std::string& out, uint8_t attr) {
  if (attr_ == attr) return;
  if (attr_ < 0) {
    out += AttrSequence(attr);
    attr_ = attr;
    return;
  }
  int fg = attr & 15, bg = attr >> 4;
  int ofg = attr_ & 15, obg = attr_ >> 4;
  std::string params;
  auto add = [&](int n) {
    if (!params.empty()) params += ';';
    AppendNumber(params, n);
  };
  if (options_.Colours >= 16) {
    if (fg != ofg) add(fg < 8 ? 30 + kAnsi[fg] : 90 + kAnsi[fg - 8]);
    if (bg != obg) add(bg < 8 ? 40 + kAnsi[bg] : 100 + kAnsi[bg - 8]);
  } else {
    if ((fg >= 8) != (ofg >= 8)) add(fg >= 8 ? 1 : 22);
    if ((fg & 7) != (ofg & 7)) add(30 + kAnsi[fg & 7]);
    if ((bg & 7) != (obg & 7)) add(40 + kAnsi[bg & 7]);
  }
  if (!params.empty()) out += "\x1b[" + params + "m";
  attr_ = attr;
}

void ScreenRenderer::MoveTo(std::string& out, int row, int column, const std::vector<Cell>& cells) {
  (void)cells;
  if (row_ == row && column_ == column) return;
  std::string best = Cup(row, column);
  auto consider = [&](std::string s) {
    if (s.size() < best.size()) best = std::move(s);
  };
  if (row_ > 0 && column_ == kPastEdge) {
    // After the last column the terminal may hold a pending wrap; a carriage
    // return is the one relative move that is sure from there.
    std::string s = "\r";
    if (row > row_) s += row == row_ + 1 ? std::string("\n") : Csi(row - row_, 'B');
    if (row < row_) s += Csi(row_ - row, 'A');
    if (column > 1) s += Csi(column - 1, 'C');
    consider(s);
  } else if (row_ > 0 && column_ > 0) {
    if (row == row_) {
      if (column > column_) {
        consider(Csi(column - column_, 'C'));
        // Writing the cells in between again is often shorter than a move.
        if (frontKnown_) {
          std::string again;
          bool ok = true;
          for (int c = column_; c < column && ok; ++c) {
            const Cell& f = front_[(row - 1) * options_.Width + (c - 1)];
            if (f.Attr != attr_ || again.size() >= best.size()) ok = false;
            again += glyphs_[f.Char];
          }
          if (ok) consider(again);
        }
      } else {
        consider(Csi(column_ - column, 'D'));
        consider(column == 1 ? std::string("\r") : "\r" + Csi(column - 1, 'C'));
      }
    } else if (row > row_) {
      // Line feed moves down without scrolling: the logical screen lies
      // inside the window.
      std::string down = row == row_ + 1 ? std::string("\n") : Csi(row - row_, 'B');
      if (column == column_) consider(down);
      if (column == 1) consider("\r" + down);
    } else if (column == column_) {
      consider(Csi(row_ - row, 'A'));
    }
  }
  out += best;
  row_ = row;
  column_ = column;
}

std::string ScreenRenderer::Render(const std::vector<Cell>& cells, int cursorRow, int cursorColumn,
                                   int cursorSize) {
  std::string out;
  const int width = options_.Width, height = options_.Height;
  if (cells.size() != front_.size()) return out;
  bool changes = !frontKnown_ || cells != front_;
  if (!frontKnown_) {
    out += "\x1b[0m\x1b[H\x1b[2J";
    attr_ = -1;
    row_ = column_ = 1;
  }
  if (changes && cursorVisible_ != 0) {
    // Keep the cursor out of sight while it runs over the screen.
    out += "\x1b[?25l";
    cursorVisible_ = 0;
  }
  if (changes) {
    for (int r = 1; r <= height; ++r) {
      int c = 1;
      while (c <= width) {
        size_t i = static_cast<size_t>((r - 1) * width + (c - 1));
        const Cell& cell = cells[i];
        if (frontKnown_ && cell == front_[i]) {
          ++c;
          continue;
        }
        if (options_.EraseCharacters && IsBlank(cell)) {
          int n = 1;
          while (c + n <= width && IsBlank(cells[i + n]) && cells[i + n].Attr == cell.Attr) ++n;
          if (n >= 12) {
            MoveTo(out, r, c, cells);
            SetAttr(out, cell.Attr);
            out += "\x1b[";
            AppendNumber(out, n);
            out += 'X';
            for (int k = 0; k < n; ++k) front_[i + k] = cells[i + k];
            c += n;
            continue;
          }
        }
        MoveTo(out, r, c, cells);
        SetAttr(out, cell.Attr);
        out += glyphs_[cell.Char];
        front_[i] = cell;
        if (c == width)
          column_ = kPastEdge;
        else
          ++column_;
        ++c;
      }
    }
    frontKnown_ = true;
  }
  if (cursorSize == 0) {
    if (cursorVisible_ != 0) {
      out += "\x1b[?25l";
      cursorVisible_ = 0;
    }
  } else {
    MoveTo(out, cursorRow, cursorColumn, cells);
    int shape = cursorSize >= 75 ? 2 : cursorSize >= 35 ? 6 : 4;  // block, bar, underline
    if (options_.CursorShape && shape != cursorShape_) {
      out += "\x1b[";
      AppendNumber(out, shape);
      out += " q";
      cursorShape_ = shape;
    }
    if (cursorVisible_ != 1) {
      out += "\x1b[?25h";
      cursorVisible_ = 1;
    }
  }
  return out;
}

}  // namespace platform
