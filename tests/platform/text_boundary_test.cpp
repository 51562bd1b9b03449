// Code page 850 at the system boundary: text conversion, paths and the
// environment.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/cp850.h"
#include "platform/system.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;

TEST(Cp850, EveryPrintableByteSurvivesTheRoundTrip) {
  for (int b = 32; b < 256; ++b) {
    if (b == 127) continue;
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(one)), one) << b;
  }
}

TEST(Cp850, KnownCharactersAndGlyphs) {
  struct {
    uint8_t Byte;
    const char* Utf8;
  } cases[] = {{0x80, "Ç"}, {0x82, "é"}, {0x87, "ç"},      {0xA4, "ñ"}, {0xA5, "Ñ"}, {0x9C, "£"},
               {0xD5, "€"}, {0xE0, "Ó"}, {0xE1, "ß"},      {0xC9, "╔"}, {0xCD, "═"}, {0xB3, "│"},
               {0xDA, "┌"}, {0xBF, "┐"}, {0xFF, "\u00A0"}, {0xA2, "ó"}, {0x8A, "è"}, {0x95, "ò"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Cp850ToUtf8(std::string(1, static_cast<char>(c.Byte))), c.Utf8) << int(c.Byte);
    EXPECT_EQ(GlyphUtf8(c.Byte), c.Utf8) << int(c.Byte);
  }
  // Control bytes show as the OEM glyphs on screen and stay controls as text.
  EXPECT_EQ(GlyphUtf8(16), "►");
  EXPECT_EQ(GlyphUtf8(17), "◄");
  EXPECT_EQ(GlyphUtf8(0), " ");
  EXPECT_EQ(Cp850ToUtf8("\x10\r\n"), "\x10\r\n");
  EXPECT_EQ(UnicodeToCp850(U'►'), 16);
  EXPECT_EQ(UnicodeToCp850(U'◄'), 17);
  EXPECT_EQ(Utf8ToCp850("►◄"), "\x10\x11");
}

TEST(Cp850, InvalidOrForeignUtf8BecomesAQuestionMark) {
  struct {
    const char* Utf8;
    const char* Cp850;
  } cases[] = {
      {"a\xFF"
       "b",
       "a?b"},        // not UTF-8
      {"\xC3", "?"},  // cut short
      {"\xC3"
       "a",
       "?a"},                     // a lead without its continuation
      {"\xC0\xAF", "?"},          // overlong "/"
      {"\xE0\x80\xAF", "?"},      // overlong "/"
      {"\xED\xA0\x80", "?"},      // a surrogate
      {"\xF4\x90\x80\x80", "?"},  // beyond Unicode
      {"中文", "??"},             // not in code page 850
      {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\x82 \xD5"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp850(c.Utf8), c.Cp850) << c.Utf8;
}

class NativePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(RECINQRY_BUILD_DIR) / "test-sites" / ("paths-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Dades");
    fs::create_directories(root / "Gestió" / "ajuda");
    std::ofstream(root / "Dades" / "FinquesH.dat") << "x";
    std::ofstream(root / "Gestió" / "ajuda" / "Índex.htm") << "x";
    base = root.string();
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;
  std::string base;  // UTF-8 of this test's folder; ASCII, so also code page 850
};

TEST_F(NativePathTest, BackslashesAndCaseAsTheFileSystemHasThem) {
  EXPECT_EQ(NativePath(base + "\\Dades\\FinquesH.dat"), base + "/Dades/FinquesH.dat");
  EXPECT_EQ(NativePath(base + "\\DADES\\FINQUESH.DAT"), base + "/Dades/FinquesH.dat");
  EXPECT_EQ(NativePath(base + "/dades/finquesh.DAT"), base + "/Dades/FinquesH.dat");
  // Code page 850 names, matched without regard to case of the accented letters.
  EXPECT_EQ(NativePath(base + "\\GESTI\xE0\\AJUDA\\\xD6NDEX.HTM"), base + "/Gestió/ajuda/Índex.htm");
  EXPECT_EQ(NativePath(base + "\\gesti\xA2\\Ajuda\\\xA1ndex.htm"), base + "/Gestió/ajuda/Índex.htm");
}

TEST_F(NativePathTest, MissingPartsAreKeptAsGiven) {
  // A file about to be created: the folder is found, the name kept.
  EXPECT_EQ(NativePath(base + "\\DADES\\Nou.dat"), base + "/Dades/Nou.dat");
  // A missing folder: everything from it on as given.
  EXPECT_EQ(NativePath(base + "\\NoHiEs\\DADES\\x"), base + "/NoHiEs/DADES/x");
  // A trailing backslash (a directory) and dot components.
  EXPECT_EQ(NativePath(base + "\\DADES\\"), base + "/Dades/");
  EXPECT_EQ(NativePath(base + "\\DADES\\..\\dades\\.\\finquesh.dat"),
            base + "/Dades/../Dades/./FinquesH.dat");
  EXPECT_EQ(NativePath(""), "");
}

TEST_F(NativePathTest, RelativePathsAndTheCurrentDirectory) {
  fs::path before = fs::current_path();
  ASSERT_TRUE(ChangeDirectory(base + "\\DADES\\"));
  EXPECT_EQ(fs::current_path(), root / "Dades");
  EXPECT_EQ(NativePath("FINQUESH.DAT"), "FinquesH.dat");
  EXPECT_EQ(NativePath("..\\gesti\xA2"), "../Gestió");
  EXPECT_FALSE(ChangeDirectory(base + "\\NoHiEs"));
  EXPECT_EQ(fs::current_path(), root / "Dades");
  fs::current_path(before);
}

TEST(GetEnv, ValuesInCodePage850) {
  ResetState();
  ::setenv("RECINQRY_TEST_VALUE", "Caf\xC3\xA9 \xE2\x82\xAC", 1);
  EXPECT_EQ(GetEnv("RECINQRY_TEST_VALUE"), "Caf\x82 \xD5");
  ::setenv("RECINQRY_TEST_VALUE", "bad\xFF", 1);
  EXPECT_EQ(GetEnv("RECINQRY_TEST_VALUE"), "bad?");
  ::unsetenv("RECINQRY_TEST_VALUE");
  EXPECT_EQ(GetEnv("RECINQRY_TEST_VALUE"), "");
  // Tests replace the environment.
  State().Environment = [](const char* name) { return std::string(name) == "WRKROOT" ? "C:\\DORV\\" : ""; };
  EXPECT_EQ(GetEnv("WRKROOT"), "C:\\DORV\\");
  EXPECT_EQ(GetEnv("PATH"), "");
  ResetState();
}

}  // namespace
