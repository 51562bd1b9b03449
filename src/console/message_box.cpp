#include "console/message_box.h"

#include <algorithm>

#include "console/console_state.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "console/wrap_text.h"
#include "platform/console.h"

namespace console {

namespace {
constexpr size_t kLineWidth = 76;

std::string Trimmed(std::string_view line) {
  size_t end = line.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1));
}
}  // namespace

void ShowMessage(int16_t row, std::string& text) {
  SetStyle("+rh");
  // Control bytes would take no column in the wrapping but one on the
  // screen, breaking the box: the box shows them as blanks.
  for (char& c : text)
    if (static_cast<uint8_t>(c) < 32) c = ' ';
  WrapText(text, 0, static_cast<int16_t>(kLineWidth), "i");
  const auto lines = static_cast<int>(text.size() / kLineWidth);
  int top = row - (lines + 1) / 2 - 2;
  if (top < 1) top = 1;
  int bottom = top + lines + 1;
  if (bottom > ScreenHeight()) {
    bottom = ScreenHeight();
    top = bottom - lines - 1;
  }
  if (top < 1) {
    SetStyle("-");
    return;
  }
  size_t longest = 0;
  for (int i = 0; i < lines; ++i)
    longest = std::max(longest, Trimmed(std::string_view(text).substr(i * kLineWidth, kLineWidth)).size());
  const int g = static_cast<int>(longest);
  const int left = 39 - (g + 1) / 2, right = g / 2 + 42;
  const int16_t depth = State().WindowDepth;
  PushWindow(static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
             static_cast<int16_t>(right));
  // A box that does not fit the screen's width is not drawn over the
  // enclosing window.
  if (State().WindowDepth == depth) {
    SetStyle("-");
    return;
  }
  DrawFrame(FrameSingle);
  for (int i = 0; i < lines; ++i) {
    Locate(static_cast<int16_t>(i + 1), 2);
    platform::ActiveConsole().WriteText(Trimmed(std::string_view(text).substr(i * kLineWidth, kLineWidth)));
  }
  SetStyle("-");
}

void ShowMessage(int16_t row, const std::string& text) {
  std::string copy = text;
  ShowMessage(row, copy);
}

}  // namespace console
