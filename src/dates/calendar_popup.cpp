#include "dates/calendar_popup.h"

#include <ctime>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "dates/date_arith.h"
#include "dates/date_text.h"
#include "entry/line_editor.h"
#include "platform/console.h"

namespace dates {

namespace {

constexpr int16_t kTop = 1, kLeft = 59, kBottom = 24, kRight = 80;
constexpr const char* kCalendarKeys = "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b";

void Write(std::string_view text) { platform::ActiveConsole().WriteText(text); }

std::string TwoDigits(int16_t day) {
  std::string text(2, ' ');
  if (day >= 10) text[0] = static_cast<char>('0' + day / 10);
  text[1] = static_cast<char>('0' + day % 10);
  return text;
}

// Title row of the i-th month of the quarter (relative to the window).
int16_t TitleRow(int i) { return static_cast<int16_t>(7 * i + 2); }

// The year in the top frame line, the weekday line and the three months of
// the quarter.
void DrawQuarter(const CalendarYear& year, int16_t quarter) {
  const int16_t inner = static_cast<int16_t>(console::LastColumn() - console::FirstColumn() + 1);
  console::SetStyle("n");
  console::Locate(0, static_cast<int16_t>((console::LastColumn() - console::FirstColumn() - 5) / 2 + 1));
  std::string digits = std::to_string(year.Year);
  Write(" " + std::string(4 - digits.size(), ' ') + digits + " ");
  console::Locate(1, 1);
  Write(WeekdayInitials(config::SessionSettings().LanguageCode));
  for (int i = 0; i < 3; ++i) {
    const int16_t month = static_cast<int16_t>(quarter + i);
    const int16_t row = TitleRow(i);
    console::SetStyle("n");
    console::Locate(row, 1);
    platform::ActiveConsole().WriteBlanks(inner);
    const std::string name = entry::UpperText(FormatDate(PackDate(year.Year, month, 1), 2, "m"));
    console::Locate(row, static_cast<int16_t>((inner - static_cast<int16_t>(name.size())) / 2 + 1));
    Write(name);
    console::SetStyle("h");
    const std::array<std::string, 6> grid = MonthGrid(year, month);
    // Cell by cell: the columns between the cells keep the window's colours.
    for (int16_t r = 0; r < 6; ++r) {
      for (int16_t c = 1; c < kCalendarWidth; c += 3) {
        console::Locate(static_cast<int16_t>(row + 1 + r), c);
        Write(std::string_view(grid[r]).substr(c - 1, 2));
      }
    }
  }
}

void WriteDay(const CalendarYear& year, int16_t quarter, const CalendarDay& day) {
  int16_t row = 0, column = 0;
  DayCell(year, day.Month, day.Day, row, column);
  console::Locate(static_cast<int16_t>(TitleRow(day.Month - quarter) + row), column);
  Write(TwoDigits(day.Day));
}

}  // namespace

CalendarDay Today() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {2000, 1, 1};
  return {static_cast<int16_t>(local->tm_year + 1900), static_cast<int16_t>(local->tm_mon + 1),
          static_cast<int16_t>(local->tm_mday)};
}

std::string CalendarPopup() {
  platform::Console& con = platform::ActiveConsole();
  console::SetKeySet("+ea", kCalendarKeys);
  console::SetStyle("+n");
  const int cursorSize = con.CursorSize();
  con.SetCursor(0);
  const int16_t depth = console::State().WindowDepth;
  console::PushWindow(kTop, kLeft, kBottom, kRight);
  const bool opened = console::State().WindowDepth != depth;

  std::string result;
  if (opened) {
    console::DrawFrame(console::FrameSingle);
    CalendarDay day = CalendarStart(config::SessionSettings().WorkDate, Today());
    int16_t quarter = QuarterStart(day.Month);
    CalendarYear year = BuildCalendarYear(day.Year);
    DrawQuarter(year, quarter);
    for (;;) {
      console::SetStyle("+u");
      WriteDay(year, quarter, day);
      const int16_t key = console::WaitKey();
      console::SetStyle("-");
      WriteDay(year, quarter, day);
      const CalendarAction action = ApplyCalendarKey(day, quarter, key);
      if (action == CalendarAction::Accept) {
        result = FormatDate(PackDate(day.Year, day.Month, day.Day), 0, "dma");
        break;
      }
      if (action == CalendarAction::Cancel) break;
      if (action == CalendarAction::Redraw) {
        if (year.Year != day.Year) year = BuildCalendarYear(day.Year);
        DrawQuarter(year, quarter);
      }
    }
    console::PopWindow();
  }
  con.SetCursor(cursorSize);
  console::SetStyle("-");
  console::SetKeySet("-", "");
  return result;
}

}  // namespace dates
