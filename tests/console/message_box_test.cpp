#include "console/message_box.h"

#include <gtest/gtest.h>

#include "console/console_state.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "console_fixture.h"

namespace {

using consoletest::ConsoleTest;

class MessageBoxTest : public ConsoleTest {
 protected:
  // Ten words of nine letters each followed by a blank: 100 characters.
  static std::string HundredCharacters() {
    std::string text;
    for (int i = 0; i < 10; ++i) text += std::string(9, static_cast<char>('a' + i)) + " ";
    return text;
  }
  static std::string Bytes(int code, int n = 1) {
    return std::string(static_cast<size_t>(n), static_cast<char>(code));
  }
  std::string Span(int16_t row, int16_t left, int16_t right) const {
    return console.RowText(row).substr(static_cast<size_t>(left - 1), static_cast<size_t>(right - left + 1));
  }
  void ExpectBox(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    const auto& s = console::State();
    EXPECT_EQ(s.WindowTop, top);
    EXPECT_EQ(s.WindowLeft, left);
    EXPECT_EQ(s.WindowBottom, bottom);
    EXPECT_EQ(s.WindowRight, right);
    int w = right - left - 1;
    EXPECT_EQ(Span(top, left, right), Bytes(218) + Bytes(196, w) + Bytes(191));
    EXPECT_EQ(Span(bottom, left, right), Bytes(192) + Bytes(196, w) + Bytes(217));
    for (int16_t r = top; r <= bottom; ++r)
      for (int16_t c = left; c <= right; ++c)
        EXPECT_EQ(console.ReadCell(r, c).Attr, consoletest::kAttrReverse);
    // Nothing outside the box.
    if (left > 1) {
      EXPECT_EQ(console.ReadCell(top, static_cast<int16_t>(left - 1)).Char, '.');
    }
    if (right < 80) {
      EXPECT_EQ(console.ReadCell(top, static_cast<int16_t>(right + 1)).Char, '.');
    }
  }
  void FillDots() {
    console.SetColours(7, 0);
    for (int16_t r = 1; r <= 25; ++r) {
      console.MoveCursor(r, 1);
      console.WriteText(std::string(80, '.'));
    }
  }
};

TEST_F(MessageBoxTest, HundredCharactersMakeTwoLines) {
  FillDots();
  const auto before = Snapshot();
  console::SetStyle("n");
  std::string text = HundredCharacters();
  console::ShowMessage(12, text);
  ASSERT_EQ(text.size(), 152u);  // two 76-character lines, padded
  const std::string first = "aaaaaaaaa bbbbbbbbb ccccccccc ddddddddd eeeeeeeee fffffffff ggggggggg";
  EXPECT_EQ(text.substr(0, 76), first + std::string(76 - first.size(), ' '));
  EXPECT_EQ(text.substr(76, 29), "hhhhhhhhh iiiiiiiii jjjjjjjjj");
  // The longest trimmed line has 69 characters: the box is 73 wide.
  EXPECT_EQ(console::State().WindowDepth, 1);
  ExpectBox(9, 4, 12, 76);
  EXPECT_EQ(Span(10, 4, 76), Bytes(179) + " " + first + " " + Bytes(179));
  EXPECT_EQ(Span(11, 4, 76),
            Bytes(179) + " hhhhhhhhh iiiiiiiii jjjjjjjjj" + std::string(41, ' ') + Bytes(179));
  EXPECT_EQ(console::State().CurrentStyle, console::StyleNormal);  // the caller's style is back
  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(MessageBoxTest, OneFullLineSpansTheScreensWidth) {
  FillDots();
  std::string text(76, 'm');
  text[30] = ' ';
  console::ShowMessage(12, text);
  EXPECT_EQ(text.size(), 76u);
  ExpectBox(9, 1, 11, 80);
  EXPECT_EQ(Span(10, 1, 80), Bytes(179) + " " + text + " " + Bytes(179));
}

TEST_F(MessageBoxTest, PlacementAroundTheRow) {
  struct Case {
    const char* name;
    int16_t row;
    std::string text;
    int16_t top, left, bottom, right;
  };
  const Case cases[] = {
      {"a short message at row 12", 12, "Hola", 9, 37, 11, 44},
      {"the locked-file row", 24, "Fitxer bloquejat", 21, 31, 23, 50},
      {"near the top", 2, "Hola", 1, 37, 3, 44},
      {"below the screen moves up", 30, "Hola", 23, 37, 25, 44},
      {"two lines at the last row", 25, HundredCharacters(), 22, 4, 25, 76},
  };
  for (const auto& c : cases) {
    console::ResetState();
    FillDots();
    std::string text = c.text;
    console::ShowMessage(c.row, text);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(console::State().WindowDepth, 1);
    ExpectBox(c.top, c.left, c.bottom, c.right);
  }
}

TEST_F(MessageBoxTest, TooManyLinesShowNothing) {
  FillDots();
  const auto before = Snapshot();
  console::SetStyle("u");
  std::string text(24 * 76, 'z');  // 24 lines and a frame need 26 rows
  console::ShowMessage(12, text);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(console::State().CurrentStyle, console::StyleUnderline);
  EXPECT_TRUE(console::State().StyleStack.empty());

  std::string fits(23 * 76, 'z');  // 23 lines fill the screen exactly
  console::ShowMessage(12, fits);
  EXPECT_EQ(console::State().WindowDepth, 1);
  ExpectBox(1, 1, 25, 80);
}

TEST_F(MessageBoxTest, NarrowScreenDrawsNothingOverTheEnclosingWindow) {
  platform::MemoryConsole narrow(40, 25);
  platform::SetActiveConsole(&narrow);
  console::PushWindow(2, 2, 20, 39);
  const auto before = narrow.Cells();
  console::ShowMessage(12, std::string(60, 'w'));
  EXPECT_EQ(narrow.Cells(), before);
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(console::State().WindowTop, 2);
  console::PopWindow();
  platform::SetActiveConsole(&console);
}

TEST_F(MessageBoxTest, ControlBytesShowAsBlanks) {
  std::string text =
      "Fitxer\x07\x0d\x0a"
      "DADES";
  console::ShowMessage(12, text);
  EXPECT_EQ(text.substr(0, 14), "Fitxer   DADES");
  EXPECT_EQ(Span(10, 34, 47), "Fitxer   DADES");
}

TEST_F(MessageBoxTest, ConstTextOverload) {
  console::ShowMessage(12, std::string("No es pot obrir el fitxer"));
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_NE(console.RowText(10).find("No es pot obrir el fitxer"), std::string::npos);
}

}  // namespace
