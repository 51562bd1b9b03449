#include "console/style.h"

#include <gtest/gtest.h>

#include "console/console_state.h"
#include "console/window_stack.h"
#include "console_fixture.h"

namespace {

using consoletest::ConsoleTest;

class StyleTest : public ConsoleTest {
 protected:
  int Colours() const { return console.Foreground() + 16 * console.Background(); }
};

struct StyleCase {
  const char* code;
  int16_t style;
  uint8_t attr;
};

TEST_F(StyleTest, PlainCodesSelectTheirStyle) {
  const StyleCase cases[] = {
      {"h", console::StyleHighlight, consoletest::kAttrHighlight},
      {"n", console::StyleNormal, consoletest::kAttrNormal},
      {"N", console::StyleNormal, consoletest::kAttrNormal},
      {"r", console::StyleReverse, consoletest::kAttrReverse},
      {"rh", console::StyleReverse, consoletest::kAttrReverse},
      {"rn", console::StyleReverseNormal, consoletest::kAttrReverseNormal},
      {"NR", console::StyleReverseNormal, consoletest::kAttrReverseNormal},
      {"u", console::StyleUnderline, consoletest::kAttrUnderline},
      {"hu", console::StyleUnderline, consoletest::kAttrUnderline},  // U wins
      {"rnu", console::StyleUnderline, consoletest::kAttrUnderline},
      {"xyz", console::StyleHighlight, consoletest::kAttrHighlight},  // other letters add nothing
  };
  for (const auto& c : cases) {
    console::SetStyle("u");  // something else first
    console::SetStyle("n");
    console::SetStyle(c.code);
    EXPECT_EQ(console::State().CurrentStyle, c.style) << c.code;
    EXPECT_EQ(Colours(), c.attr) << c.code;
    EXPECT_TRUE(console::State().StyleStack.empty()) << c.code;
  }
}

TEST_F(StyleTest, EmptyOrBlankCodeChangesNothing) {
  console::SetStyle("+u");
  console.SetColours(3, 5);
  for (const char* code : {"", "   "}) {
    console::SetStyle(code);
    EXPECT_EQ(console::State().CurrentStyle, console::StyleUnderline);
    EXPECT_EQ(console::State().StyleStack.size(), 1u);
    EXPECT_EQ(console.Foreground(), 3);
    EXPECT_EQ(console.Background(), 5);
  }
}

TEST_F(StyleTest, PushAndPopReturnToTheEarlierStyle) {
  console::SetStyle("u");
  console::SetStyle("+n");
  console::SetStyle("r");
  console::SetStyle("-");
  EXPECT_EQ(console::State().CurrentStyle, console::StyleUnderline);
  EXPECT_EQ(Colours(), consoletest::kAttrUnderline);
  EXPECT_TRUE(console::State().StyleStack.empty());

  // Nested saves come back in reverse order.
  console::SetStyle("n");
  console::SetStyle("+rh");
  console::SetStyle("+u");
  EXPECT_EQ(console::State().StyleStack, std::string({1, 2}));
  console::SetStyle("-");
  EXPECT_EQ(console::State().CurrentStyle, console::StyleReverse);
  console::SetStyle("-");
  EXPECT_EQ(console::State().CurrentStyle, console::StyleNormal);
}

TEST_F(StyleTest, PopOnEmptyStackSelectsHighlight) {
  console::SetStyle("n");
  console::SetStyle("-");
  EXPECT_EQ(console::State().CurrentStyle, console::StyleHighlight);
  EXPECT_EQ(Colours(), consoletest::kAttrHighlight);
  EXPECT_TRUE(console::State().StyleStack.empty());
}

TEST_F(StyleTest, MarksAnywhereInTheCode) {
  console::SetStyle("n");
  console::SetStyle("+");  // saves and selects style 0
  EXPECT_EQ(console::State().CurrentStyle, console::StyleHighlight);
  EXPECT_EQ(console::State().StyleStack, std::string({1}));
  console::SetStyle("u");
  console::SetStyle("+-");  // saves the current style and takes it back at once
  EXPECT_EQ(console::State().CurrentStyle, console::StyleUnderline);
  EXPECT_EQ(console::State().StyleStack, std::string({1}));
  console::SetStyle("rn-");  // letters ignored with a pop
  EXPECT_EQ(console::State().CurrentStyle, console::StyleNormal);
}

TEST_F(StyleTest, ColourOfSixteenOrMoreKeepsThatPlane) {
  auto& pairs = config::SessionSettings().ColourPairs;
  pairs[2] = {16, 4};
  pairs[3] = {2, 99};
  console.SetColours(9, 10);
  console::SetStyle("r");
  EXPECT_EQ(console.Foreground(), 9);
  EXPECT_EQ(console.Background(), 4);
  console::SetStyle("rn");
  EXPECT_EQ(console.Foreground(), 2);
  EXPECT_EQ(console.Background(), 4);
}

TEST_F(StyleTest, WritesUseTheSelectedColours) {
  console::SetStyle("u");
  console.MoveCursor(3, 3);
  console.WriteText("ab");
  console::SetStyle("n");
  console.WriteText("c");
  EXPECT_EQ(console.ReadCell(3, 3).Attr, consoletest::kAttrUnderline);
  EXPECT_EQ(console.ReadCell(3, 4).Attr, consoletest::kAttrUnderline);
  EXPECT_EQ(console.ReadCell(3, 5).Attr, consoletest::kAttrNormal);
}

TEST_F(StyleTest, LocateIsRelativeToTheInnermostWindow) {
  console.MoveCursor(7, 7);
  console::Locate(0, 0);  // no window: row and column 0 are off the screen
  EXPECT_EQ(console.CursorRow(), 7);
  EXPECT_EQ(console.CursorColumn(), 7);
  console::Locate(3, 40);
  EXPECT_EQ(console.CursorRow(), 3);
  EXPECT_EQ(console.CursorColumn(), 40);

  console::PushWindow(5, 10, 12, 40);
  console::Locate(0, 0);
  EXPECT_EQ(console.CursorRow(), 5);
  EXPECT_EQ(console.CursorColumn(), 10);
  console::Locate(1, 1);
  EXPECT_EQ(console.CursorRow(), 6);
  EXPECT_EQ(console.CursorColumn(), 11);
  console::Locate(30, 2);  // row 35 is off the screen: only the column moves
  EXPECT_EQ(console.CursorRow(), 6);
  EXPECT_EQ(console.CursorColumn(), 12);
  console::Locate(INT16_MAX, INT16_MAX);  // no overflow into the screen
  EXPECT_EQ(console.CursorRow(), 6);
  EXPECT_EQ(console.CursorColumn(), 12);
  console::PopWindow();
}

TEST_F(StyleTest, IsAllChar) {
  EXPECT_TRUE(console::IsAllChar("", ' '));
  EXPECT_TRUE(console::IsAllChar("   ", ' '));
  EXPECT_FALSE(console::IsAllChar("  a ", ' '));
  EXPECT_TRUE(console::IsAllChar("xx", 'x'));
}

TEST_F(StyleTest, ScreenSizeIsAskedOfTheConsole) {
  EXPECT_EQ(console::ScreenWidth(), 80);
  EXPECT_EQ(console::ScreenHeight(), 25);
  platform::MemoryConsole small(40, 12);
  platform::SetActiveConsole(&small);
  EXPECT_EQ(console::ScreenWidth(), 40);
  EXPECT_EQ(console::ScreenHeight(), 12);
  platform::SetActiveConsole(&console);
}

}  // namespace
