#include "forms/value_stack.h"

#include <type_traits>

#include "forms/forms_state.h"

namespace forms {

void PushValue(std::string_view bytes) {
  std::string& stack = State().ValueStack;
  const size_t length = bytes.size() > 0xFFFF ? 0xFFFF : bytes.size();
  stack.append(bytes.substr(0, length));
  stack.push_back(static_cast<char>(length & 0xFF));
  stack.push_back(static_cast<char>(length >> 8));
}

std::string PopValue() {
  std::string& stack = State().ValueStack;
  if (stack.size() < 2) {
    stack.clear();
    return {};
  }
  const size_t n = stack.size();
  const size_t length =
      static_cast<uint8_t>(stack[n - 2]) | (static_cast<size_t>(static_cast<uint8_t>(stack[n - 1])) << 8);
  if (length > n - 2) {
    stack.clear();
    return {};
  }
  std::string item = stack.substr(n - 2 - length, length);
  stack.resize(n - 2 - length);
  return item;
}

namespace {

template <typename T>
void PushInteger(T value) {
  auto bits = static_cast<std::make_unsigned_t<T>>(value);
  std::string bytes;
  for (size_t i = 0; i < sizeof(T); ++i) {
    bytes.push_back(static_cast<char>(bits & 0xFF));
    bits = static_cast<decltype(bits)>(bits >> 8);
  }
  PushValue(bytes);
}

template <typename T>
T PopInteger() {
  const std::string bytes = PopValue();
  std::make_unsigned_t<T> bits = 0;
  for (size_t i = 0; i < sizeof(T) && i < bytes.size(); ++i) {
    bits = static_cast<decltype(bits)>(
        bits | (static_cast<decltype(bits)>(static_cast<uint8_t>(bytes[i])) << (8 * i)));
  }
  return static_cast<T>(bits);
}

}  // namespace

void PushInt16(int16_t value) { PushInteger(value); }
int16_t PopInt16() { return PopInteger<int16_t>(); }
void PushInt32(int32_t value) { PushInteger(value); }
int32_t PopInt32() { return PopInteger<int32_t>(); }

}  // namespace forms
