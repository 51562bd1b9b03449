#include "dates/date_arith.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "numbers/packed_digits.h"

namespace {

using dates::DateDiff;
using dates::DayOfWeek;
using dates::MonthLength;

std::string D(const char* digits) { return numbers::PackDigits(digits); }

// Independent references: the ISO weekday and day count of the proleptic
// Gregorian calendar from the standard library, and the Julian day number of
// a Julian calendar date.
int64_t GregorianDays(int y, int m, int d) {
  using namespace std::chrono;
  return sys_days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}}
      .time_since_epoch()
      .count();
}
int GregorianIsoWeekday(int y, int m, int d) {
  using namespace std::chrono;
  return static_cast<int>(
      weekday{sys_days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}}}
          .iso_encoding());
}
int64_t JulianDayNumber(int y, int m, int d) {
  const int a = (14 - m) / 12;
  const int64_t yy = int64_t{y} + 4800 - a;
  const int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - 32083;
}
int JulianIsoWeekday(int y, int m, int d) { return static_cast<int>(JulianDayNumber(y, m, d) % 7) + 1; }

bool IsJulianLeap(int y) { return y % 4 == 0; }
bool IsGregorianLeap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }
int TrueMonthLength(int m, int y, bool julian) {
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2) return 28 + ((julian ? IsJulianLeap(y) : IsGregorianLeap(y)) ? 1 : 0);
  return lengths[m - 1];
}

TEST(MonthLength, MonthsAndLeapYearsByTheHistoricalRule) {
  const int16_t lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(MonthLength(m, 2001), lengths[m - 1]) << "month " << m;
  struct Case {
    int year;
    int16_t february;
  } const februaries[] = {
      {2000, 29}, {2001, 28}, {2004, 29}, {1900, 28}, {2100, 28}, {2400, 29},
      {1700, 28},                                      // Gregorian rule from 1582 on
      {1600, 29}, {1582, 28}, {1584, 29}, {1500, 29},  // Julian rule before 1582: every fourth year
      {1300, 29}, {1580, 29}, {1581, 28}, {4, 29},    {0, 29},    {9999, 28},
  };
  for (const auto& c : februaries) EXPECT_EQ(MonthLength(2, c.year), c.february) << "year " << c.year;
}

TEST(MonthLength, MonthsOutOfRangeUseTheFormula) {
  EXPECT_EQ(MonthLength(0, 2001), 30);
  EXPECT_EQ(MonthLength(13, 2001), 30);
  EXPECT_EQ(MonthLength(99, 2001), 30);
  EXPECT_EQ(MonthLength(-1, 2001), 31);
}

TEST(DateDiff, Table) {
  struct Case {
    const char* first;
    const char* second;
    const char* unit;
    int32_t result;
  } const cases[] = {
      {"20000101", "20010101", "D", 366},
      {"20010101", "20000101", "D", 366},
      {"15821004", "15821015", "D", 11},  // the ten dropped days are not removed
      {"20010305", "20000229", "D", 370},
      {"20000229", "20010305", "D", 370},
      {"15000228", "15000301", "D", 2},  // 1500 is a Julian leap year
      {"17000228", "17000301", "D", 1},
      {"20010305", "20010305", "D", 0},
      {"20010305", "20010305", "M", 0},
      {"20010305", "20010305", "A", 0},
      {"20010101", "20011231", "D", 364},
      {"19991231", "20000101", "D", 1},
      {"00000101", "99991231", "D", 3652436},  // whole range stays in 32 bits
      {"20010131", "20010201", "M", 1},        // days play no part
      {"20010201", "20010131", "M", 1},
      {"19991231", "20010101", "M", 13},
      {"20000229", "20010228", "A", 0},
      {"20000229", "20010301", "A", 1},
      {"20010301", "20000229", "A", 1},
      {"19500615", "20010614", "A", 50},
      {"19500615", "20010615", "A", 51},
      {"20010305", "20000229", "d", 370},
      {"20000229", "20010301", "a", 1},
      {"19991231", "20010101", "m", 13},
      {"20010305", "20000229", "DD", 0},
      {"20010305", "20000229", "", 0},
      {"20010305", "20000229", "X", 0},
      {"20010305", "20000229", " D", 0},
      {"20010228", "20010231", "D", 3},  // a day beyond its month is counted on
      {"20010231", "20010303", "D", 0},
      {"00000000", "20010305", "M", 24015},  // the zero date is just the lowest
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateDiff(D(c.first), D(c.second), c.unit), c.result)
        << c.first << " to " << c.second << " in \"" << c.unit << "\"";
  }
}

TEST(DateDiff, DaysMatchTheCalendarAcrossCenturies) {
  // Every 7th day of 1570..1610 against 1 January 1600 and 3 October 1582,
  // and a sweep over the Gregorian era against the standard calendar.
  const int anchors[][3] = {{1600, 1, 1}, {1582, 10, 3}, {1582, 10, 15}};
  for (const auto& a : anchors) {
    const bool anchorJulian = a[0] < 1582 || (a[0] == 1582 && (a[1] < 10 || (a[1] == 10 && a[2] <= 4)));
    const std::string anchor = dates::PackDate(a[0], a[1], a[2]);
    int step = 0;
    for (int y = 1570; y <= 1610; ++y) {
      for (int m = 1; m <= 12; ++m) {
        const bool julian = y < 1582;
        for (int d = 1; d <= TrueMonthLength(m, y, julian); ++d) {
          if (++step % 7) continue;
          if (y == 1582 && m == 10 && d > 4 && d < 15) continue;
          const bool dateJulian = y < 1582 || (y == 1582 && (m < 10 || (m == 10 && d <= 4)));
          // Counting runs on without the ten dropped days: a Julian-era date
          // sits ten days earlier than its Julian day number says.
          const int64_t dateSerial =
              dateJulian ? JulianDayNumber(y, m, d) - 10 : GregorianDays(y, m, d) + 2440588;
          const int64_t anchorSerial = anchorJulian ? JulianDayNumber(a[0], a[1], a[2]) - 10
                                                    : GregorianDays(a[0], a[1], a[2]) + 2440588;
          const int64_t expected =
              dateSerial > anchorSerial ? dateSerial - anchorSerial : anchorSerial - dateSerial;
          ASSERT_EQ(DateDiff(dates::PackDate(y, m, d), anchor, "D"), expected) << y << "-" << m << "-" << d;
        }
      }
    }
  }
  for (int y = 1583; y <= 2400; y += 3) {
    for (int m = 1; m <= 12; m += 5) {
      const int64_t expected = GregorianDays(2001, 3, 5) - GregorianDays(y, m, 28);
      ASSERT_EQ(DateDiff(dates::PackDate(y, m, 28), D("20010305"), "D"), expected < 0 ? -expected : expected)
          << y << "-" << m;
    }
  }
}

TEST(DayOfWeek, Table) {
  struct Case {
    const char* date;
    int16_t weekday;
  } const cases[] = {
      {"20010101", 1}, {"20000101", 6}, {"15821004", 4},
      {"15821015", 5}, {"15821005", 2},                   // skipped by the reform: Gregorian weekday
      {"15821014", 4}, {"20010305", 1}, {"20010231", 6},  // 31 February is 3 March
      {"20261211", 5}, {"00010101", 6},                   // 1 January of year 1 (Julian) was a Saturday
  };
  for (const auto& c : cases) EXPECT_EQ(DayOfWeek(D(c.date)), c.weekday) << c.date;
}

TEST(DayOfWeek, GregorianFromTheReformOnAndJulianBefore) {
  // Every day around the reform and the present, every 11th day elsewhere.
  int step = 0;
  for (int y = 1; y <= 9999; ++y) {
    const bool everyDay = (y >= 1570 && y <= 1610) || (y >= 1890 && y <= 2110);
    for (int m = 1; m <= 12; ++m) {
      const bool julian = y < 1582 || (y == 1582 && m < 10);
      for (int d = 1; d <= TrueMonthLength(m, y, y < 1582); ++d) {
        if (!everyDay && ++step % 11) continue;
        const bool beforeReform = julian || (y == 1582 && m == 10 && d < 5);
        const int expected = beforeReform ? JulianIsoWeekday(y, m, d) : GregorianIsoWeekday(y, m, d);
        ASSERT_EQ(DayOfWeek(dates::PackDate(y, m, d)), expected) << y << "-" << m << "-" << d;
      }
    }
  }
}

TEST(DayOfWeek, YearZeroFollowsItsLeapDay) {
  // 1 January of year 1 is a Saturday and year 0 is a leap year, so its
  // 1 January is a Thursday and its 31 December a Friday.
  EXPECT_EQ(DayOfWeek(D("00000101")), 4);
  EXPECT_EQ(DayOfWeek(D("00001231")), 5);
}

TEST(DateArith, DamagedDatesNeverCrashOrGoNegative) {
  const std::string damaged[] = {"",
                                 "\x94",
                                 "\x94\x81",
                                 std::string(4, '\0'),
                                 std::string(4, '\xFF'),
                                 "\x94\x81\x83\x85\x99\x99",
                                 "\xE3\xE3\xE3\xE3",
                                 "abcd"};
  for (const auto& a : damaged) {
    for (const auto& b : damaged) {
      for (const char* unit : {"D", "M", "A"}) EXPECT_GE(DateDiff(a, b, unit), 0);
    }
    const int16_t w = DayOfWeek(a);
    EXPECT_GE(w, 1);
    EXPECT_LE(w, 7);
  }
  // Only the first four bytes are read.
  EXPECT_EQ(DateDiff("\x94\x81\x83\x85\x99\x99", D("20010305"), "D"), 0);
  // A day beyond its month before the next 1st cannot give a negative count.
  EXPECT_EQ(DateDiff(D("20011299"), D("20020100"), "D"), 0);
  EXPECT_EQ(DateDiff(D("20019901"), D("20020101"), "M"), 0);
}

TEST(PackedDate, SplitAndPack) {
  const auto parts = dates::SplitDate(D("20010305"));
  EXPECT_EQ(parts.Year, 2001);
  EXPECT_EQ(parts.Month, 3);
  EXPECT_EQ(parts.Day, 5);
  EXPECT_EQ(dates::PackDate(2001, 3, 5), std::string("\x94\x81\x83\x85"));
  EXPECT_EQ(dates::ZeroDate(), D("00000000"));
  EXPECT_EQ(dates::PackDate(12001, 103, -1), D("20010399"));
}

}  // namespace
