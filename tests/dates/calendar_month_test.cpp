#include "dates/calendar_month.h"

#include <gtest/gtest.h>

#include <string>

#include "console/keyboard.h"
#include "dates/date_arith.h"

namespace {

using dates::CalendarAction;
using dates::CalendarDay;

const char* Name(CalendarAction action) {
  switch (action) {
    case CalendarAction::Ignored:
      return "ignored";
    case CalendarAction::Moved:
      return "moved";
    case CalendarAction::Redraw:
      return "redraw";
    case CalendarAction::Accept:
      return "accept";
    case CalendarAction::Cancel:
      return "cancel";
  }
  return "?";
}

std::string Text(const CalendarDay& d) {
  return std::to_string(d.Year) + "-" + std::to_string(d.Month) + "-" + std::to_string(d.Day);
}

struct MoveCase {
  CalendarDay from;
  int16_t key;
  CalendarDay to;
  CalendarAction action;
  int16_t quarter;  // first month on screen afterwards
};

TEST(CalendarMoves, KeysMoveTheDayAndRedrawWhenTheQuarterChanges) {
  using namespace console;
  const MoveCase cases[] = {
      {{2001, 12, 31}, KeyRight, {2002, 1, 1}, CalendarAction::Redraw, 1},
      {{2002, 1, 1}, KeyLeft, {2001, 12, 31}, CalendarAction::Redraw, 10},
      {{2001, 3, 3}, KeyUp, {2001, 2, 24}, CalendarAction::Moved, 1},
      {{2001, 3, 28}, KeyDown, {2001, 4, 4}, CalendarAction::Redraw, 4},
      {{2001, 4, 1}, KeyLeft, {2001, 3, 31}, CalendarAction::Redraw, 1},
      {{2001, 4, 3}, KeyUp, {2001, 3, 27}, CalendarAction::Redraw, 1},
      {{2001, 6, 30}, KeyRight, {2001, 7, 1}, CalendarAction::Redraw, 7},
      {{2001, 4, 30}, KeyRight, {2001, 5, 1}, CalendarAction::Moved, 4},
      {{2001, 5, 1}, KeyLeft, {2001, 4, 30}, CalendarAction::Moved, 4},
      {{2001, 12, 29}, KeyDown, {2002, 1, 5}, CalendarAction::Redraw, 1},
      {{2002, 1, 3}, KeyUp, {2001, 12, 27}, CalendarAction::Redraw, 10},
      {{2001, 1, 31}, KeyPgDn, {2001, 4, 30}, CalendarAction::Redraw, 4},
      {{2000, 11, 29}, KeyPgDn, {2001, 2, 28}, CalendarAction::Redraw, 1},
      {{2001, 2, 15}, KeyPgUp, {2000, 11, 15}, CalendarAction::Redraw, 10},
      {{2000, 5, 31}, KeyPgUp, {2000, 2, 29}, CalendarAction::Redraw, 1},
      {{2001, 8, 15}, KeyHome, {2001, 1, 15}, CalendarAction::Redraw, 1},
      {{2001, 8, 15}, KeyEnd, {2001, 12, 15}, CalendarAction::Redraw, 10},
      {{2001, 2, 15}, KeyHome, {2001, 1, 15}, CalendarAction::Moved, 1},
      {{2001, 11, 30}, KeyEnd, {2001, 12, 30}, CalendarAction::Moved, 10},
      // February by the Gregorian rule in every year.
      {{2000, 2, 28}, KeyRight, {2000, 2, 29}, CalendarAction::Moved, 1},
      {{1900, 2, 28}, KeyRight, {1900, 3, 1}, CalendarAction::Moved, 1},
      {{1500, 2, 28}, KeyRight, {1500, 3, 1}, CalendarAction::Moved, 1},
      {{2004, 3, 1}, KeyLeft, {2004, 2, 29}, CalendarAction::Moved, 1},
      // Keys not in the table change nothing.
      {{2001, 3, 5}, KeyEnter, {2001, 3, 5}, CalendarAction::Ignored, 1},
      {{2001, 3, 5}, 'x', {2001, 3, 5}, CalendarAction::Ignored, 1},
      {{2001, 3, 5}, KeyIns, {2001, 3, 5}, CalendarAction::Ignored, 1},
      {{2001, 3, 5}, KeyCtrlHome, {2001, 3, 5}, CalendarAction::Ignored, 1},
      {{2001, 3, 5}, 'F', {2001, 3, 5}, CalendarAction::Accept, 1},
      {{2001, 3, 5}, 'f', {2001, 3, 5}, CalendarAction::Accept, 1},
      {{2001, 3, 5}, KeyAltF, {2001, 3, 5}, CalendarAction::Accept, 1},
      {{2001, 3, 5}, KeyEsc, {2001, 3, 5}, CalendarAction::Cancel, 1},
      // The calendar stays within the years 1 to 9999.
      {{9999, 12, 31}, KeyRight, {9999, 12, 31}, CalendarAction::Ignored, 10},
      {{9999, 11, 15}, KeyPgDn, {9999, 11, 15}, CalendarAction::Ignored, 10},
      {{1, 1, 1}, KeyLeft, {1, 1, 1}, CalendarAction::Ignored, 1},
      {{1, 2, 10}, KeyPgUp, {1, 2, 10}, CalendarAction::Ignored, 1},
  };
  for (const MoveCase& c : cases) {
    CalendarDay day = c.from;
    int16_t quarter = dates::QuarterStart(day.Month);
    const CalendarAction action = dates::ApplyCalendarKey(day, quarter, c.key);
    EXPECT_EQ(Text(day), Text(c.to)) << Text(c.from) << " key " << std::hex << c.key;
    EXPECT_STREQ(Name(action), Name(c.action)) << Text(c.from) << " key " << std::hex << c.key;
    EXPECT_EQ(quarter, c.quarter) << Text(c.from) << " key " << std::hex << c.key;
  }
}

TEST(CalendarMoves, MovesInsideTheQuarterOnScreenNeverRedraw) {
  CalendarDay day{2001, 2, 20};
  int16_t quarter = 1;
  const int16_t keys[] = {console::KeyDown, console::KeyDown, console::KeyUp, console::KeyRight,
                          console::KeyHome};
  for (int16_t key : keys) EXPECT_EQ(dates::ApplyCalendarKey(day, quarter, key), CalendarAction::Moved);
  EXPECT_EQ(Text(day), "2001-1-28");
  EXPECT_EQ(quarter, 1);
}

TEST(CalendarGrid, MonthsLaidOutFromMondayInSixRows) {
  // 1 March 2001 is a Thursday.
  const dates::CalendarYear y2001 = dates::BuildCalendarYear(2001);
  const std::array<std::string, 6> march = {
      "          1  2  3  4", " 5  6  7  8  9 10 11", "12 13 14 15 16 17 18",
      "19 20 21 22 23 24 25", "26 27 28 29 30 31   ", "                    ",
  };
  EXPECT_EQ(dates::MonthGrid(y2001, 3), march);
  // 1 December 2001 is a Saturday: the 31st needs the sixth row.
  const std::array<std::string, 6> december = {
      "                1  2", " 3  4  5  6  7  8  9", "10 11 12 13 14 15 16",
      "17 18 19 20 21 22 23", "24 25 26 27 28 29 30", "31                  ",
  };
  EXPECT_EQ(dates::MonthGrid(y2001, 12), december);
  // February 1500 has 28 days by the Gregorian rule while its weekdays are
  // Julian: the 1st is a Saturday.
  const dates::CalendarYear y1500 = dates::BuildCalendarYear(1500);
  EXPECT_EQ(y1500.Lengths[1], 28);
  const std::array<std::string, 6> february1500 = {
      "                1  2", " 3  4  5  6  7  8  9", "10 11 12 13 14 15 16",
      "17 18 19 20 21 22 23", "24 25 26 27 28      ", "                    ",
  };
  EXPECT_EQ(dates::MonthGrid(y1500, 2), february1500);
}

TEST(CalendarGrid, TablesHoldEveryMonthAndTheDaysBeyondIt) {
  const dates::CalendarYear y = dates::BuildCalendarYear(2001);
  const int16_t lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 0; m < 12; ++m) EXPECT_EQ(y.Lengths[m], lengths[m]) << "month " << m + 1;
  // 31 February 2001 counts on to the weekday of 3 March, a Saturday.
  EXPECT_EQ(y.Weekdays[1][30], 6);
  int16_t row = 0, column = 0;
  dates::DayCell(y, 3, 5, row, column);  // a Monday in the second row
  EXPECT_EQ(row, 2);
  EXPECT_EQ(column, 1);
  dates::DayCell(y, 3, 4, row, column);  // a Sunday in the first
  EXPECT_EQ(row, 1);
  EXPECT_EQ(column, 19);
}

TEST(CalendarStart, WorkDateWhenUsableElseToday) {
  const CalendarDay today{2026, 12, 11};
  struct Case {
    std::string workDate;
    CalendarDay start;
  } cases[] = {
      {dates::PackDate(2001, 3, 5), {2001, 3, 5}},
      {dates::PackDate(2000, 2, 29), {2000, 2, 29}},
      {"", today},
      {dates::ZeroDate(), today},
      {dates::PackDate(2001, 13, 5), today},
      {dates::PackDate(2001, 0, 5), today},
      {dates::PackDate(2001, 4, 31), today},
      {dates::PackDate(2001, 2, 29), today},
      {dates::PackDate(2001, 3, 0), today},
      {dates::PackDate(0, 3, 5), today},
      {std::string("\x94\x81\x83"), today},  // three bytes: no day
      {std::string("abcd"), today},          // not packed digits
  };
  for (const Case& c : cases) EXPECT_EQ(Text(dates::CalendarStart(c.workDate, today)), Text(c.start));
}

TEST(CalendarGrid, WeekdayInitialsByLanguage) {
  EXPECT_EQ(dates::WeekdayInitials("CAT"), "DL DT DC DJ DV DS DG");
  EXPECT_EQ(dates::WeekdayInitials("   "), "DL DT DC DJ DV DS DG");
  EXPECT_EQ(dates::WeekdayInitials("SPA"), " L  M  X  J  V  S  D");
  EXPECT_EQ(dates::WeekdayInitials("GLG"), " L  M  X  J  V  S  D");
  EXPECT_EQ(dates::WeekdayInitials("OCI"), "DL DT DC DJ DD DS DG");
}

}  // namespace
