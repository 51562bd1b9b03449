#include "numbers/currency.h"

#include "numbers/numbers_state.h"

namespace numbers {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

void SetCurrency(std::string command) {
  NumbersState& state = State();
  const char first = command.empty() ? '\0' : Upper(command[0]);
  const size_t comma = command.find(',');
  if (comma != std::string::npos) {
    const size_t at = command.find_first_not_of(' ', comma + 1);
    const std::string letter = at == std::string::npos ? std::string() : std::string(1, Upper(command[at]));
    if (first == 'A') {
      state.CurBase = letter.empty() ? "E" : letter;
      state.CurDisplay = state.CurBase;
    } else {
      state.CurAlt = letter.empty() ? state.CurBase : letter;
    }
    return;
  }
  if (first == 'P') {
    state.CurDisplay = state.CurAlt.empty() ? state.CurBase : state.CurAlt;
  } else {
    state.CurDisplay = state.CurBase;
  }
}

std::string CurBase() { return State().CurBase; }
std::string CurAlt() { return State().CurAlt; }
std::string CurDisplay() { return State().CurDisplay; }

}  // namespace numbers
