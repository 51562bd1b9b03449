// The calendar pop-up on a memory console: what it draws, the keys, the
// result and the screen it leaves behind.
#include "dates/calendar_popup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "dates/date_arith.h"
#include "dates/date_text.h"
#include "platform/memory_console.h"
#include "site_settings_fixture.h"

namespace {

namespace fs = std::filesystem;

// Colours of the styles: h, n, r, rh, u all different.
constexpr uint8_t kAttrHighlight = 15 + 16 * 0;
constexpr uint8_t kAttrNormal = 7 + 16 * 1;
constexpr uint8_t kAttrUnderline = 14 + 16 * 4;

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

class CalendarPopupTest : public DateSettingsTest {
 protected:
  void SetUp() override {
    DateSettingsTest::SetUp();
    platform::State().Sleeper = [](int) {};
    platform::SetActiveConsole(&screen);
    console::ResetState();
    auto& session = config::SessionSettings();
    session.ColourPairs = {{{15, 0}, {7, 1}, {0, 7}, {1, 3}, {14, 4}}};
    session.TempDir = root_.string() + "/";
    session.LanguageCode = "CAT";
    session.WorkDate = dates::PackDate(2001, 3, 5);
  }
  void TearDown() override {
    platform::SetActiveConsole(nullptr);
    console::ResetState();
    DateSettingsTest::TearDown();
  }

  // Fills the screen with a pattern that differs in every cell.
  void PaintPattern() {
    for (int16_t r = 1; r <= 25; ++r) {
      for (int16_t c = 1; c <= 80; ++c) {
        screen.SetColours((r + c) % 16, (r * 3 + c) % 16);
        screen.MoveCursor(r, c);
        const char ch = static_cast<char>('!' + (r * 7 + c) % 90);
        screen.WriteText(std::string_view(&ch, 1));
      }
    }
    screen.MoveCursor(7, 11);
  }
  // The calendar's 22 columns of a screen row.
  std::string Window(int16_t row) const { return screen.RowText(row).substr(58, 22); }
  uint8_t Attr(int16_t row, int16_t column) const { return screen.ReadCell(row, column).Attr; }
  // The absolute cell of day d in the grid of the quarter's i-th month.
  static int16_t DayRow(int i, int gridRow) { return static_cast<int16_t>(1 + 7 * i + 2 + gridRow); }

  SteppedConsole screen;
};

const std::string V = "\xB3";  // the frame's vertical line

TEST_F(CalendarPopupTest, DrawsTheQuarterOfTheWorkDateAndReturnsTheChosenDate) {
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  std::string shown[25];
  screen.Steps.push_back([&] {
    for (int16_t r = 1; r <= 24; ++r) shown[r] = Window(r);
    EXPECT_EQ(Attr(DayRow(2, 2), 59 + 1), kAttrUnderline) << "5 March is the current day";
    EXPECT_EQ(Attr(DayRow(2, 2), 59 + 4), kAttrHighlight) << "6 March is a plain day";
    EXPECT_EQ(Attr(2, 60), kAttrNormal) << "the weekday line";
    EXPECT_EQ(console::State().WindowDepth, 1);
    EXPECT_EQ(screen.CursorSize(), 0) << "the cursor is hidden while the calendar is open";
    screen.PushKey('F');
  });
  screen.SetCursor(25);
  const int16_t style = console::State().CurrentStyle;
  const std::string result = dates::CalendarPopup();

  EXPECT_EQ(result, dates::FormatDate(dates::PackDate(2001, 3, 5), 0, "dma"));
  EXPECT_EQ(result, "5/3/2001  ");
  EXPECT_EQ(shown[1], "\xDA" + std::string(7, '\xC4') + " 2001 " + std::string(7, '\xC4') + "\xBF");
  EXPECT_EQ(shown[2], V + "DL DT DC DJ DV DS DG" + V);
  EXPECT_EQ(shown[3], V + "       GENER        " + V);
  // 1 January 2001 is a Monday.
  EXPECT_EQ(shown[4], V + " 1  2  3  4  5  6  7" + V);
  EXPECT_EQ(shown[8], V + "29 30 31            " + V);
  EXPECT_EQ(shown[10], V + "       FEBRER       " + V);
  EXPECT_EQ(shown[15], V + "26 27 28            " + V);
  EXPECT_EQ(shown[17], V + "        MAR\x80        " + V) << "upper-cased with its accent";
  EXPECT_EQ(shown[18], V + "          1  2  3  4" + V);
  EXPECT_EQ(shown[22], V + "26 27 28 29 30 31   " + V);
  EXPECT_EQ(shown[24], "\xC0" + std::string(20, '\xC4') + "\xD9");

  EXPECT_EQ(screen.Cells(), before) << "the screen under the calendar comes back";
  EXPECT_EQ(screen.CursorRow(), 7);
  EXPECT_EQ(screen.CursorColumn(), 11);
  EXPECT_EQ(screen.CursorSize(), 25);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(console::State().CurrentStyle, style);
  EXPECT_TRUE(console::State().StyleStack.empty());
}

TEST_F(CalendarPopupTest, EscapeReturnsNothingAndRestoresTheExitKeysAndTheScreen) {
  console::SetKeySet("a", "d,1b");
  const std::string keys = console::State().ExitKeys;
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  screen.Steps.push_back([&] {
    int16_t result = 0;
    EXPECT_TRUE(console::FindExitKey(console::KeyPgDn, result)) << "the calendar's own keys are set";
    EXPECT_FALSE(console::FindExitKey(console::KeyEnter, result));
    screen.PushKey(console::KeyEnter);  // not a calendar key: nothing happens
    screen.PushKey(console::KeyRight);
    screen.PushKey(console::KeyEsc);
  });
  EXPECT_EQ(dates::CalendarPopup(), "");
  EXPECT_EQ(screen.Cells(), before);
  EXPECT_EQ(console::State().ExitKeys, keys);
  EXPECT_EQ(console::State().SavedExitKeyDepth, 0);
}

TEST_F(CalendarPopupTest, MovesTheHighlightAndRedrawsAnotherQuarter) {
  config::SessionSettings().WorkDate = dates::PackDate(2001, 12, 31);
  std::string top, title, firstRow;
  screen.Steps.push_back([&] {
    EXPECT_EQ(Window(17), V + "      DESEMBRE      " + V);
    EXPECT_EQ(Attr(DayRow(2, 6), 59 + 1), kAttrUnderline) << "31 December, the sixth row";
    screen.PushKey(console::KeyRight);
  });
  screen.Steps.push_back([&] {
    top = Window(1);
    title = Window(3);
    firstRow = Window(4);
    // 1 January 2002 is a Tuesday; the 31st is no longer highlighted.
    EXPECT_EQ(Attr(DayRow(0, 1), 59 + 4), kAttrUnderline);
    EXPECT_EQ(Attr(DayRow(0, 1), 59 + 1), kAttrHighlight) << "the blank Monday before the 1st";
    screen.PushKey(console::KeyLeft);
  });
  screen.Steps.push_back([&] {
    EXPECT_EQ(Window(1).substr(8, 6), " 2001 ");
    EXPECT_EQ(Attr(DayRow(2, 6), 59 + 1), kAttrUnderline);
    screen.PushKey(console::KeyAltF);
  });
  EXPECT_EQ(dates::CalendarPopup(), "31/12/2001");
  EXPECT_EQ(top.substr(8, 6), " 2002 ");
  EXPECT_EQ(title, V + "       GENER        " + V);
  EXPECT_EQ(firstRow, V + "    1  2  3  4  5  6" + V);
}

TEST_F(CalendarPopupTest, LanguagesGiveTheirInitialsAndMonthNames) {
  struct Case {
    const char* language;
    const char* initials;
    const char* march;
  } cases[] = {
      {"SPA", " L  M  X  J  V  S  D", "       MARZO        "},
      {"GLG", " L  M  X  J  V  S  D", "       MAR\x80O        "},
      {"OCI", "DL DT DC DJ DD DS DG", "        MAR\x80        "},
  };
  for (const Case& c : cases) {
    config::SessionSettings().LanguageCode = c.language;
    std::string initials, march;
    screen.Steps.push_back([&] {
      initials = Window(2);
      march = Window(17);
      screen.PushKey(console::KeyEsc);
    });
    EXPECT_EQ(dates::CalendarPopup(), "") << c.language;
    EXPECT_EQ(initials, V + c.initials + V) << c.language;
    EXPECT_EQ(march, V + c.march + V) << c.language;
  }
}

TEST_F(CalendarPopupTest, AnUnusableWorkDateStartsOnToday) {
  const dates::CalendarDay today = dates::Today();
  const std::string expected =
      dates::FormatDate(dates::PackDate(today.Year, today.Month, today.Day), 0, "dma");
  for (const std::string& workDate :
       {std::string(), dates::PackDate(2001, 13, 5), dates::PackDate(2001, 2, 30)}) {
    config::SessionSettings().WorkDate = workDate;
    screen.Steps.push_back([&] {
      EXPECT_EQ(Window(1).substr(9, 4), std::to_string(today.Year));
      screen.PushKey('f');
    });
    EXPECT_EQ(dates::CalendarPopup(), expected);
  }
}

TEST_F(CalendarPopupTest, TheExitKeysOfAFormHoldingTheSaveSlotComeBack) {
  console::SetKeySet("a", "1b");
  console::SetKeySet("+ea", "d,1b,3e00");  // as a form does around its field
  const std::string keys = console::State().ExitKeys;
  console::State().CalendarPopup = dates::CalendarPopup;
  screen.PushKey(console::KeyAltC);
  screen.PushKey(console::KeyDown);
  screen.PushKey('F');
  EXPECT_EQ(console::ReadKey(), console::KeyAltC);
  EXPECT_EQ(console::State().TypeAhead, "12/3/2001 ");
  EXPECT_EQ(console::State().ExitKeys, keys);
  EXPECT_EQ(console::State().SavedExitKeyDepth, 1);
  console::SetKeySet("-", "");  // the form's own restore still finds its saved set
  int16_t result = 0;
  EXPECT_TRUE(console::FindExitKey(console::KeyEsc, result));
  EXPECT_FALSE(console::FindExitKey(console::KeyEnter, result));
}

TEST_F(CalendarPopupTest, AltCFromAKeyWaitTypesTheDateIntoWhatReadsNext) {
  console::State().CalendarPopup = dates::CalendarPopup;
  PaintPattern();
  const std::vector<platform::Cell> before = screen.Cells();
  screen.PushKey(console::KeyAltC);
  screen.Steps.push_back([&] {
    EXPECT_EQ(console::State().WindowDepth, 1);
    screen.PushKey(console::KeyAltC);  // inside its own pop-up: a plain key
    screen.PushKey(console::KeyDown);
  });
  screen.Steps.push_back([&] {
    EXPECT_EQ(console::State().WindowDepth, 1) << "never opened twice";
    screen.PushKey('F');
  });
  EXPECT_EQ(console::WaitKey(), console::KeyAltC) << "the hot key itself comes first";
  EXPECT_EQ(screen.Cells(), before);
  std::string typed;
  for (int16_t key; (key = console::ReadKey()) != 0;) typed += static_cast<char>(key);
  EXPECT_EQ(typed, "12/3/2001 ");
  EXPECT_EQ(console::State().InCalendar, 0);
}

}  // namespace
