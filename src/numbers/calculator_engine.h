// The adding machine behind the calculator pop-up, without the screen: its
// whole state, the keys acting on it, the picture mask of its figures and the
// figure handed back in hundredths.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace numbers {

constexpr int16_t kTapeSlots = 22;
// First visible slot of an empty tape.
constexpr int16_t kEmptyTape = 23;
// Leftmost and rightmost window column: the calculator is 26 columns wide.
constexpr int16_t kCalculatorWidth = 26;
constexpr int16_t kLastCalculatorColumn = 80 - kCalculatorWidth + 1;

// One line of the paper tape.
struct TapeLine {
  double Value = 0;
  int16_t Point = 0;  // flag: the figure shows a decimal point
  int16_t Decimals = 0;
  char Operation = ' ';  // "+", "-", "*", "/", "=", "%", "R", or blank on a result line
  bool operator==(const TapeLine&) const = default;
};

// Everything the calculator keeps between openings. The defaults are the
// state of a terminal that has never used it.
struct CalculatorRecord {
  int16_t WindowColumn = 1;
  int16_t FirstVisibleSlot = kEmptyTape;  // 2..22, or 23 for an empty tape
  double DisplayValue = 0;
  double Accumulator = 0;
  int16_t Cleared = -1;                     // flag: after a full clear and at the very start
  int16_t Entering = 0;                     // flag: a number is being typed
  int16_t Point = 0;                        // flag: the display value shows a decimal point
  int16_t Decimals = 0;                     // decimals shown for the display value
  std::string LastKey;                      // key text of the last operation
  std::string PendingOperation;             // "+", "-", "*", "/" or empty
  std::array<TapeLine, kTapeSlots> Tape{};  // Tape[0] is slot 1 (scrolled off), Tape[21] slot 22, the newest
  bool operator==(const CalculatorRecord&) const = default;
};

// "-", the integer positions of "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9" that are left, then
// "." when point is set and decimals times "9": 22 characters in all.
std::string FigureMask(int16_t point, int16_t decimals);

// True when the value is finite and its integer digits fit the figure mask
// of point and decimals (which must leave at least one integer position).
bool FigureFits(double value, int16_t point, int16_t decimals);

// A result's decimals: at most 15 significant digits, trailing zeros dropped.
// The value is rounded to them; point follows decimals > 0.
void NormaliseDecimals(double& value, int16_t& point, int16_t& decimals);

// The figure rounded to two decimals, an exact half going to the even
// neighbour. decimals are those the figure shows: the rounding is done on
// those decimal digits, not on the binary value.
double RoundToCents(double value, int16_t decimals);

enum class CalculatorAction {
  Ignored,      // nothing changed
  Entry,        // the entry line changed
  Tape,         // the tape changed (and the entry line)
  Moved,        // the window column changed
  TapeCleared,  // the tape was emptied: the window is opened afresh
  Refused,      // division by zero or a figure too large: nothing changed
  Accept,       // F or Alt+F
  Cancel,       // Esc
};

// Acts on one key code (characters are upper-cased first).
CalculatorAction ApplyCalculatorKey(CalculatorRecord& record, int16_t key);

// The figure handed back after F: the number being typed, else the
// accumulator, in hundredths, without sign ("1250" for 12.5, "1234.5" for
// 12.345).
std::string CalculatorResult(const CalculatorRecord& record);

}  // namespace numbers
