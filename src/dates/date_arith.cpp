#include "dates/date_arith.h"

#include <algorithm>

#include "numbers/packed_digits.h"

namespace dates {

namespace {

// The date as the number its eight digits make.
int64_t DateNumber(const std::string& date) {
  const std::string digits = numbers::UnpackDigits(date.substr(0, 4));
  int64_t c = 0;
  for (char d : digits) c = c * 10 + (d - '0');
  return c;
}

DateParts PartsOf(int64_t c) {
  return {static_cast<int32_t>(c / 10000), static_cast<int32_t>(c / 100 % 100),
          static_cast<int32_t>(c % 100)};
}

int32_t FloorDiv(int32_t a, int32_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int32_t FloorMod(int32_t a, int32_t b) { return a - b * FloorDiv(a, b); }

}  // namespace

DateParts SplitDate(const std::string& date) { return PartsOf(DateNumber(date)); }

std::string PackDate(int32_t year, int32_t month, int32_t day) {
  const int64_t c = int64_t{FloorMod(year, 10000)} * 10000 + FloorMod(month, 100) * 100 + FloorMod(day, 100);
  return numbers::PackDigits(numbers::ZeroPad(static_cast<double>(c), 8));
}

std::string ZeroDate() { return std::string(4, static_cast<char>(0x80)); }

bool IsLeapYear(int32_t year) {
  if (year < 1582) return year % 4 == 0;
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int16_t MonthLength(int32_t month, int32_t year) {
  if (month == 2) return IsLeapYear(year) ? 29 : 28;
  return static_cast<int16_t>(30 + FloorMod(FloorMod(month + 1, 9) + 1, 2));
}

int32_t DateDiff(const std::string& first, const std::string& second, const std::string& unit) {
  if (unit.size() != 1) return 0;
  const char letter = (unit[0] >= 'a' && unit[0] <= 'z') ? static_cast<char>(unit[0] - 'a' + 'A') : unit[0];
  if (letter != 'D' && letter != 'M' && letter != 'A') return 0;

  // Ordered by the number of their digits, which for packed dates is their
  // byte order; for damaged bytes it still keeps the fields in order, so the
  // counts below stay meaningful.
  int64_t a = DateNumber(first), b = DateNumber(second);
  if (a == b) return 0;
  if (a > b) std::swap(a, b);
  const DateParts p1 = PartsOf(a), p2 = PartsOf(b);

  int64_t total = 0;
  switch (letter) {
    case 'D':
      for (int32_t y = p1.Year + 1; y <= p2.Year - 1; ++y) total += IsLeapYear(y) ? 366 : 365;
      if (p1.Year < p2.Year) {
        for (int32_t m = p1.Month; m <= 12; ++m) total += MonthLength(m, p1.Year);
        for (int32_t m = 1; m <= p2.Month - 1; ++m) total += MonthLength(m, p2.Year);
      } else {
        for (int32_t m = p1.Month; m <= p2.Month - 1; ++m) total += MonthLength(m, p1.Year);
      }
      total += p2.Day - p1.Day;
      break;
    case 'M':
      total = int64_t{12} * (p2.Year - p1.Year) + p2.Month - p1.Month;
      break;
    case 'A':
      total = p2.Year - p1.Year;
      if (p1.Month > p2.Month || (p1.Month == p2.Month && p1.Day > p2.Day)) --total;
      break;
  }
  // Only days or months beyond their range can drive a count below zero.
  return static_cast<int32_t>(std::max<int64_t>(total, 0));
}

int16_t DayOfWeek(const std::string& date) {
  const int64_t c = DateNumber(date);
  const DateParts parts = PartsOf(c);
  const std::string normal = PackDate(parts.Year, parts.Month, parts.Day);
  const std::string newYear = normal.substr(0, 2) + "\x81\x81";
  const int32_t offset = DateDiff(normal, newYear, "D");
  // Floor division equals truncation for every year from 1 on and keeps the
  // year 0 consistent with its leap day.
  const int32_t l = parts.Year - 1;
  int32_t k;
  if (c < 15821005) {
    k = FloorMod(l + FloorDiv(l, 4), 7);
    return static_cast<int16_t>(FloorMod(k + 5 + offset, 7) + 1);
  }
  k = FloorMod(l + FloorDiv(l, 4) - FloorDiv(l, 100) + FloorDiv(l, 400), 7);
  return static_cast<int16_t>(FloorMod(k + offset, 7) + 1);
}

}  // namespace dates
