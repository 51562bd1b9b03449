#include "entry/line_editor.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "entry/entry_state.h"
#include "memory_console_fixture.h"

namespace {

using namespace console;  // key codes

struct Result {
  std::string Text;
  int16_t Pos = 0;
  int16_t Key = 0;
  int16_t Row = 0, Col = 0, Width = 0;
};

constexpr uint8_t kUnderlineAttr = 0x70;  // style 4 with the default colours: 0 on 7
constexpr uint8_t kHighlightAttr = 0x0F;  // style 0: 15 on 0

class LineEditorTest : public testsupport::MemoryConsoleTest {
 protected:
  // Also called again inside a table test, to start each case clean.
  void SetUp() override {
    console = platform::MemoryConsole();
    MemoryConsoleTest::SetUp();
    console::ResetState();
    entry::ResetState();
    config::ResetSessionSettings();
    config::SessionSettings().ColourPairs = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}}};
    console.SetInsertToggle(true);
  }
  void TearDown() override {
    console::ResetState();
    entry::ResetState();
    config::ResetSessionSettings();
    MemoryConsoleTest::TearDown();
  }

  void Keys(std::initializer_list<int> codes) {
    for (int code : codes) console.PushKey(code);
  }

  Result Edit(std::string text, int16_t pos, int16_t row = 5, int16_t col = 10, int16_t width = 0) {
    Result r;
    r.Row = row;
    r.Col = col;
    r.Width = width;
    r.Pos = pos;
    entry::EditLine(r.Row, r.Col, r.Width, text, r.Pos, r.Key);
    r.Text = text;
    return r;
  }

  // Runs the editor until the script runs dry while it waits for a key, to
  // look at the field and the cursor as the operator sees them then.
  void EditUntilWaiting(std::string text, int16_t pos, int16_t row, int16_t col, int16_t width) {
    int16_t key = 0;
    EXPECT_THROW(entry::EditLine(row, col, width, text, pos, key), platform::ScriptExhausted);
  }

  std::string Cells(int16_t row, int16_t col, int n) const { return console.RowText(row).substr(col - 1, n); }
};

// ---------------------------------------------------------------------------
// Free-text keys: each case types its keys into a field at (5, 10) and ends
// with Enter (the exit-key set is empty, so any unhandled key ends it).

struct KeyCase {
  const char* Name;
  const char* Text;
  int16_t Pos;
  bool Insert;
  std::initializer_list<int> Keys;
  const char* Expected;
  int16_t ExpectedPos;
};

const KeyCase kKeyCases[] = {
    {"insert drops the last blank", "AB  ", 1, true, {'X'}, "XAB ", 2},
    {"second insert fills the text", "AB  ", 1, true, {'X', 'Y'}, "XYAB", 3},
    {"insert without a trailing blank is ignored", "AB  ", 1, true, {'X', 'Y', 'Z'}, "XYAB", 3},
    {"insert at L1 is ignored", "AB  ", 5, true, {'X'}, "AB  ", 5},
    {"overwrite replaces", "ABC", 2, false, {'X'}, "AXC", 3},
    {"overwrite at L1 does nothing", "ABC", 4, false, {'X'}, "ABC", 4},
    {"overwrite takes accented letters",
     "ABC",
     1,
     false,
     {0x85, 0xD5},
     "\x85\xD5"
     "C",
     3},
    {"backspace at pos 1 does nothing", "ABCD", 1, true, {KeyBackspace}, "ABCD", 1},
    {"backspace deletes left of the cursor", "ABCD", 3, true, {KeyBackspace}, "ACD ", 2},
    {"del deletes at the cursor", "ABCD", 2, true, {KeyDel}, "ACD ", 2},
    {"del at L1 does nothing", "ABCD", 5, true, {KeyDel}, "ABCD", 5},
    {"end goes past the last non-blank", "ABC  ", 1, true, {KeyEnd}, "ABC  ", 4},
    {"end on a blank text goes to 1", "    ", 3, true, {KeyEnd}, "    ", 1},
    {"home", "ABC  ", 4, true, {KeyHome}, "ABC  ", 1},
    {"ctrl+y blanks the text", "ABC  ", 3, true, {KeyClearField}, "     ", 1},
    {"ctrl+home blanks the text", "ABC  ", 3, true, {KeyCtrlHome}, "     ", 1},
    {"left stops at 1", "ABC", 2, true, {KeyLeft, KeyLeft, KeyLeft}, "ABC", 1},
    {"right stops at L1", "ABC", 3, true, {KeyRight, KeyRight, KeyRight}, "ABC", 4},
    {"word left from inside a word", "JOAN MARIA", 8, true, {KeyCtrlLeft}, "JOAN MARIA", 6},
    {"word left from a word start", "JOAN MARIA", 8, true, {KeyCtrlLeft, KeyCtrlLeft}, "JOAN MARIA", 1},
    {"word right to the next word", "JOAN MARIA", 1, true, {KeyCtrlRight}, "JOAN MARIA", 6},
    {"word right from the last word", "JOAN MARIA", 1, true, {KeyCtrlRight, KeyCtrlRight}, "JOAN MARIA", 11},
    {"word right from separators", "AB ,;CD", 3, true, {KeyCtrlRight}, "AB ,;CD", 6},
    {"all separators split words",
     "A,B.C;D:E",
     1,
     true,
     {KeyCtrlRight, KeyCtrlRight, KeyCtrlRight, KeyCtrlRight},
     "A,B.C;D:E",
     9},
    {"word left over separators", "A,B.C;D:E", 9, true, {KeyCtrlLeft, KeyCtrlLeft}, "A,B.C;D:E", 5},
    {"down one row", "ABCDEFGHIJ", 3, true, {KeyDown}, "ABCDEFGHIJ", 8},
    {"up one row", "ABCDEFGHIJ", 8, true, {KeyUp}, "ABCDEFGHIJ", 3},
    {"shift+tab up one row", "ABCDEFGHIJ", 9, true, {KeyShiftTab}, "ABCDEFGHIJ", 4},
    {"pos clamped into the text", "ABC", 40, false, {'X'}, "ABC", 4},
    {"pos below 1 starts at 1", "ABC", -3, false, {'X'}, "XBC", 2},
};

TEST_F(LineEditorTest, FreeTextKeys) {
  for (const KeyCase& c : kKeyCases) {
    SetUp();
    console.SetInsertToggle(c.Insert);
    Keys(c.Keys);
    Keys({KeyEnter});
    // The two-row cases use a width of 5; the others one row.
    int16_t width = std::string(c.Text) == "ABCDEFGHIJ" ? 5 : 0;
    Result r = Edit(c.Text, c.Pos, 5, 10, width);
    EXPECT_EQ(r.Text, c.Expected) << c.Name;
    EXPECT_EQ(r.Pos, c.ExpectedPos) << c.Name;
    EXPECT_EQ(r.Key, KeyEnter) << c.Name;
    EXPECT_EQ(r.Text.size(), std::string(c.Text).size()) << c.Name;
  }
}

// Keys that move while they can and otherwise end the entry.
TEST_F(LineEditorTest, MovesAtTheEdgeEndTheEntry) {
  struct Case {
    const char* Text;
    int16_t Pos, Width;
    int Key;
  } cases[] = {
      {"ABCDEFGHIJ", 7, 5, KeyDown},     {"ABCDEFGHIJ", 11, 5, KeyDown},      {"ABCDEFGHIJ", 5, 5, KeyUp},
      {"JOAN MARIA", 1, 0, KeyCtrlLeft}, {"JOAN MARIA", 11, 0, KeyCtrlRight},
  };
  for (const Case& c : cases) {
    SetUp();
    Keys({c.Key});
    Result r = Edit(c.Text, c.Pos, 5, 10, c.Width);
    EXPECT_EQ(r.Key, c.Key) << c.Text << " " << c.Pos;
    EXPECT_EQ(r.Pos, c.Pos);
  }
  // Shift+Tab on the first row ends as Up.
  SetUp();
  Keys({KeyShiftTab});
  EXPECT_EQ(Edit("ABCDEFGHIJ", 4, 5, 10, 5).Key, KeyUp);
}

TEST_F(LineEditorTest, DelAndCodeFFAreNotTyped) {
  SetKeySet("ea", "d");
  console.SetInsertToggle(false);
  Keys({127, 255, 'X', KeyEnter});
  Result r = Edit("ABC", 1);
  EXPECT_EQ(r.Text, "XBC");
  // Without an exit-key set they end the entry like any other key.
  SetUp();
  Keys({127});
  EXPECT_EQ(Edit("ABC", 1).Key, 127);
}

TEST_F(LineEditorTest, DownAtTheLastRowIsIgnoredWhenNotAnExitKey) {
  SetKeySet("ea", "d");
  Keys({KeyDown, KeyEnter});
  Result r = Edit("ABCDEFGHIJ", 7, 5, 10, 5);
  EXPECT_EQ(r.Key, KeyEnter);
  EXPECT_EQ(r.Pos, 7);
}

// ---------------------------------------------------------------------------
// The clipboard.

TEST_F(LineEditorTest, PasteRemovesControlsAndTrimsBlanks) {
  console.SetClipboardText("  12\t34  ");
  Keys({KeyPaste, KeyEnter});
  Result r = Edit("      ", 2);
  EXPECT_EQ(r.Text, " 1234 ");
  EXPECT_EQ(r.Pos, 2);
}

TEST_F(LineEditorTest, PasteStopsAtTheEndOfTheText) {
  console.SetClipboardText("XYZ\x7F\xFF\r\n");
  Keys({KeyPaste, KeyEnter});
  Result r = Edit("ABCDEF", 5);
  EXPECT_EQ(r.Text, "ABCDXY");
  EXPECT_EQ(r.Pos, 5);

  SetUp();
  console.SetClipboardText("XYZ");
  Keys({KeyPaste, KeyEnter});
  EXPECT_EQ(Edit("ABC", 4).Text, "ABC");  // at L1 nothing is written
}

TEST_F(LineEditorTest, EmptyOrBlankClipboardLeavesTheText) {
  for (const char* clip : {"", "   ", "\t\r\n"}) {
    SetUp();
    console.SetClipboardText(clip);
    Keys({KeyPaste, KeyEnter});
    Result r = Edit("ABC ", 2);
    EXPECT_EQ(r.Text, "ABC ") << "clipboard [" << clip << "]";
  }
}

TEST_F(LineEditorTest, CopyPutsTheTrimmedText) {
  console.SetClipboardText("old");
  Keys({KeyCopy, KeyEnter});
  Result r = Edit("  AB C  ", 1);
  EXPECT_EQ(console.ClipboardText(), "AB C");
  EXPECT_EQ(r.Text, "  AB C  ");
}

TEST_F(LineEditorTest, CopyOfAHiddenEntryLeavesTheClipboard) {
  console.SetClipboardText("old");
  SetKeySet("h", "");
  Keys({KeyCopy, KeyEnter});
  Edit("SECRET", 1);
  EXPECT_EQ(console.ClipboardText(), "old");
}

// ---------------------------------------------------------------------------
// The display and the cursor.

TEST_F(LineEditorTest, MultiRowFieldIsDrawnInTheUnderlineStyle) {
  Keys({KeyEnter});
  Result r = Edit("ABCDEFGHIJ", 1, 3, 5, 5);
  EXPECT_EQ(Cells(3, 5, 6), "ABCDE ");
  EXPECT_EQ(Cells(4, 5, 6), "FGHIJ ");
  for (int16_t row : {3, 4})
    for (int16_t col = 5; col < 10; ++col) EXPECT_EQ(console.ReadCell(row, col).Attr, kUnderlineAttr);
  EXPECT_NE(console.ReadCell(3, 10).Attr, kUnderlineAttr);
  // After the entry: style "h", cursor at the field's start.
  EXPECT_EQ(console::State().CurrentStyle, StyleHighlight);
  EXPECT_EQ(console.CurrentAttr(), kHighlightAttr);
  EXPECT_EQ(console.CursorRow(), 3);
  EXPECT_EQ(console.CursorColumn(), 5);
  EXPECT_EQ(console.CursorSize(), 0);
  EXPECT_EQ(r.Width, 5);
}

TEST_F(LineEditorTest, CursorAtL1OfAFullLastRowStandsRightOfIt) {
  EditUntilWaiting("ABCDEFGHIJ", 11, 5, 10, 5);
  EXPECT_EQ(console.CursorRow(), 6);
  EXPECT_EQ(console.CursorColumn(), 15);
}

TEST_F(LineEditorTest, CursorFollowsPosOverRows) {
  EditUntilWaiting("ABCDEFGHIJ", 7, 5, 10, 5);
  EXPECT_EQ(console.CursorRow(), 6);
  EXPECT_EQ(console.CursorColumn(), 11);
}

TEST_F(LineEditorTest, CursorShapeFollowsTheInsertToggle) {
  console.SetInsertToggle(true);
  EditUntilWaiting("ABC", 1, 5, 10, 0);
  EXPECT_EQ(console.CursorSize(), 50);

  SetUp();
  console.SetInsertToggle(false);
  EditUntilWaiting("ABC", 1, 5, 10, 0);
  EXPECT_EQ(console.CursorSize(), 99);

  // Insert flips the toggle and the shape inside the wait.
  SetUp();
  console.SetInsertToggle(true);
  Keys({KeyIns});
  EditUntilWaiting("ABC", 1, 5, 10, 0);
  EXPECT_FALSE(console.InsertToggle());
  EXPECT_EQ(console.CursorSize(), 99);
}

TEST_F(LineEditorTest, InsertModeCarriesOverToTheNextField) {
  console.SetInsertToggle(true);
  Keys({KeyIns, KeyEnter});
  Edit("ABC", 1);
  EXPECT_FALSE(console.InsertToggle());
  Keys({'X', KeyEnter});
  EXPECT_EQ(Edit("ABC", 1).Text, "XBC");  // overwrite
  Keys({KeyIns, 'Y', KeyEnter});
  EXPECT_EQ(Edit("AB ", 1).Text, "YAB");  // insert again
  EXPECT_TRUE(console.InsertToggle());
}

TEST_F(LineEditorTest, ZeroPositionsAndWidthAreFilledIn) {
  console.MoveCursor(7, 12);
  Keys({'Q', KeyEnter});
  Result r = Edit("ABCDE ", 1, 0, 0, 0);
  EXPECT_EQ(r.Row, 7);
  EXPECT_EQ(r.Col, 12);
  EXPECT_EQ(r.Width, 7);
  EXPECT_EQ(Cells(7, 12, 6), "QABCDE");
}

TEST_F(LineEditorTest, NegativeWidthIsTakenAsOneRow) {
  Keys({'Q', KeyDown});
  Result r = Edit("ABCDE ", 1, 5, 10, -3);
  EXPECT_EQ(r.Width, 7);
  EXPECT_EQ(r.Text, "QABCDE");
  EXPECT_EQ(r.Key, KeyDown);
  EXPECT_EQ(Cells(5, 10, 7), "QABCDE ");
}

// The width a form asks for is its value's length + 1, which wraps to a
// negative 16-bit number for a value of 32767 characters; longer texts than a
// 16-bit position can reach must be edited without reading past the text.
TEST_F(LineEditorTest, WidthsBeyondSixteenBitsAreEditedSafely) {
  struct WideCase {
    size_t length;
    int16_t width;
  };
  const WideCase cases[] = {{32767, -32768}, {32767, 0}, {40000, -32768}, {100000, 0}, {32767, 32767}};
  for (const WideCase& c : cases) {
    SetUp();
    Keys({'Q', KeyEnd, KeyRight, KeyEnter});
    Result r;
    EXPECT_NO_THROW(r = Edit(std::string(c.length, 'X'), 1, 2, 3, c.width)) << c.length << " " << c.width;
    EXPECT_EQ(r.Text.size(), c.length);
    EXPECT_EQ(r.Text.substr(0, 3), "XXX");  // insert mode: a full text takes no more characters
    EXPECT_GT(r.Width, 0);
    EXPECT_EQ(r.Key, KeyEnter) << c.length << " " << c.width;
    EXPECT_EQ(Cells(2, 3, 3), "XXX");
  }
}

TEST_F(LineEditorTest, ZeroPositionsInsideAWindowStayWhereTheCursorIs) {
  console::State().WindowDepth = 1;
  console::State().WindowTop = 4;
  console::State().WindowLeft = 20;
  console.MoveCursor(7, 30);
  Keys({KeyEnter});
  Result r = Edit("ABC", 1, 0, 0, 0);
  EXPECT_EQ(r.Row, 3);
  EXPECT_EQ(r.Col, 10);
  EXPECT_EQ(Cells(7, 30, 3), "ABC");
}

TEST_F(LineEditorTest, MaskShowsWidthLessOneCopies) {
  SetKeySet("h", "");
  console.SetInsertToggle(false);
  Keys({'Z', KeyEnter});
  Result r = Edit("SECRET", 1, 5, 10, 0);
  EXPECT_EQ(r.Width, 7);
  EXPECT_EQ(r.Text, "ZECRET");
  EXPECT_EQ(Cells(5, 10, 7), "XXXXXX ");
  EXPECT_EQ(Row(5).find_first_of("SECRTZ"), std::string::npos);

  // The same count whatever the content, also for a blank text.
  SetUp();
  SetKeySet("h", "");
  Keys({KeyEnter});
  Edit("      ", 1, 5, 10, 0);
  EXPECT_EQ(Cells(5, 10, 7), "XXXXXX ");
}

// ---------------------------------------------------------------------------
// Mouse clicks.

TEST_F(LineEditorTest, ClickOutsideReturnsItsCode) {
  console.PushClick(5, 10);
  EXPECT_EQ(Edit("ABC", 1, 12, 30).Key, -1005);
  // A right click too, and it ends the entry even with a non-empty exit set.
  SetUp();
  SetKeySet("ea", "d,1b");
  console.PushClick(20, 70, 2);
  Result r = Edit("ABC", 2, 12, 30);
  EXPECT_EQ(r.Key, -7020);
  EXPECT_EQ(r.Pos, 2);
}

TEST_F(LineEditorTest, ClickInsideMovesTheCursor) {
  // Field at (3, 5), two rows of 5: (4, 7) is text position 8.
  SetKeySet("ea", "d");
  console.PushClick(4, 7);
  Keys({'X', KeyEnter});
  console.SetInsertToggle(false);
  Result r = Edit("ABCDEFGHIJ", 1, 3, 5, 5);
  EXPECT_EQ(r.Text, "ABCDEFGXIJ");
  EXPECT_EQ(r.Pos, 9);
  EXPECT_EQ(r.Key, KeyEnter);
}

TEST_F(LineEditorTest, ClickInsideWithAnEmptyExitSetEndsWithKeyZero) {
  console.PushClick(3, 6);
  Result r = Edit("ABCDEFGHIJ", 1, 3, 5, 5);
  EXPECT_EQ(r.Key, 0);
  EXPECT_EQ(r.Pos, 2);
}

TEST_F(LineEditorTest, ClickHitTestTakesTheWindowOrigin) {
  // A window whose interior starts at (5, 21): relative (2, 3) is (6, 23).
  console::State().WindowDepth = 1;
  console::State().WindowTop = 4;
  console::State().WindowLeft = 20;
  SetKeySet("ea", "d");
  console.PushClick(6, 25);
  console.PushClick(2, 3);  // where the field would be with no window: outside
  Result r = Edit("ABCDEF", 1, 2, 3, 0);
  EXPECT_EQ(r.Key, -302);
  EXPECT_EQ(r.Pos, 3);
}

TEST_F(LineEditorTest, ClicksBeyondTheFullRowsAreOutside) {
  // 7 characters in rows of 5: only the first row counts (L1 div width = 1).
  console.PushClick(6, 10);
  EXPECT_EQ(Edit("ABCDEFG", 1, 5, 10, 5).Key, -1006);
  // A width greater than L1 gives no row at all: the field's own cell is outside.
  SetUp();
  console.PushClick(5, 10);
  EXPECT_EQ(Edit("ABCD", 1, 5, 10, 10).Key, -1005);
}

// ---------------------------------------------------------------------------
// Choice lists. The middle dot of CANCEL·LADA is byte 0xFA.

const char* const kChoices = "|A,ALTA|B,BAIXA|C,CANCEL\xFALADA";

TEST_F(LineEditorTest, ChoiceListShowsTheCurrentEntryBetweenArrows) {
  entry::SetChoiceList(kChoices);
  EditUntilWaiting("B", 1, 5, 10, 0);
  // ◄ at column 9, BAIXA padded to the widest display (11), ► at column 21.
  EXPECT_EQ(Cells(5, 9, 13),
            "\x11"
            "BAIXA      \x10");
  EXPECT_EQ(console.ReadCell(5, 10).Attr, kUnderlineAttr);
  EXPECT_EQ(console.CursorSize(), 0);  // the cursor stays hidden
}

TEST_F(LineEditorTest, ChoiceListKeys) {
  struct Case {
    const char* Text;
    std::initializer_list<int> Keys;
    const char* Expected;
    const char* Shown;
  } cases[] = {
      {"B", {'c'}, "C", "CANCEL\xFALADA"},
      {"B", {'c', KeyRight}, "A", "ALTA       "},
      {"A", {KeyLeft}, "C", "CANCEL\xFALADA"},
      {"A", {' ', ' '}, "C", "CANCEL\xFALADA"},
      {"B", {'a'}, "A", "ALTA       "},
      {"B", {'b'}, "B", "BAIXA      "},  // the search comes round to the current entry
      {"B", {'z'}, "B", "BAIXA      "},  // no match: nothing
      {"X", {}, "A", "ALTA       "},     // no entry matches: the first
      {"B", {KeyBackspace, KeyDel, KeyClearField, KeyCtrlHome, KeyPaste}, "B", "BAIXA      "},
  };
  for (const Case& c : cases) {
    SetUp();
    entry::SetChoiceList(kChoices);
    console.SetClipboardText("C");
    Keys(c.Keys);
    Keys({KeyEnter});
    Result r = Edit(c.Text, 1, 5, 10, 0);
    EXPECT_EQ(r.Text, c.Expected) << c.Text;
    EXPECT_EQ(r.Key, KeyEnter);
    EXPECT_EQ(Cells(5, 10, 11), c.Shown) << c.Text;
    // The arrows are blanked at the end.
    EXPECT_EQ(Cells(5, 9, 1), " ");
    EXPECT_EQ(Cells(5, 21, 1), " ");
    EXPECT_FALSE(entry::State().FoldAccents);
  }
}

TEST_F(LineEditorTest, ChoiceValuesArePaddedToTheText) {
  entry::SetChoiceList("|1 ,UN|2 ,DOS|33,TRENTA-TRES");
  Keys({KeyRight, KeyEnter});
  EXPECT_EQ(Edit("2 ", 1).Text, "33");
  // Values compare with the text as they are padded, and are cut to it.
  SetUp();
  entry::SetChoiceList("|P,PENDENT|D,TORNAT|LONG,LLARG");
  Keys({KeyRight, KeyEnter});
  EXPECT_EQ(Edit("D  ", 1).Text, "LON");
}

TEST_F(LineEditorTest, ChoiceSearchFoldsAccents) {
  // 0xB7 is À, 0x90 É; the typed letters are small and plain, or accented.
  entry::SetChoiceList("|1,\xB7PAT|2,\x90S|3,ESTAT");
  Keys({'a', KeyEnter});
  EXPECT_EQ(Edit("3", 1).Text, "1");
  SetUp();
  entry::SetChoiceList("|1,\xB7PAT|2,\x90S|3,ESTAT");
  Keys({0x82, KeyEnter});  // é: the next entry from 1 starting with E is 2
  EXPECT_EQ(Edit("1", 1).Text, "2");
  SetUp();
  entry::SetChoiceList("|1,\xB7PAT|2,\x90S|3,ESTAT");
  Keys({'e', KeyEnter});
  EXPECT_EQ(Edit("2", 1).Text, "3");
}

TEST_F(LineEditorTest, ChoiceListClicks) {
  // Arrows at columns 9 and 21 of row 5.
  struct Case {
    int16_t Row, Column;
    const char* Expected;
  } steps[] = {{5, 9, "A"}, {5, 21, "C"}};
  for (const Case& c : steps) {
    SetUp();
    entry::SetChoiceList(kChoices);
    SetKeySet("ea", "d");
    console.PushClick(c.Row, c.Column);
    Keys({KeyEnter});
    Result r = Edit("B", 1, 5, 10, 0);
    EXPECT_EQ(r.Text, c.Expected) << c.Column;
    EXPECT_EQ(r.Key, KeyEnter);
  }
  // A click on the text is key 0: it ends the entry only with an empty set.
  SetUp();
  entry::SetChoiceList(kChoices);
  console.PushClick(5, 15);
  Result r = Edit("B", 1, 5, 10, 0);
  EXPECT_EQ(r.Key, 0);
  EXPECT_EQ(r.Text, "B");
  // Just past the right arrow, or on the row below: outside.
  for (auto [row, column] : {std::pair<int16_t, int16_t>{5, 22}, {6, 12}}) {
    SetUp();
    entry::SetChoiceList(kChoices);
    console.PushClick(row, column);
    EXPECT_EQ(Edit("B", 1, 5, 10, 0).Key, -(column * 100 + row));
  }
}

TEST_F(LineEditorTest, ChoiceCopyTakesTheDisplayText) {
  entry::SetChoiceList(kChoices);
  Keys({KeyCopy, KeyEnter});
  Edit("B", 1);
  EXPECT_EQ(console.ClipboardText(), "BAIXA");
}

TEST_F(LineEditorTest, ChoiceListWithoutEntriesEditsFreely) {
  entry::SetChoiceList("no bars here");
  Keys({'X', KeyEnter});
  EXPECT_EQ(Edit("AB ", 1).Text, "XAB");
}

// ---------------------------------------------------------------------------
// The exit processing.

TEST_F(LineEditorTest, ExitKeyTranslation) {
  struct Case {
    const char* Name;
    const char* KeyList;
    std::initializer_list<int> Keys;
    int16_t Expected;
  } cases[] = {
      {"tab becomes enter", "d", {KeyTab}, KeyEnter},
      {"tab never becomes end", "d,4f00", {KeyTab}, KeyEnter},
      {"enter becomes end when end is an exit key", "d,4f00", {KeyEnter}, KeyEnd},
      {"enter stays enter otherwise", "d", {KeyEnter}, KeyEnter},
      {"enter reported as end's result", "4f00=3b00", {KeyEnter}, KeyF1},
      {"ctrl+f4 becomes esc", "1b", {KeyCtrlF4}, KeyEsc},
      {"alt+f4 becomes esc", "1b", {KeyAltF4}, KeyEsc},
      {"result replaces the key", "4800=4b00", {KeyUp}, KeyLeft},
      {"shift+tab looked up as up", "4800=4b00", {KeyShiftTab}, KeyLeft},
      {"keys outside the set are ignored", "d", {KeyF5, KeyEsc, KeyPgDn, KeyEnter}, KeyEnter},
      {"an unlisted hot key is ignored", "1b", {KeyAltX, KeyEsc}, KeyEsc},
      {"empty set: any key ends", "", {KeyF5}, KeyF5},
      {"empty set: tab ends as enter", "", {KeyTab}, KeyEnter},
      {"empty set: ctrl+f4 as esc", "", {KeyCtrlF4}, KeyEsc},
  };
  for (const Case& c : cases) {
    SetUp();
    SetKeySet("e", "");
    if (*c.KeyList) SetKeySet("a", c.KeyList);
    Keys(c.Keys);
    Result r = Edit("ABC", 1);
    EXPECT_EQ(r.Key, c.Expected) << c.Name;
  }
}

TEST_F(LineEditorTest, CalculatorResultLandsInTheField) {
  console::State().CalculatorPopup = [] { return std::string("12,5"); };
  SetKeySet("ea", "d");
  Keys({KeyAltX, KeyEnter});
  Result r = Edit("      ", 1);
  EXPECT_EQ(r.Text, "12,5  ");
  EXPECT_EQ(r.Pos, 5);
  EXPECT_EQ(r.Key, KeyEnter);
}

TEST_F(LineEditorTest, EmptyTextEndsCleanly) {
  Keys({'X', KeyBackspace, KeyDel, KeyCtrlRight});
  Result r = Edit("", 1);
  EXPECT_EQ(r.Text, "");
  EXPECT_EQ(r.Pos, 1);
  EXPECT_EQ(r.Key, KeyCtrlRight);
}

}  // namespace
