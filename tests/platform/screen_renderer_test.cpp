// The renderer's bytes, fed to a terminal emulator, must reproduce the cell
// grid; after changes, only the changed cells are sent.
#include "platform/screen_renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "../e2e/vt_screen.h"
#include "platform/cp850.h"
#include "platform/memory_console.h"

namespace {

using platform::Cell;
using platform::RendererOptions;
using platform::ScreenRenderer;

// Every cell of the emulator against the grid: glyph and attribute.
::testing::AssertionResult Reproduces(const e2e::VtScreen& vt, const platform::GridConsole& grid,
                                      int colours) {
  for (int r = 1; r <= 25; ++r)
    for (int c = 1; c <= 80; ++c) {
      Cell want = grid.ReadCell(static_cast<int16_t>(r), static_cast<int16_t>(c));
      char32_t glyph = platform::Cp850Glyph(want.Char);
      uint8_t attr = want.Attr;
      if (colours < 16) attr &= 0x7F;  // no bright backgrounds on 8 colours
      const auto& got = vt.At(r, c);
      if (got.Ch != glyph || vt.Attr(r, c, colours < 16) != attr || got.Fg < 0 || got.Bg < 0)
        return ::testing::AssertionFailure()
               << "cell " << r << "," << c << ": want U+" << std::hex << static_cast<int>(glyph) << " attr "
               << static_cast<int>(attr) << ", got U+" << static_cast<int>(got.Ch) << " attr "
               << static_cast<int>(vt.Attr(r, c, colours < 16)) << "\n"
               << vt.Text();
    }
  return ::testing::AssertionSuccess();
}

// A screen of every byte in many colours, with blank runs.
void FillPattern(platform::GridConsole& g, unsigned seed) {
  std::mt19937 gen(seed);
  for (int r = 1; r <= 25; ++r) {
    g.MoveCursor(static_cast<int16_t>(r), 1);
    for (int c = 1; c <= 80; ++c) {
      int fg = static_cast<int>(gen() % 16), bg = static_cast<int>(gen() % 16);
      if (r % 3 == 0) {
        fg = 7;
        bg = 1;
      }
      g.SetColours(fg, bg);
      uint8_t ch = r % 3 == 0 ? ' ' : static_cast<uint8_t>((r * 80 + c) % 256);
      g.WriteText(std::string(1, static_cast<char>(ch)));
    }
  }
}

TEST(ScreenRenderer, AFullRepaintReproducesTheScreen) {
  for (int colours : {16, 8}) {
    for (bool ech : {true, false}) {
      SCOPED_TRACE(colours);
      SCOPED_TRACE(ech);
      platform::MemoryConsole grid;
      FillPattern(grid, 7);
      RendererOptions options;
      options.Colours = colours;
      options.EraseCharacters = ech;
      ScreenRenderer renderer(options);
      renderer.Invalidate();
      e2e::VtScreen vt;
      vt.Feed("\x1b[0;35;42mgarbage left by another program");
      vt.Feed(renderer.Render(grid.Cells(), 1, 1, 0));
      EXPECT_TRUE(Reproduces(vt, grid, colours));
      EXPECT_TRUE(vt.Unknown().empty());
      EXPECT_FALSE(vt.CursorVisible());
    }
  }
}

TEST(ScreenRenderer, OnlyChangedCellsAreSent) {
  platform::MemoryConsole grid;
  FillPattern(grid, 3);
  ScreenRenderer renderer;
  e2e::VtScreen vt;
  vt.Feed(renderer.Render(grid.Cells(), 1, 1, 0));
  ASSERT_TRUE(Reproduces(vt, grid, 16));

  // Nothing changed: nothing sent.
  EXPECT_EQ(renderer.Render(grid.Cells(), 1, 1, 0), "");

  // Scattered cells, a word, the last column, the bottom-right cell and a
  // cell right after it on the next row.
  int printedBefore = vt.Printed();
  grid.SetColours(14, 4);
  grid.MoveCursor(2, 10);
  grid.WriteText("x");
  grid.MoveCursor(7, 40);
  grid.WriteText("word");
  grid.MoveCursor(11, 80);
  grid.WriteText("e");
  grid.MoveCursor(12, 1);
  grid.WriteText("f");
  grid.MoveCursor(25, 80);
  grid.WriteText("z");
  grid.SetColours(7, 0);
  grid.MoveCursor(20, 3);
  grid.WriteText("\x10\x11\xD5");
  std::string bytes = renderer.Render(grid.Cells(), 1, 1, 0);
  vt.Feed(bytes);
  EXPECT_TRUE(Reproduces(vt, grid, 16));
  EXPECT_EQ(vt.Printed() - printedBefore, 1 + 4 + 1 + 1 + 1 + 3);
  EXPECT_LT(bytes.size(), 120u) << bytes.size();
}

TEST(ScreenRenderer, CursorMovesTakeTheShortestForm) {
  platform::MemoryConsole grid;
  ScreenRenderer renderer;
  e2e::VtScreen vt;
  vt.Feed(renderer.Render(grid.Cells(), 1, 1, 0));

  // Two cells with one unchanged cell between them in the same colours: the
  // cell in between is written again instead of a cursor move.
  grid.MoveCursor(5, 10);
  grid.WriteText("a");
  grid.MoveCursor(5, 12);
  grid.WriteText("b");
  std::string bytes = renderer.Render(grid.Cells(), 1, 1, 0);
  EXPECT_EQ(bytes, "\x1b[5;10Ha b");
  vt.Feed(bytes);
  // The next row's start after a line's last column: carriage return, line feed.
  grid.MoveCursor(8, 80);
  grid.WriteText("c");
  grid.MoveCursor(9, 1);
  grid.WriteText("d");
  bytes = renderer.Render(grid.Cells(), 1, 1, 0);
  EXPECT_EQ(bytes, "\x1b[8;80Hc\r\nd");
  vt.Feed(bytes);
  EXPECT_TRUE(Reproduces(vt, grid, 16));
}

TEST(ScreenRenderer, CursorShapeAndVisibility) {
  platform::MemoryConsole grid;
  ScreenRenderer renderer;
  e2e::VtScreen vt;
  vt.Feed(renderer.Render(grid.Cells(), 1, 1, 0));
  EXPECT_FALSE(vt.CursorVisible());
  vt.Feed(renderer.Render(grid.Cells(), 4, 7, 50));
  EXPECT_TRUE(vt.CursorVisible());
  EXPECT_EQ(vt.CursorShape(), 6);  // insert: a bar
  EXPECT_EQ(vt.CursorRow(), 4);
  EXPECT_EQ(vt.CursorColumn(), 7);
  vt.Feed(renderer.Render(grid.Cells(), 4, 8, 99));
  EXPECT_EQ(vt.CursorShape(), 2);  // overwrite: a block
  EXPECT_EQ(vt.CursorColumn(), 8);
  // Drawing while the cursor shows hides it meanwhile and puts it back.
  grid.MoveCursor(20, 20);
  grid.WriteText("q");
  vt.Feed(renderer.Render(grid.Cells(), 4, 8, 99));
  EXPECT_TRUE(vt.CursorVisible());
  EXPECT_EQ(vt.CursorRow(), 4);
  EXPECT_EQ(vt.CursorColumn(), 8);
  EXPECT_TRUE(Reproduces(vt, grid, 16));
  vt.Feed(renderer.Render(grid.Cells(), 4, 8, 0));
  EXPECT_FALSE(vt.CursorVisible());
}

TEST(ScreenRenderer, BytesForAFullScreenAndForOneCell) {
  platform::MemoryConsole grid;
  ScreenRenderer renderer;
  grid.SetColours(7, 0);
  grid.ClearScreen();
  size_t blank = renderer.Render(grid.Cells(), 1, 1, 0).size();

  // A typical screen: text on every row in two styles, blank rest.
  for (int r = 1; r <= 25; ++r) {
    grid.MoveCursor(static_cast<int16_t>(r), 1);
    grid.SetColours(r % 2 ? 15 : 7, 0);
    grid.WriteText("Finca 0012  Carrer Major 14, Girona    12/03/2024   1.234,56 PENDENT");
  }
  renderer.Invalidate();
  size_t text = renderer.Render(grid.Cells(), 1, 1, 0).size();

  grid.SetColours(0, 7);
  FillPattern(grid, 11);
  renderer.Invalidate();
  size_t busy = renderer.Render(grid.Cells(), 1, 1, 0).size();

  grid.MoveCursor(12, 40);
  grid.WriteText("x");
  size_t one = renderer.Render(grid.Cells(), 1, 1, 0).size();
  std::printf(
      "renderer: blank screen %zu bytes, text screen %zu bytes, every cell coloured %zu bytes, "
      "one cell %zu bytes\n",
      blank, text, busy, one);
  EXPECT_LT(blank, 300u);
  EXPECT_LT(one, 20u);
}

}  // namespace
