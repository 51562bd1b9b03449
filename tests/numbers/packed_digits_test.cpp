#include "numbers/packed_digits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using numbers::PackDigits;
using numbers::PackDottedCode;
using numbers::UnpackDigits;
using numbers::ZeroPad;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

struct PackCase {
  std::string digits;
  std::string packed;
};

TEST(PackDigits, PacksTwoDigitsToAByte) {
  const PackCase cases[] = {
      {"", ""},
      {"20010305", Bytes({0x94, 0x81, 0x83, 0x85})},
      {"123", Bytes({0x8C, 0x9E})},          // odd: last digit is the tens
      {"  5", Bytes({0x80, 0xB2})},          // right-aligned in the width
      {"5  ", Bytes({0x80, 0xB2})},          // trailing blanks stripped too
      {"   ", Bytes({0x80, 0x80})},          // blanks only: zeros
      {"2001 3 5", PackDigits("20010305")},  // inner blanks are zeros
      {"2A", Bytes({0x94})},                 // a letter counts as 0
      {"-1", Bytes({0x81})},
      {"99", Bytes({0xE3})},
      {"00", Bytes({0x80})},
      {"7", Bytes({0xC6})},
      {std::string("\0\xFF", 2), Bytes({0x80})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackDigits(c.digits), c.packed) << "digits \"" << c.digits << "\"";
  }
}

TEST(PackDigits, EveryByteHasItsHighBitAndIsNeverNul) {
  const std::string packed = PackDigits("0099 x\t~!");
  ASSERT_EQ(packed.size(), 5u);
  for (char c : packed) {
    const auto b = static_cast<unsigned char>(c);
    EXPECT_GE(b, 0x80);
    EXPECT_LE(b, 0xE3);
  }
}

TEST(PackDigits, ByteOrderFollowsDigitOrder) {
  // Packed strings of equal length compare as their digit texts.
  const char* ordered[] = {"00000000", "19991231", "20000101", "20000110", "20010305", "99999999"};
  for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
    const auto a = PackDigits(ordered[i]);
    const auto b = PackDigits(ordered[i + 1]);
    EXPECT_TRUE(std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); }))
        << ordered[i] << " < " << ordered[i + 1];
  }
}

TEST(UnpackDigits, TwoCharactersPerByte) {
  const PackCase cases[] = {
      {"", ""},
      {"20010305", Bytes({0x94, 0x81, 0x83, 0x85})},
      {"0050", Bytes({0x80, 0xB2})},
      {"00", Bytes({0x00})},  // not a packed byte: its value AND 127
      {"27", Bytes({0xFF})},  // 127: last two digits
      {"00", Bytes({0xE4})},  // 100
      {"32", Bytes({0x20})},  // a blank
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnpackDigits(c.packed), c.digits);
  }
}

TEST(UnpackDigits, ReversesPackingOfEvenLengthDigits) {
  for (const char* digits : {"00", "99", "20010305", "1234567890", "000000000000"}) {
    EXPECT_EQ(UnpackDigits(PackDigits(digits)), digits);
  }
  EXPECT_EQ(UnpackDigits(PackDigits("123")), "1230");
}

TEST(ZeroPad, WritesTheRightmostDigits) {
  struct Case {
    double value;
    int16_t width;
    std::string text;
  } const cases[] = {
      {5, 3, "005"},
      {-5, 3, "005"},       // the sign is dropped
      {123456, 4, "3456"},  // cut on the left
      {20010305, 8, "20010305"},
      {0, 2, "00"},
      {7, 5, "00007"},
      {42, 0, ""},
      {42, -3, ""},
      {999999999999999, 15, "999999999999999"},
      {1e20, 21, "100000000000000000000"},  // never an exponent
      {2.5, 4, "02.5"},                     // not whole: shortest form with its point
      {std::nan(""), 3, "000"},
      {std::numeric_limits<double>::infinity(), 3, "000"},
      {-std::numeric_limits<double>::infinity(), 2, "00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ZeroPad(c.value, c.width), c.text) << c.value << " width " << c.width;
  }
}

TEST(ZeroPad, LargestValueAndWidthDoNotOverflow) {
  const std::string text = ZeroPad(std::numeric_limits<double>::max(), 400);
  ASSERT_EQ(text.size(), 400u);
  EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(ZeroPad(1, INT16_MAX).size(), static_cast<size_t>(INT16_MAX));
}

TEST(PackDottedCode, BuildsTheFixedLayout) {
  struct Case {
    std::string code;
    std::string digits;
  } const cases[] = {
      {"", ""},
      {"123", "0123"},
      {"12", "0012"},
      {"123456", "123456"},  // six characters, no dot: first group of 6
      {"12.345", "00120345"},
      {"123456.7890", "1234567890"},  // eleven characters, one dot: first group of 6
      {"1234.", "1234"},              // the empty group after the last dot is left out
      {"1234. ", "1234"},             // and so is a blank one
      {"1..2", "000100000002"},       // empty groups between dots are zeros
      {"12345678901", "678901"},      // eleven digits: the last six
      {"12345", "2345"},
      {" 12 .  3 ", "00120003"},  // blanks around the groups
      {"-12.+3", "00120003"},     // signs dropped
      {"1A.3", "00000003"},       // not a number: 0
      {"1.2.3", "000100020003"},
      {"123456789.1", "4567890001"},           // eleven characters, one dot: first group cut to 6
      {"1.2.3456789", "000100026789"},         // ... but with two dots every group is 4 wide
      {"99999999999999999999.1", "99990001"},  // huge group: exact rightmost digits
      {"   ", ""},
      {".", "0000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnpackDigits(PackDottedCode(c.code)), c.digits.size() % 2 ? c.digits + "0" : c.digits)
        << "code \"" << c.code << "\"";
    EXPECT_EQ(PackDottedCode(c.code), PackDigits(c.digits)) << "code \"" << c.code << "\"";
  }
}

TEST(PackDottedCode, EstateCodeLookupKey) {
  // "0" + the typed estate 12 packs to the two-byte key of the estates file.
  EXPECT_EQ(PackDottedCode("012"), Bytes({0x80, 0x8C}));
}

}  // namespace
