// The line editor: one fixed-length field on the screen, edited until the
// operator presses a key of the exit-key set.
#include "entry/line_editor.h"

#include <algorithm>
#include <vector>

#include "console/console_state.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "entry/entry_state.h"
#include "platform/console.h"

namespace entry {

namespace {

using console::KeyBackspace;
using console::KeyClearField;
using console::KeyCopy;
using console::KeyCtrlHome;
using console::KeyCtrlLeft;
using console::KeyCtrlRight;
using console::KeyDel;
using console::KeyDown;
using console::KeyEnd;
using console::KeyEnter;
using console::KeyHome;
using console::KeyIns;
using console::KeyLeft;
using console::KeyPaste;
using console::KeyRight;
using console::KeyShiftTab;
using console::KeyTab;
using console::KeyUp;

constexpr int kCursorInsert = 50;
constexpr int kCursorOverwrite = 100;  // a full cell; the console clamps it to 99

struct Choice {
  std::string Value;
  std::string Display;
};

// Entries "|" value "," display text. Text before the first bar is not an
// entry; an entry without a comma shows its value.
std::vector<Choice> ParseChoices(const std::string& list) {
  std::vector<Choice> choices;
  size_t bar = list.find('|');
  while (bar != std::string::npos) {
    size_t next = list.find('|', bar + 1);
    std::string item = list.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
    size_t comma = item.find(',');
    if (comma == std::string::npos)
      choices.push_back({item, item});
    else
      choices.push_back({item.substr(0, comma), item.substr(comma + 1)});
    bar = next;
  }
  return choices;
}

std::string PadOrCut(const std::string& text, size_t length) {
  std::string out = text.substr(0, std::min(text.size(), length));
  out.resize(length, ' ');
  return out;
}

bool IsSeparator(char ch) { return ch == ' ' || ch == ',' || ch == '.' || ch == ';' || ch == ':'; }

// Positions are 1-based; the text is never empty when these are called with
// pos inside it.
int WordLeft(const std::string& text, int pos) {
  for (int i = pos - 1; i >= 1; --i) {
    bool word = !IsSeparator(text[i - 1]);
    bool start = i == 1 || IsSeparator(text[i - 2]);
    if (word && start) return i;
  }
  return 1;
}

int WordRight(const std::string& text, int pos) {
  int length = static_cast<int>(text.size());
  for (int i = pos + 1; i <= length; ++i)
    if (!IsSeparator(text[i - 1]) && IsSeparator(text[i - 2])) return i;
  return length + 1;
}

// Removes control characters (0 to 31, 127, 255) and the blanks around.
std::string CleanPaste(const std::string& clip) {
  std::string out;
  for (char ch : clip) {
    uint8_t c = static_cast<uint8_t>(ch);
    if (c >= 32 && c != 127 && c != 255) out.push_back(ch);
  }
  size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  size_t last = out.find_last_not_of(' ');
  return out.substr(first, last - first + 1);
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Just after the text without its trailing blanks.
int EndPosition(const std::string& text) {
  size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? 1 : static_cast<int>(last) + 2;
}

int16_t ClickCode(int row, int column) { return static_cast<int16_t>(-(column * 100 + row)); }

// Waits for a key or a mouse button. The Insert key flips the insert mode
// here and the wait goes on.
void WaitForKey(bool showCursor, int16_t& key, int16_t& mouseRow, int16_t& mouseColumn) {
  platform::Console& screen = platform::ActiveConsole();
  for (;;) {
    int16_t button = 0;
    key = 0;
    mouseRow = 0;
    mouseColumn = 0;
    console::ReadKey(key, button, mouseRow, mouseColumn);
    if (button != 0) {
      key = ClickCode(mouseRow, mouseColumn);
      return;
    }
    if (key == KeyIns) {
      bool insert = !screen.InsertToggle();
      screen.SetInsertToggle(insert);
      if (showCursor) screen.SetCursor(insert ? kCursorInsert : kCursorOverwrite);
      continue;
    }
    if (key != 0) return;
    console::WaitForInput();
  }
}

}  // namespace

void EditLine(int16_t& row, int16_t& col, int16_t& width, std::string& text, int16_t& pos, int16_t& key) {
  platform::Console& screen = platform::ActiveConsole();
  const console::ConsoleState& cs = console::State();
  const int length = static_cast<int>(text.size());
  const int l1 = length + 1;

  // A position of 0 is the cursor's, taken relative to the innermost window
  // so that Locate puts the field back where the cursor stood.
  if (row == 0) row = static_cast<int16_t>(screen.CursorRow() - (cs.WindowDepth > 0 ? cs.WindowTop : 0));
  if (col == 0) col = static_cast<int16_t>(screen.CursorColumn() - (cs.WindowDepth > 0 ? cs.WindowLeft : 0));
  int p = std::clamp<int>(pos, 1, l1);
  // A width of 0 or less puts the whole text on one row. The arithmetic stays
  // in int: length + 1 does not fit 16 bits for a text of 32767 characters.
  const int w = width > 0 ? static_cast<int>(width) : l1;
  width = static_cast<int16_t>(std::min(w, 32767));
  const int16_t mask = cs.MaskChar;

  // With a choice list the field shows one entry between two arrows. A list
  // without any entry edits the text freely.
  const std::vector<Choice> choices = ParseChoices(State().ChoiceList);
  const bool choosing = !choices.empty();
  size_t current = 0;
  size_t shown = 0;  // the widest display text
  if (choosing) {
    auto exact =
        std::find_if(choices.begin(), choices.end(), [&](const Choice& c) { return c.Value == text; });
    if (exact == choices.end())
      exact = std::find_if(choices.begin(), choices.end(),
                           [&](const Choice& c) { return PadOrCut(c.Value, text.size()) == text; });
    current = exact == choices.end() ? 0 : static_cast<size_t>(exact - choices.begin());
    for (const Choice& c : choices) shown = std::max(shown, c.Display.size());
    console::Locate(row, static_cast<int16_t>(col - 1));
    screen.WriteText(std::string(1, static_cast<char>(console::LeftArrowChar)));
    console::Locate(row, static_cast<int16_t>(col + shown));
    screen.WriteText(std::string(1, static_cast<char>(console::RightArrowChar)));
  }

  console::SetStyle("u");
  const int firstRow = console::FirstRow() + row - 1;  // the field's absolute first cell
  const int firstColumn = console::FirstColumn() + col - 1;

  for (;;) {
    // Redraw the field.
    console::Locate(row, col);
    for (int k = 1; k <= length; k += w) {
      console::Locate(static_cast<int16_t>(row + (k - 1) / w), col);
      if (mask != 0) {
        screen.WriteText(std::string(static_cast<size_t>(std::max(w - 1, 0)), static_cast<char>(mask)));
      } else if (choosing) {
        text = PadOrCut(choices[current].Value, text.size());
        // The entry is shown once, on the field's first row.
        if (k == 1) screen.WriteText(PadOrCut(choices[current].Display, shown));
      } else {
        screen.WriteText(std::string_view(text).substr(static_cast<size_t>(k - 1), static_cast<size_t>(w)));
      }
    }
    if (choosing) text = PadOrCut(choices[current].Value, text.size());

    // The cursor: at pos, or just right of the last cell when the text fills
    // its last row exactly.
    int crow = row + (p - 1) / w;
    int ccol = col + (p - 1) % w;
    if (p == l1 && p > 1 && ccol == col) {
      crow -= 1;
      ccol = col + w;
    }
    bool insert = screen.InsertToggle();
    if (!choosing) {
      console::Locate(static_cast<int16_t>(crow), static_cast<int16_t>(ccol));
      screen.SetCursor(insert ? kCursorInsert : kCursorOverwrite);
    } else {
      screen.SetCursor(0);  // whatever the caller left showing
    }

    int16_t mouseRow = 0, mouseColumn = 0;
    WaitForKey(!choosing, key, mouseRow, mouseColumn);
    screen.SetCursor(0);
    insert = screen.InsertToggle();

    bool handled = false;
    if (key < 0) {
      // A click inside the field moves the cursor (or steps the choices) and
      // leaves key 0; a click elsewhere ends the entry with its code.
      const int r = mouseRow, c = mouseColumn;
      if (!choosing) {
        if (r >= firstRow && r < firstRow + l1 / w && c >= firstColumn && c < firstColumn + w) {
          p = w * (r - firstRow) + c - firstColumn + 1;
          key = 0;
        }
      } else if (r == firstRow && c >= firstColumn - 1 && c <= firstColumn + static_cast<int>(shown)) {
        if (c == firstColumn - 1)
          key = KeyLeft;
        else if (c == firstColumn + static_cast<int>(shown))
          key = KeyRight;
        else
          key = 0;
      }
    }

    const bool printable = (key >= (choosing ? 33 : 32) && key <= 126) || (key >= 128 && key <= 254);
    if (choosing) {
      handled = true;
      if (printable) {
        // The next entry whose display text starts with the typed letter,
        // compared without case or accents.
        State().FoldAccents = true;
        const std::string typed = UpperText(std::string(1, static_cast<char>(key)));
        for (size_t step = 1; step <= choices.size(); ++step) {
          size_t i = (current + step) % choices.size();
          const std::string& display = choices[i].Display;
          if (!display.empty() && UpperText(display.substr(0, 1)) == typed) {
            current = i;
            break;
          }
        }
        State().FoldAccents = false;
      } else if (key == KeyLeft) {
        current = current == 0 ? choices.size() - 1 : current - 1;
      } else if (key == KeyRight || key == ' ') {
        current = (current + 1) % choices.size();
      } else if (key == KeyEnd) {
        p = EndPosition(text);
      } else if (key == KeyHome) {
        p = 1;
      } else if (key == KeyCopy) {
        screen.SetClipboardText(choices[current].Display);
      } else if (key == KeyBackspace || key == KeyCtrlHome || key == KeyClearField || key == KeyDel ||
                 key == KeyPaste) {
        // Nothing to edit in a closed list.
      } else {
        handled = false;
      }
    } else {
      handled = true;
      if (printable) {
        const char ch = static_cast<char>(key);
        if (insert) {
          if (length > 0 && text.back() == ' ' && p < l1) {
            text.insert(static_cast<size_t>(p - 1), 1, ch);
            text.pop_back();
            ++p;
          }
        } else if (p < l1) {
          text[static_cast<size_t>(p - 1)] = ch;
          if (mask == 0) {
            console::Locate(static_cast<int16_t>(crow), static_cast<int16_t>(ccol));
            screen.WriteText(std::string(1, ch));
          }
          ++p;
        }
      } else if (key == KeyLeft) {
        p = std::max(p - 1, 1);
      } else if (key == KeyRight) {
        p = std::min(p + 1, l1);
      } else if (key == KeyBackspace) {
        if (p > 1) {
          --p;
          text.erase(static_cast<size_t>(p - 1), 1);
          text.push_back(' ');
        }
      } else if (key == KeyEnd) {
        p = EndPosition(text);
      } else if (key == KeyHome) {
        p = 1;
      } else if (key == KeyCtrlHome || key == KeyClearField) {
        text.assign(text.size(), ' ');
        p = 1;
      } else if (key == KeyDel) {
        if (p < l1) {
          text.erase(static_cast<size_t>(p - 1), 1);
          text.push_back(' ');
        }
      } else if (key == KeyUp || key == KeyShiftTab) {
        if (p > w)
          p -= w;
        else
          handled = false;
      } else if (key == KeyDown) {
        if (p <= l1 - w)
          p += w;
        else
          handled = false;
      } else if (key == KeyCtrlLeft) {
        if (p > 1)
          p = WordLeft(text, p);
        else
          handled = false;
      } else if (key == KeyCtrlRight) {
        if (p < l1)
          p = WordRight(text, p);
        else
          handled = false;
      } else if (key == KeyCopy) {
        // A hidden entry never leaves the field through the clipboard.
        if (mask == 0) screen.SetClipboardText(Trim(text));
      } else if (key == KeyPaste) {
        const std::string paste = CleanPaste(screen.ClipboardText());
        for (size_t i = 0; i < paste.size() && static_cast<size_t>(p - 1) + i < text.size(); ++i)
          text[static_cast<size_t>(p - 1) + i] = paste[i];
      } else {
        handled = false;
      }
    }
    if (handled) continue;

    // Exit processing.
    int16_t result = 0;
    if (key == KeyShiftTab) {
      key = KeyUp;
    } else if (key == KeyTab) {
      key = KeyEnter;
    } else if (key == KeyEnter && console::FindExitKey(KeyEnd, result)) {
      key = KeyEnd;
    }
    if (key == console::KeyCtrlF4 || key == console::KeyAltF4) key = console::KeyEsc;
    if (!cs.ExitKeys.empty()) {
      if (console::FindExitKey(key, result))
        key = result;
      else if (key >= 0)
        continue;
    }
    break;
  }

  console::SetStyle("h");
  if (choosing) {
    console::Locate(row, static_cast<int16_t>(col - 1));
    screen.WriteBlanks(1);
    console::Locate(row, static_cast<int16_t>(col + shown));
    screen.WriteBlanks(1);
  }
  console::Locate(row, col);
  pos = static_cast<int16_t>(p);
}

}  // namespace entry
