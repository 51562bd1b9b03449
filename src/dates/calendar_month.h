// The calendar pop-up's arithmetic, without the screen: the tables of the
// year on show, the day grid of a month, the start position and the moves of
// the highlight by key. Months have their Gregorian lengths in every year;
// weekdays follow DayOfWeek (Julian before 5 October 1582).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace dates {

// A position of the calendar: year 1..9999, month 1..12, day 1..length.
struct CalendarDay {
  int16_t Year = 0;
  int16_t Month = 0;
  int16_t Day = 0;
  bool operator==(const CalendarDay&) const = default;
};

// The tables of the year on screen: the length of months 1..12 and the
// weekday (1 Monday .. 7 Sunday) of days 1..31 of each month, days beyond the
// month's length included.
struct CalendarYear {
  int16_t Year = 0;
  std::array<int16_t, 12> Lengths{};
  std::array<std::array<int16_t, 31>, 12> Weekdays{};
};

// Month length with the Gregorian leap rule for every year.
int16_t GregorianMonthLength(int16_t month, int32_t year);

CalendarYear BuildCalendarYear(int16_t year);

// First month of the quarter that holds the month: 1, 4, 7 or 10.
int16_t QuarterStart(int16_t month);

// Width of the calendar's interior and of a grid row.
constexpr int16_t kCalendarWidth = 20;

// The six rows under a month's title, 20 columns each: every day as two
// characters right-aligned at column 3 x weekday - 2 of row 1 + (f + d - 2)
// div 7 (f the weekday of the 1st); the other cells blank.
std::array<std::string, 6> MonthGrid(const CalendarYear& year, int16_t month);

// Where a day of a month stands in its grid: row 1..6 under the title and
// the first of its two columns (1-based).
void DayCell(const CalendarYear& year, int16_t month, int16_t day, int16_t& row, int16_t& column);

// The weekday initials over the grid, by language code.
std::string WeekdayInitials(const std::string& languageCode);

// True for a year 1..9999 with a month 1..12 and a day within the month.
bool IsUsableDay(const CalendarDay& day);

// The position the calendar opens on: the working date (a packed date) when
// it names a usable day, else today.
CalendarDay CalendarStart(const std::string& workDate, const CalendarDay& today);

enum class CalendarAction {
  Ignored,  // nothing changed
  Moved,    // the highlight moved within the quarter on screen
  Redraw,   // the year or the quarter on screen changed
  Accept,   // F, f or Alt+F
  Cancel,   // Esc
};

// Acts on one key. quarter is the first month of the quarter on screen; it
// follows the position when the result is Redraw. A move that would leave
// the years 1..9999 is ignored.
CalendarAction ApplyCalendarKey(CalendarDay& day, int16_t& quarter, int16_t key);

}  // namespace dates
