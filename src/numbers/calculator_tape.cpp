#include "numbers/calculator_tape.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace numbers {

namespace {

constexpr char kCtrlZ = 26;
constexpr size_t kFields = 4 + 4 + 2 + 4 * kTapeSlots;

std::string Number(double value) {
  char buffer[400];
  // Shortest text that reads back as the same double, never in exponent form.
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::string Number(int16_t value) { return std::to_string(value); }

std::string Text(const std::string& text) { return "\"" + text + "\""; }

// One field as read: its bytes and whether it was quoted.
struct Field {
  std::string Bytes;
  bool Quoted = false;
};

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The fields of the file in order, ignoring where the lines break. Empty
// when the bytes cannot be split (an unclosed quote, an empty field, text
// after a closing quote).
std::optional<std::vector<Field>> SplitFields(std::string_view bytes) {
  // A final Ctrl-Z marks the end of a text file.
  while (!bytes.empty() && (bytes.back() == kCtrlZ || IsLineEnd(bytes.back()))) bytes.remove_suffix(1);
  std::vector<Field> fields;
  size_t at = 0;
  while (at < bytes.size()) {
    Field field;
    if (bytes[at] == '"') {
      const size_t close = bytes.find('"', at + 1);
      if (close == std::string_view::npos) return std::nullopt;
      field.Bytes = std::string(bytes.substr(at + 1, close - at - 1));
      field.Quoted = true;
      at = close + 1;
    } else {
      size_t end = at;
      while (end < bytes.size() && bytes[end] != ',' && !IsLineEnd(bytes[end])) ++end;
      if (end == at) return std::nullopt;
      field.Bytes = std::string(bytes.substr(at, end - at));
      at = end;
    }
    fields.push_back(std::move(field));
    if (at == bytes.size()) break;
    if (bytes[at] == ',') {
      ++at;
      if (at == bytes.size()) return std::nullopt;  // a field is missing after the comma
    } else if (IsLineEnd(bytes[at])) {
      if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') ++at;
      ++at;
    } else {
      return std::nullopt;
    }
  }
  return fields;
}

bool ReadNumber(const Field& field, double& value) {
  if (field.Quoted) return false;
  const char* first = field.Bytes.data();
  const char* last = first + field.Bytes.size();
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
  return ec == std::errc() && end == last && std::isfinite(value);
}

bool ReadInteger(const Field& field, int16_t& value, int16_t low, int16_t high) {
  if (field.Quoted) return false;
  const char* first = field.Bytes.data();
  const char* last = first + field.Bytes.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last && value >= low && value <= high;
}

bool ReadFlag(const Field& field, int16_t& value) { return ReadInteger(field, value, -1, 0); }

bool ReadText(const Field& field, std::string& text, size_t maxLength) {
  if (!field.Quoted || field.Bytes.size() > maxLength) return false;
  for (char c : field.Bytes)
    if (static_cast<unsigned char>(c) < 32) return false;
  text = field.Bytes;
  return true;
}

bool ReadAll(const std::vector<Field>& f, CalculatorRecord& r) {
  if (f.size() != kFields) return false;
  if (!ReadInteger(f[0], r.WindowColumn, 1, kLastCalculatorColumn) ||
      !ReadInteger(f[1], r.FirstVisibleSlot, 2, kEmptyTape) || !ReadNumber(f[2], r.DisplayValue) ||
      !ReadNumber(f[3], r.Accumulator) || !ReadFlag(f[4], r.Cleared) || !ReadFlag(f[5], r.Entering) ||
      !ReadFlag(f[6], r.Point) || !ReadInteger(f[7], r.Decimals, 0, 20) || !ReadText(f[8], r.LastKey, 8) ||
      !ReadText(f[9], r.PendingOperation, 1))
    return false;
  if (!r.PendingOperation.empty() &&
      std::string_view("+-*/").find(r.PendingOperation[0]) == std::string_view::npos)
    return false;
  if (!FigureFits(r.DisplayValue, r.Point, r.Decimals)) return false;
  for (int slot = 0; slot < kTapeSlots; ++slot) {
    const size_t at = 10 + 4 * static_cast<size_t>(slot);
    TapeLine& line = r.Tape[slot];
    std::string operation;
    if (!ReadNumber(f[at], line.Value) || !ReadFlag(f[at + 1], line.Point) ||
        !ReadInteger(f[at + 2], line.Decimals, 0, 20) || !ReadText(f[at + 3], operation, 1) ||
        operation.size() != 1 || std::string_view("+-*/=%R ").find(operation[0]) == std::string_view::npos ||
        !FigureFits(line.Value, line.Point, line.Decimals))
      return false;
    line.Operation = operation[0];
  }
  return true;
}

}  // namespace

std::string WriteCalculatorTape(const CalculatorRecord& r) {
  const std::string end = "\r\n";
  std::string out;
  out += Number(r.WindowColumn) + "," + Number(r.FirstVisibleSlot) + "," + Number(r.DisplayValue) + "," +
         Number(r.Accumulator) + end;
  out +=
      Number(r.Cleared) + "," + Number(r.Entering) + "," + Number(r.Point) + "," + Number(r.Decimals) + end;
  out += Text(r.LastKey) + "," + Text(r.PendingOperation) + end;
  for (const TapeLine& line : r.Tape)
    out += Number(line.Value) + "," + Number(line.Point) + "," + Number(line.Decimals) + "," +
           Text(std::string(1, line.Operation)) + end;
  return out;
}

bool ReadCalculatorTape(std::string_view bytes, CalculatorRecord& record) {
  record = CalculatorRecord{};
  std::string_view rest = bytes;
  while (!rest.empty() && (rest.back() == kCtrlZ || IsLineEnd(rest.back()))) rest.remove_suffix(1);
  if (rest.empty()) return true;
  const std::optional<std::vector<Field>> fields = SplitFields(bytes);
  CalculatorRecord read;
  if (!fields || !ReadAll(*fields, read)) return false;
  record = read;
  return true;
}

}  // namespace numbers
