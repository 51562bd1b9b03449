// A small terminal emulator for tests: it reads what a program sends to an
// xterm-like terminal and keeps the screen as cells with characters and
// colours, the cursor, and the modes that matter here (alternate screen,
// cursor visibility and shape, mouse reporting, bracketed paste).
//
// Colours are kept in the console's order (0 black, 1 blue, 2 green, 3 cyan,
// 4 red, 5 magenta, 6 brown, 7 grey, 8-15 bright); -1 is the terminal's
// default colour. Header-only, so that unit tests and end-to-end tests can
// both use it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp850.h"

namespace e2e {

class VtScreen {
 public:
  struct Cell {
    char32_t Ch = U' ';
    int Fg = -1;
    int Bg = -1;
    bool Bold = false;
    bool operator==(const Cell&) const = default;
  };

  explicit VtScreen(int columns = 80, int rows = 25) { Resize(columns, rows); }

  void Resize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    auto fit = [&](std::vector<Cell>& cells) {
      std::vector<Cell> fresh(static_cast<size_t>(columns * rows));
      cells.swap(fresh);
    };
    fit(main_);
    fit(alt_);
    row_ = std::min(row_, rows_);
    column_ = std::min(column_, columns_);
    wrapPending_ = false;
  }

  void Feed(std::string_view bytes) {
    for (char c : bytes) Byte(static_cast<unsigned char>(c));
  }

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  const Cell& At(int row, int column) const { return Screen()[Index(row, column)]; }
  // The console attribute byte of a cell (foreground + 16 x background);
  // default colours count as grey on black, bold as bright when asked.
  uint8_t Attr(int row, int column, bool boldIsBright = false) const {
    const Cell& c = At(row, column);
    int fg = c.Fg < 0 ? 7 : c.Fg, bg = c.Bg < 0 ? 0 : c.Bg;
    if (boldIsBright && c.Bold && fg < 8) fg += 8;
    return static_cast<uint8_t>(fg + 16 * bg);
  }
  // A row's characters as UTF-8.
  std::string RowText(int row) const {
    std::string out;
    for (int c = 1; c <= columns_; ++c) AppendUtf8(out, At(row, c).Ch);
    return out;
  }
  std::string Text() const {
    std::string out;
    for (int r = 1; r <= rows_; ++r) out += RowText(r) + "\n";
    return out;
  }
  bool Contains(std::string_view utf8) const {
    for (int r = 1; r <= rows_; ++r)
      if (RowText(r).find(utf8) != std::string::npos) return true;
    return false;
  }

  int CursorRow() const { return row_; }
  int CursorColumn() const { return column_; }
  bool CursorVisible() const { return cursorVisible_; }
  int CursorShape() const { return cursorShape_; }
  bool AlternateScreen() const { return alternate_; }
  bool MouseReporting() const { return mouse_; }
  bool BracketedPaste() const { return paste_; }
  int Bells() const { return bells_; }
  // Characters printed and cells erased so far: what a renderer sent.
  int Printed() const { return printed_; }
  int Erased() const { return erased_; }
  // Sequences the emulator did not understand, for failure messages.
  const std::vector<std::string>& Unknown() const { return unknown_; }

  static void AppendUtf8(std::string& out, char32_t cp) { platform::AppendUtf8(out, cp); }

 private:
  enum class State { Ground, Escape, Csi, EscapeIntermediate, Osc };

  std::vector<Cell>& Screen() { return alternate_ ? alt_ : main_; }
  const std::vector<Cell>& Screen() const { return alternate_ ? alt_ : main_; }
  size_t Index(int row, int column) const {
    row = std::clamp(row, 1, rows_);
    column = std::clamp(column, 1, columns_);
    return static_cast<size_t>((row - 1) * columns_ + (column - 1));
  }
  Cell Blank() const {
    Cell c;
    c.Bg = bg_;
    c.Fg = fg_;
    c.Bold = bold_;
    return c;
  }

  void Byte(unsigned char b) {
    switch (state_) {
      case State::Ground:
        Ground(b);
        return;
      case State::Escape:
        if (b == '[') {
          state_ = State::Csi;
          seq_.clear();
        } else if (b == ']') {
          state_ = State::Osc;
        } else if (b == '(' || b == ')' || b == '#' || b == ' ') {
          state_ = State::EscapeIntermediate;
        } else {
          if (b != '>' && b != '=' && b != '7' && b != '8') unknown_.push_back(std::string("ESC ") + char(b));
          state_ = State::Ground;
        }
        return;
      case State::EscapeIntermediate:
        state_ = State::Ground;
        return;
      case State::Osc:
        if (b == 7 || b == 0x1b) state_ = b == 0x1b ? State::Escape : State::Ground;
        return;
      case State::Csi:
        if (b >= 0x40 && b <= 0x7E) {
          Csi(static_cast<char>(b));
          state_ = State::Ground;
        } else if (b < 0x20) {
          Ground(b);
        } else {
          seq_.push_back(static_cast<char>(b));
        }
        return;
    }
  }

  void Ground(unsigned char b) {
    if (utf8Left_ > 0) {
      if ((b & 0xC0) == 0x80) {
        cp_ = (cp_ << 6) | (b & 0x3F);
        if (--utf8Left_ == 0) Print(cp_);
        return;
      }
      utf8Left_ = 0;
      Print(U'\uFFFD');
    }
    if (b == 0x1b) {
      state_ = State::Escape;
    } else if (b == '\r') {
      column_ = 1;
      wrapPending_ = false;
    } else if (b == '\n') {
      LineFeed();
    } else if (b == '\b') {
      if (column_ > 1) --column_;
      wrapPending_ = false;
    } else if (b == '\a') {
      ++bells_;
    } else if (b == '\t') {
      column_ = std::min(columns_, ((column_ - 1) / 8 + 1) * 8 + 1);
    } else if (b < 0x20) {
      // other controls: nothing
    } else if (b < 0x80) {
      Print(b);
    } else if ((b & 0xE0) == 0xC0) {
      cp_ = b & 0x1F;
      utf8Left_ = 1;
    } else if ((b & 0xF0) == 0xE0) {
      cp_ = b & 0x0F;
      utf8Left_ = 2;
    } else if ((b & 0xF8) == 0xF0) {
      cp_ = b & 0x07;
      utf8Left_ = 3;
    } else {
      Print(U'\uFFFD');
    }
  }

  void LineFeed() {
    wrapPending_ = false;
    if (row_ < rows_) {
      ++row_;
      return;
    }
    auto& s = Screen();
    std::move(s.begin() + columns_, s.end(), s.begin());
    std::fill(s.end() - columns_, s.end(), Blank());
  }

  void Print(char32_t cp) {
    ++printed_;
    if (wrapPending_) {
      column_ = 1;
      LineFeed();
    }
    Cell& c = Screen()[Index(row_, column_)];
    c.Ch = cp;
    c.Fg = fg_;
    c.Bg = bg_;
    c.Bold = bold_;
    if (column_ < columns_)
      ++column_;
    else
      wrapPending_ = true;
  }

  std::vector<int> Params(int defaultValue) const {
    std::vector<int> params;
    int value = -1;
    for (char ch : seq_) {
      if (ch >= '0' && ch <= '9') {
        value = (value < 0 ? 0 : value) * 10 + (ch - '0');
      } else if (ch == ';') {
        params.push_back(value < 0 ? defaultValue : value);
        value = -1;
      }
    }
    params.push_back(value < 0 ? defaultValue : value);
    return params;
  }

  static int ConsoleColour(int ansi) {
    static const int order[8] = {0, 4, 2, 6, 1, 5, 3, 7};  // ANSI to console
    return order[ansi & 7];
  }

  void Sgr() {
    std::vector<int> p = Params(0);
    for (int v : p) {
      if (v == 0) {
        fg_ = bg_ = -1;
        bold_ = false;
      } else if (v == 1) {
        bold_ = true;
      } else if (v == 22) {
        bold_ = false;
      } else if (v >= 30 && v <= 37) {
        fg_ = ConsoleColour(v - 30);
      } else if (v == 39) {
        fg_ = -1;
      } else if (v >= 40 && v <= 47) {
        bg_ = ConsoleColour(v - 40);
      } else if (v == 49) {
        bg_ = -1;
      } else if (v >= 90 && v <= 97) {
        fg_ = 8 + ConsoleColour(v - 90);
      } else if (v >= 100 && v <= 107) {
        bg_ = 8 + ConsoleColour(v - 100);
      } else {
        unknown_.push_back("SGR " + std::to_string(v));
      }
    }
  }

  void Mode(bool on) {
    for (int v : Params(0)) {
      if (v == 25)
        cursorVisible_ = on;
      else if (v == 1049) {
        if (on && !alternate_) {
          savedRow_ = row_;
          savedColumn_ = column_;
          std::fill(alt_.begin(), alt_.end(), Cell{});
        } else if (!on && alternate_) {
          row_ = savedRow_;
          column_ = savedColumn_;
        }
        alternate_ = on;
      } else if (v == 1000 || v == 1002 || v == 1003) {
        mouse_ = on;
      } else if (v == 2004) {
        paste_ = on;
      } else if (v != 1006 && v != 1 && v != 7 && v != 12) {
        unknown_.push_back("mode " + std::to_string(v));
      }
    }
  }

  void Erase(int from, int to) {  // inclusive indices of the current screen
    auto& s = Screen();
    for (int i = from; i <= to; ++i) s[static_cast<size_t>(i)] = Blank();
  }

  void Csi(char final) {
    bool priv = !seq_.empty() && seq_[0] == '?';
    bool space = !seq_.empty() && seq_.back() == ' ';
    std::vector<int> p = Params(1);
    int n = std::max(1, p[0]);
    if (final != 'm' && final != 'h' && final != 'l') wrapPending_ = false;
    switch (final) {
      case 'H':
      case 'f':
        row_ = std::clamp(p[0] ? p[0] : 1, 1, rows_);
        column_ = std::clamp(p.size() > 1 && p[1] ? p[1] : 1, 1, columns_);
        break;
      case 'A':
        row_ = std::max(1, row_ - n);
        break;
      case 'B':
        row_ = std::min(rows_, row_ + n);
        break;
      case 'C':
        column_ = std::min(columns_, column_ + n);
        break;
      case 'D':
        column_ = std::max(1, column_ - n);
        break;
      case 'G':
        column_ = std::clamp(n, 1, columns_);
        break;
      case 'd':
        row_ = std::clamp(n, 1, rows_);
        break;
      case 'J': {
        int mode = Params(0)[0];
        int here = static_cast<int>(Index(row_, column_));
        int last = rows_ * columns_ - 1;
        if (mode == 0)
          Erase(here, last);
        else if (mode == 1)
          Erase(0, here);
        else
          Erase(0, last);
        break;
      }
      case 'K': {
        int mode = Params(0)[0];
        int start = static_cast<int>(Index(row_, 1)), here = static_cast<int>(Index(row_, column_));
        int end = start + columns_ - 1;
        if (mode == 0)
          Erase(here, end);
        else if (mode == 1)
          Erase(start, here);
        else
          Erase(start, end);
        break;
      }
      case 'X': {
        int here = static_cast<int>(Index(row_, column_));
        int end = static_cast<int>(Index(row_, columns_));
        Erase(here, std::min(end, here + n - 1));
        erased_ += std::min(end, here + n - 1) - here + 1;
        break;
      }
      case 'm':
        if (!priv) Sgr();
        break;
      case 'h':
      case 'l':
        if (priv) Mode(final == 'h');
        break;
      case 'q':
        if (space) cursorShape_ = Params(0)[0];
        break;
      case 't':
        break;  // window operations
      default:
        unknown_.push_back("CSI " + seq_ + final);
    }
  }

  int columns_ = 80, rows_ = 25;
  std::vector<Cell> main_, alt_;
  bool alternate_ = false;
  int row_ = 1, column_ = 1, savedRow_ = 1, savedColumn_ = 1;
  bool wrapPending_ = false;
  int fg_ = -1, bg_ = -1;
  bool bold_ = false;
  bool cursorVisible_ = true;
  int cursorShape_ = 0;
  bool mouse_ = false, paste_ = false;
  int bells_ = 0;
  int printed_ = 0, erased_ = 0;
  State state_ = State::Ground;
  std::string seq_;
  char32_t cp_ = 0;
  int utf8Left_ = 0;
  std::vector<std::string> unknown_;
};

}  // namespace e2e
