#include "numbers/calculator_tape.h"

#include <gtest/gtest.h>

#include <string>

#include "console/keyboard.h"
#include "numbers/calculator_engine.h"

namespace {

using numbers::CalculatorRecord;

CalculatorRecord Busy() {
  CalculatorRecord r;
  for (char c : std::string("12.5+7.25=10/3=R200+10%0.05T*")) numbers::ApplyCalculatorKey(r, c);
  numbers::ApplyCalculatorKey(r, '3');  // a half-typed number with a pending "*"
  numbers::ApplyCalculatorKey(r, console::KeyLeft);
  return r;
}

TEST(CalculatorTape, RoundTripKeepsEveryValueExactly) {
  const CalculatorRecord busy = Busy();
  ASSERT_EQ(busy.PendingOperation, "*");
  ASSERT_EQ(busy.Entering, -1);
  CalculatorRecord tiny;
  tiny.DisplayValue = 0.000001;
  tiny.Point = -1;
  tiny.Decimals = 6;
  tiny.Accumulator = -1234567890123456.0;
  for (const CalculatorRecord& r : {CalculatorRecord{}, busy, tiny}) {
    CalculatorRecord read;
    read.WindowColumn = 9;
    EXPECT_TRUE(numbers::ReadCalculatorTape(numbers::WriteCalculatorTape(r), read));
    EXPECT_EQ(read, r);
  }
}

TEST(CalculatorTape, RecordsOfCommaSeparatedFieldsEndingInCrLf) {
  CalculatorRecord r;
  for (char c : std::string("12.5+7.25=")) numbers::ApplyCalculatorKey(r, c);
  const std::string text = numbers::WriteCalculatorTape(r);
  const std::string blank = "0,0,0,\" \"\r\n";
  std::string expected = "1,20,19.75,19.75\r\n0,0,-1,2\r\n\"=\",\"\"\r\n";
  for (int slot = 1; slot <= 19; ++slot) expected += blank;
  expected += "12.5,-1,1,\"+\"\r\n7.25,-1,2,\"=\"\r\n19.75,-1,2,\" \"\r\n";
  EXPECT_EQ(text, expected);

  // Fractions below 1 keep their leading zero; nothing is written with an exponent.
  r = {};
  r.DisplayValue = 0.05;
  r.Accumulator = 1e15;
  EXPECT_EQ(numbers::WriteCalculatorTape(r).substr(0, 26), "1,23,0.05,1000000000000000");
}

TEST(CalculatorTape, ReadingIgnoresWhereTheLinesBreak) {
  const CalculatorRecord busy = Busy();
  const std::string text = numbers::WriteCalculatorTape(busy);
  std::string oneLine, lfOnly;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      oneLine += i + 2 < text.size() ? "," : "\r\n";
      lfOnly += "\n";
      ++i;
    } else {
      oneLine += text[i];
      lfOnly += text[i];
    }
  }
  for (const std::string& variant : {oneLine, lfOnly, text + "\x1A", text.substr(0, text.size() - 2)}) {
    CalculatorRecord read;
    EXPECT_TRUE(numbers::ReadCalculatorTape(variant, read));
    EXPECT_EQ(read, busy);
  }
  CalculatorRecord read;
  read.WindowColumn = 30;
  EXPECT_TRUE(numbers::ReadCalculatorTape("", read)) << "an empty file is a terminal's first use";
  EXPECT_EQ(read, CalculatorRecord{});
}

TEST(CalculatorTape, DamagedTapesStartFromTheFirstUseValues) {
  const std::string good = numbers::WriteCalculatorTape(Busy());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const std::string blankSlot = "0,0,0,\" \"\r\n";
  const std::string damaged[] = {
      "garbage",
      std::string("\x00\xFF\x01,,\"", 6),
      good + blankSlot,        // a 23rd slot record
      replaced("55,", "56,"),  // the window would leave the screen
      replaced("55,", "0,"),
      replaced("55,", "-3,"),
      replaced("55,", "5x,"),
      replaced("55,", " 55,"),
      replaced("55,", "55.0,"),
      replaced("55,13,", "55,1,"),  // first visible slot below 2
      replaced("55,13,", "55,24,"),
      replaced("\"*\",\"*\"", "\"*\",\"x\""),  // an unknown pending operation
      replaced("\"*\",\"*\"", "\"*\",\"**\""),
      replaced("\"*\",\"*\"", "\"\x01\",\"*\""),  // a control byte in a text
      replaced("\"*\"", "*"),                     // a text without its quotes
      replaced("\"*\"", "\"*"),                   // an unclosed quote
      replaced(",\"%\"", ",\"Q\""),               // an unknown tape operation
      replaced(",\"%\"", ",\"\""),
      replaced("\r\n0,-1,0,0", "\r\n0,1,0,0"),    // a flag that is neither -1 nor 0
      replaced("\r\n0,-1,0,0", "\r\n0,,0,0"),     // an empty field
      replaced("\r\n0,-1,0,0", "\r\n0,-1,0,25"),  // more decimals than the mask holds
      replaced("55,13,3,", "55,13,1e20,"),
      replaced("55,13,3,", "55,13,nan,"),
      replaced("55,13,3,", "55,13,inf,"),
      replaced("55,13,3,", "55,13,100000000000000000000,"),  // too large for its mask
      replaced("\r\n200,0,0,", "\r\n100000000000000000,0,0,"),
  };
  for (const std::string& bytes : damaged) {
    CalculatorRecord read;
    read.WindowColumn = 9;
    EXPECT_FALSE(numbers::ReadCalculatorTape(bytes, read)) << bytes;
    EXPECT_EQ(read, CalculatorRecord{}) << bytes;
  }
  // Cut anywhere before its end, the tape is refused whole.
  const size_t end = good.size() - 2;  // the last CR LF may go
  for (size_t length = 1; length < end; ++length) {
    CalculatorRecord read;
    EXPECT_FALSE(numbers::ReadCalculatorTape(good.substr(0, length), read)) << length;
    EXPECT_EQ(read, CalculatorRecord{}) << length;
  }
}

}  // namespace
