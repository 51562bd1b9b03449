#include "forms/browse_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "forms/forms_state.h"
#include "forms/value_stack.h"

namespace {

class FormsLineFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path =
        std::filesystem::temp_directory_path() / ("forms_linefile_" + std::to_string(std::random_device{}()));
  }
  void TearDown() override { std::filesystem::remove(path); }
  void WriteRaw(const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path path;
};

TEST_F(FormsLineFileTest, AppendedLinesReadBackByPosition) {
  forms::BrowseLineFile file;
  ASSERT_TRUE(file.Create(path.string()));
  EXPECT_EQ(file.End(), 1);
  const int32_t first = file.Append(0, 1234, "ABC");
  const int32_t second = file.Append(first, -5, "");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 14);
  EXPECT_EQ(file.End(), 24);
  forms::LineHeader header;
  std::string text;
  ASSERT_TRUE(file.ReadAt(second, header, text));
  EXPECT_EQ(header.Previous, 1);
  EXPECT_EQ(header.RecordPosition, -5);
  EXPECT_EQ(text, "");
  ASSERT_TRUE(file.ReadAt(first, header, text));
  EXPECT_EQ(text, "ABC");
  file.Close();
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes, std::string("\0\0\0\0\xD2\x04\0\0\x03\0ABC"
                               "\x01\0\0\0\xFB\xFF\xFF\xFF\0\0",
                               23));
}

TEST_F(FormsLineFileTest, DamagedRecordsAreRefused) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"header cut short", std::string("\0\0\0\0\x01\0\0", 7)},
      {"text longer than the file", std::string("\0\0\0\0\x01\0\0\0\x09\0AB", 12)},
      {"negative length", std::string("\0\0\0\0\x01\0\0\0\xFF\xFF", 10)},
      {"previous link pointing forward", std::string("\x05\0\0\0\x01\0\0\0\x00\0", 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRaw(c.bytes);
    forms::BrowseLineFile file;
    ASSERT_TRUE(file.Open(path.string()));
    forms::LineHeader header{9, 9, 9};
    std::string text = "kept";
    EXPECT_FALSE(file.ReadAt(1, header, text));
    EXPECT_EQ(header.Previous, 9);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(file.ReadAt(0, header, text));
    EXPECT_FALSE(file.ReadAt(500, header, text));
  }
}

TEST_F(FormsLineFileTest, LongTextIsCutToTheLengthField) {
  forms::BrowseLineFile file;
  ASSERT_TRUE(file.Create(path.string()));
  const int32_t at = file.Append(0, 1, std::string(40000, 'x'));
  forms::LineHeader header;
  std::string text;
  ASSERT_TRUE(file.ReadAt(at, header, text));
  EXPECT_EQ(header.Length, 32767);
  EXPECT_EQ(text.size(), 32767u);
}

TEST(FormsValueStackTest, ItemsComeBackInReverseOrderWithTheirLengths) {
  forms::ResetState();
  forms::PushInt16(-2);
  forms::PushInt32(0x01020304);
  forms::PushValue("xyz");
  EXPECT_EQ(forms::State().ValueStack, std::string("\xFE\xFF\x02\0\x04\x03\x02\x01\x04\0xyz\x03\0", 15));
  EXPECT_EQ(forms::PopValue(), "xyz");
  EXPECT_EQ(forms::PopInt32(), 0x01020304);
  EXPECT_EQ(forms::PopInt16(), -2);
  EXPECT_TRUE(forms::State().ValueStack.empty());
}

TEST(FormsValueStackTest, EmptyOrDamagedStackGivesAnEmptyItem) {
  forms::ResetState();
  EXPECT_EQ(forms::PopValue(), "");
  EXPECT_EQ(forms::PopInt16(), 0);
  forms::State().ValueStack = std::string("ab\x09\0", 4);  // claims 9 bytes, holds 2
  EXPECT_EQ(forms::PopValue(), "");
  EXPECT_TRUE(forms::State().ValueStack.empty());
}

}  // namespace
