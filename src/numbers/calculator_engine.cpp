#include "numbers/calculator_engine.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "console/keyboard.h"

namespace numbers {

namespace {

constexpr const char* kIntegerPositions = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
constexpr int kIntegerChars = 21;

double Power10(int n) { return std::pow(10.0, n); }

// Decimal digits of a whole, non-negative double (its exact value).
std::string WholeDigits(double x) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", x);
  return buffer;
}

// Integer positions of the mask that are left for point and decimals; may be
// below 1 when nothing is left.
int IntegerChars(int16_t point, int16_t decimals) { return kIntegerChars - (point ? 1 : 0) - decimals; }

// The whole part of a scaled figure. A figure that is a whole number but for
// the error of binary fractions (0.29 x 100 = 28.999...) counts as that
// whole number.
double WholePart(double x) {
  const double nearest = std::nearbyint(x);
  if (std::fabs(x - nearest) <= 4 * DBL_EPSILON * std::fmax(std::fabs(x), 1.0)) return nearest;
  return std::trunc(x);
}

void AppendTapeLine(CalculatorRecord& r, double value, int16_t point, int16_t decimals,
                    const std::string& key) {
  if (r.FirstVisibleSlot > 2) --r.FirstVisibleSlot;
  for (int i = 0; i + 1 < kTapeSlots; ++i) r.Tape[i] = r.Tape[i + 1];
  r.Tape[kTapeSlots - 1] = {value, point, decimals, key.empty() ? ' ' : key[0]};
}

void StartNumber(CalculatorRecord& r) {
  if (r.Entering) return;
  r.DisplayValue = 0;
  r.Point = 0;
  r.Decimals = 0;
}

void TypeDigit(CalculatorRecord& r, int digit) {
  StartNumber(r);
  if (!r.Point) {
    r.DisplayValue = r.DisplayValue * 10 + digit;
  } else {
    ++r.Decimals;
    const double scale = Power10(r.Decimals);
    r.DisplayValue = r.DisplayValue + digit / scale;
    // The double nearest to the decimal figure typed: 0.1 + 0.02 would
    // otherwise be 0.12000000000000001.
    if (std::fabs(r.DisplayValue) * scale < 9e15)
      r.DisplayValue = std::nearbyint(r.DisplayValue * scale) / scale;
  }
  r.Entering = -1;
}

void TypePoint(CalculatorRecord& r) {
  StartNumber(r);
  if (!r.Point) {
    r.Point = -1;
    r.Decimals = 0;
  }
  r.Entering = -1;
}

CalculatorAction Backspace(CalculatorRecord& r) {
  if (!r.Entering) return CalculatorAction::Ignored;  // no digit typed to remove
  if (!r.Point) {
    r.DisplayValue = WholePart(r.DisplayValue / 10);
  } else if (--r.Decimals < 0) {
    r.Point = 0;
    r.Decimals = 0;
  } else {
    const double scale = Power10(r.Decimals);
    r.DisplayValue = WholePart(r.DisplayValue * scale) / scale;
  }
  r.Entering = r.DisplayValue != 0 ? -1 : 0;
  return CalculatorAction::Entry;
}

void Operate(CalculatorRecord& r, const std::string& key) {
  const std::string& pending = r.PendingOperation;
  if (pending == "+")
    r.Accumulator += r.DisplayValue;
  else if (pending == "-")
    r.Accumulator -= r.DisplayValue;
  else if (pending == "*")
    r.Accumulator *= r.DisplayValue;
  else if (pending == "/")
    r.Accumulator /= r.DisplayValue;
  else
    r.Accumulator = r.DisplayValue;
  AppendTapeLine(r, r.DisplayValue, r.Point, r.Decimals, key);
  r.DisplayValue = r.Accumulator;
  NormaliseDecimals(r.DisplayValue, r.Point, r.Decimals);
  if (key == "=") {
    AppendTapeLine(r, r.DisplayValue, r.Point, r.Decimals, "");
    r.PendingOperation.clear();
  } else {
    r.PendingOperation = key;
  }
  r.Entering = 0;
  r.Cleared = 0;
  r.LastKey = key;
}

void Percent(CalculatorRecord& r) {
  AppendTapeLine(r, r.DisplayValue, r.Point, r.Decimals, "%");
  if (r.PendingOperation == "+" || r.PendingOperation == "-")
    r.DisplayValue = r.Accumulator / 100 * r.DisplayValue;
  else
    r.DisplayValue = r.DisplayValue / 100;
  NormaliseDecimals(r.DisplayValue, r.Point, r.Decimals);
  r.LastKey = "%";
}

void Round(CalculatorRecord& r) {
  r.DisplayValue = RoundToCents(r.DisplayValue, r.Point ? r.Decimals : 0);
  r.Accumulator = r.DisplayValue;
  r.Point = -1;
  r.Decimals = 2;
  AppendTapeLine(r, r.DisplayValue, r.Point, r.Decimals, "R");
  r.LastKey = "R";
}

CalculatorAction Clear(CalculatorRecord& r) {
  if (r.Entering) {
    // The accumulator comes back with the decimals it needs, not cut to a
    // whole number.
    r.DisplayValue = r.Accumulator;
    r.Point = 0;
    r.Decimals = 0;
    NormaliseDecimals(r.DisplayValue, r.Point, r.Decimals);
    r.Entering = 0;
    return CalculatorAction::Entry;
  }
  if (!r.Cleared) {
    r.DisplayValue = 0;
    r.Accumulator = 0;
    r.Point = 0;
    r.Decimals = 0;
    r.PendingOperation.clear();
    r.Cleared = -1;
    return CalculatorAction::Entry;
  }
  r.FirstVisibleSlot = kEmptyTape;
  return CalculatorAction::TapeCleared;
}

// The state an accepted key may leave: every figure shown fits its mask.
bool Showable(const CalculatorRecord& r) {
  return FigureFits(r.DisplayValue, r.Point, r.Decimals) && std::isfinite(r.Accumulator);
}

}  // namespace

std::string FigureMask(int16_t point, int16_t decimals) {
  const int integerChars = IntegerChars(point, decimals < 0 ? 0 : decimals);
  std::string mask = "-";
  if (integerChars > 0) mask += std::string(kIntegerPositions).substr(kIntegerChars - integerChars);
  if (point) mask += '.';
  if (decimals > 0) mask += std::string(decimals, '9');
  return mask;
}

bool FigureFits(double value, int16_t point, int16_t decimals) {
  if (!std::isfinite(value) || decimals < 0 || (!point && decimals != 0)) return false;
  const int integerChars = IntegerChars(point, decimals);
  if (integerChars < 1) return false;
  int capacity = 0;
  for (char c : std::string(kIntegerPositions).substr(kIntegerChars - integerChars))
    if (c != ',') ++capacity;
  const double scaled = std::nearbyint(std::fabs(value) * Power10(decimals));
  if (!std::isfinite(scaled)) return false;
  const int digits = static_cast<int>(WholeDigits(scaled).size());
  const int integerDigits = digits > decimals ? digits - decimals : 1;
  return integerDigits <= capacity;
}

void NormaliseDecimals(double& value, int16_t& point, int16_t& decimals) {
  const double whole = std::floor(std::fabs(value));
  const int n = whole >= 1 ? static_cast<int>(WholeDigits(whole).size()) : 0;
  double copy = value;
  int d = 0;
  while (copy != std::trunc(copy) && d + n < 15) {
    copy *= 10;
    ++d;
  }
  copy = std::round(copy);
  while (d > 0 && std::fmod(copy, 10) == 0) {
    copy /= 10;
    --d;
  }
  value = copy / Power10(d);
  decimals = static_cast<int16_t>(d);
  point = d > 0 ? -1 : 0;
}

double RoundToCents(double value, int16_t decimals) {
  const double magnitude = std::fabs(value);
  double cents;
  const double shown = magnitude * Power10(decimals);
  if (decimals > 2 && shown < 9e15) {
    // On the decimal digits shown: 2.675 is 2.67499999... in binary.
    const auto digits = static_cast<int64_t>(std::nearbyint(shown));
    int64_t divisor = 1;
    for (int i = 2; i < decimals; ++i) divisor *= 10;
    int64_t whole = digits / divisor;
    const int64_t rest = digits % divisor;
    if (rest * 2 > divisor || (rest * 2 == divisor && whole % 2 != 0)) ++whole;
    cents = static_cast<double>(whole);
  } else {
    cents = std::nearbyint(magnitude * 100);  // the default rounding: halves to even
  }
  return std::copysign(cents / 100, value);
}

CalculatorAction ApplyCalculatorKey(CalculatorRecord& record, int16_t key) {
  if (key >= 'a' && key <= 'z') key = static_cast<int16_t>(key - 'a' + 'A');
  CalculatorRecord r = record;
  CalculatorAction action = CalculatorAction::Entry;
  switch (key) {
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
      TypeDigit(r, key - '0');
      break;
    case '.':
      TypePoint(r);
      break;
    case console::KeyBackspace:
      action = Backspace(r);
      break;
    case '+':
    case '-':
    case '*':
    case '/':
      Operate(r, std::string(1, static_cast<char>(key)));
      action = CalculatorAction::Tape;
      break;
    case '=':
    case console::KeyEnter:
      if (!r.Entering) return CalculatorAction::Ignored;
      Operate(r, "=");
      action = CalculatorAction::Tape;
      break;
    case '%':
      Percent(r);
      action = CalculatorAction::Tape;
      break;
    case 'R':
      Round(r);
      action = CalculatorAction::Tape;
      break;
    case 'C':
      action = Clear(r);
      break;
    case 'T':
      r.DisplayValue = -r.DisplayValue;
      break;
    case console::KeyLeft:
    case console::KeyCtrlLeft:
      r.WindowColumn = r.WindowColumn <= 1 ? kLastCalculatorColumn : static_cast<int16_t>(r.WindowColumn - 1);
      action = CalculatorAction::Moved;
      break;
    case console::KeyRight:
    case console::KeyCtrlRight:
      r.WindowColumn = r.WindowColumn >= kLastCalculatorColumn ? 1 : static_cast<int16_t>(r.WindowColumn + 1);
      action = CalculatorAction::Moved;
      break;
    case 'F':
    case console::KeyAltF:
      return CalculatorAction::Accept;
    case console::KeyEsc:
      return CalculatorAction::Cancel;
    default:
      return CalculatorAction::Ignored;
  }
  if (action == CalculatorAction::Ignored) return action;
  if (!Showable(r)) return CalculatorAction::Refused;
  record = r;
  return action;
}

std::string CalculatorResult(const CalculatorRecord& record) {
  const int e = record.Decimals < 2 ? 2 : record.Decimals;
  const double value = record.Entering ? record.DisplayValue : record.Accumulator;
  const double scaled = WholePart(std::fabs(value) * Power10(e));
  if (!std::isfinite(scaled)) return "0";
  std::string digits = WholeDigits(scaled);
  const size_t fraction = static_cast<size_t>(e - 2);
  if (fraction == 0) return digits;
  // Below one hundredth the figure keeps its leading zero: 0.005 gives 0.5.
  if (digits.size() < fraction + 1) digits.insert(0, fraction + 1 - digits.size(), '0');
  return digits.substr(0, digits.size() - fraction) + "." + digits.substr(digits.size() - fraction);
}

}  // namespace numbers
