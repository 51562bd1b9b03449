#include "console/window_stack.h"

#include <gtest/gtest.h>

#include "console/console_state.h"
#include "console/style.h"
#include "console_fixture.h"

namespace {

using consoletest::ConsoleTest;

class WindowStackTest : public ConsoleTest {
 protected:
  struct Rect4 {
    int16_t top, left, bottom, right;
    bool operator==(const Rect4&) const = default;
  };
  static Rect4 WindowState() {
    const auto& s = console::State();
    return {s.WindowTop, s.WindowLeft, s.WindowBottom, s.WindowRight};
  }
  // CP850 bytes of a text given as single-byte codes.
  static std::string Bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes) s.push_back(static_cast<char>(c));
    return s;
  }
  static std::string Repeat(int code, int n) {
    return std::string(static_cast<size_t>(n), static_cast<char>(code));
  }
  std::string RowRange(int16_t row, int16_t left, int16_t right) const {
    return console.RowText(row).substr(static_cast<size_t>(left - 1), static_cast<size_t>(right - left + 1));
  }
  static int32_t Header(const std::string& file) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<uint8_t>(file[i])) << (8 * i);
    return static_cast<int32_t>(u);
  }
  static std::string HeaderBytes(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
  }
};

TEST_F(WindowStackTest, PushPopRestoresEveryCellColourAndTheCursor) {
  PaintPattern();
  const auto before = Snapshot();
  console.MoveCursor(7, 33);
  console::PushWindow(1, 59, 24, 80);
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(WindowState(), (Rect4{1, 59, 24, 80}));
  EXPECT_TRUE(std::filesystem::exists(StackFile()));
  // Push draws nothing and leaves the cursor alone.
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console.CursorRow(), 7);
  EXPECT_EQ(console.CursorColumn(), 33);

  console::SetStyle("u");
  console::DrawFrame(console::FrameDouble);
  console::Locate(3, 3);
  console.WriteText("inside the window");
  ASSERT_NE(Snapshot(), before);

  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console.CursorRow(), 7);
  EXPECT_EQ(console.CursorColumn(), 33);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(WindowState(), (Rect4{0, 0, 0, 0}));
  EXPECT_FALSE(std::filesystem::exists(StackFile()));
  // The colours are the last restored cell's; the style is untouched.
  platform::Cell last = console.ReadCell(24, 80);
  EXPECT_EQ(console.Foreground() + 16 * console.Background(), last.Attr);
  EXPECT_EQ(console::State().CurrentStyle, console::StyleUnderline);
}

TEST_F(WindowStackTest, StackFileLayoutOfAThreeByFourWindow) {
  PaintPattern();
  console.MoveCursor(12, 7);
  console::PushWindow(2, 3, 4, 6);
  const std::string file = ReadStackFile();
  ASSERT_EQ(file.size(), 53u);
  EXPECT_EQ(Header(file), 54);
  EXPECT_EQ(file.substr(4, 20), "12070000000002030406");
  std::string cells;
  for (int16_t r = 2; r <= 4; ++r)
    for (int16_t c = 3; c <= 6; ++c) {
      cells.push_back(static_cast<char>(console.ReadCell(r, c).Char));
      cells.push_back(static_cast<char>(console.ReadCell(r, c).Attr));
    }
  EXPECT_EQ(file.substr(24, 24), cells);
  EXPECT_EQ(file.substr(48, 5), "00049");

  // A nested window records the outer rectangle and goes on after the first.
  console.MoveCursor(3, 4);
  console::PushWindow(3, 4, 3, 5);
  const std::string two = ReadStackFile();
  ASSERT_EQ(two.size(), 53u + 29u);
  EXPECT_EQ(Header(two), 54 + 29);
  EXPECT_EQ(two.substr(53, 20), "03040203040603040305");
  EXPECT_EQ(two.substr(53 + 24, 5), "00029");
}

TEST_F(WindowStackTest, NestedWindowsRestoreInOrder) {
  PaintPattern();
  const auto before = Snapshot();
  console.MoveCursor(2, 2);
  console::PushWindow(5, 10, 15, 50);
  console::SetStyle("n");
  console::DrawFrame(console::FrameSingle);
  const auto withOuter = Snapshot();
  console::Locate(2, 2);
  console::PushWindow(8, 30, 20, 70);
  EXPECT_EQ(console::State().WindowDepth, 2);
  EXPECT_EQ(WindowState(), (Rect4{8, 30, 20, 70}));
  console::DrawFrame(console::FrameDouble);

  console::PopWindow();
  EXPECT_EQ(Snapshot(), withOuter);
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(WindowState(), (Rect4{5, 10, 15, 50}));
  EXPECT_EQ(console.CursorRow(), 7);  // Locate (2, 2) inside the outer window
  EXPECT_EQ(console.CursorColumn(), 12);
  EXPECT_TRUE(std::filesystem::exists(StackFile()));

  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(WindowState(), (Rect4{0, 0, 0, 0}));
  EXPECT_FALSE(std::filesystem::exists(StackFile()));

  // A pop with nothing stored changes nothing.
  console.MoveCursor(9, 9);
  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console.CursorRow(), 9);
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(WindowStackTest, RectangleOutsideTheScreenIsNotPushed) {
  const Rect4 outside[] = {{1, 1, 30, 10}, {0, 1, 5, 10}, {1, 0, 5, 10}, {1, 1, 5, 81}, {26, 1, 26, 10}};
  for (const auto& r : outside) {
    console::PushWindow(r.top, r.left, r.bottom, r.right);
    EXPECT_EQ(console::State().WindowDepth, 0);
    EXPECT_EQ(WindowState(), (Rect4{0, 0, 0, 0}));
    EXPECT_FALSE(std::filesystem::exists(StackFile()));
  }
  // Inside a window, the caller's later pop closes the enclosing window.
  console::PushWindow(2, 2, 10, 20);
  console::PushWindow(2, 2, 30, 20);
  EXPECT_EQ(console::State().WindowDepth, 1);
  console::PopWindow();
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(WindowStackTest, InvertedRectangleStoresNoCells) {
  PaintPattern();
  const auto before = Snapshot();
  console::PushWindow(10, 20, 8, 18);  // no check of the order; no cells to save
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(ReadStackFile().size(), 4u + 25u);
  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(WindowStackTest, FramesOfAnEarlierRunStayBelow) {
  PaintPattern();
  console::PushWindow(3, 3, 6, 9);  // left by an earlier run
  const std::string earlier = ReadStackFile();
  console::ResetState();  // a new run starts with no windows open

  const auto before = Snapshot();
  console::PushWindow(10, 10, 12, 30);
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(Header(ReadStackFile()), Header(earlier) + 25 + 2 * 3 * 21);
  console::DrawFrame(console::FrameDouble);
  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
  // The file remains, holding the older frame as it was.
  const std::string after = ReadStackFile();
  EXPECT_EQ(Header(after), Header(earlier));
  EXPECT_EQ(after.substr(0, earlier.size()), earlier);
}

TEST_F(WindowStackTest, DamagedStackFileRestoresNothing) {
  // A sound frame of the window (2, 2, 3, 3) to damage.
  console::PushWindow(2, 2, 3, 3);
  const std::string sound = ReadStackFile();
  ASSERT_EQ(sound.size(), 4u + 33u);
  const std::string frame = sound.substr(4);
  auto withHeader = [&](int32_t h, const std::string& body) { return HeaderBytes(h) + body; };
  std::string badDigits = frame;
  badDigits[13] = 'x';  // a rectangle field
  std::string badLength = frame;
  badLength[30] = '?';
  std::string shortLength = frame;
  shortLength.replace(28, 5, "00010");
  std::string longLength = frame;
  longLength.replace(28, 5, "00099");
  std::string wrongCells = frame;
  wrongCells.replace(16, 4, "0909");  // an 8 x 8 rectangle in a frame of 4 cells

  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"header before the first frame", withHeader(3, frame)},
      {"header of zero", withHeader(0, frame)},
      {"negative header", withHeader(-1, frame)},
      {"header past the end", withHeader(5000, frame)},
      {"header one short of a frame", withHeader(29, frame)},
      {"truncated frame", withHeader(38, frame.substr(0, 20))},
      {"non-digit rectangle", withHeader(38, badDigits)},
      {"non-digit frame length", withHeader(38, badLength)},
      {"frame length too short", withHeader(38, shortLength)},
      {"frame length reaching before the frames", withHeader(38, longLength)},
      {"cells that do not fit the rectangle", withHeader(38, wrongCells)},
  };
  for (const auto& c : cases) {
    console::ResetState();
    console.SetColours(7, 0);
    console.ClearScreen();
    console::PushWindow(5, 5, 20, 60);  // kept in memory: the window state to preserve
    std::filesystem::remove(StackFile());
    console::State().MemoryFrames.clear();
    PaintPattern();
    const auto before = Snapshot();
    console.MoveCursor(4, 4);
    WriteStackFile(c.bytes);
    console::PopWindow();
    EXPECT_EQ(Snapshot(), before) << c.name;
    EXPECT_EQ(console::State().WindowDepth, 1) << c.name;
    EXPECT_EQ(WindowState(), (Rect4{5, 5, 20, 60})) << c.name;
    EXPECT_EQ(console.CursorRow(), 4) << c.name;
    EXPECT_EQ(ReadStackFile(), c.bytes) << c.name;  // left as found

    // A push onto the damaged file still pairs with its pop.
    console::PushWindow(7, 7, 9, 12);
    console::DrawFrame(console::FrameSingle);
    console::PopWindow();
    EXPECT_EQ(Snapshot(), before) << c.name;
    EXPECT_EQ(console::State().WindowDepth, 1) << c.name;
    EXPECT_EQ(WindowState(), (Rect4{5, 5, 20, 60})) << c.name;
  }
}

TEST_F(WindowStackTest, ShortOrEmptyStackFileIsDeleted) {
  for (const std::string& bytes :
       {std::string(""), std::string("\x36\x00", 2), HeaderBytes(5) + "leftover"}) {
    console::ResetState();
    WriteStackFile(bytes);
    console.MoveCursor(3, 3);
    console::PopWindow();
    EXPECT_FALSE(std::filesystem::exists(StackFile()));
    EXPECT_EQ(console::State().WindowDepth, 0);
    EXPECT_EQ(console.CursorRow(), 3);
  }
}

TEST_F(WindowStackTest, FrameReachingBeyondTheScreenRestoresOnlyItsVisibleCells) {
  // A frame from a run on a taller screen: rows 24 to 26, columns 79 to 80.
  std::string cells;
  for (int i = 0; i < 6; ++i) cells += Bytes({'A' + i, 0x1E});
  std::string frame =
      "9999"
      "00000000"
      "24792680" +
      cells + "00037";
  WriteStackFile(HeaderBytes(5 + static_cast<int32_t>(frame.size())) + frame);
  console.ClearScreen();
  const auto before = Snapshot();
  console::PopWindow();
  EXPECT_EQ(console.ReadCell(24, 79), (platform::Cell{'A', 0x1E}));
  EXPECT_EQ(console.ReadCell(24, 80), (platform::Cell{'B', 0x1E}));
  EXPECT_EQ(console.ReadCell(25, 79), (platform::Cell{'C', 0x1E}));
  EXPECT_EQ(console.ReadCell(25, 80), (platform::Cell{'D', 0x1E}));
  // Nothing else was written: no wrap, no scroll.
  auto after = Snapshot();
  for (int16_t r : {24, 25})
    for (int16_t c : {79, 80}) after[static_cast<size_t>((r - 1) * 80 + c - 1)] = before[0];
  EXPECT_EQ(after, before);
  EXPECT_FALSE(std::filesystem::exists(StackFile()));
}

TEST_F(WindowStackTest, UnwritableStackFileKeepsTheScreenUsable) {
  config::SessionSettings().TempDir = (workDir / "no such folder").string() + "/";
  PaintPattern();
  const auto before = Snapshot();
  console.MoveCursor(6, 6);
  console::PushWindow(3, 3, 12, 40);
  EXPECT_EQ(console::State().WindowDepth, 1);
  console::DrawFrame(console::FrameDouble);
  console::PushWindow(5, 20, 8, 60);
  console::DrawFrame(console::FrameSingle);
  EXPECT_EQ(console::State().WindowDepth, 2);
  console::PopWindow();
  EXPECT_EQ(WindowState(), (Rect4{3, 3, 12, 40}));
  console::PopWindow();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(console.CursorRow(), 6);
  EXPECT_EQ(console.CursorColumn(), 6);
}

TEST_F(WindowStackTest, FrameRows) {
  console::PushWindow(5, 10, 9, 30);
  console::SetStyle("rn");
  console::DrawFrame(console::FrameSingle);
  EXPECT_EQ(RowRange(5, 10, 30), Bytes({218}) + Repeat(196, 19) + Bytes({191}));
  for (int16_t r = 6; r <= 8; ++r)
    EXPECT_EQ(RowRange(r, 10, 30), Bytes({179}) + Repeat(' ', 19) + Bytes({179}));
  EXPECT_EQ(RowRange(9, 10, 30), Bytes({192}) + Repeat(196, 19) + Bytes({217}));
  for (int16_t r = 5; r <= 9; ++r)
    for (int16_t c = 10; c <= 30; ++c)
      EXPECT_EQ(console.ReadCell(r, c).Attr, consoletest::kAttrReverseNormal);
  EXPECT_EQ(console.ReadCell(7, 9).Char, ' ');  // nothing outside
  EXPECT_EQ(console.ReadCell(7, 9).Attr, 0x07);

  console::DrawFrame(console::FrameDouble);
  EXPECT_EQ(RowRange(5, 10, 30), Bytes({201}) + Repeat(205, 19) + Bytes({187}));
  EXPECT_EQ(RowRange(7, 10, 30), Bytes({186}) + Repeat(' ', 19) + Bytes({186}));
  EXPECT_EQ(RowRange(9, 10, 30), Bytes({200}) + Repeat(205, 19) + Bytes({188}));

  console::Locate(2, 2);
  console.WriteText("text");
  console::DrawFrame(console::FrameBlank);  // blanks the interior too
  for (int16_t r = 5; r <= 9; ++r) EXPECT_EQ(RowRange(r, 10, 30), Repeat(' ', 21));

  console::DrawFrame(9);
  EXPECT_EQ(RowRange(5, 10, 30), Repeat(0, 21));
  EXPECT_EQ(RowRange(7, 10, 30), Bytes({0}) + Repeat(' ', 19) + Bytes({0}));
  EXPECT_EQ(RowRange(9, 10, 30), Repeat(0, 21));
}

TEST_F(WindowStackTest, FrameAtTheScreensBottomRightDoesNotScroll) {
  console.MoveCursor(1, 1);
  console.WriteText("top row");
  console::PushWindow(20, 60, 25, 80);
  console::DrawFrame(console::FrameDouble);
  EXPECT_EQ(Row(1), "top row");
  EXPECT_EQ(console.ReadCell(25, 80).Char, 188);
  EXPECT_EQ(console.ReadCell(20, 60).Char, 201);
}

TEST_F(WindowStackTest, DrawFrameWithoutAWindowDrawsNothing) {
  const auto before = Snapshot();
  console::DrawFrame(console::FrameDouble);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(WindowStackTest, InteriorBounds) {
  EXPECT_EQ(console::FirstRow(), 1);
  EXPECT_EQ(console::FirstColumn(), 1);
  EXPECT_EQ(console::LastColumn(), 80);
  console::PushWindow(4, 11, 20, 50);
  EXPECT_EQ(console::FirstRow(), 5);
  EXPECT_EQ(console::FirstColumn(), 12);
  EXPECT_EQ(console::LastColumn(), 49);
  console::PopWindow();
  EXPECT_EQ(console::LastColumn(), 80);
}

TEST_F(WindowStackTest, ScrollRegionMovesTheInteriorInTheCurrentColours) {
  console::PushWindow(4, 1, 10, 80);
  console::SetStyle("n");
  console::DrawFrame(console::FrameDouble);
  for (int16_t r = 1; r <= 5; ++r) {
    console::Locate(r, 2);
    console.WriteText("line " + std::to_string(r));
  }
  console::SetStyle("rn");
  const auto& s = console::State();
  console::ScrollRegion(s.WindowTop, s.WindowLeft, static_cast<int16_t>(s.WindowBottom - 2),
                        static_cast<int16_t>(s.WindowRight - 2), 2);
  EXPECT_EQ(RowRange(5, 3, 8), "line 3");
  EXPECT_EQ(RowRange(7, 3, 8), "line 5");
  EXPECT_EQ(RowRange(8, 2, 79), Repeat(' ', 78));
  EXPECT_EQ(console.ReadCell(9, 2).Attr, consoletest::kAttrReverseNormal);
  EXPECT_EQ(console.ReadCell(9, 1).Char, 186);  // the frame stays
  EXPECT_EQ(console.ReadCell(9, 80).Char, 186);
  console::ScrollRegion(s.WindowTop, s.WindowLeft, static_cast<int16_t>(s.WindowBottom - 2),
                        static_cast<int16_t>(s.WindowRight - 2), -1);
  EXPECT_EQ(RowRange(5, 2, 79), Repeat(' ', 78));
  EXPECT_EQ(RowRange(6, 3, 8), "line 3");
  EXPECT_EQ(console.ReadCell(4, 5).Char, 205);
  console::PopWindow();
}

TEST_F(WindowStackTest, HeaderRowRows) {
  console::SetStyle("h");
  console::PushWindow(3, 10, 10, 36);  // 27 columns wide
  console::DrawFrame(console::FrameDouble);
  const std::string header = "CODE NAME_OF_ESTATE";
  console::DrawHeaderRow(header, 1, 25, false);
  EXPECT_EQ(RowRange(3, 10, 36),
            Bytes({201}) + "CODE" + Bytes({205}) + "NAME OF ESTATE" + Repeat(205, 6) + Bytes({187}));
  EXPECT_EQ(console.ReadCell(3, 12).Attr, consoletest::kAttrNormal);
  EXPECT_EQ(console::State().CurrentStyle, console::StyleHighlight);  // "+n" ... "-"
  EXPECT_EQ(console.Foreground() + 16 * console.Background(), consoletest::kAttrHighlight);

  console::DrawHeaderRow(header, 9, 25, false);
  EXPECT_EQ(RowRange(3, 10, 36),
            Bytes({console::LeftArrowChar}) + "E OF ESTATE" + Repeat(205, 14) + Bytes({187}));

  console::DrawHeaderRow(header, 1, 25, true);
  EXPECT_EQ(console.ReadCell(3, 36).Char, console::RightArrowChar);

  const std::string wide = "CODE NAME_OF_ESTATE ADDRESS_OF_THE_ESTATE";
  console::DrawHeaderRow(wide, 1, 25, false);  // the header goes on past the window
  EXPECT_EQ(RowRange(3, 10, 36), Bytes({201}) + "CODE" + Bytes({205}) + "NAME OF ESTATE" + Bytes({205}) +
                                     "ADDRE" + Bytes({console::RightArrowChar}));
  console::PopWindow();
}

}  // namespace
