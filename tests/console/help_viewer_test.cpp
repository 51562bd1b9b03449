#include "console/help_viewer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "console/console_state.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "console_fixture.h"
#include "platform/system.h"

namespace {

using consoletest::ConsoleTest;

class HelpViewerTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    oldDirectory = std::filesystem::current_path();
    std::filesystem::current_path(workDir);
    std::filesystem::create_directories(workDir / "AJUDA");
  }
  void TearDown() override {
    std::filesystem::current_path(oldDirectory);
    ConsoleTest::TearDown();
  }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(workDir / "AJUDA" / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // A help file of fixed 80-byte records.
  void WriteHelp(const std::string& topic, const std::vector<std::string>& lines) {
    std::string bytes;
    for (std::string line : lines) {
      line.resize(80, ' ');
      bytes += line;
    }
    WriteFile(topic + ".HLP", bytes);
  }
  void WriteNumbered(const std::string& topic, const std::string& word, int count) {
    std::vector<std::string> lines;
    for (int k = 1; k <= count; ++k) lines.push_back(word + " " + (k < 10 ? "0" : "") + std::to_string(k));
    WriteHelp(topic, lines);
  }

  // Runs the viewer on the scripted keys and stops it at its next wait, with
  // its window still on the screen.
  void RunUntilIdle(const std::string& topic, const std::vector<int>& keys) {
    for (int key : keys) console.PushKey(key);
    EXPECT_THROW(console::ShowHelp(topic), platform::ScriptExhausted);
  }

  // Line numbers shown on the 17 rows of the viewer (0 for a row without one).
  std::vector<int> Shown(const std::string& word = "Linia") const {
    std::vector<int> numbers;
    for (int16_t r = 5; r <= 21; ++r) {
      std::string text = console.RowText(r).substr(2, word.size() + 7);
      numbers.push_back(text.rfind(word + " ", 0) == 0 ? std::stoi(text.substr(word.size() + 1)) : 0);
    }
    return numbers;
  }
  static std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int k = first; k <= last; ++k) v.push_back(k);
    return v;
  }

  std::filesystem::path oldDirectory;
};

TEST_F(HelpViewerTest, PagingOverFortyLines) {
  WriteNumbered("ESTATS", "Linia", 40);
  using namespace console;
  struct Case {
    const char* name;
    std::vector<int> keys;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {"start", {}, Range(1, 17)},
      {"PgDn", {KeyPgDn}, Range(18, 34)},
      {"PgDn twice", {KeyPgDn, KeyPgDn}, Range(24, 40)},
      {"End at the end does nothing", {KeyPgDn, KeyPgDn, KeyEnd}, Range(24, 40)},
      {"Down at the end does nothing", {KeyPgDn, KeyPgDn, KeyDown}, Range(24, 40)},
      {"PgDn at the end does nothing", {KeyPgDn, KeyPgDn, KeyPgDn}, Range(24, 40)},
      {"Home", {KeyPgDn, KeyPgDn, KeyHome}, Range(1, 17)},
      {"End from the start", {KeyEnd}, Range(24, 40)},
      {"Up at the start does nothing", {KeyUp}, Range(1, 17)},
      {"Home at the start does nothing", {KeyHome}, Range(1, 17)},
      {"PgUp at the start does nothing", {KeyPgUp}, Range(1, 17)},
      {"Down", {KeyDown}, Range(2, 18)},
      {"Down twice and Up", {KeyDown, KeyDown, KeyUp}, Range(2, 18)},
      {"End and Up", {KeyEnd, KeyUp}, Range(23, 39)},
      {"End and PgUp", {KeyEnd, KeyPgUp}, Range(8, 24)},
      {"PgUp after one PgDn", {KeyPgDn, KeyPgUp}, Range(2, 18)},
      {"PgUp stops at the first line", {KeyEnd, KeyPgUp, KeyPgUp, KeyPgUp}, Range(1, 17)},
      {"other keys do nothing", {'a', KeyF2, KeyEnter, KeyLeft}, Range(1, 17)},
  };
  for (const auto& c : cases) {
    console::ResetState();
    console.SetColours(7, 0);
    console.ClearScreen();
    RunUntilIdle("ESTATS", c.keys);
    EXPECT_EQ(Shown(), c.shown) << c.name;
  }
}

TEST_F(HelpViewerTest, WindowFrameAndRoundTrip) {
  WriteNumbered("ESTATS", "Linia", 40);
  PaintPattern();
  const auto before = Snapshot();
  console::SetStyle("u");
  console.MoveCursor(11, 12);
  console.PushKey(console::KeyPgDn);
  RunUntilIdle("ESTATS", {});
  // The window: rows 4 to 22, double frame in the highlight style.
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(console.RowText(4), "\xc9" + std::string(78, '\xcd') + "\xbb");
  EXPECT_EQ(console.RowText(22), "\xc8" + std::string(78, '\xcd') + "\xbc");
  EXPECT_EQ(console.ReadCell(4, 1).Attr, consoletest::kAttrHighlight);
  EXPECT_EQ(console.ReadCell(13, 80).Char, 0xba);
  EXPECT_EQ(console.RowText(5).substr(0, 12), "\xba Linia 18  ");
  EXPECT_EQ(console.ReadCell(5, 3).Attr, consoletest::kAttrNormal);

  // Esc closes it and everything is as it was.
  console::ResetState();
  std::filesystem::remove(StackFile());  // the frame of the viewer stopped above
  console::SetStyle("u");
  PaintPattern();
  console.MoveCursor(11, 12);
  console.PushKey(console::KeyDown);
  console.PushKey(console::KeyEsc);
  console::ShowHelp("ESTATS");
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(console.CursorRow(), 11);
  EXPECT_EQ(console.CursorColumn(), 12);
  EXPECT_EQ(console::State().CurrentStyle, console::StyleUnderline);
  EXPECT_TRUE(console::State().StyleStack.empty());
  EXPECT_FALSE(std::filesystem::exists(StackFile()));
}

TEST_F(HelpViewerTest, StyleTogglesTakeNoColumn) {
  WriteHelp("T", {
                     "see \x1fword\x1f here",
                     "\x1e"
                     "bold\x1e plain \x10"
                     "rev\x10",
                     "\x1f"
                     "under \x1e"
                     "still\x1e under\x1f",
                     std::string(80, 'x'),
                     "\x1e" + std::string(79, 'y'),
                 });
  RunUntilIdle("T", {});
  auto text = [&](int16_t row, size_t n) { return console.RowText(row).substr(2, n); };
  EXPECT_EQ(text(5, 14), "see word here ");
  for (int16_t c : {3, 4, 5, 6}) EXPECT_EQ(console.ReadCell(5, c).Attr, consoletest::kAttrNormal) << c;
  for (int16_t c : {7, 8, 9, 10}) EXPECT_EQ(console.ReadCell(5, c).Attr, consoletest::kAttrUnderline) << c;
  for (int16_t c : {11, 12, 15}) EXPECT_EQ(console.ReadCell(5, c).Attr, consoletest::kAttrNormal) << c;

  EXPECT_EQ(text(6, 15), "bold plain rev ");
  EXPECT_EQ(console.ReadCell(6, 3).Attr, consoletest::kAttrHighlight);
  EXPECT_EQ(console.ReadCell(6, 8).Attr, consoletest::kAttrNormal);
  EXPECT_EQ(console.ReadCell(6, 14).Attr, consoletest::kAttrReverse);

  // Highlight does not override underline.
  EXPECT_EQ(text(7, 18), "under still under ");
  EXPECT_EQ(console.ReadCell(7, 9).Attr, consoletest::kAttrUnderline);   // "still"
  EXPECT_EQ(console.ReadCell(7, 15).Attr, consoletest::kAttrUnderline);  // "under"

  // At most 76 characters, with or without toggles.
  EXPECT_EQ(console.RowText(8).substr(2, 77), std::string(76, 'x') + " ");
  EXPECT_EQ(console.RowText(9).substr(2, 77), std::string(76, 'y') + " ");
  EXPECT_EQ(console.ReadCell(8, 80).Char, 0xba);
}

TEST_F(HelpViewerTest, ScrolledRowsAreBlankInTheNormalStyle) {
  // Line 18 ends in the underline style; the row that scrolls in after it
  // must not inherit it. Columns 2 and 79 of the interior are only ever
  // filled by the scroll.
  std::vector<std::string> lines(30, "plain");
  lines[17] = "\x1funderlined to the end";
  WriteHelp("U", lines);
  RunUntilIdle("U", {console::KeyDown, console::KeyDown});
  EXPECT_EQ(console.ReadCell(20, 5).Attr, consoletest::kAttrUnderline);  // line 18
  for (int16_t c : {2, 79}) EXPECT_EQ(console.ReadCell(21, c).Attr, consoletest::kAttrNormal) << c;
}

TEST_F(HelpViewerTest, MissingFileIsCreatedEmpty) {
  RunUntilIdle("NOU", {console::KeyPgDn, console::KeyEnd, console::KeyDown});
  EXPECT_TRUE(std::filesystem::exists(workDir / "AJUDA" / "NOU.HLP"));
  EXPECT_EQ(std::filesystem::file_size(workDir / "AJUDA" / "NOU.HLP"), 0u);
  for (int16_t r = 5; r <= 21; ++r) EXPECT_EQ(console.RowText(r), "\xba" + std::string(78, ' ') + "\xba");

  // Without the folder nothing is created and the window is still shown.
  std::filesystem::remove_all(workDir / "AJUDA");
  console::ResetState();
  console.PushKey(console::KeyDown);
  console.PushKey(console::KeyEsc);
  console::ShowHelp("NOU");
  EXPECT_FALSE(std::filesystem::exists(workDir / "AJUDA"));
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(HelpViewerTest, FileLengthsThatAreNoMultipleOfTheWidth) {
  std::string bytes;
  for (int k = 1; k <= 40; ++k) {
    std::string line = "Linia " + std::string(k < 10 ? "0" : "") + std::to_string(k);
    line.resize(80, ' ');
    bytes += line;
  }
  // 39 bytes more round down to 40 lines; 40 bytes more round up to 41.
  WriteFile("A.HLP", bytes + "Linia 41" + std::string(31, ' '));
  RunUntilIdle("A", {console::KeyEnd});
  EXPECT_EQ(Shown(), Range(24, 40));
  console::ResetState();
  WriteFile("B.HLP", bytes + "Linia 41" + std::string(32, ' '));
  RunUntilIdle("B", {console::KeyEnd});
  EXPECT_EQ(Shown(), Range(25, 41));
}

TEST_F(HelpViewerTest, AnyBytesAndAnySize) {
  std::string noise;
  for (int i = 0; i < 12345; ++i) noise.push_back(static_cast<char>((i * 131 + i / 7) & 0xFF));
  WriteFile("SOROLL.HLP", noise);
  for (int key : {console::KeyPgDn, console::KeyEnd, console::KeyUp, console::KeyPgUp, console::KeyHome,
                  console::KeyDown, console::KeyEsc})
    console.PushKey(key);
  console::ShowHelp("SOROLL");
  EXPECT_EQ(console::State().WindowDepth, 0);

  // A large file is read a line at a time.
  const int count = 50000;
  std::string big;
  big.reserve(static_cast<size_t>(count) * 80);
  for (int k = 1; k <= count; ++k) {
    std::string line = "Linia " + std::to_string(k);
    line.resize(80, ' ');
    big += line;
  }
  WriteFile("GRAN.HLP", big);
  console::ResetState();
  RunUntilIdle("GRAN", {console::KeyEnd, console::KeyUp});
  EXPECT_EQ(Shown(), Range(count - 17, count - 1));

  // One line a little over half a record counts as a line.
  WriteFile("CURT.HLP", "Linia 01" + std::string(33, ' '));
  console::ResetState();
  RunUntilIdle("CURT", {console::KeyPgDn});
  std::vector<int> one(17, 0);
  one[0] = 1;
  EXPECT_EQ(Shown(), one);
}

TEST_F(HelpViewerTest, F1OpensTheGeneralHelpOnTop) {
  WriteNumbered("ESTATS", "Estats", 30);
  WriteNumbered("TOOLMENU", "Menu", 30);
  RunUntilIdle("ESTATS", {console::KeyF1, console::KeyPgDn, console::KeyF1});
  EXPECT_EQ(console::State().WindowDepth, 2);  // F1 inside the general help opens nothing more
  EXPECT_EQ(Shown("Menu"), Range(14, 30));

  console::ResetState();
  RunUntilIdle("ESTATS", {console::KeyF1, console::KeyPgDn, console::KeyEsc, console::KeyDown});
  EXPECT_EQ(console::State().WindowDepth, 1);
  EXPECT_EQ(Shown("Estats"), Range(2, 18));

  console::ResetState();
  RunUntilIdle("TOOLMENU", {console::KeyF1});
  EXPECT_EQ(console::State().WindowDepth, 1);
}

TEST_F(HelpViewerTest, ViewerIgnoresTypeAheadAndHotKeys) {
  WriteNumbered("ESTATS", "Linia", 40);
  int calls = 0;
  console::State().CalculatorPopup = [&] {
    ++calls;
    return std::string("5");
  };
  console::State().TypeAhead = "\x1b";  // would close the viewer if it were read
  RunUntilIdle("ESTATS", {console::KeyAltX, console::KeyPgDn});
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(console::State().TypeAhead, "\x1b");
  EXPECT_EQ(Shown(), Range(18, 34));
}

TEST_F(HelpViewerTest, WindowsRunModeOpensTheDocument) {
  config::SessionSettings().RunMode = "WIN";
  WriteFile("ESTATS.HTM", "<html>ajuda</html>");
  const std::string copy = (workDir / "obert.htm").string();
  platform::State().Environment = [copy](const char* name) -> std::string {
    if (std::string(name) == "BROWSER") return "cp %s '" + copy + "'";
    return std::string();
  };
  PaintPattern();
  const auto before = Snapshot();
  console::ShowHelp("ESTATS");  // reads no key: the script is empty
  std::ifstream in(copy, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            "<html>ajuda</html>");
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(console::State().WindowDepth, 0);

  // A missing document is not reported.
  console::ShowHelp("CAP");
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
