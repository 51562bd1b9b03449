#include "console/style.h"

#include <string>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "platform/console.h"

namespace console {

void SetStyle(std::string_view code) {
  if (IsAllChar(code, ' ')) return;
  bool push = false, pop = false, underline = false, reverse = false, normal = false;
  for (char c : code) {
    switch (c) {
      case '+':
        push = true;
        break;
      case '-':
        pop = true;
        break;
      case 'u':
      case 'U':
        underline = true;
        break;
      case 'r':
      case 'R':
        reverse = true;
        break;
      case 'n':
      case 'N':
        normal = true;
        break;
      default:
        break;
    }
  }
  ConsoleState& state = State();
  // The push comes first, so "+-" saves the current style and takes it back.
  if (push) state.StyleStack.push_back(static_cast<char>(state.CurrentStyle));
  int16_t style;
  if (pop) {
    style = StyleHighlight;
    if (!state.StyleStack.empty()) {
      style = static_cast<uint8_t>(state.StyleStack.back());
      state.StyleStack.pop_back();
    }
  } else if (underline) {
    style = StyleUnderline;
  } else {
    style = static_cast<int16_t>((reverse ? 2 : 0) + (normal ? 1 : 0));
  }
  if (style < 0 || style > 4) style = StyleHighlight;  // a byte the stack never holds
  const config::ColourPair& pair = config::SessionSettings().ColourPairs[style];
  // Negative numbers cannot be colours; the console keeps a plane for 16 or more.
  int foreground = pair.Foreground < 0 ? 16 : pair.Foreground;
  int background = pair.Background < 0 ? 16 : pair.Background;
  platform::ActiveConsole().SetColours(foreground, background);
  state.CurrentStyle = style;
}

void Locate(int16_t row, int16_t column) {
  const ConsoleState& state = State();
  int r = row, c = column;
  if (state.WindowDepth > 0) {
    r += state.WindowTop;
    c += state.WindowLeft;
  }
  // Outside the 16-bit range is outside the screen: the console keeps that coordinate.
  if (r < 0 || r > INT16_MAX) r = 0;
  if (c < 0 || c > INT16_MAX) c = 0;
  platform::ActiveConsole().MoveCursor(static_cast<int16_t>(r), static_cast<int16_t>(c));
}

bool IsAllChar(std::string_view text, char ch) {
  for (char c : text)
    if (c != ch) return false;
  return true;
}

int16_t ScreenWidth() { return platform::ActiveConsole().Width(); }
int16_t ScreenHeight() { return platform::ActiveConsole().Height(); }

}  // namespace console
