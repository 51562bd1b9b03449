#include "dates/calendar_month.h"

#include "console/keyboard.h"
#include "dates/date_arith.h"
#include "numbers/packed_digits.h"

namespace dates {

int16_t GregorianMonthLength(int16_t month, int32_t year) {
  if (month != 2) return MonthLength(month, year);
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return leap ? 29 : 28;
}

CalendarYear BuildCalendarYear(int16_t year) {
  CalendarYear tables;
  tables.Year = year;
  for (int16_t m = 1; m <= 12; ++m) {
    tables.Lengths[m - 1] = GregorianMonthLength(m, year);
    for (int16_t d = 1; d <= 31; ++d) tables.Weekdays[m - 1][d - 1] = DayOfWeek(PackDate(year, m, d));
  }
  return tables;
}

int16_t QuarterStart(int16_t month) { return static_cast<int16_t>((month - 1) / 3 * 3 + 1); }

void DayCell(const CalendarYear& year, int16_t month, int16_t day, int16_t& row, int16_t& column) {
  const int16_t first = year.Weekdays[month - 1][0];
  row = static_cast<int16_t>(1 + (first + day - 2) / 7);
  column = static_cast<int16_t>(3 * year.Weekdays[month - 1][day - 1] - 2);
}

std::array<std::string, 6> MonthGrid(const CalendarYear& year, int16_t month) {
  std::array<std::string, 6> rows;
  rows.fill(std::string(kCalendarWidth, ' '));
  const int16_t length = year.Lengths[month - 1];
  for (int16_t d = 1; d <= length; ++d) {
    int16_t row = 0, column = 0;
    DayCell(year, month, d, row, column);
    if (row < 1 || row > 6) continue;  // only a day of a damaged table could fall outside
    rows[row - 1][column - 1] = d < 10 ? ' ' : static_cast<char>('0' + d / 10);
    rows[row - 1][column] = static_cast<char>('0' + d % 10);
  }
  return rows;
}

std::string WeekdayInitials(const std::string& languageCode) {
  if (languageCode == "SPA" || languageCode == "GLG") return " L  M  X  J  V  S  D";
  if (languageCode == "OCI") return "DL DT DC DJ DD DS DG";
  return "DL DT DC DJ DV DS DG";
}

bool IsUsableDay(const CalendarDay& day) {
  return day.Year >= 1 && day.Year <= 9999 && day.Month >= 1 && day.Month <= 12 && day.Day >= 1 &&
         day.Day <= GregorianMonthLength(day.Month, day.Year);
}

CalendarDay CalendarStart(const std::string& workDate, const CalendarDay& today) {
  if (workDate.size() >= 4) {
    auto number = [](const std::string& digits) {
      int value = 0;
      for (char c : digits) value = value * 10 + (c - '0');
      return static_cast<int16_t>(value);
    };
    const CalendarDay day{number(numbers::UnpackDigits(workDate.substr(0, 2))),
                          number(numbers::UnpackDigits(workDate.substr(2, 1))),
                          number(numbers::UnpackDigits(workDate.substr(3, 1)))};
    if (IsUsableDay(day)) return day;
  }
  return today;
}

namespace {

// Day moves: the day changes, then month and year follow in a fixed order.
// The quarter on screen is redrawn when the month leaves it.
CalendarAction MoveDay(CalendarDay& p, int16_t& q, int delta) {
  bool redraw = false;
  int day = p.Day + delta;
  int month = p.Month;
  int year = p.Year;
  if (day < 1) --month;
  if (month < q) {
    if (month < 1) {
      month = 12;
      --year;
    }
    redraw = true;
  }
  if (day < 1) day += GregorianMonthLength(static_cast<int16_t>(month), year);
  const int length = GregorianMonthLength(static_cast<int16_t>(month), year);
  if (day > length) {
    day -= length;
    ++month;
  }
  if (!redraw && month > q + 2) {
    if (month > 12) {
      month = 1;
      ++year;
    }
    redraw = true;
  }
  if (year < 1 || year > 9999) return CalendarAction::Ignored;
  p = {static_cast<int16_t>(year), static_cast<int16_t>(month), static_cast<int16_t>(day)};
  if (!redraw) return CalendarAction::Moved;
  q = QuarterStart(p.Month);
  return CalendarAction::Redraw;
}

CalendarAction MoveQuarter(CalendarDay& p, int16_t& q, int delta) {
  int month = p.Month + delta;
  int year = p.Year;
  if (month < 1) {
    month += 12;
    --year;
  } else if (month > 12) {
    month -= 12;
    ++year;
  }
  if (year < 1 || year > 9999) return CalendarAction::Ignored;
  const int16_t length = GregorianMonthLength(static_cast<int16_t>(month), year);
  p = {static_cast<int16_t>(year), static_cast<int16_t>(month), p.Day > length ? length : p.Day};
  q = QuarterStart(p.Month);
  return CalendarAction::Redraw;
}

// January and December have 31 days: the day always fits.
CalendarAction SetMonth(CalendarDay& p, int16_t& q, int16_t month) {
  p.Month = month;
  if (month >= q && month <= q + 2) return CalendarAction::Moved;
  q = QuarterStart(month);
  return CalendarAction::Redraw;
}

}  // namespace

CalendarAction ApplyCalendarKey(CalendarDay& day, int16_t& quarter, int16_t key) {
  switch (key) {
    case console::KeyRight:
      return MoveDay(day, quarter, 1);
    case console::KeyLeft:
      return MoveDay(day, quarter, -1);
    case console::KeyDown:
      return MoveDay(day, quarter, 7);
    case console::KeyUp:
      return MoveDay(day, quarter, -7);
    case console::KeyPgDn:
      return MoveQuarter(day, quarter, 3);
    case console::KeyPgUp:
      return MoveQuarter(day, quarter, -3);
    case console::KeyHome:
      return SetMonth(day, quarter, 1);
    case console::KeyEnd:
      return SetMonth(day, quarter, 12);
    case 'F':
    case 'f':
    case console::KeyAltF:
      return CalendarAction::Accept;
    case console::KeyEsc:
      return CalendarAction::Cancel;
    default:
      return CalendarAction::Ignored;
  }
}

}  // namespace dates
