#include "console/wrap_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Wrap(std::string text, int16_t indent, int16_t width, const char* mode) {
  console::WrapText(text, indent, width, mode);
  return text;
}

struct WrapCase {
  const char* name;
  std::string text;
  int16_t indent, width;
  const char* mode;
  std::string expected;
};

TEST(WrapTextTest, Modes) {
  const WrapCase cases[] = {
      {"words are never cut", "one two three", 0, 10, "i", "one two   three     "},
      {"a line that ends at a blank", "alpha beta gamma", 0, 10, "i", "alpha betagamma     "},
      {"a word longer than the line is cut", "abcdefghijkl", 0, 10, "i", "abcdefghijkl        "},
      {"E and L are left too", "ab cd", 0, 6, "E", "ab cd "},
      {"L", "ab cd", 0, 6, "l", "ab cd "},
      {"N pads with minus signs", "ab cd", 0, 8, "N", "ab cd---"},
      {"D pads on the left", "ab cd", 0, 7, "d", "  ab cd"},
      {"R", "ab cd", 0, 7, "R", "  ab cd"},
      {"C centres, the odd blank on the right", "ab cd", 0, 8, "c", " ab cd  "},
      {"an unknown mode adds nothing", "one two three", 0, 10, "x", "one twothree"},
      {"an empty mode adds nothing", "one two three", 0, 10, "", "one twothree"},
      {"positive indent: first line", "aaa bbb ccc", 2, 8, "i", "  aaa   bbb ccc "},
      {"negative indent: later lines", "aaa bbb ccc", -2, 8, "i", "aaa bbb   ccc   "},
      {"negative indent right-aligned", "aaa bbb ccc", -2, 8, "r", " aaa bbb     ccc"},
      {"blanks between lines are skipped", "ab    cd", 0, 3, "i", "ab cd "},
      {"empty text", "", 0, 10, "i", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Wrap(c.text, c.indent, c.width, c.mode), c.expected) << c.name;
}

TEST(WrapTextTest, Justified) {
  const WrapCase cases[] = {
      {"gaps filled left to right, last line as it is", "aa bb cc dd ee", 0, 10, "a", "aa  bb  ccdd ee"},
      {"more blanks than gaps start over", "aa bb cccccccccc", 0, 10, "B", "aa      bbcccccccccc"},
      {"three gaps", "aa bb cc dd eeeeeeeeeee", 0, 14, "a", "aa  bb  cc  ddeeeeeeeeeee"},
      {"the indent is not a gap", "aa bb cc dd", 2, 8, "a", "  aa  bbcc dd"},
      {"a line without a gap stays short", "abcdefghij klm", 0, 12, "a", "abcdefghijklm"},
  };
  for (const auto& c : cases) EXPECT_EQ(Wrap(c.text, c.indent, c.width, c.mode), c.expected) << c.name;
}

TEST(WrapTextTest, ControlCharactersTakeNoColumn) {
  // The toggle inside the first line widens it by one byte.
  EXPECT_EQ(Wrap("ab\x1f"
                 "cd ef",
                 0, 5, "i"),
            "ab\x1f"
            "cd ef   ");
  // Toggles after the last word of a line go with it.
  EXPECT_EQ(Wrap("abc\x1e\x1f xy", 0, 4, "i"),
            "abc\x1e\x1f "
            "xy  ");
  // A word cut at the line's end keeps the toggles taken with it.
  EXPECT_EQ(Wrap("abcde\x1f"
                 "fg",
                 0, 5, "i"),
            "abcde\x1f"
            "fg   ");
}

TEST(WrapTextTest, DegenerateWidthsStillEnd) {
  // Every line takes at least one character, so no width makes it loop.
  EXPECT_EQ(Wrap("abc", 0, 0, "i"), "abc");
  EXPECT_EQ(Wrap("abc", 0, -5, "i"), "abc");
  std::string wide = Wrap("ab cd", 9, 3, "i");
  EXPECT_NE(wide.find('a'), std::string::npos);
  EXPECT_NE(wide.find("cd"), std::string::npos);
  std::string text(5000, 'x');
  EXPECT_EQ(Wrap(text, 0, 1, "i"), text);
}

}  // namespace
