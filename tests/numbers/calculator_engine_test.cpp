#include "numbers/calculator_engine.h"

#include <gtest/gtest.h>

#include <string>

#include "console/keyboard.h"

namespace {

using numbers::CalculatorAction;
using numbers::CalculatorRecord;
using numbers::TapeLine;

// Keys as text: every character is typed as itself, except "<" Backspace,
// "~" Enter, "L" Left and ">" Right.
CalculatorAction Type(CalculatorRecord& r, const std::string& keys) {
  CalculatorAction last = CalculatorAction::Ignored;
  for (char c : keys) {
    int16_t key = static_cast<uint8_t>(c);
    if (c == '<') key = console::KeyBackspace;
    if (c == '~') key = console::KeyEnter;
    if (c == 'L') key = console::KeyLeft;
    if (c == '>') key = console::KeyRight;
    last = numbers::ApplyCalculatorKey(r, key);
  }
  return last;
}

// The newest tape lines, oldest first, as "value op" with the decimals shown.
std::string Tape(const CalculatorRecord& r, int lines) {
  std::string text;
  for (int slot = numbers::kTapeSlots - lines; slot < numbers::kTapeSlots; ++slot) {
    const TapeLine& line = r.Tape[slot];
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", line.Decimals, line.Value);
    text += std::string(text.empty() ? "" : " | ") + buffer + (line.Point && line.Decimals == 0 ? "." : "") +
            " " + line.Operation;
  }
  return text;
}

struct Sequence {
  const char* keys;
  double display;
  int16_t decimals;
  const char* result;  // CalculatorResult after the keys
};

TEST(CalculatorKeys, SequencesShowTheirFigureAndReturnItInHundredths) {
  const Sequence cases[] = {
      {"12.5+7.25=", 19.75, 2, "1975"},
      {"10/3=", 3.33333333333333, 14, "333.333333333333"},
      {"10/3=R", 3.33, 2, "333"},
      {"5T3", -47, 0, "4700"},
      {"5T3=", -47, 0, "4700"},
      {"200+10%=", 220, 0, "22000"},
      {"200*10%", 0.1, 1, "10"},  // no + or -: the figure's own hundredth
      {"5++", 10, 0, "1000"},     // an operation without a new number uses the figure shown
      {"12.5", 12.5, 1, "1250"},
      {"7", 7, 0, "700"},
      {"0.05", 0.05, 2, "5"},
      {"12.345", 12.345, 3, "1234.5"},
      {"0.29", 0.29, 2, "29"},  // 0.29 x 100 is 28.999... in binary
      {"0.005", 0.005, 3, "0.5"},
      {"12.5T", -12.5, 1, "1250"},  // the sign is not returned
      {".1+.2=", 0.3, 1, "30"},
      {"12345.678T=", -12345.678, 3, "1234567.8"},
      {"1.5+2.5=", 4, 0, "400"},
      {"6*7~", 42, 0, "4200"},  // Enter works as "="
      {"123<", 12, 0, "1200"},
      {"1.25<", 1.2, 1, "120"},
      {"12.<", 12, 0, "1200"},
      {"c", 0, 0, "0"},
      {"2*3r", 3, 2, "300"},  // lower-case keys work like their capitals
      {"", 0, 0, "0"},
  };
  for (const Sequence& c : cases) {
    CalculatorRecord r;
    Type(r, c.keys);
    EXPECT_DOUBLE_EQ(r.DisplayValue, c.display) << c.keys;
    EXPECT_EQ(r.Decimals, c.decimals) << c.keys;
    EXPECT_EQ(r.Point != 0, c.decimals > 0) << c.keys;
    EXPECT_EQ(numbers::CalculatorResult(r), c.result) << c.keys;
  }
}

TEST(CalculatorKeys, TypedDecimalsAreTheNearestDoubleToTheFigure) {
  const struct {
    const char* keys;
    double value;
  } cases[] = {{"0.12", 0.12}, {"7.25", 7.25}, {"0.29", 0.29}, {"123.456", 123.456}, {"5T.3", -4.7}};
  for (const auto& c : cases) {
    CalculatorRecord r;
    Type(r, c.keys);
    EXPECT_EQ(r.DisplayValue, c.value) << c.keys;  // exactly, not within a tolerance
  }
}

TEST(CalculatorKeys, OperationsWriteTheTape) {
  CalculatorRecord r;
  Type(r, "12.5+7.25=");
  EXPECT_EQ(Tape(r, 3), "12.5 + | 7.25 = | 19.75  ");
  EXPECT_EQ(r.FirstVisibleSlot, 20);
  EXPECT_EQ(r.PendingOperation, "");
  EXPECT_EQ(r.Entering, 0);
  EXPECT_EQ(r.Cleared, 0);

  r = {};
  Type(r, "200+10%=");
  EXPECT_EQ(Tape(r, 4), "200 + | 10 % | 20 = | 220  ");

  r = {};
  Type(r, "10/3=R");
  EXPECT_EQ(Tape(r, 2), "3.33333333333333   | 3.33 R");
  EXPECT_DOUBLE_EQ(r.Accumulator, 3.33);

  // "=" right after an operation does nothing.
  r = {};
  Type(r, "5+");
  EXPECT_EQ(Type(r, "="), CalculatorAction::Ignored);
  EXPECT_EQ(Type(r, "~"), CalculatorAction::Ignored);
  EXPECT_EQ(r.FirstVisibleSlot, 22);
  EXPECT_EQ(r.PendingOperation, "+");
}

TEST(CalculatorKeys, RoundingGoesToTheNearestHundredthAndHalvesToEven) {
  const struct {
    const char* keys;
    double rounded;
  } cases[] = {
      {"1.236T", -1.24}, {"2.125", 2.12}, {"2.375", 2.38}, {"2.675", 2.68}, {"1.015", 1.02},
      {"1.025", 1.02},   {"5", 5},        {"0.004", 0},    {"0.005", 0},    {"0.015", 0.02},
  };
  for (const auto& c : cases) {
    CalculatorRecord r;
    Type(r, c.keys);
    EXPECT_EQ(Type(r, "R"), CalculatorAction::Tape) << c.keys;
    EXPECT_DOUBLE_EQ(r.DisplayValue, c.rounded) << c.keys;
    EXPECT_DOUBLE_EQ(r.Accumulator, c.rounded) << c.keys;
    EXPECT_EQ(r.Decimals, 2) << c.keys;
    EXPECT_EQ(r.Tape[21].Operation, 'R') << c.keys;
  }
}

TEST(CalculatorKeys, ClearHasThreeLevels) {
  CalculatorRecord r;
  Type(r, "2*3");
  EXPECT_EQ(Type(r, "C"), CalculatorAction::Entry);
  EXPECT_EQ(r.DisplayValue, 2) << "the 3 is dropped, the accumulator shows";
  EXPECT_EQ(r.Entering, 0);
  EXPECT_EQ(r.PendingOperation, "*");
  EXPECT_EQ(Type(r, "C"), CalculatorAction::Entry);
  EXPECT_EQ(r.DisplayValue, 0);
  EXPECT_EQ(r.Accumulator, 0);
  EXPECT_EQ(r.PendingOperation, "");
  EXPECT_EQ(r.Cleared, -1);
  EXPECT_EQ(r.FirstVisibleSlot, 22) << "the tape is kept";
  EXPECT_EQ(Type(r, "C"), CalculatorAction::TapeCleared);
  EXPECT_EQ(r.FirstVisibleSlot, numbers::kEmptyTape);

  // After the full clear the pending "*" is gone: 5 = gives 5.
  r = {};
  Type(r, "2*3CC5=");
  EXPECT_EQ(r.DisplayValue, 5);

  // The accumulator comes back with its decimals.
  r = {};
  Type(r, "2.5*3C");
  EXPECT_EQ(r.DisplayValue, 2.5);
  EXPECT_EQ(r.Decimals, 1);
}

TEST(CalculatorKeys, TapeScrollsIntoTheHiddenSlot) {
  CalculatorRecord r;
  for (int i = 1; i <= 23; ++i) Type(r, std::to_string(i) + "+");
  EXPECT_EQ(r.FirstVisibleSlot, 2) << "never below 2";
  EXPECT_EQ(r.Tape[0].Value, 2) << "slot 1 keeps the line that scrolled off the top";
  EXPECT_EQ(r.Tape[1].Value, 3);
  EXPECT_EQ(r.Tape[21].Value, 23);
  EXPECT_EQ(r.Accumulator, 276);
}

TEST(CalculatorKeys, MovesWrapAroundTheScreen) {
  CalculatorRecord r;
  EXPECT_EQ(Type(r, "L"), CalculatorAction::Moved);
  EXPECT_EQ(r.WindowColumn, 55);
  EXPECT_EQ(Type(r, ">"), CalculatorAction::Moved);
  EXPECT_EQ(r.WindowColumn, 1);
  Type(r, ">>");
  EXPECT_EQ(r.WindowColumn, 3);
  numbers::ApplyCalculatorKey(r, console::KeyCtrlLeft);
  EXPECT_EQ(r.WindowColumn, 2);
  numbers::ApplyCalculatorKey(r, console::KeyCtrlRight);
  EXPECT_EQ(r.WindowColumn, 3);
}

TEST(CalculatorKeys, OtherKeysAndBackspaceWithoutATypedNumberChangeNothing) {
  CalculatorRecord r;
  Type(r, "12+3=");
  const CalculatorRecord before = r;
  for (int16_t key : {int16_t{'<'}, int16_t{'x'}, int16_t{' '}, console::KeyF1, console::KeyUp,
                      console::KeyAltX, int16_t{2629}}) {
    int16_t code = key == '<' ? console::KeyBackspace : key;
    EXPECT_EQ(numbers::ApplyCalculatorKey(r, code), CalculatorAction::Ignored) << code;
  }
  EXPECT_EQ(r, before);
  EXPECT_EQ(numbers::ApplyCalculatorKey(r, 'f'), CalculatorAction::Accept);
  EXPECT_EQ(numbers::ApplyCalculatorKey(r, console::KeyAltF), CalculatorAction::Accept);
  EXPECT_EQ(numbers::ApplyCalculatorKey(r, console::KeyEsc), CalculatorAction::Cancel);
  EXPECT_EQ(r, before);
}

TEST(CalculatorKeys, DivisionByZeroAndFiguresTooLargeAreRefused) {
  const struct {
    const char* before;
    const char* refused;
  } cases[] = {
      {"5/0", "="},
      {"0/0", "="},
      {"5/0", "+"},
      {"1234567890123456", "7"},  // a 17th integer digit
      {"1234567890123456*10", "="},
      {"123456789012345", "R"},        // two decimals leave 14 integer digits
      {"0.1234567890123456789", "1"},  // no integer position left
      {"5000000000000000+", "+"},
      {"1000000000000000+1000", "%"},  // 1000 % of 10^15
  };
  for (const auto& c : cases) {
    CalculatorRecord r;
    Type(r, c.before);
    const CalculatorRecord before = r;
    EXPECT_EQ(Type(r, c.refused), CalculatorAction::Refused) << c.before << " then " << c.refused;
    EXPECT_EQ(r, before) << c.before << " then " << c.refused;
    // The calculator goes on: C drops the number and the arithmetic continues.
    Type(r, "CC7=");
    EXPECT_EQ(r.DisplayValue, 7) << c.before;
  }
}

TEST(CalculatorFigures, MaskKeepsTwentyTwoCharactersForEveryDecimalCount) {
  EXPECT_EQ(numbers::FigureMask(0, 0), "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9");
  EXPECT_EQ(numbers::FigureMask(-1, 0), "-,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9.");
  EXPECT_EQ(numbers::FigureMask(-1, 2), "-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99");
  EXPECT_EQ(numbers::FigureMask(-1, 14), "-ZZ,ZZ9.99999999999999");
  for (int16_t d = 0; d <= 19; ++d) EXPECT_EQ(numbers::FigureMask(d > 0 ? -1 : 0, d).size(), 22u) << d;
  EXPECT_TRUE(numbers::FigureFits(9007199254740991.0, 0, 0));  // 16 digits
  EXPECT_FALSE(numbers::FigureFits(1e16, 0, 0));
  EXPECT_TRUE(numbers::FigureFits(-1234567.5, -1, 11));  // seven integer positions left
  EXPECT_FALSE(numbers::FigureFits(12345678, -1, 11));
  EXPECT_TRUE(numbers::FigureFits(0.5, -1, 19));
  EXPECT_FALSE(numbers::FigureFits(0.5, -1, 20));
}

}  // namespace
