#include "console/wrap_text.h"

#include <cstdlib>

namespace console {

namespace {

bool IsControl(char c) { return static_cast<uint8_t>(c) < 32; }
bool IsPrintableNonBlank(char c) { return static_cast<uint8_t>(c) > 32; }

// Spreads blanks into the gaps of a line until it is `width` long. The first
// search starts after the indent's first two columns; each insertion steps
// over the whole gap it widened; a search that finds nothing starts again
// right after the indent.
void Justify(std::string& line, size_t indent, size_t width) {
  if (line.size() >= width || line.find(' ', indent) == std::string::npos) return;
  size_t pos = indent + 2;
  while (line.size() < width) {
    size_t gap = pos < line.size() ? line.find(' ', pos) : std::string::npos;
    if (gap == std::string::npos) {
      pos = indent;
      continue;
    }
    line.insert(gap, 1, ' ');
    pos = gap;
    while (pos < line.size() && line[pos] == ' ') ++pos;
  }
}

}  // namespace

void WrapText(std::string& text, int16_t indent, int16_t width, std::string_view mode) {
  const std::string source = text;
  const auto length = static_cast<long>(source.size());
  // Character at a 0-based position, or 0 beyond the text (0 is a control).
  auto at = [&](long pos) -> char {
    return pos >= 0 && pos < length ? source[static_cast<size_t>(pos)] : '\0';
  };
  auto beyond = [&](long pos) { return pos >= length; };
  char kind = mode.empty() ? ' ' : static_cast<char>(mode[0] & ~0x20);
  const long u = std::labs(static_cast<long>(indent));
  long d = indent > 0 ? indent : 0;
  long c = 0;
  std::string result;
  while (c < length) {
    long a = static_cast<long>(width) - d;
    // Every line takes at least one character, so the text always advances.
    if (a < 1) a = 1;
    long taken = 0;
    while (taken < a && c + taken < length) {
      if (IsControl(at(c + taken))) ++a;
      ++taken;
    }
    if (taken > 0 && IsPrintableNonBlank(at(c + taken - 1))) {
      while (c + taken < length && IsControl(at(c + taken))) {
        ++a;
        ++taken;
      }
    }
    long j = a;
    if (IsPrintableNonBlank(at(c + j))) {
      // The line would cut a word: end it before the word, control
      // characters inside the word going with it.
      const long full = a;
      while (j > 0 && at(c + j) != ' ' && !beyond(c + j)) {
        --j;
        if (IsControl(at(c + j))) --a;
      }
      if (j < 1) a = full;
    }
    if ((beyond(c + j) || IsControl(at(c + j))) && j > 0) {
      while (j > 0 && at(c + j - 1) == ' ') --j;
    }
    if (j < 1) j = a;  // one word longer than the line: cut it
    std::string line(static_cast<size_t>(d), ' ');
    if (c < length) line += source.substr(static_cast<size_t>(c), static_cast<size_t>(j));
    a += d;
    const size_t full = a > 0 ? static_cast<size_t>(a) : 0;
    long next = c + j;
    while (next < length && at(next) == ' ') ++next;
    switch (kind) {
      case 'E':
      case 'L':
      case 'I':
        if (line.size() < full) line.append(full - line.size(), ' ');
        break;
      case 'N':
        if (line.size() < full) line.append(full - line.size(), '-');
        break;
      case 'D':
      case 'R':
        if (line.size() < full) line.insert(0, full - line.size(), ' ');
        break;
      case 'C':
        if (line.size() < full) {
          size_t spare = full - line.size();
          line = std::string(spare / 2, ' ') + line + std::string((spare + 1) / 2, ' ');
        }
        break;
      case 'A':
      case 'B':
        if (next < length) Justify(line, static_cast<size_t>(u), full);
        break;
      default:
        break;
    }
    result += line;
    c = next;
    d = indent < 0 ? -static_cast<long>(indent) : 0;
  }
  text = std::move(result);
}

}  // namespace console
