#include <gtest/gtest.h>

#include "entry/entry_state.h"
#include "entry/line_editor.h"

namespace {

class UpperTextTest : public ::testing::Test {
 protected:
  void SetUp() override { entry::ResetState(); }
  void TearDown() override { entry::ResetState(); }
  static std::string Upper(const std::string& text) {
    entry::State().FoldAccents = false;
    return entry::UpperText(text);
  }
  static std::string Fold(const std::string& text) {
    entry::State().FoldAccents = true;
    std::string out = entry::UpperText(text);
    entry::State().FoldAccents = false;
    return out;
  }
};

struct Case {
  const char* In;
  const char* Upper;
  const char* Fold;
};

// Code page 850 bytes: 0x85 à, 0x82 é, 0xA4 ñ, 0xB7 À, 0x90 É, 0xA5 Ñ.
const Case kCases[] = {
    {"\x85\x82\xA4", "\xB7\x90\xA5", "AEN"},
    {"abc xyz", "ABC XYZ", "ABC XYZ"},
    {"@[\\]^_`{|}~\x7F", "@[\\]^_`{|}~\x7F", "            "},
    // Below 64 nothing changes in either table: digits, punctuation, controls.
    {"0123 ,.;:?\x01\x1F", "0123 ,.;:?\x01\x1F", "0123 ,.;:?\x01\x1F"},
    // From 238 up nothing changes either.
    {"\xEE\xF8\xFF", "\xEE\xF8\xFF", "\xEE\xF8\xFF"},
    // ø, ÿ, µ, þ and 213 keep their code when upper-casing; folding takes
    // ø to O, ÿ to Y, þ to T, 213 (the euro sign) to E, and µ to a blank.
    {"\x9B\x98\xE6\xE7\xD5", "\x9B\x98\xE6\xE7\xD5", "OY TE"},
    // Capitals that are already capitals stay when upper-casing, and lose
    // their accents when folding: Ç Ü Å Ø Ã Ý.
    {"\x80\x9A\x8F\x9D\xC7\xED", "\x80\x9A\x8F\x9D\xC7\xED", "CUAOAY"},
    // ª º ß fold to A O S; box drawing, £ and ¿ become blanks.
    {"\xA6\xA7\xE1\xC4\x9C\xA8", "\xA6\xA7\xE1\xC4\x9C\xA8", "AOS   "},
    {"", "", ""},
};

TEST_F(UpperTextTest, BothTables) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Upper(c.In), c.Upper) << "upper of " << c.In;
    EXPECT_EQ(Fold(c.In), c.Fold) << "fold of " << c.In;
  }
}

// Every small letter that has a capital in code page 850 upper-cases to it,
// and both forms fold to the same plain letter.
TEST_F(UpperTextTest, EverySmallLetterMeetsItsCapital) {
  const std::string small =
      "\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x91\x93\x94\x95\x96\x97\xA0"
      "\xA1\xA2\xA3\xA4\xC6\xD0\xE4\xEC";
  const std::string capital =
      "\x9A\x90\xB6\x8E\xB7\x8F\x80\xD2\xD3\xD4\xD8\xD7\xDE\x92\xE2\x99\xE3\xEA\xEB\xB5"
      "\xD6\xE0\xE9\xA5\xC7\xD1\xE5\xED";
  const std::string plain = "UEAAAACEEEIIIAOOOUUAIOUNADOY";
  EXPECT_EQ(Upper(small), capital);
  EXPECT_EQ(Fold(small), plain);
  EXPECT_EQ(Fold(capital), plain);
}

// The length never changes and every byte outside 64..237 passes through.
TEST_F(UpperTextTest, KeepsLengthAndCodesOutsideTheRange) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  for (const std::string& out : {Upper(all), Fold(all)}) {
    ASSERT_EQ(out.size(), all.size());
    for (int c = 0; c < 256; ++c)
      if (c < 64 || c > 237) {
        EXPECT_EQ(static_cast<uint8_t>(out[c]), c);
      }
  }
  // Folding gives only capitals and blanks inside the range.
  std::string folded = Fold(all);
  for (int c = 64; c <= 237; ++c) {
    uint8_t f = static_cast<uint8_t>(folded[c]);
    EXPECT_TRUE(f == ' ' || (f >= 'A' && f <= 'Z')) << c;
  }
}

}  // namespace
