#include "numbers/packed_digits.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace numbers {

namespace {

int DigitValue(char c) { return (c >= '0' && c <= '9') ? c - '0' : 0; }

bool IsBlank(char c) { return c == ' '; }

// The digit text of a finite, non-negative value in its shortest form: whole
// numbers without a point, at most 15 significant digits. Values too large
// for 15 digits are written as their rounded digits followed by zeros, never
// in exponent form.
std::string ShortestDecimal(double value) {
  if (!std::isfinite(value)) return "0";
  value = std::fabs(value);
  char buffer[400];
  if (value == std::floor(value) && value < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  const auto e = text.find('e');
  if (e == std::string::npos) return text;
  // Exponent form: rebuild the plain digits.
  std::string mantissa = text.substr(0, e);
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits;
  int pointAt = 0;  // digits before the point in the mantissa
  for (char c : mantissa) {
    if (c == '.') {
      pointAt = static_cast<int>(digits.size());
    } else {
      digits += c;
    }
  }
  if (mantissa.find('.') == std::string::npos) pointAt = static_cast<int>(digits.size());
  const int integerDigits = pointAt + exponent;
  if (integerDigits >= static_cast<int>(digits.size())) {
    return digits + std::string(integerDigits - digits.size(), '0');
  }
  if (integerDigits <= 0) return "0." + std::string(-integerDigits, '0') + digits;
  return digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

// Digits of a group of a dotted code: blanks around it ignored, a sign
// dropped, anything that is not a whole number counts 0. Kept as text so that
// long groups lose nothing.
std::string GroupDigits(const std::string& group) {
  size_t begin = 0, end = group.size();
  while (begin < end && IsBlank(group[begin])) ++begin;
  while (end > begin && IsBlank(group[end - 1])) --end;
  if (begin < end && (group[begin] == '+' || group[begin] == '-')) ++begin;
  if (begin == end) return "0";
  for (size_t i = begin; i < end; ++i) {
    if (group[i] < '0' || group[i] > '9') return "0";
  }
  return group.substr(begin, end - begin);
}

std::string RightDigits(const std::string& digits, size_t width) {
  if (digits.size() >= width) return digits.substr(digits.size() - width);
  return std::string(width - digits.size(), '0') + digits;
}

}  // namespace

std::string PackDigits(std::string digits) {
  const size_t n = digits.size();
  size_t begin = 0, end = n;
  while (begin < end && IsBlank(digits[begin])) ++begin;
  while (end > begin && IsBlank(digits[end - 1])) --end;
  std::string text(n - (end - begin), '0');
  text.append(digits, begin, end - begin);
  std::string packed((n + 1) / 2, '\0');
  for (size_t i = 0; i < packed.size(); ++i) {
    const int tens = DigitValue(text[2 * i]);
    const int units = 2 * i + 1 < n ? DigitValue(text[2 * i + 1]) : 0;
    packed[i] = static_cast<char>(128 + 10 * tens + units);
  }
  return packed;
}

std::string UnpackDigits(std::string packed) {
  std::string text;
  text.reserve(packed.size() * 2);
  for (char c : packed) {
    const int v = static_cast<unsigned char>(c) & 127;
    text += static_cast<char>('0' + (v / 10) % 10);
    text += static_cast<char>('0' + v % 10);
  }
  return text;
}

std::string ZeroPad(double value, int16_t width) {
  if (width <= 0) return std::string();
  const std::string text = ShortestDecimal(value);
  const size_t w = static_cast<size_t>(width);
  if (text.size() >= w) return text.substr(text.size() - w);
  return std::string(w - text.size(), '0') + text;
}

std::string PackDottedCode(std::string code) {
  std::vector<std::string> groups;
  size_t start = 0;
  for (;;) {
    const size_t dot = code.find('.', start);
    if (dot == std::string::npos) {
      groups.push_back(code.substr(start));
      break;
    }
    groups.push_back(code.substr(start, dot - start));
    start = dot + 1;
  }
  const size_t dots = groups.size() - 1;
  const bool wideFirst = (code.size() == 6 && dots == 0) || (code.size() == 11 && dots < 2);

  // A blank or empty last group is left out (for a code without dots, that
  // is the whole code).
  const std::string& last = groups.back();
  if (last.find_first_not_of(' ') == std::string::npos) groups.pop_back();

  std::string digits;
  for (size_t i = 0; i < groups.size(); ++i) {
    digits += RightDigits(GroupDigits(groups[i]), (i == 0 && wideFirst) ? 6 : 4);
  }
  return PackDigits(digits);
}

}  // namespace numbers
