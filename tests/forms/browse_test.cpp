#include "forms/browse.h"

#include <gtest/gtest.h>

#include "console/keyboard.h"
#include "console/window_stack.h"
#include "forms/browse_file.h"
#include "forms_fixture.h"

namespace formstest {
namespace {

using namespace console;

// The estates browse in a 10-row, 60-column list: frame rows 3..14, columns
// 10..71, interior rows 4..13 and columns 11..70.
class FormsBrowseTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    estates.Fill(25);
    OpenEstates();
    DefineBrowse(3, 10, 14, 71);
    UseEstateLines();
  }
  // The list row r (1..10) as shown, trimmed.
  std::string ListRow(int r) const {
    std::string text = Cells(static_cast<int16_t>(3 + r), 11, 60);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }
  static std::string Estate(int n) {
    char line[40];
    std::snprintf(line, sizeof line, "%03d  ESTATE %02d", n, n);
    return line;
  }
  // The list row that shows the bar (underline style, 0 on 7 by default).
  int BarRow() const {
    for (int r = 1; r <= 10; ++r) {
      if (console.ReadCell(static_cast<int16_t>(3 + r), 11).Attr == 0x70) return r;
    }
    return 0;
  }
  // Runs the browse with the keys given; at each wait records the bar row.
  int16_t Run(std::initializer_list<int> keys) {
    for (int key : keys) console.PushKey(key);
    console.OnWait = [this] {
      bars.push_back(BarRow());
      reads.push_back(estates.Reads);
      shown.push_back({ListRow(1), ListRow(2), ListRow(3), ListRow(4)});
    };
    return forms::RunBrowse(1);
  }
  std::vector<int> bars;
  std::vector<int> reads;
  std::vector<std::vector<std::string>> shown;  // list rows 1 to 4 at each wait
};

TEST_F(FormsBrowseTest, FirstPageReadsOneRecordAheadAndPgDnShowsTheNextTen) {
  std::vector<std::string> firstPage, secondPage;
  console.PushKey(KeyDown);
  console.PushKey(KeyDown);
  console.PushKey(KeyPgDn);
  console.PushKey(KeyEnter);
  int waits = 0;
  console.OnWait = [&] {
    ++waits;
    if (waits == 1) {
      reads.push_back(estates.Reads);
      for (int r = 1; r <= 10; ++r) firstPage.push_back(ListRow(r));
      bars.push_back(BarRow());
    }
    if (waits == 4) {
      for (int r = 1; r <= 10; ++r) secondPage.push_back(ListRow(r));
      bars.push_back(BarRow());
    }
  };
  EXPECT_EQ(forms::RunBrowse(1), 0);
  ASSERT_EQ(firstPage.size(), 10u);
  for (int r = 1; r <= 10; ++r) {
    EXPECT_EQ(firstPage[r - 1], Estate(r));
    EXPECT_EQ(secondPage[r - 1], Estate(10 + r));
  }
  EXPECT_EQ(reads[0], 11);  // the data file is always one record ahead
  EXPECT_EQ(bars[0], 1);
  EXPECT_EQ(bars[1], 3);  // PgDn keeps the bar on its row
  // The chosen record (estate 13) is read again by its position.
  ASSERT_EQ(estates.DirectPositions.size(), 1u);
  EXPECT_EQ(estates.DirectPositions[0], 1300);
  EXPECT_EQ(area.substr(2, 9), "ESTATE 13");
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

TEST_F(FormsBrowseTest, PgUpPutsThePageAndTheBarAsFarBackAsTheListAllows) {
  struct Case {
    const char* name;
    int ups;       // Up presses after reaching line 13 on row 10 of a page starting at line 4
    int barAfter;  // bar row after PgUp
    int chosen;    // the estate Enter then chooses
  };
  for (const Case& c : {Case{"bar on row 8", 2, 1, 1}, Case{"bar on row 10", 0, 3, 3}}) {
    SCOPED_TRACE(c.name);
    forms::ResetState();
    UseEstateLines();
    estates.DirectPositions.clear();
    std::vector<int> keys(12, KeyDown);  // line 13: page 4..13, bar on row 10
    for (int i = 0; i < c.ups; ++i) keys.push_back(KeyUp);
    keys.push_back(KeyPgUp);
    keys.push_back(KeyEnter);
    for (int key : keys) console.PushKey(key);
    std::vector<std::string> before, after;
    int waits = 0;
    const int pgUpWait = 13 + c.ups;  // the wait that receives PgUp
    console.OnWait = [&] {
      ++waits;
      if (waits == pgUpWait) {
        before.push_back(ListRow(1));
        bars.push_back(BarRow());
      }
      if (waits == pgUpWait + 1) {
        after.push_back(ListRow(1));
        bars.push_back(BarRow());
      }
    };
    bars.clear();
    EXPECT_EQ(forms::RunBrowse(1), 0);
    EXPECT_EQ(before.at(0), Estate(4));
    EXPECT_EQ(bars.at(0), 10 - c.ups);
    EXPECT_EQ(after.at(0), Estate(1));
    EXPECT_EQ(bars.at(1), c.barAfter);
    ASSERT_EQ(estates.DirectPositions.size(), 1u);
    EXPECT_EQ(estates.DirectPositions[0], 100 * c.chosen);
  }
}

TEST_F(FormsBrowseTest, PgUpOnTheFirstPageDoesNothing) {
  EXPECT_EQ(Run({KeyDown, KeyDown, KeyPgUp, KeyEnter}), 0);
  EXPECT_EQ(bars, (std::vector<int>{1, 2, 3, 3}));
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{300});
}

TEST_F(FormsBrowseTest, DownOnTheLastRowScrollsByOneAndUpOnRowOneScrollsBack) {
  std::vector<std::string> tops;
  std::vector<int> keys(10, KeyDown);                  // nine to row 10, the tenth scrolls
  for (int i = 0; i < 10; ++i) keys.push_back(KeyUp);  // nine to row 1, the tenth scrolls back
  keys.push_back(KeyEsc);
  for (int key : keys) console.PushKey(key);
  console.OnWait = [&] {
    tops.push_back(ListRow(1));
    bars.push_back(BarRow());
  };
  EXPECT_EQ(forms::RunBrowse(1), -1);
  ASSERT_EQ(tops.size(), 21u);
  EXPECT_EQ(tops[9], Estate(1));
  EXPECT_EQ(bars[9], 10);
  EXPECT_EQ(tops[10], Estate(2));  // Down on row 10: the page moves by one line
  EXPECT_EQ(bars[10], 10);
  EXPECT_EQ(tops[19], Estate(2));
  EXPECT_EQ(bars[19], 1);
  EXPECT_EQ(tops[20], Estate(1));  // Up on row 1: back by one line
  EXPECT_EQ(bars[20], 1);
  EXPECT_TRUE(estates.DirectPositions.empty());  // Esc chooses nothing
}

TEST_F(FormsBrowseTest, UpAtTheFirstLineAndDownAtTheLastLineDoNothing) {
  estates.Fill(3);
  EXPECT_EQ(Run({KeyUp, KeyDown, KeyDown, KeyDown, KeyDown, KeyEnter}), 0);
  EXPECT_EQ(bars, (std::vector<int>{1, 1, 2, 3, 3, 3}));
  EXPECT_EQ(shown.at(0), (std::vector<std::string>{Estate(1), Estate(2), Estate(3), ""}));
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{300});
}

TEST_F(FormsBrowseTest, PgDnKeepsTheBarRowUnlessTheLastPageIsShorter) {
  struct Case {
    int downs;                   // bar row before the two PgDn = downs + 1
    std::vector<int> barsAfter;  // bar rows at the waits after the first and second PgDn
    int32_t chosen;
  };
  // Row 4: lines 14, then 24 on the page 21..25. Row 8: line 18, then the
  // move stops at line 25, which the short page shows on row 5.
  for (const Case& c : {Case{3, {4, 4}, 2400}, Case{7, {8, 5}, 2500}}) {
    SCOPED_TRACE(c.downs);
    bars.clear();
    shown.clear();
    estates.DirectPositions.clear();
    estates.Reads = 0;
    std::vector<int> keys(static_cast<size_t>(c.downs), KeyDown);
    keys.insert(keys.end(), {KeyPgDn, KeyPgDn, KeyPgDn, KeyEnter});
    for (int key : keys) console.PushKey(key);
    EXPECT_EQ(Run({}), 0);
    const size_t at = static_cast<size_t>(c.downs) + 1;
    EXPECT_EQ(bars.at(at), c.barsAfter[0]);
    EXPECT_EQ(shown.at(at)[0], Estate(11));
    EXPECT_EQ(bars.at(at + 1), c.barsAfter[1]);
    EXPECT_EQ(shown.at(at + 1), (std::vector<std::string>{Estate(21), Estate(22), Estate(23), Estate(24)}));
    EXPECT_EQ(bars.at(at + 2), c.barsAfter[1]);  // no page after the last one
    EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{c.chosen});
    EXPECT_EQ(estates.Reads, 25);  // each estate read once
  }
}

TEST_F(FormsBrowseTest, LongLineShowsTheRightArrowAndScrollsByEightColumns) {
  forms::State().Hooks.BrowseLine = [this](int16_t) {
    std::string line = EstateLine(area);
    while (line.size() > 5 && line.back() == ' ') line.pop_back();
    if (area.substr(2, 9) == "ESTATE 02") {
      line.resize(70, '-');
      line.back() = 'E';
    }
    return line;
  };
  std::vector<uint8_t> corner;
  std::vector<std::string> second;
  std::vector<uint8_t> leftCorner;
  console.OnWait = [&] {
    corner.push_back(console.ReadCell(3, 71).Char);
    leftCorner.push_back(console.ReadCell(3, 10).Char);
    second.push_back(Cells(5, 11, 60));
  };
  for (int key : {KeyLeft, KeyRight, KeyRight, KeyRight, KeyLeft, KeyLeft, KeyEsc}) console.PushKey(key);
  EXPECT_EQ(forms::RunBrowse(1), -1);
  ASSERT_EQ(corner.size(), 7u);
  // Opening: the 70-character line reaches past the 60 columns.
  EXPECT_EQ(corner[0], RightArrowChar);
  EXPECT_EQ(leftCorner[0], 201);  // left at column 1: the frame corner
  EXPECT_EQ(second[0].substr(0, 7), "002  ES");
  // Left at column 1 does nothing.
  EXPECT_EQ(second[1], second[0]);
  // Right: first column 9; still more to the right (columns 69, 70).
  EXPECT_EQ(second[2].substr(0, 5), "ATE 0");
  EXPECT_EQ(leftCorner[2], LeftArrowChar);
  EXPECT_EQ(corner[2], RightArrowChar);
  // Right again: column 17, the line's end is in view; the arrow goes.
  EXPECT_EQ(second[3].substr(53, 1), "E");
  EXPECT_EQ(corner[3], 187);
  // A third Right does nothing: nothing is hidden on the right.
  EXPECT_EQ(second[4], second[3]);
  // Left twice: back at column 1.
  EXPECT_EQ(second[6], second[0]);
  EXPECT_EQ(leftCorner[6], 201);
}

TEST_F(FormsBrowseTest, HeaderUnderscoresShowAsBlanksAndBlanksAsTheFrameLine) {
  DefineBrowse(3, 10, 14, 31, "CODI__NOM");  // 20 columns
  console.OnWait = [] {};
  console.PushKey(KeyEsc);
  std::string header;
  console.OnWait = [&] { header = console.RowText(3).substr(9, 22); };
  forms::RunBrowse(1);
  std::string expected =
      "\xC9"
      "CODI  NOM";
  expected += std::string(11, '\xCD') + "\xBB";
  EXPECT_EQ(header, expected);
}

TEST_F(FormsBrowseTest, LineFileHoldsEachLineWithItsLinkAndRecordPosition) {
  std::string bytes;
  console.OnWait = [&] {
    if (bytes.empty()) bytes = ReadBytes(LineFile());
  };
  console.PushKey(KeyEsc);
  forms::RunBrowse(1);
  // Ten records of 10 + 15 bytes: "001  ESTATE 01" and its blank-free kin.
  ASSERT_EQ(bytes.size(), 10u * (10 + 14));
  auto int32At = [&](size_t at) {
    int32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  auto int16At = [&](size_t at) {
    int16_t v = 0;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
  };
  for (int k = 0; k < 10; ++k) {
    const size_t at = static_cast<size_t>(k) * 24;
    SCOPED_TRACE(k);
    EXPECT_EQ(int32At(at), k == 0 ? 0 : static_cast<int32_t>(at - 24 + 1));
    EXPECT_EQ(int32At(at + 4), 100 * (k + 1));
    EXPECT_EQ(int16At(at + 8), 14);
    EXPECT_EQ(bytes.substr(at + 10, 14), Estate(k + 1));
  }
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

TEST_F(FormsBrowseTest, EmptyFileShowsOneEmptyBarAndChoosesNothing) {
  estates.Fill(0);
  EXPECT_EQ(Run({KeyDown, KeyPgDn, KeyUp, KeyPgUp, KeyRight, KeyEnter}), -1);
  EXPECT_EQ(bars, (std::vector<int>{1, 1, 1, 1, 1, 1}));
  EXPECT_TRUE(estates.DirectPositions.empty());
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

TEST_F(FormsBrowseTest, RecordsPastTheEndKeyAreLeftOut) {
  forms::State().Hooks.BrowseRange = [](int16_t, std::string& start, std::string& end) {
    start = EstateFile::Code(5);
    end = EstateFile::Code(7);
    return int16_t{0};
  };
  std::vector<std::string> rows;
  console.OnWait = [&] {
    for (int r = 1; r <= 4; ++r) rows.push_back(ListRow(r));
  };
  console.PushKey(KeyEsc);
  forms::RunBrowse(1);
  EXPECT_EQ(rows, (std::vector<std::string>{Estate(5), Estate(6), Estate(7), ""}));
}

TEST_F(FormsBrowseTest, RangeHookRefusalEndsTheBrowseBeforeTheWindowOpens) {
  forms::State().Hooks.BrowseRange = [](int16_t, std::string&, std::string&) { return int16_t{7}; };
  EXPECT_EQ(forms::RunBrowse(1), 7);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(estates.Reads, 0);
}

TEST_F(FormsBrowseTest, RecordsWithoutALineAreLeftOutEvenAtTheEnd) {
  // Only the even estates make lines: the reading skips the others, and the
  // odd 25th at the end adds no line (nor a copy of the 24th).
  forms::State().Hooks.BrowseLine = [this](int16_t) {
    const int code = static_cast<uint8_t>(area[1]) - 128;
    return code % 2 == 0 ? EstateLine(area) : std::string(40, ' ');
  };
  std::vector<std::string> rows;
  console.OnWait = [&] {
    rows.clear();
    for (int r = 1; r <= 10; ++r) rows.push_back(ListRow(r));
    bars.push_back(BarRow());
  };
  for (int key : {KeyPgDn, KeyDown, KeyDown, KeyDown, KeyEnter}) console.PushKey(key);
  EXPECT_EQ(forms::RunBrowse(1), 0);
  EXPECT_EQ(rows[0], Estate(22));
  EXPECT_EQ(rows[1], Estate(24));
  EXPECT_EQ(rows[2], "");
  EXPECT_EQ(bars, (std::vector<int>{1, 1, 2, 2, 2}));
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{2400});
}

TEST_F(FormsBrowseTest, PgDnWhenNothingMoreMakesALineKeepsThePage) {
  // Ten even estates fill the page; the odd 21st is read ahead but makes no
  // line, so PgDn finds no page after this one: the bar goes to line 10.
  estates.Fill(21);
  forms::State().Hooks.BrowseLine = [this](int16_t) {
    const int code = static_cast<uint8_t>(area[1]) - 128;
    return code % 2 == 0 ? EstateLine(area) : std::string();
  };
  EXPECT_EQ(Run({KeyPgDn, KeyPgDn, KeyDown, KeyEnter}), 0);
  EXPECT_EQ(bars, (std::vector<int>{1, 10, 10, 10}));
  EXPECT_EQ(shown.at(1)[0], Estate(2));
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{2000});
}

TEST_F(FormsBrowseTest, StartFormRunsFirstAndEscThereEndsTheBrowse) {
  auto& model = config::FormModel();
  model.CreateForms(1, 1);
  model.Form(1).FormKeys = "d,1b";
  model.Form(1).FormFieldCount = 1;
  auto& field = model.Field(1, 1);
  field.FieldRow = 20;
  field.FieldColumn = 1;
  field.FieldLabel = "DES DE: ";
  field.FieldWidth = 3;
  field.FieldValue = "   ";
  model.Browse(1).BrowseStartForm = 1;
  console.PushKey(KeyEsc);
  console.OnWait = [] {};
  EXPECT_EQ(forms::RunBrowse(1), -1);
  EXPECT_EQ(estates.Reads, 0);
  EXPECT_EQ(console::State().WindowDepth, 0);
  // Enter on the start form goes on to the list.
  EXPECT_EQ(Run({KeyEnter, KeyEnter}), 0);
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{100});
}

TEST_F(FormsBrowseTest, EscWhileReadingAheadEndsTheList) {
  console.PushKey(KeyEsc);  // typed while the first page is being read
  console.OpenGate();
  EXPECT_EQ(Run({KeyDown, KeyPgDn, KeyEnter}), 0);
  EXPECT_EQ(reads.at(0), 2);  // the first record, and the move past it
  EXPECT_EQ(shown.at(0), (std::vector<std::string>{Estate(1), "", "", ""}));
  EXPECT_EQ(bars, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{100});
}

TEST_F(FormsBrowseTest, KeysOutsideTheTableLeaveWithoutAChoice) {
  for (int key : {int{'a'}, int{KeyEsc}, int{KeyF4}, int{KeyTab}}) {
    SCOPED_TRACE(key);
    console.PushKey(KeyDown);
    console.PushKey(key);
    console.OnWait = [] {};
    EXPECT_EQ(forms::RunBrowse(1), -1);
    EXPECT_FALSE(std::filesystem::exists(LineFile()));
    EXPECT_EQ(console::State().WindowDepth, 0);
  }
  EXPECT_TRUE(estates.DirectPositions.empty());
}

TEST_F(FormsBrowseTest, AClickLeavesWithoutAChoice) {
  console.PushClick(5, 20);
  console.OnWait = [] {};
  EXPECT_EQ(forms::RunBrowse(1), -1);
  EXPECT_TRUE(estates.DirectPositions.empty());
}

TEST_F(FormsBrowseTest, F4OpensTheNextBrowseAndReportsItsChoice) {
  auto& model = config::FormModel();
  model.CreateBrowses(2);
  DefineBrowse(3, 10, 14, 71);
  model.Browse(1).BrowseNext = 2;
  model.Browse(2) = model.Browse(1);
  model.Browse(2).BrowseNext = 0;
  model.Browse(2).BrowseTop = 5;
  model.Browse(2).BrowseBottom = 10;
  std::vector<std::tuple<int, int, int>> chosen;
  forms::State().Hooks.BrowseLine = [this](int16_t) { return EstateLine(area); };
  forms::State().Hooks.BrowseChosen = [&](int16_t& d, int16_t& f, int16_t& k) {
    chosen.emplace_back(d, f, k);
  };
  std::vector<int> depth;
  console.OnWait = [&] { depth.push_back(console::State().WindowDepth); };
  for (int key : {KeyDown, KeyF4, KeyDown, KeyDown, KeyEnter}) console.PushKey(key);
  EXPECT_EQ(forms::RunBrowse(1), 0);
  EXPECT_EQ(depth, (std::vector<int>{1, 1, 2, 2, 2}));
  EXPECT_EQ(chosen, (std::vector<std::tuple<int, int, int>>{{2, 0, 0}}));
  EXPECT_EQ(estates.DirectPositions, std::vector<int32_t>{300});
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

TEST_F(FormsBrowseTest, TruncatedLineFileEndsTheBrowseWithoutAChoice) {
  int waits = 0;
  console.OnWait = [&] {
    if (++waits == 1) std::filesystem::resize_file(LineFile(), 15);
  };
  console.PushKey(KeyDown);
  console.PushKey(KeyEnter);  // never read: the browse has ended
  EXPECT_EQ(forms::RunBrowse(1), -1);
  EXPECT_TRUE(estates.DirectPositions.empty());
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(FormsBrowseTest, LineFileDeletedDuringTheBrowseStillEndsInOrder) {
  int waits = 0;
  console.OnWait = [&] {
    if (++waits == 1) std::filesystem::remove(LineFile());
  };
  for (int key : {KeyPgDn, KeyPgUp, KeyDown, KeyEnter}) console.PushKey(key);
  const int16_t result = forms::RunBrowse(1);
  // The open file lives on until it is closed, or the reading fails: either
  // way the browse ends normally or without a choice, and leaves no file.
  EXPECT_TRUE(result == 0 || result == -1);
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(FormsBrowseTest, UnreadableChosenRecordGivesTheStatus) {
  console.PushKey(KeyEnter);
  console.OnWait = [&] { estates.Records.clear(); };  // the record went away
  EXPECT_EQ(forms::RunBrowse(1), 43);
}

TEST_F(FormsBrowseTest, WindowOffTheScreenChoosesNothingAndLeavesTheWindowsAlone) {
  DefineBrowse(3, 10, 30, 71);
  EXPECT_EQ(forms::RunBrowse(1), -1);
  EXPECT_EQ(estates.Reads, 0);
  EXPECT_EQ(console.WaitCalls(), 0);
}

TEST_F(FormsBrowseTest, ListModeShowsTheCallersLinesAndKeepsTheChoice) {
  auto& b = config::FormModel().Browse(1);
  b.BrowseFile = 0;
  {
    forms::BrowseLineFile lines;
    ASSERT_TRUE(lines.Create(forms::BrowseFilePath()));
    int32_t previous = 0;
    int32_t value = 7;
    for (const char* text : {"ALFA", "BETA", "GAMMA"}) {
      previous = lines.Append(previous, value++, text);
      ASSERT_NE(previous, 0);
    }
  }
  std::vector<std::string> rows;
  console.OnWait = [&] {
    if (rows.empty()) {
      for (int r = 1; r <= 4; ++r) rows.push_back(ListRow(r));
    }
  };
  console.PushKey(KeyDown);
  console.PushKey(KeyEnter);
  EXPECT_EQ(forms::RunBrowse(1), 0);
  EXPECT_EQ(rows, (std::vector<std::string>{"ALFA", "BETA", "GAMMA", ""}));
  EXPECT_EQ(forms::BrowseListValue(), 8);
  EXPECT_EQ(forms::BrowseListText(), "BETA");
  EXPECT_EQ(estates.Reads, 0);
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

TEST_F(FormsBrowseTest, ListModeWithAMissingFileIsAnEmptyList) {
  config::FormModel().Browse(1).BrowseFile = 0;
  console.PushKey(KeyEnter);
  console.OnWait = [] {};
  EXPECT_EQ(forms::RunBrowse(1), -1);
  EXPECT_EQ(forms::BrowseListText(), "");
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

TEST_F(FormsBrowseTest, BrowseRestoresTheLockModeAndTheExitKeys) {
  console::SetKeySet("ea", "1b");
  const std::string keys = console::State().ExitKeys;
  console.PushKey(KeyEsc);
  console.OnWait = [] {};
  forms::RunBrowse(1);
  EXPECT_EQ(console::State().ExitKeys, keys);
  EXPECT_EQ(records::State().DataFileTable[records::FindFileSlot(511)].LockMode, 0);
  EXPECT_TRUE(records::State().LockModeStack.empty());
}

}  // namespace
}  // namespace formstest
