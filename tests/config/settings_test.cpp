#include "config/settings.h"

#include <random>

#include "config_fixture.h"

namespace {

using config::ReadSetting;

class ReadSettingTest : public configtest::ConfigTest {};

struct LineCase {
  const char* name;
  std::string line;  // a line of section [Menu]
  std::string key;
  std::string expected;
};

TEST_F(ReadSettingTest, ValueOfAKeyLine) {
  const LineCase cases[] = {
      {"blanks around the value stay", "Titol = Gesti\xA2 de finques ; comment", "Titol",
       " Gesti\xA2 de finques "},
      {"outer quotes removed", "Titol=\"Tres, dos\"", "Titol", "Tres, dos"},
      {"blank before the quote keeps them", "Titol= \"Tres\"", "Titol", " \"Tres\""},
      {"one quote is too short", "Titol=\"", "Titol", "\""},
      {"two quotes give the empty text", "Titol=\"\"", "Titol", ""},
      {"only the outer pair goes", "Titol=\"\"a\"\"", "Titol", "\"a\""},
      {"comment cuts a quoted value", "Titol=\"a;b\"", "Titol", "\"a"},
      {"comment after a value", "Col1=15000700;x", "Col1", "15000700"},
      {"key folded to capitals", "TITOL=A", "titol", "A"},
      {"accented capital I is not folded", "T\xD6TOL=A", "t\xA1tol", ""},
      {"a umlaut folds", "\x84nd=1", "\x8End", "1"},
      {"c cedilla folds",
       "Pla\x87"
       "a=2",
       "PLA\x80"
       "A",
       "2"},
      {"a grave does not fold", "\x85=3", "\xB7", ""},
      {"no equals sign", "Titol", "Titol", ""},
      {"blanks around the key name", "   Titol   =x", "Titol", "x"},
      {"blanks around the key argument", "Titol=x", "  Titol  ", "x"},
      {"tab before the key is part of the name", "\tTitol=x", "Titol", ""},
      {"tab in the value stays", "Titol=x\ty\t", "Titol", "x\ty\t"},
      {"trailing blanks of the value stay", "Titol=x   ", "Titol", "x   "},
      {"empty value", "Titol=", "Titol", ""},
      {"value after the first equals sign", "Titol=a=b", "Titol", "a=b"},
      {"longer key is another key", "Titols=x", "Titol", ""},
      {"NUL bytes are ordinary", std::string("Ti\0tol=a\0b", 10), std::string("Ti\0tol", 6),
       std::string("a\0b", 3)},
  };
  for (const LineCase& c : cases) {
    Write("s.ini", "[Menu]\r\n" + c.line + "\r\n");
    EXPECT_EQ(ReadSetting("s.ini", "Menu", c.key), c.expected) << c.name;
  }
}

struct FileCase {
  const char* name;
  std::string text;
  std::string section;
  std::string key;
  std::string expected;
};

TEST_F(ReadSettingTest, SectionsAndLines) {
  const FileCase cases[] = {
      {"key before any header is never found", "Titol=x\r\n[Menu]\r\n", "Menu", "Titol", ""},
      {"key before any header, empty section asked", "Titol=x\r\n", "", "Titol", ""},
      {"only the first of two sections is searched", "[Menu]\r\nA=1\r\n[Menu]\r\nTitol=x\r\n", "Menu",
       "Titol", ""},
      {"next header ends the section", "[Menu]\r\n[Altre]\r\nTitol=x\r\n", "Menu", "Titol", ""},
      {"key of another section", "[Altre]\r\nTitol=x\r\n[Menu]\r\nTitol=y\r\n", "Menu", "Titol", "y"},
      {"blanks inside the brackets", "[ menu ]\r\nTitol=x\r\n", "Menu", "Titol", "x"},
      {"header without closing bracket", "[Menu\r\nTitol=x\r\n", "Menu", "Titol", "x"},
      {"text after the bracket ignored", "[Menu] ignored\r\nTitol=x\r\n", "Menu", "Titol", "x"},
      {"indented header", "   [Menu]\r\nTitol=x\r\n", "Menu", "Titol", "x"},
      {"section argument trimmed and folded", "[MENU]\r\nTitol=x\r\n", "  menu ", "Titol", "x"},
      {"commented header is no header", ";[Menu]\r\nTitol=x\r\n", "Menu", "Titol", ""},
      {"header cut by a comment", "[Me;nu]\r\nTitol=x\r\n", "Me", "Titol", "x"},
      {"first matching key wins", "[Menu]\r\nTitol=1\r\nTitol=2\r\n", "Menu", "Titol", "1"},
      {"lines without equals are skipped", "[Menu]\r\nsoroll\r\n\r\n   \r\nTitol=x\r\n", "Menu", "Titol",
       "x"},
      {"last line without a line end", "[Menu]\r\nTitol=last", "Menu", "Titol", "last"},
      {"lines ended by CR alone", "[Menu]\rTitol=x\r", "Menu", "Titol", "x"},
      {"lines ended by LF alone", "[Menu]\nA=1\nTitol=x\n", "Menu", "Titol", "x"},
      {"LF CR is two line ends", "[Menu]\n\rTitol=x\n\r", "Menu", "Titol", "x"},
      {"Ctrl-Z ends the text", "[Menu]\r\nA=1\r\n\x1ATitol=x\r\n", "Menu", "Titol", ""},
      {"Ctrl-Z inside a value ends it",
       "[Menu]\r\nTitol=ab\x1A"
       "cd\r\n",
       "Menu", "Titol", "ab"},
      {"empty file", "", "Menu", "Titol", ""},
      {"no such section", "[Altre]\r\nTitol=x\r\n", "Menu", "Titol", ""},
  };
  for (const FileCase& c : cases) {
    Write("s.ini", c.text);
    EXPECT_EQ(ReadSetting("s.ini", c.section, c.key), c.expected) << c.name;
  }
}

TEST_F(ReadSettingTest, MissingOrUnreadableFileGivesEmptyText) {
  EXPECT_EQ(ReadSetting("absent.ini", "Menu", "Titol"), "");
  std::filesystem::create_directories(dir_ / "folder.ini");
  EXPECT_EQ(ReadSetting("folder.ini", "Menu", "Titol"), "");
  EXPECT_EQ(ReadSetting("", "Menu", "Titol"), "");
}

TEST_F(ReadSettingTest, PathsWithBackslashesAndOtherCase) {
  Write("Term01/sessio.INI", "[Menu]\r\nTitol=x\r\n");
  EXPECT_EQ(ReadSetting(Root() + "TERM01\\Sessio.ini", "Menu", "Titol"), "x");
  EXPECT_EQ(ReadSetting("term01\\SESSIO.ini", "Menu", "Titol"), "x");
}

TEST_F(ReadSettingTest, LinesOfMegabytes) {
  const std::string big(3 << 20, 'a');
  Write("s.ini", "[Menu]\r\nLlarg=" + big + "\r\n" + std::string(2 << 20, 'z') + "\r\nTitol=ok\r\n");
  EXPECT_EQ(ReadSetting("s.ini", "Menu", "Titol"), "ok");
  EXPECT_EQ(ReadSetting("s.ini", "Menu", "Llarg"), big);
  // A header of megabytes before the one asked for.
  Write("s.ini", "[" + big + "]\r\nTitol=no\r\n[Menu]\r\nTitol=yes");
  EXPECT_EQ(ReadSetting("s.ini", "Menu", "Titol"), "yes");
}

TEST_F(ReadSettingTest, ArbitraryBytes) {
  std::mt19937 gen(1234);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 50; ++round) {
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise.push_back(static_cast<char>(byte(gen)));
    Write("s.ini", noise);
    // Whatever comes back was taken from the file.
    std::string value = ReadSetting("s.ini", "Menu", "Titol");
    EXPECT_NE(noise.find(value), std::string::npos);

    // Noise without line ends, Ctrl-Z or brackets before a good section is
    // one ignored line.
    std::string line;
    for (char c : noise)
      if (c != '\r' && c != '\n' && c != 26 && c != '[') line.push_back(c);
    Write("s.ini", line + "\r\n[Menu]\r\n" + line + "\r\nTitol=x\r\n");
    // The noise line inside the section may hold "Titol=..." only by chance;
    // it holds no line end, so the key line after it is reached unless it does.
    std::string got = ReadSetting("s.ini", "Menu", "Titol");
    if (line.find('=') == std::string::npos) {
      EXPECT_EQ(got, "x");
    }
  }
}

TEST_F(ReadSettingTest, FoldName) {
  EXPECT_EQ(config::FoldName("abz\x84\x94\x81\x82\xA4\x86\x87\x85\xA1"),
            "ABZ\x8E\x99\x9A\x90\xA5\x8F\x80\x85\xA1");
  EXPECT_EQ(config::FoldName("AZ09[]"), "AZ09[]");
}

}  // namespace
