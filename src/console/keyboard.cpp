#include "console/keyboard.h"

#include <functional>
#include <string>
#include <vector>

#include "console/console_state.h"
#include "platform/console.h"

namespace console {

namespace {

using platform::InputEvent;

// One console event as the keyboard routine sees it: a short byte string
// (1 byte a character, 2 bytes 0 and a scan code, 4 bytes 255 255 kind
// button for the mouse), or empty when nothing is pending.
std::string EventString(uint8_t a) { return std::string(1, static_cast<char>(a)); }
std::string EventString(uint8_t a, uint8_t b) {
  std::string s(2, '\0');
  s[0] = static_cast<char>(a);
  s[1] = static_cast<char>(b);
  return s;
}

bool IsLetterScan(uint8_t scan) {
  return (scan >= 0x10 && scan <= 0x19) || (scan >= 0x1E && scan <= 0x26) || (scan >= 0x2C && scan <= 0x32);
}

// Takes pending events until one translates to a string; releases and lone
// modifier presses are skipped. Records the modifiers and, for mouse events,
// the position.
std::string TakeEventString() {
  platform::Console& con = platform::ActiveConsole();
  ConsoleState& state = State();
  InputEvent event;
  while (con.PollEvent(event)) {
    switch (event.Type) {
      case InputEvent::Kind::KeyRelease:
      case InputEvent::Kind::ModifierPress:
        continue;
      case InputEvent::Kind::KeyPress:
        state.LastModifiers = event.Modifiers;
        if (event.Char != 0) {
          if ((event.Modifiers & platform::ModAnyAlt) && IsLetterScan(event.Scan))
            return EventString(0, event.Scan);
          return EventString(event.Char);
        }
        return EventString(0, event.Scan);
      case InputEvent::Kind::MouseMove:
        state.LastModifiers = event.Modifiers;
        state.MouseRow = event.Row;
        state.MouseColumn = event.Column;
        return EventString(255, 255) + EventString(1, 0);
      case InputEvent::Kind::MouseRelease:
        state.LastModifiers = event.Modifiers;
        state.MouseRow = event.Row;
        state.MouseColumn = event.Column;
        return EventString(255, 255) + EventString(8, event.Button);
    }
  }
  return std::string();
}

uint16_t FirstTwoBytes(const std::string& s) {
  uint16_t low = s.size() > 0 ? static_cast<uint8_t>(s[0]) : 0;
  uint16_t high = s.size() > 1 ? static_cast<uint8_t>(s[1]) : 0;
  return static_cast<uint16_t>(low | (high << 8));
}

// The digit a keypad key stands for while left Alt is held, or -1.
int KeypadDigit(uint16_t code) {
  switch (code) {
    case 0x5200:
      return 0;
    case 0x4F00:
      return 1;
    case 0x5000:
      return 2;
    case 0x5100:
      return 3;
    case 0x4B00:
      return 4;
    case 0x4C00:
      return 5;
    case 0x4D00:
      return 6;
    case 0x4700:
      return 7;
    case 0x4800:
      return 8;
    case 0x4900:
      return 9;
    default:
      return -1;
  }
}

// The event translation with keypad composition and the modifier remapping.
// Returns the event string; key is its code when the string is a key.
std::string TranslateNext(int16_t& key) {
  key = 0;
  std::string s = TakeEventString();
  if (s.empty()) return s;
  ConsoleState& state = State();
  // Left Alt with keypad digits composes a character code; the composition
  // ends at the next key press without left Alt, which it takes in.
  std::string digits;
  while (state.LastModifiers & platform::ModLeftAlt) {
    uint16_t c = FirstTwoBytes(s);
    int digit = KeypadDigit(c);
    if (digit >= 0) {
      digits.push_back(static_cast<char>('0' + digit));
    } else if (c != 0) {
      break;
    }
    s = TakeEventString();
    while (s.empty()) {
      WaitForInput();
      s = TakeEventString();
    }
  }
  if (!digits.empty()) {
    unsigned value = 0;
    for (char d : digits) value = (value * 10 + static_cast<unsigned>(d - '0')) % 256;
    s = EventString(static_cast<uint8_t>(value));
  }
  if (s.size() >= 4) return s;
  uint16_t code = FirstTwoBytes(s);
  if (code == static_cast<uint16_t>(KeyAltE)) code = KeyEuro;
  bool function = code >= static_cast<uint16_t>(KeyF1) && code <= static_cast<uint16_t>(KeyF10);
  uint16_t mods = state.LastModifiers;
  if (mods & platform::ModAnyAlt) {
    if (function) code = static_cast<uint16_t>(code + 0x2D00);
  } else if (mods & platform::ModAnyCtrl) {
    if (function)
      code = static_cast<uint16_t>(code + 0x2300);
    else if (code == static_cast<uint16_t>(KeyHome))
      code = KeyCtrlHome;
    else if (code == static_cast<uint16_t>(KeyRight))
      code = KeyCtrlRight;
    else if (code == static_cast<uint16_t>(KeyLeft))
      code = KeyCtrlLeft;
  } else if (mods & platform::ModShift) {
    if (function) code = static_cast<uint16_t>(code + 0x1900);
  }
  key = static_cast<int16_t>(code);
  return s;
}

// Runs a hot-key pop-up once, guarded by its flag, and queues its text.
// The exit-key set has one save slot, which the form or list that the pop-up
// interrupts may hold: the pop-up's own "+" would then save nothing and its
// "-" hand back the caller's older set. The caller's whole set, with its save
// slot and the mask, is therefore put back here when the pop-up ends.
void ServeHotKey(int16_t ConsoleState::*flag, std::function<std::string()> ConsoleState::*hook) {
  ConsoleState& state = State();
  if (state.*flag || !(state.*hook)) return;
  state.*flag = -1;
  const std::string keys = state.ExitKeys, results = state.ExitKeyResults;
  const std::string savedKeys = state.SavedExitKeys, savedResults = state.SavedExitKeyResults;
  const int16_t savedDepth = state.SavedExitKeyDepth, mask = state.MaskChar;
  // Copy the hook: the pop-up may replace the state's hooks while it runs.
  std::function<std::string()> popup = state.*hook;
  std::string text = popup();
  ConsoleState& after = State();
  after.ExitKeys = keys;
  after.ExitKeyResults = results;
  after.SavedExitKeys = savedKeys;
  after.SavedExitKeyResults = savedResults;
  after.SavedExitKeyDepth = savedDepth;
  after.MaskChar = mask;
  after.*flag = 0;
  after.TypeAhead = text;
}

// Item values of a key list: leading hexadecimal digits, 0 if none, cut to 16 bits.
uint16_t HexValue(std::string_view item) {
  size_t i = 0;
  while (i < item.size() && item[i] == ' ') ++i;
  uint32_t value = 0;
  for (; i < item.size(); ++i) {
    char c = item[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      break;
    value = ((value << 4) | static_cast<uint32_t>(digit)) & 0xFFFF;
  }
  return static_cast<uint16_t>(value);
}

struct KeyItem {
  uint16_t From = 0, To = 0;
};

std::vector<KeyItem> ParseKeyList(std::string_view list) {
  std::vector<KeyItem> items;
  size_t start = 0;
  while (start < list.size()) {
    size_t comma = list.find(',', start);
    std::string_view item =
        list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    KeyItem k;
    size_t eq = item.find('=');
    k.From = HexValue(item.substr(0, eq));
    k.To = eq == std::string_view::npos ? k.From : HexValue(item.substr(eq + 1));
    items.push_back(k);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return items;
}

void AppendCode(std::string& s, uint16_t code) {
  s.push_back(static_cast<char>(code & 0xFF));
  s.push_back(static_cast<char>(code >> 8));
}

uint16_t CodeAt(const std::string& s, size_t pos) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[pos]) | (static_cast<uint8_t>(s[pos + 1]) << 8));
}

}  // namespace

void WaitForInput() {
  platform::Console& con = platform::ActiveConsole();
  con.Flush();
  con.WaitInput(-1);
}

void ReadKey(int16_t& key, int16_t& button, int16_t& mouseRow, int16_t& mouseColumn) {
  ConsoleState& state = State();
  if (!state.TypeAhead.empty()) {
    key = static_cast<uint8_t>(state.TypeAhead.front());
    state.TypeAhead.erase(0, 1);
    return;
  }
  platform::Console& con = platform::ActiveConsole();
  if (state.MouseState == 0) {
    state.MouseState = con.HasMouse() ? 2 : 3;
  }
  if (state.MouseState == 2) {
    con.SetMouseReporting(true);
    state.MouseState = 1;
  }
  key = 0;
  button = 0;
  mouseRow = 0;
  mouseColumn = 0;
  std::string s = TranslateNext(key);
  if (state.MouseState == 1) {
    if (s.size() >= 4 && s[2] == 8) button = static_cast<uint8_t>(s[3]);
    mouseRow = state.MouseRow;
    mouseColumn = state.MouseColumn;
  }
  if (key == KeyAltX) {
    ServeHotKey(&ConsoleState::InCalculator, &ConsoleState::CalculatorPopup);
  } else if (key == KeyAltC) {
    ServeHotKey(&ConsoleState::InCalendar, &ConsoleState::CalendarPopup);
  }
  ConsoleState& after = State();
  if (after.MouseState == 1 && (key > 0 || button > 0)) {
    con.SetMouseReporting(false);
    after.MouseState = 2;
  }
}

int16_t ReadKey() {
  int16_t key = 0, button = 0, row = 0, column = 0;
  ReadKey(key, button, row, column);
  return key;
}

void WaitKey(int16_t& key) {
  for (;;) {
    int16_t button = 0, row = 0, column = 0;
    key = 0;
    ReadKey(key, button, row, column);
    if (button != 0) key = static_cast<int16_t>(static_cast<uint16_t>(column * 256 + button * 64 + row));
    if (key != 0) return;
    WaitForInput();
  }
}

int16_t WaitKey() {
  int16_t key = 0;
  WaitKey(key);
  return key;
}

int16_t ReadConsoleKey() {
  int16_t key = 0;
  TranslateNext(key);
  return key;
}

void FlushKeys() { platform::ActiveConsole().DiscardInput(); }

void SetKeySet(std::string_view commands, std::string_view keyList) {
  ConsoleState& state = State();
  for (char command : commands) {
    switch (command) {
      case 'a':
      case 'A':
        for (const KeyItem& item : ParseKeyList(keyList)) {
          AppendCode(state.ExitKeys, item.From);
          AppendCode(state.ExitKeyResults, item.To);
        }
        break;
      case 'd':
      case 'D':
        for (const KeyItem& item : ParseKeyList(keyList)) {
          for (size_t pos = 0; pos + 1 < state.ExitKeys.size(); pos += 2) {
            if (CodeAt(state.ExitKeys, pos) != item.From) continue;
            state.ExitKeys.erase(pos, 2);
            if (pos < state.ExitKeyResults.size()) state.ExitKeyResults.erase(pos, 2);
            break;
          }
        }
        break;
      case 'e':
      case 'E':
        state.ExitKeys.clear();
        state.ExitKeyResults.clear();
        break;
      case '+':
        if (state.SavedExitKeyDepth == 0) {
          state.SavedExitKeys = state.ExitKeys;
          state.SavedExitKeyResults = state.ExitKeyResults;
          state.SavedExitKeyDepth = 1;
        }
        break;
      case '-':
        if (state.SavedExitKeyDepth != 0) {
          state.ExitKeys = state.SavedExitKeys;
          state.ExitKeyResults = state.SavedExitKeyResults;
          state.SavedExitKeys.clear();
          state.SavedExitKeyResults.clear();
          state.SavedExitKeyDepth = 0;
        }
        break;
      case 'h':
      case 'H':
        state.MaskChar = 'X';
        break;
      case 'v':
      case 'V':
        state.MaskChar = 0;
        break;
      default:
        break;
    }
  }
}

bool FindExitKey(int16_t key, int16_t& result) {
  const ConsoleState& state = State();
  for (size_t pos = 0; pos + 1 < state.ExitKeys.size(); pos += 2) {
    if (CodeAt(state.ExitKeys, pos) != static_cast<uint16_t>(key)) continue;
    result =
        pos + 1 < state.ExitKeyResults.size() ? static_cast<int16_t>(CodeAt(state.ExitKeyResults, pos)) : key;
    return true;
  }
  return false;
}

}  // namespace console
