// The calculator pop-up on a memory console: its box and tape, the figure it
// returns, its tape file, its moves and the screen it leaves behind.
#include "numbers/calculator_popup.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "numbers/calculator_engine.h"
#include "numbers/calculator_tape.h"
#include "platform/memory_console.h"
#include "site_settings_fixture.h"

namespace {

namespace fs = std::filesystem;

// A memory console that runs the next step of the test whenever the program
// waits with no input left, so a test can look at the screen while the
// pop-up is open and then type the next keys.
class SteppedConsole : public platform::MemoryConsole {
 public:
  std::deque<std::function<void()>> Steps;
  bool WaitInput(int timeoutMs) override {
    if (PendingEvents() == 0 && !Steps.empty()) {
      auto step = std::move(Steps.front());
      Steps.pop_front();
      step();
    }
    return MemoryConsole::WaitInput(timeoutMs);
  }
};

const std::string V = "\xB3";
const std::string H24(24, '\xC4');
const std::string TopBorder = "\xDA" + H24 + "\xBF";
const std::string MiddleBorder = "\xC3" + H24 + "\xB4";
const std::string BottomBorder = "\xC0" + H24 + "\xD9";

class CalculatorPopupTest : public SiteSettingsTest {
 protected:
  void SetUp() override {
    SiteSettingsTest::SetUp();
    WriteDorvIni("[Usuari]\nDecCaracter=,\nMilCaracter=.");
    platform::State().Sleeper = [](int) {};
    platform::SetActiveConsole(&screen);
    console::ResetState();
    config::ResetSessionSettings();
    auto& session = config::SessionSettings();
    session.ColourPairs = {{{15, 0}, {7, 1}, {0, 7}, {1, 3}, {14, 4}}};
    session.TempDir = root_.string() + "/";
    fs::create_directories(root_ / "TERM01");
    session.TerminalDir = root_.string() + "/TERM01/";
  }
  void TearDown() override {
    platform::SetActiveConsole(nullptr);
    console::ResetState();
    config::ResetSessionSettings();
    SiteSettingsTest::TearDown();
  }

  fs::path TapeFile() const { return root_ / "TERM01" / "WRKCALC.TMP"; }
  std::string ReadTapeFile() const {
    std::ifstream in(TapeFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  numbers::CalculatorRecord SavedRecord() const {
    numbers::CalculatorRecord record;
    EXPECT_TRUE(numbers::ReadCalculatorTape(ReadTapeFile(), record));
    return record;
  }

  void PaintPattern() {
    for (int16_t r = 1; r <= 25; ++r) {
      for (int16_t c = 1; c <= 80; ++c) {
        screen.SetColours((r + c) % 16, (r * 3 + c) % 16);
        screen.MoveCursor(r, c);
        const char ch = static_cast<char>('!' + (r * 7 + c) % 90);
        screen.WriteText(std::string_view(&ch, 1));
      }
    }
    screen.MoveCursor(12, 40);
  }
  // 26 columns of a row from a column.
  std::string Box(int16_t row, int16_t column = 1) const {
    return screen.RowText(row).substr(column - 1, 26);
  }
  // Whether the cells of a rectangle are those of a snapshot.
  bool SameCells(const std::vector<platform::Cell>& before, int16_t top, int16_t left, int16_t bottom,
                 int16_t right) const {
    for (int16_t r = top; r <= bottom; ++r)
      for (int16_t c = left; c <= right; ++c)
        if (!(screen.ReadCell(r, c) == before[(r - 1) * 80 + (c - 1)])) return false;
    return true;
  }
  static std::string Figure(const std::string& text, const std::string& end = "  ") {
    return V + std::string(22 - text.size(), ' ') + text + end + V;
  }

  SteppedConsole screen;
};

TEST_F(CalculatorPopupTest, FirstOpeningShowsAnEmptyTapeAndSavesTheStateOnEscape) {
  console::SetKeySet("a", "d,1b");
  const std::string exitKeys = console::State().ExitKeys;
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  screen.SetCursor(25);
  screen.Steps.push_back([&] {
    EXPECT_EQ(Box(23), TopBorder) << "the box of an empty tape";
    EXPECT_EQ(Box(24), Figure("0"));
    EXPECT_EQ(Box(25), BottomBorder);
    EXPECT_TRUE(SameCells(before, 1, 1, 22, 80)) << "nothing is drawn above an empty tape";
    EXPECT_TRUE(SameCells(before, 23, 27, 25, 80));
    EXPECT_TRUE(console::State().ExitKeys.empty()) << "no exit keys while the calculator runs";
    EXPECT_EQ(screen.CursorSize(), 0);
    EXPECT_TRUE(fs::exists(TapeFile())) << "created when missing";
    screen.PushKey(console::KeyEsc);
  });
  EXPECT_EQ(numbers::CalculatorPopup(), "");
  EXPECT_EQ(screen.Cells(), before);
  EXPECT_EQ(screen.CursorRow(), 12);
  EXPECT_EQ(screen.CursorColumn(), 40);
  EXPECT_EQ(screen.CursorSize(), 25);
  EXPECT_EQ(console::State().ExitKeys, exitKeys);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_TRUE(console::State().StyleStack.empty());
  EXPECT_EQ(SavedRecord(), numbers::CalculatorRecord{});
}

TEST_F(CalculatorPopupTest, AddsOnTheTapeAndReturnsTheFigureInHundredths) {
  screen.PushText("12.5+7.25=");
  std::string rows[26];
  screen.Steps.push_back([&] {
    for (int16_t r = 18; r <= 25; ++r) rows[r] = Box(r);
    screen.PushKey('F');
  });
  EXPECT_EQ(numbers::CalculatorPopup(), "1975");
  EXPECT_EQ(rows[19], TopBorder);
  EXPECT_EQ(rows[20], Figure("12,5", " +"));
  EXPECT_EQ(rows[21], Figure("7,25", " ="));
  EXPECT_EQ(rows[22], Figure("19,75", "  "));
  EXPECT_EQ(rows[23], MiddleBorder);
  EXPECT_EQ(rows[24], Figure("19,75"));
  EXPECT_EQ(rows[25], BottomBorder);
  EXPECT_EQ(SavedRecord().FirstVisibleSlot, 20);
}

TEST_F(CalculatorPopupTest, ThousandsAndTheUsersDecimalCharacterOnTheEntryLine) {
  screen.PushText("1234567.5");
  std::string entry;
  screen.Steps.push_back([&] {
    entry = Box(24);
    screen.PushText("C10/3=");
  });
  screen.Steps.push_back([&] {
    EXPECT_EQ(Box(24), Figure("3,33333333333333"));
    screen.PushKey(console::KeyEsc);
  });
  numbers::CalculatorPopup();
  EXPECT_EQ(entry, Figure("1.234.567,5"));
}

TEST_F(CalculatorPopupTest, APendingOperationAndAHalfTypedNumberSurviveClosing) {
  screen.PushText("2*3");
  screen.PushKey(console::KeyEsc);
  EXPECT_EQ(numbers::CalculatorPopup(), "");
  screen.Steps.push_back([&] {
    EXPECT_EQ(Box(24), Figure("3"));
    EXPECT_EQ(Box(22), Figure("2", " *"));
    screen.PushText("=f");
  });
  EXPECT_EQ(numbers::CalculatorPopup(), "600");
}

TEST_F(CalculatorPopupTest, MovesAcrossTheScreenAndWrapsAround) {
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  screen.PushText("7+");
  screen.PushKey(console::KeyLeft);
  screen.Steps.push_back([&] {
    EXPECT_TRUE(SameCells(before, 1, 1, 25, 54)) << "the old place is restored";
    EXPECT_EQ(Box(24, 55), Figure("7"));
    EXPECT_EQ(Box(22, 55), Figure("7", " +"));
    screen.PushKey(console::KeyRight);
  });
  screen.Steps.push_back([&] {
    EXPECT_TRUE(SameCells(before, 1, 27, 25, 80));
    EXPECT_EQ(Box(24, 1), Figure("7"));
    screen.PushKey(console::KeyCtrlRight);
  });
  screen.Steps.push_back([&] {
    EXPECT_TRUE(SameCells(before, 1, 1, 25, 1));
    EXPECT_EQ(Box(25, 2), BottomBorder);
    screen.PushKey(console::KeyEsc);
  });
  numbers::CalculatorPopup();
  EXPECT_EQ(screen.Cells(), before);
  EXPECT_EQ(SavedRecord().WindowColumn, 2) << "it reopens where it was left";
}

TEST_F(CalculatorPopupTest, ClearingTheTapeBringsBackTheScreenAboveIt) {
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  screen.PushText("1+2=");
  screen.Steps.push_back([&] {
    EXPECT_EQ(Box(19), TopBorder);
    screen.PushText("CC");
  });
  screen.Steps.push_back([&] {
    EXPECT_TRUE(SameCells(before, 1, 1, 22, 80));
    EXPECT_EQ(Box(23), TopBorder);
    EXPECT_EQ(Box(24), Figure("0"));
    screen.PushKey(console::KeyEsc);
  });
  numbers::CalculatorPopup();
  EXPECT_EQ(screen.Cells(), before);
}

TEST_F(CalculatorPopupTest, DivisionByZeroShowsAMarkAndTheCalculatorGoesOn) {
  screen.PushText("5/0=");
  screen.Steps.push_back([&] {
    EXPECT_EQ(Box(24), Figure("0", " E"));
    EXPECT_EQ(screen.Beeps(), 1);
    screen.PushText("2");
  });
  screen.Steps.push_back([&] {
    EXPECT_EQ(Box(24), Figure("2")) << "the mark goes with the next key";
    screen.PushText("=F");
  });
  EXPECT_EQ(numbers::CalculatorPopup(), "250");
}

TEST_F(CalculatorPopupTest, ADamagedTapeStartsAfreshAndIsReplacedWhenClosing) {
  for (const std::string& bytes : {std::string("\x01\x02garbage\"", 10), std::string("55,13,")}) {
    {
      std::ofstream out(TapeFile(), std::ios::binary | std::ios::trunc);
      out << bytes;
    }
    screen.Steps.push_back([&] {
      EXPECT_EQ(Box(23), TopBorder);
      EXPECT_EQ(Box(24), Figure("0"));
      screen.PushText("4");
      screen.PushKey(console::KeyEsc);
    });
    EXPECT_EQ(numbers::CalculatorPopup(), "");
    numbers::CalculatorRecord expected;
    numbers::ApplyCalculatorKey(expected, '4');
    EXPECT_EQ(SavedRecord(), expected);
  }
}

TEST_F(CalculatorPopupTest, WorksWithoutATerminalDirectoryToKeepItsTape) {
  config::SessionSettings().TerminalDir = (root_ / "missing").string() + "/";
  screen.PushText("3*4=");
  screen.PushKey(console::KeyAltF);
  EXPECT_EQ(numbers::CalculatorPopup(), "1200");
  EXPECT_FALSE(fs::exists(root_ / "missing"));
}

TEST_F(CalculatorPopupTest, TheExitKeysOfAFormHoldingTheSaveSlotComeBack) {
  console::SetKeySet("a", "1b");
  console::SetKeySet("+ea", "d,1b,3e00");  // as a form does around its field
  const console::ConsoleState before = console::State();
  console::State().CalculatorPopup = numbers::CalculatorPopup;
  screen.PushKey(console::KeyAltX);
  screen.PushText("4");
  screen.PushKey(console::KeyEsc);
  EXPECT_EQ(console::ReadKey(), console::KeyAltX);
  EXPECT_EQ(console::State().ExitKeys, before.ExitKeys);
  EXPECT_EQ(console::State().ExitKeyResults, before.ExitKeyResults);
  EXPECT_EQ(console::State().SavedExitKeyDepth, 1);
  console::SetKeySet("-", "");  // the form's own restore still finds its saved set
  int16_t result = 0;
  EXPECT_TRUE(console::FindExitKey(console::KeyEsc, result));
  EXPECT_FALSE(console::FindExitKey(console::KeyEnter, result));
}

TEST_F(CalculatorPopupTest, AltXFromAKeyWaitTypesTheFigureIntoWhatReadsNext) {
  console::State().CalculatorPopup = numbers::CalculatorPopup;
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  screen.PushKey(console::KeyAltX);
  screen.PushText("12");
  screen.PushKey(console::KeyAltX);  // inside its own pop-up: a plain key, ignored
  screen.PushText(".5");
  screen.Steps.push_back([&] {
    EXPECT_EQ(console::State().WindowDepth, 1) << "never opened twice";
    screen.PushKey('F');
  });
  EXPECT_EQ(console::WaitKey(), console::KeyAltX) << "the hot key itself comes first";
  EXPECT_EQ(screen.Cells(), before) << "the screen under the calculator is back";
  std::string typed;
  for (int16_t key; (key = console::ReadKey()) != 0;) typed += static_cast<char>(key);
  EXPECT_EQ(typed, "1250");
  EXPECT_EQ(console::State().InCalculator, 0);
}

}  // namespace
