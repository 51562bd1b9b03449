#include <gtest/gtest.h>

#include "platform/memory_console.h"

using GridConsole = platform::MemoryConsole;

TEST(GridConsole, TextWrapsAtTheRightEdge) {
  GridConsole c(10, 3);
  c.MoveCursor(1, 8);
  c.WriteText("abcde");
  EXPECT_EQ(c.RowText(1), "       abc");
  EXPECT_EQ(c.RowText(2), "de        ");
  EXPECT_EQ(c.CursorRow(), 2);
  EXPECT_EQ(c.CursorColumn(), 3);
}

TEST(GridConsole, BottomRightCellWritesWithoutScrolling) {
  GridConsole c(10, 3);
  c.MoveCursor(1, 1);
  c.WriteText("top");
  c.MoveCursor(3, 10);
  c.WriteText("x");
  EXPECT_EQ(c.RowText(1), "top       ");
  EXPECT_EQ(c.ReadCell(3, 10).Char, 'x');
  EXPECT_EQ(c.CursorRow(), 3);
  EXPECT_EQ(c.CursorColumn(), 1);
  // A following write without a cursor move scrolls first.
  c.WriteText("y");
  EXPECT_EQ(c.RowText(2), "         x");
  EXPECT_EQ(c.RowText(3), "y         ");
  EXPECT_EQ(c.RowText(1), "          ");
}

TEST(GridConsole, CursorMoveCancelsThePendingScroll) {
  GridConsole c(10, 3);
  c.MoveCursor(3, 10);
  c.WriteText("x");
  c.MoveCursor(1, 1);
  c.WriteText("y");
  EXPECT_EQ(c.ReadCell(3, 10).Char, 'x');
  EXPECT_EQ(c.ReadCell(1, 1).Char, 'y');
}

TEST(GridConsole, MoveOutsideTheBufferKeepsThatCoordinate) {
  GridConsole c(80, 25);
  c.MoveCursor(5, 10);
  c.MoveCursor(0, 20);
  EXPECT_EQ(c.CursorRow(), 5);
  EXPECT_EQ(c.CursorColumn(), 20);
  c.MoveCursor(30, 81);
  EXPECT_EQ(c.CursorRow(), 5);
  EXPECT_EQ(c.CursorColumn(), 20);
}

TEST(GridConsole, ColoursOf16OrMoreLeaveThePlane) {
  GridConsole c;
  c.SetColours(14, 1);
  c.SetColours(16, 3);
  EXPECT_EQ(c.Foreground(), 14);
  EXPECT_EQ(c.Background(), 3);
  c.WriteText("a");
  EXPECT_EQ(c.ReadCell(1, 1).Attr, 14 + 16 * 3);
}

TEST(GridConsole, ScrollRectMovesUpAndDownAndBlanks) {
  GridConsole c(5, 4);
  for (int r = 1; r <= 4; ++r) {
    c.MoveCursor(r, 1);
    c.WriteText(std::string(5, static_cast<char>('0' + r)));
  }
  c.ScrollRect({2, 2, 4, 4}, 1);
  EXPECT_EQ(c.RowText(2), "23332");
  EXPECT_EQ(c.RowText(3), "34443");
  EXPECT_EQ(c.RowText(4), "4   4");
  c.ScrollRect({2, 2, 4, 4}, -2);
  EXPECT_EQ(c.RowText(2), "2   2");
  EXPECT_EQ(c.RowText(3), "3   3");
  EXPECT_EQ(c.RowText(4), "43334");
}

TEST(GridConsole, CursorSizeClamps) {
  GridConsole c;
  c.SetCursor(5);
  EXPECT_EQ(c.CursorSize(), 10);
  c.SetCursor(100);
  EXPECT_EQ(c.CursorSize(), 99);
  c.SetCursor(0);
  EXPECT_EQ(c.CursorSize(), 0);
}
