#include "console/keyboard.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "console/console_state.h"
#include "console_fixture.h"

namespace {

using consoletest::ConsoleTest;
using platform::InputEvent;
using platform::MemoryConsole;
using platform::ModLeftAlt;
using platform::ModLeftCtrl;
using platform::ModRightAlt;
using platform::ModRightCtrl;
using platform::ModShift;

class KeyboardTest : public ConsoleTest {
 protected:
  void PushModifierPress(uint16_t mods) {
    InputEvent e;
    e.Type = InputEvent::Kind::ModifierPress;
    e.Scan = 0x38;
    e.Modifiers = mods;
    console.PushEvent(e);
  }
  void PushAltRelease() {
    InputEvent e;
    e.Type = InputEvent::Kind::KeyRelease;
    e.Scan = 0x38;
    e.Modifiers = 0;
    console.PushEvent(e);
  }
  // Every key ReadKey yields until the script is used up.
  std::vector<int> DrainKeys() {
    std::vector<int> keys;
    while (console.PendingEvents() > 0) {
      int16_t key = console::ReadKey();
      if (key != 0) keys.push_back(key);
    }
    return keys;
  }
};

struct TranslationCase {
  const char* name;
  std::function<void(MemoryConsole&)> script;
  std::vector<int> keys;
};

TEST_F(KeyboardTest, EventTranslation) {
  const TranslationCase cases[] = {
      {"plain character", [](MemoryConsole& c) { c.PushChar('a'); }, {'a'}},
      {"accented character", [](MemoryConsole& c) { c.PushChar(0x87); }, {0x87}},
      {"Enter and Esc",
       [](MemoryConsole& c) {
         c.PushChar(13);
         c.PushChar(27);
       },
       {13, 27}},
      {"Ctrl+C is a key", [](MemoryConsole& c) { c.PushChar(3, ModLeftCtrl, 0x2E); }, {3}},
      {"Alt+letter gives its scan code", [](MemoryConsole& c) { c.PushChar('a', ModLeftAlt); }, {0x1E00}},
      {"Alt+F is 2100", [](MemoryConsole& c) { c.PushChar('f', ModRightAlt); }, {0x2100}},
      {"Alt+E gives 213", [](MemoryConsole& c) { c.PushChar('e', ModLeftAlt); }, {213}},
      {"AltGr+E gives 213",
       [](MemoryConsole& c) { c.PushChar(0xD5, ModRightAlt | ModLeftCtrl, 0x12); },
       {213}},
      {"AltGr on a digit key keeps the character",
       [](MemoryConsole& c) { c.PushChar('@', ModRightAlt | ModLeftCtrl, 0x03); },
       {'@'}},
      {"Alt on the [ key keeps the character",
       [](MemoryConsole& c) { c.PushChar('[', ModRightAlt, 0x1A); },
       {'['}},
      {"F1", [](MemoryConsole& c) { c.PushScan(0x3B); }, {0x3B00}},
      {"Shift+F1 is 5400", [](MemoryConsole& c) { c.PushScan(0x3B, ModShift); }, {0x5400}},
      {"Shift+F10", [](MemoryConsole& c) { c.PushScan(0x44, ModShift); }, {0x5D00}},
      {"Ctrl+F4 is 6100", [](MemoryConsole& c) { c.PushScan(0x3E, ModRightCtrl); }, {0x6100}},
      {"Alt+F4 is 6B00", [](MemoryConsole& c) { c.PushScan(0x3E, ModRightAlt); }, {0x6B00}},
      {"Alt wins over Ctrl and Shift",
       [](MemoryConsole& c) { c.PushScan(0x3B, ModRightAlt | ModLeftCtrl | ModShift); },
       {0x6800}},
      {"Ctrl wins over Shift", [](MemoryConsole& c) { c.PushScan(0x3B, ModLeftCtrl | ModShift); }, {0x5E00}},
      {"Ctrl+Right is 7400", [](MemoryConsole& c) { c.PushScan(0x4D, ModLeftCtrl); }, {0x7400}},
      {"Ctrl+Left is 7300", [](MemoryConsole& c) { c.PushScan(0x4B, ModLeftCtrl); }, {0x7300}},
      {"Ctrl+Home is 7700", [](MemoryConsole& c) { c.PushScan(0x47, ModLeftCtrl); }, {0x7700}},
      {"Ctrl+End stays 4F00", [](MemoryConsole& c) { c.PushScan(0x4F, ModLeftCtrl); }, {0x4F00}},
      {"Shift+Right stays 4D00", [](MemoryConsole& c) { c.PushScan(0x4D, ModShift); }, {0x4D00}},
      {"F11 is not remapped",
       [](MemoryConsole& c) { c.PushScan(0x85, ModShift); },
       {static_cast<int16_t>(0x8500)}},
      {"lone modifier press skipped",
       [](MemoryConsole& c) {
         InputEvent e;
         e.Type = InputEvent::Kind::ModifierPress;
         e.Modifiers = ModShift;
         c.PushEvent(e);
         c.PushChar('b');
       },
       {'b'}},
      {"left Alt with keypad 6 and 5, released, then a key: A",
       [](MemoryConsole& c) {
         c.PushScan(0x4D, ModLeftAlt);
         c.PushScan(0x4C, ModLeftAlt);
         InputEvent release;
         release.Type = InputEvent::Kind::KeyRelease;
         release.Scan = 0x38;
         c.PushEvent(release);
         c.PushChar('z');  // ends the composition and is taken in
       },
       {65}},
      {"keypad 3 0 0 gives 300 mod 256, a comma",
       [](MemoryConsole& c) {
         c.PushScan(0x51, ModLeftAlt);
         c.PushScan(0x52, ModLeftAlt);
         c.PushScan(0x52, ModLeftAlt);
         c.PushChar('q');
       },
       {44}},
      {"keypad 1 2 9 9: digits kept modulo 256 as they come",
       [](MemoryConsole& c) {
         for (uint8_t scan : {0x4F, 0x50, 0x49, 0x49}) c.PushScan(scan, ModLeftAlt);
         c.PushChar('q');
       },
       {1299 % 256}},
      {"right Alt does not compose",
       [](MemoryConsole& c) {
         c.PushScan(0x4D, ModRightAlt);
         c.PushScan(0x4C, ModRightAlt);
       },
       {0x4D00, 0x4C00}},
      {"left Alt with a non-keypad key is that key",
       [](MemoryConsole& c) { c.PushScan(0x3B, ModLeftAlt); },
       {0x6800}},
  };
  for (const auto& c : cases) {
    console::ResetState();
    c.script(console);
    EXPECT_EQ(DrainKeys(), c.keys) << c.name;
  }
}

TEST_F(KeyboardTest, NothingPendingReadsAsZero) {
  EXPECT_EQ(console::ReadKey(), 0);
  EXPECT_EQ(console::ReadKey(), 0);
  // A release alone is nothing either.
  PushAltRelease();
  EXPECT_EQ(console::ReadKey(), 0);
  EXPECT_EQ(console.WaitCalls(), 0);  // ReadKey never waits
}

TEST_F(KeyboardTest, WaitKeyCodes) {
  struct Case {
    const char* name;
    std::function<void(MemoryConsole&)> script;
    int code;
  };
  const Case cases[] = {
      {"left click at row 3 column 70", [](MemoryConsole& c) { c.PushClick(3, 70, 1); }, 17987},
      {"right click at row 3 column 70", [](MemoryConsole& c) { c.PushClick(3, 70, 2); }, 18051},
      {"left click at row 5 column 10", [](MemoryConsole& c) { c.PushClick(5, 10, 1); }, 2629},
      {"mouse moves alone do not end the wait",
       [](MemoryConsole& c) {
         c.PushMouseMove(2, 2);
         c.PushMouseMove(9, 9);
         c.PushChar('k');
       },
       'k'},
      {"Ctrl+F4", [](MemoryConsole& c) { c.PushScan(0x3E, ModLeftCtrl); }, 24832},
      {"Shift+F1", [](MemoryConsole& c) { c.PushScan(0x3B, ModShift); }, 21504},
      {"Ctrl+Right", [](MemoryConsole& c) { c.PushScan(0x4D, ModLeftCtrl); }, 29696},
      {"PgDn", [](MemoryConsole& c) { c.PushScan(0x51); }, 20736},
  };
  for (const auto& c : cases) {
    console::ResetState();
    c.script(console);
    EXPECT_EQ(console::WaitKey(), c.code) << c.name;
  }
}

TEST_F(KeyboardTest, WaitKeyBlocksOnTheConsoleBetweenPolls) {
  console.PushMouseMove(4, 4);
  console.PushChar('x');
  EXPECT_EQ(console::WaitKey(), 'x');
  EXPECT_EQ(console.WaitCalls(), 1);  // one wait after the move, none while keys were pending

  // With nothing scripted the wait reaches the console (which, being a
  // script, reports that it ran dry) instead of spinning.
  EXPECT_THROW(console::WaitKey(), platform::ScriptExhausted);
}

TEST_F(KeyboardTest, MouseReportingIsOnOnlyWhileWaiting) {
  EXPECT_FALSE(console.MouseReporting());
  EXPECT_EQ(console::ReadKey(), 0);
  EXPECT_EQ(console::State().MouseState, 1);
  EXPECT_TRUE(console.MouseReporting());

  console.PushMouseMove(6, 20);
  int16_t key = -1, button = -1, row = -1, column = -1;
  console::ReadKey(key, button, row, column);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(button, 0);
  EXPECT_EQ(row, 6);  // a move updates the position but is no key
  EXPECT_EQ(column, 20);
  EXPECT_TRUE(console.MouseReporting());

  console.PushChar('a');
  console::ReadKey(key, button, row, column);
  EXPECT_EQ(key, 'a');
  EXPECT_EQ(row, 6);  // the position of the last mouse event
  EXPECT_EQ(column, 20);
  EXPECT_EQ(console::State().MouseState, 2);
  EXPECT_FALSE(console.MouseReporting());

  console.PushClick(10, 30, 2);
  console::ReadKey(key, button, row, column);  // the move
  console::ReadKey(key, button, row, column);  // the release
  EXPECT_EQ(key, 0);
  EXPECT_EQ(button, 2);
  EXPECT_EQ(row, 10);
  EXPECT_EQ(column, 30);
  EXPECT_FALSE(console.MouseReporting());
}

TEST_F(KeyboardTest, WithoutAMouseClicksNeverArrive) {
  console.SetHasMouse(false);
  console.PushClick(3, 3, 1);
  console.PushChar('y');
  int16_t key = 0, button = 0, row = 0, column = 0;
  console::ReadKey(key, button, row, column);
  EXPECT_EQ(key, 'y');
  EXPECT_EQ(button, 0);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(console::State().MouseState, 3);
  EXPECT_FALSE(console.MouseReporting());
}

TEST_F(KeyboardTest, TypeAheadComesFirstAndFlushKeepsIt) {
  console.PushChar('z');
  console::State().TypeAhead = "12";
  console::FlushKeys();  // drops the console's 'z', keeps the queue
  int16_t key = 0, button = 7, row = 7, column = 7;
  console::ReadKey(key, button, row, column);
  EXPECT_EQ(key, '1');
  EXPECT_EQ(button, 7);  // only the key is written on this path
  EXPECT_EQ(console::ReadKey(), '2');
  EXPECT_EQ(console::ReadKey(), 0);
  EXPECT_EQ(console::State().MouseState, 1);  // mouse set up on the first console read
}

TEST_F(KeyboardTest, HotKeysWithoutPopupsArePlainKeys) {
  console.PushChar('x', ModLeftAlt);
  console.PushChar('c', ModLeftAlt);
  EXPECT_EQ(console::ReadKey(), console::KeyAltX);
  EXPECT_EQ(console::ReadKey(), console::KeyAltC);
  EXPECT_TRUE(console::State().TypeAhead.empty());
  EXPECT_EQ(console::ReadKey(), 0);
}

TEST_F(KeyboardTest, CalculatorResultIsTypedAfterTheHotKey) {
  int calls = 0;
  console::State().CalculatorPopup = [&] {
    ++calls;
    EXPECT_TRUE(console::State().InCalculator);
    // Alt+X inside the calculator is an ordinary key.
    EXPECT_EQ(console::WaitKey(), console::KeyAltX);
    EXPECT_EQ(console::WaitKey(), console::KeyEnter);
    return std::string("12,50");
  };
  console.PushChar('x', ModLeftAlt);
  console.PushChar('x', ModLeftAlt);
  console.PushChar(13);
  console.PushChar('!');
  std::vector<int> keys;
  for (int i = 0; i < 7; ++i) keys.push_back(console::WaitKey());
  EXPECT_EQ(keys, (std::vector<int>{console::KeyAltX, '1', '2', ',', '5', '0', '!'}));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(console::State().InCalculator);
}

TEST_F(KeyboardTest, CalendarHotKeyAndNesting) {
  int calendarCalls = 0, calculatorCalls = 0;
  console::State().CalculatorPopup = [&] {
    ++calculatorCalls;
    return std::string("7");
  };
  console::State().CalendarPopup = [&] {
    ++calendarCalls;
    EXPECT_TRUE(console::State().InCalendar);
    EXPECT_EQ(console::WaitKey(), console::KeyAltC);  // its own hot key: plain
    // The calculator opens from inside the calendar; its text is queued.
    EXPECT_EQ(console::WaitKey(), console::KeyAltX);
    EXPECT_EQ(console::WaitKey(), '7');
    return std::string("01/02/2026");
  };
  console.PushChar('c', ModLeftAlt);
  console.PushChar('c', ModLeftAlt);
  console.PushChar('x', ModLeftAlt);
  EXPECT_EQ(console::WaitKey(), console::KeyAltC);
  EXPECT_EQ(console::State().TypeAhead, "01/02/2026");
  EXPECT_EQ(calendarCalls, 1);
  EXPECT_EQ(calculatorCalls, 1);
  EXPECT_FALSE(console::State().InCalendar);
}

TEST_F(KeyboardTest, ReadConsoleKeySkipsTypeAheadAndHotKeys) {
  int calls = 0;
  console::State().CalculatorPopup = [&] {
    ++calls;
    return std::string("9");
  };
  console::State().TypeAhead = "q";
  console.PushChar('x', ModLeftAlt);
  EXPECT_EQ(console::ReadConsoleKey(), console::KeyAltX);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(console::State().TypeAhead, "q");
}

class KeySetTest : public KeyboardTest {
 protected:
  // The exit-key set as a list of (key, result) codes.
  static std::vector<std::pair<int, int>> Set() {
    const auto& s = console::State();
    std::vector<std::pair<int, int>> out;
    for (size_t i = 0; i + 1 < s.ExitKeys.size(); i += 2) {
      int key = static_cast<uint8_t>(s.ExitKeys[i]) | (static_cast<uint8_t>(s.ExitKeys[i + 1]) << 8);
      int result =
          static_cast<uint8_t>(s.ExitKeyResults[i]) | (static_cast<uint8_t>(s.ExitKeyResults[i + 1]) << 8);
      out.emplace_back(key, result);
    }
    return out;
  }
  using Set_t = std::vector<std::pair<int, int>>;
};

TEST_F(KeySetTest, AppendStoresLittleEndianEntries) {
  console::SetKeySet("+ea", "d,1b,4800,5000");
  EXPECT_EQ(console::State().ExitKeys, std::string("\x0d\x00\x1b\x00\x00\x48\x00\x50", 8));
  EXPECT_EQ(console::State().ExitKeyResults, console::State().ExitKeys);
  console::SetKeySet("A", "3e00");  // commands in either case, no duplicate check
  console::SetKeySet("a", "3E00");
  EXPECT_EQ(
      Set(),
      (Set_t{{13, 13}, {27, 27}, {0x4800, 0x4800}, {0x5000, 0x5000}, {0x3E00, 0x3E00}, {0x3E00, 0x3E00}}));
}

TEST_F(KeySetTest, ItemParsing) {
  struct Case {
    const char* list;
    Set_t set;
  };
  const Case cases[] = {
      {"", {}},
      {"1b,", {{27, 27}}},                                  // a comma at the end adds no item
      {",1b", {{0, 0}, {27, 27}}},                          // an empty item is 0
      {"zz,1g,3b00x", {{0, 0}, {1, 1}, {0x3B00, 0x3B00}}},  // leading hex digits
      {"12345", {{0x2345, 0x2345}}},                        // cut to 16 bits
      {"4800=4b00,d=1b,=5", {{0x4800, 0x4B00}, {13, 27}, {0, 5}}},
  };
  for (const auto& c : cases) {
    console::SetKeySet("e", "");
    console::SetKeySet("a", c.list);
    EXPECT_EQ(Set(), c.set) << c.list;
  }
}

TEST_F(KeySetTest, RemappedKeyAndItsRemoval) {
  console::SetKeySet("ea", "d,4800=4b00,1b");
  int16_t result = 0;
  ASSERT_TRUE(console::FindExitKey(console::KeyUp, result));
  EXPECT_EQ(result, console::KeyLeft);
  ASSERT_TRUE(console::FindExitKey(console::KeyEnter, result));
  EXPECT_EQ(result, console::KeyEnter);
  EXPECT_FALSE(console::FindExitKey(console::KeyLeft, result));
  console::SetKeySet("d", "4800");
  EXPECT_FALSE(console::FindExitKey(console::KeyUp, result));
  EXPECT_EQ(Set(), (Set_t{{13, 13}, {27, 27}}));
}

TEST_F(KeySetTest, RemoveMatchesWholeEntriesOnly) {
  // Entries 0100 and 0002 hold the bytes 00 01 02 00: the bytes 01 02 in the
  // middle read as 0201 but are no entry.
  console::SetKeySet("ea", "100,2");
  console::SetKeySet("d", "201");
  EXPECT_EQ(Set(), (Set_t{{0x100, 0x100}, {2, 2}}));
  // Only the first of two equal entries goes, with its result.
  console::SetKeySet("ea", "d=1,d=2");
  console::SetKeySet("d", "d");
  EXPECT_EQ(Set(), (Set_t{{13, 2}}));
}

TEST_F(KeySetTest, NestedSavesKeepTheOlderSet) {
  console::SetKeySet("ea", "1b");
  console::SetKeySet("+ea", "d,3b00");  // saves {1b}
  EXPECT_EQ(Set(), (Set_t{{13, 13}, {0x3B00, 0x3B00}}));
  console::SetKeySet("+ea", "4800");  // the slot is taken: {d,3b00} is not saved
  EXPECT_EQ(Set(), (Set_t{{0x4800, 0x4800}}));
  console::SetKeySet("-", "");
  EXPECT_EQ(Set(), (Set_t{{27, 27}}));  // the set saved by the first "+ea"
  EXPECT_EQ(console::State().SavedExitKeyDepth, 0);
  console::SetKeySet("-", "");
  EXPECT_EQ(Set(), (Set_t{{27, 27}}));  // nothing left to restore
}

TEST_F(KeySetTest, MaskCharacter) {
  console::SetKeySet("h", "");
  EXPECT_EQ(console::State().MaskChar, 'X');
  console::SetKeySet("V", "");
  EXPECT_EQ(console::State().MaskChar, 0);
  console::SetKeySet("H?!", "");  // other characters are ignored
  EXPECT_EQ(console::State().MaskChar, 'X');
}

}  // namespace
