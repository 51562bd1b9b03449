#include "numbers/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "config/settings.h"
#include "numbers/currency.h"
#include "numbers/numbers_state.h"
#include "platform/system.h"

namespace numbers {

namespace {

// One character of a [Usuari] entry of the site settings; a blank, missing
// or NUL first character takes the default.
char ReadCharacterSetting(const char* key, char fallback) {
  const std::string value = config::ReadSetting(platform::GetEnv("WRKROOT") + "Dorv.ini", "Usuari", key);
  if (value.empty() || value[0] == ' ' || value[0] == '\0') return fallback;
  return value[0];
}

void LoadSeparators() {
  NumbersState& state = State();
  if (state.DecCaracter == '\0') state.DecCaracter = ReadCharacterSetting("DecCaracter", '\'');
  if (state.MilCaracter == '\0') state.MilCaracter = ReadCharacterSetting("MilCaracter", '.');
}

bool IsDigitPosition(char c) { return c == '9' || c == 'Z' || c == 'z' || c == '*'; }

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double s) {
  const double floor = std::floor(s);
  const double fraction = s - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

enum class Fill { Zeros, Blank, EmptyBlank, Star };

// The number written plainly when it does not fit the mask: sign, integer
// digits, decimal character and decimals, right-aligned in the width and cut
// to it; "!" everywhere when the integer digits and the minus do not fit.
std::string PlainNumber(const std::string& digits, size_t ndec, bool negative, char decimalCharacter,
                        size_t width) {
  const size_t integerCount = digits.size() > ndec ? digits.size() - ndec : 0;
  if (width < integerCount + (negative ? 1 : 0)) return std::string(width, '!');
  std::string text = negative ? "-" : "";
  text.append(digits, 0, integerCount);
  if (ndec > 0) {
    const std::string decimals = digits.substr(integerCount);
    text += decimalCharacter;
    text += std::string(ndec - decimals.size(), '0') + decimals;
  }
  if (text.size() >= width) return text.substr(0, width);
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string FormatNumber(std::string mask, double value) {
  LoadSeparators();
  const char decimalCharacter = State().DecCaracter;
  const char thousandsCharacter = State().MilCaracter;

  const size_t L = mask.size();
  if (L == 0) return std::string();
  if (!std::isfinite(value)) return std::string(L, '!');

  // The mask: its sign, its decimal part (decs positions after the point
  // that digits or a trailing sign fill) and its decimals (ndec digit
  // positions right after the point).
  const bool hasSign = mask.find_first_of("-+") != std::string::npos;
  const size_t point = mask.find('.');
  const bool hasPoint = point != std::string::npos && point + 1 < L;
  size_t decs = 0, ndec = 0;
  if (hasPoint) {
    for (size_t i = point + 1; i < L; ++i) {
      if (IsDigitPosition(mask[i]) || mask[i] == '-' || mask[i] == '+') ++decs;
    }
    while (point + 1 + ndec < L && IsDigitPosition(mask[point + 1 + ndec])) ++ndec;
  }

  // The digits: |value| scaled to whole units of the last decimal.
  const double scaled = RoundHalfEven(std::fabs(value) * std::pow(10.0, static_cast<double>(ndec)));
  if (!std::isfinite(scaled)) return std::string(L, '!');
  std::string D;
  if (scaled >= 1) {
    std::vector<char> buffer(static_cast<size_t>(std::log10(scaled)) + 8);
    std::snprintf(buffer.data(), buffer.size(), "%.0f", scaled);
    D = buffer.data();
  }
  const bool negative = value < 0;
  const auto n = static_cast<int64_t>(D.size());

  std::string out = mask;
  Fill fill = Fill::Zeros;
  // Positions are 1-based; p counts as decimal part while p >= L - decs,
  // and decs drops to 0 once the point has been passed. Without a point,
  // the last position counts as decimal part.
  auto inDecimalPart = [&](int64_t p) { return p >= static_cast<int64_t>(L - decs); };
  auto digitAt = [&](int64_t k) -> char { return (k >= 1 && k <= n) ? D[k - 1] : '\0'; };
  auto tailAboveZero = [&](int64_t k) {
    for (int64_t i = std::max<int64_t>(k, 1); i <= n; ++i) {
      if (D[i - 1] != '0') return true;
    }
    return false;
  };

  // First pass, right to left, while digits remain.
  int64_t k = n - static_cast<int64_t>(ndec) + static_cast<int64_t>(decs);
  int64_t p = static_cast<int64_t>(L);
  for (; p >= 1 && k > 0; --p) {
    char& c = out[p - 1];
    switch (mask[p - 1]) {
      case '9':
        c = digitAt(k) ? digitAt(k) : '0';
        fill = Fill::Zeros;
        --k;
        break;
      case 'Z':
      case 'z':
        if (!inDecimalPart(p)) {
          c = digitAt(k) ? digitAt(k) : '0';
          fill = Fill::Blank;
        } else if (decs == 0 || tailAboveZero(k)) {
          c = digitAt(k) ? digitAt(k) : '0';
          fill = Fill::Blank;
        } else {
          c = ' ';
          fill = Fill::EmptyBlank;
        }
        --k;
        break;
      case '*':
        c = digitAt(k) ? digitAt(k) : '*';
        fill = Fill::Star;
        --k;
        break;
      case '.':
        c = fill == Fill::EmptyBlank ? ' ' : decimalCharacter;
        decs = 0;
        break;
      case ',':
        c = thousandsCharacter;
        break;
      case '-':
      case '+':
        c = negative ? '-' : (mask[p - 1] == '+' ? '+' : ' ');
        // A trailing sign after the decimals takes the place of a digit of
        // the decimal part; without a point there is no such part to share.
        if (decs > 0 && inDecimalPart(p)) --k;
        break;
      default:
        break;
    }
  }

  // Overflow: digits left over, or a minus with nowhere to go.
  if (k > 0 || (negative && !hasSign && p == 0)) {
    return PlainNumber(D, ndec, negative, decimalCharacter, L);
  }

  // Second pass over the positions the first one did not reach.
  bool minusWritten = false;
  for (; p >= 1; --p) {
    char& c = out[p - 1];
    const char m = mask[p - 1];
    if (negative && !hasSign && !minusWritten && !inDecimalPart(p) && (IsDigitPosition(m) || m == ',')) {
      c = '-';
      minusWritten = true;
      continue;
    }
    switch (m) {
      case '9':
        c = '0';
        fill = Fill::Zeros;
        break;
      case 'Z':
      case 'z':
        if (!inDecimalPart(p)) {
          c = ' ';
          fill = Fill::EmptyBlank;
        } else if (value != 0) {
          c = '0';
          fill = Fill::Blank;
        } else {
          c = ' ';
          fill = Fill::EmptyBlank;
        }
        break;
      case '*':
        c = inDecimalPart(p) ? '0' : '*';
        fill = Fill::Star;
        break;
      case ',':
        c = fill == Fill::Zeros ? thousandsCharacter : (fill == Fill::Star ? '*' : ' ');
        break;
      case '.':
        c = fill == Fill::EmptyBlank ? ' ' : decimalCharacter;
        decs = 0;
        break;
      case '-':
      case '+':
        c = negative ? '-' : (m == '+' ? '+' : ' ');
        break;
      default:
        break;
    }
  }
  // A negative number never shows without its minus.
  if (negative && !hasSign && !minusWritten) return PlainNumber(D, ndec, negative, decimalCharacter, L);
  return out;
}

std::string FormatAmount(std::string mask, double amount) {
  const size_t L = mask.size();
  if (L == 0) return FormatNumber(mask, amount);

  // What the caller's mask asks for.
  int d = 0;
  bool pointSeen = false, thousands = false, unitsDigit = amount != 0;
  char fillCharacter = 'Z';
  enum class SignMode { None, Leading, Trailing } signMode = SignMode::None;
  char signCharacter = ' ';
  for (size_t i = 0; i < L; ++i) {
    switch (mask[i]) {
      case '.':
        ++d;
        pointSeen = true;
        break;
      case '9':
        if (pointSeen) {
          ++d;
        } else {
          unitsDigit = true;
        }
        break;
      case '-':
      case '+':
        signMode = i == 0 ? SignMode::Leading : SignMode::Trailing;
        signCharacter = mask[i];
        break;
      case ',':
        thousands = true;
        break;
      case 'Z':
      case '*':
        fillCharacter = mask[i];
        break;
      default:
        break;
    }
  }

  // The money mask of the same length.
  std::string built(L, fillCharacter);
  if (unitsDigit) built = built.substr(1) + "9";
  if (thousands) {
    for (int64_t n = static_cast<int64_t>(L) - 3; n >= 1; n -= 4) {
      built.insert(static_cast<size_t>(n), 1, ',');
      built.erase(0, 1);
    }
  }
  double value = amount / 100;
  if (CurDisplay() == "P") {
    value *= PesetasPerEuro;
  } else {
    d += d == 0 ? 3 : 2;
  }
  auto keepLast = [L](const std::string& s) { return s.size() > L ? s.substr(s.size() - L) : s; };
  if (d > 0) built = keepLast(built + "." + std::string(static_cast<size_t>(d - 1), unitsDigit ? '9' : 'Z'));
  if (signMode == SignMode::Trailing) built = keepLast(built + signCharacter);
  if (signMode == SignMode::Leading) built[0] = signCharacter;
  return FormatNumber(built, value);
}

int16_t IsBadNumberText(std::string text, std::string mask) {
  bool pointAllowed = mask.find('.') != std::string::npos;
  bool signAllowed = mask.find_first_of("-+") != std::string::npos;
  bool bad = false;
  for (char c : text) {
    if (c == '+' || c == '-') {
      if (!signAllowed) bad = true;
      signAllowed = false;
    } else if (c == '.') {
      if (!pointAllowed) bad = true;
      pointAllowed = false;
      signAllowed = false;
    } else if (c >= '0' && c <= '9') {
      signAllowed = false;
    } else if (c != ' ') {
      bad = true;
    }
  }
  return bad ? -1 : 0;
}

}  // namespace numbers
