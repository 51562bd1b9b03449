// Packed dates: the eight digits CCYYMMDD packed into four bytes. Packed
// dates compare byte by byte in calendar order; differences and weekdays are
// counted through the calendar, month by month and year by year, by the
// historical rules: the Julian leap rule before 1582, the Gregorian one from
// 1582 on, and Julian weekdays before 5 October 1582. Nothing here checks a
// date: a month or a day out of range is used arithmetically.
#pragma once

#include <cstdint>
#include <string>

namespace dates {

// A packed date's fields: year 0..9999, month and day 0..99.
struct DateParts {
  int32_t Year = 0;
  int32_t Month = 0;
  int32_t Day = 0;
};

// Reads the fields of a packed date. A text that is not four bytes is read
// as the number its digits make, at most the first eight.
DateParts SplitDate(const std::string& date);
// Packs the fields (each kept to its digits: year mod 10000, month and day
// mod 100).
std::string PackDate(int32_t year, int32_t month, int32_t day);

// The packed zero date: no date set.
std::string ZeroDate();

// Leap year by the historical rule: divisible by 4 before 1582; divisible
// by 4 and not by 100 unless by 400 from 1582 on.
bool IsLeapYear(int32_t year);

// Days of month m of year y: 31 30 31 30 31 30 31 31 30 31 30 31, February
// 28 or 29. Months outside 1..12 get the same formula's value.
int16_t MonthLength(int32_t month, int32_t year);

// The distance between two packed dates, in either order: unit "D" whole
// days, "M" calendar months, "A" completed years (the letter in either case).
// Any other unit gives 0; the result is never negative.
int32_t DateDiff(const std::string& first, const std::string& second, const std::string& unit);

// Day of the week, 1 = Monday ... 7 = Sunday.
int16_t DayOfWeek(const std::string& date);

}  // namespace dates
