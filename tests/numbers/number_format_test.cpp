#include "numbers/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numbers/currency.h"
#include "numbers/numbers_state.h"
#include "site_settings_fixture.h"

namespace {

using numbers::FormatAmount;
using numbers::FormatNumber;
using numbers::IsBadNumberText;

using FormatNumberTest = SiteSettingsTest;

struct NumberCase {
  const char* mask;
  double value;
  const char* result;
};

TEST_F(FormatNumberTest, MaskTableWithDefaultSeparators) {
  const NumberCase cases[] = {
      {"ZZ,ZZZ,ZZ9", 1234567, "·1.234.567"},
      {"Z,ZZ9", 123, "··123"},
      {"Z,ZZ9", -123, "·-123"},
      {"ZZ9.99", 123.456, "123'46"},
      {"ZZ9.99", -12.5, "-12'50"},
      {"ZZ9.99", -0.5, "··-'50"},
      {"ZZ9.99", 0.125, "··0'12"},
      {"ZZ9.ZZ", 5.5, "··5'5·"},
      {"ZZ9.ZZ", 5.05, "··5'05"},
      {"ZZ9.ZZ", 5, "··5···"},
      {"ZZZ", 0, "···"},
      {"ZZZ", 0.4, "··0"},
      {"ZZ9", 0, "··0"},
      {"9999", 12, "0012"},
      {"9999", -12, "0-12"},
      {"***,**9.99", 1234.5, "**1.234'50"},
      {"***,**9", 12, "*****12"},
      {"ZZ9.99-", -1.5, "··1'50-"},
      {"ZZ9.99-", 1.5, "··1'50·"},
      {"+ZZ9", 5, "+··5"},
      {"+ZZ9", -5, "-··5"},
      {"ZZZ.ZZ", -0.05, "··-'05"},
      {"ZZ9", 12345, "!!!"},
      {"ZZ9.99", 1234.5, "1234'5"},
      {"ZZ9", -123, "!!!"},
      {"ZZ,ZZ9.99", -12345.678, "-12345'68"},
      {"ZZZ,ZZ9.99", 1234567.89, "1234567'89"},
      {"***", 0, "**0"},
      {"PANTALLA ZZZ9", 1, "PANTALLA····1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatNumber(c.mask, c.value), Blanks(c.result)) << "mask " << c.mask << ", value " << c.value;
  }
}

TEST_F(FormatNumberTest, MoreMasks) {
  const NumberCase cases[] = {
      {"ZZ9.99", 0.135, "··0'14"},  // half to even, upwards
      {"ZZ9", 2.5, "··2"},          // half to even without decimals
      {"ZZ9", 3.5, "··4"},
      {"ZZ9", -0.0, "··0"},    // minus zero has no minus
      {"zz9", 42, "·42"},      // small z is a blank-suppressing digit
      {"9.99", -0.5, "-'50"},  // the minus takes the only integer position
      {"ZZ9-", -5, "··5-"},    // a trailing sign without a point keeps every digit
      {"ZZ9-", 5, "··5·"},
      {"ZZ9.99-", 0, "··0'00·"},
      {"ZZZ", -0.4, "·-0"},
      {"99", -12, "!!"},  // no room for the minus
      {"ABC", 5, "··5"},  // no digit positions: the plain number
      {"", 5, ""},
      {".", 5, "5"},  // a point with nothing after it opens no decimal part
      {"ZZZ.99", 1e20, "!!!!!!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatNumber(c.mask, c.value), Blanks(c.result)) << "mask " << c.mask << ", value " << c.value;
  }
}

TEST_F(FormatNumberTest, NegativeNeverShownWithoutItsMinus) {
  // Masks without a place for a floating minus left of the digits fall back
  // to the plain number rather than showing a negative value as positive.
  EXPECT_EQ(FormatNumber("A99", -12), "-12");
  EXPECT_EQ(FormatNumber(".99", -0.5), "-'5");
}

TEST_F(FormatNumberTest, NeverCrashesAndKeepsTheLength) {
  const double values[] = {0,
                           -1,
                           1e300,
                           -1e300,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(),
                           std::nan(""),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  const std::string masks[] = {every,
                               "9.9.9.9",
                               "..",
                               "-.-",
                               "+9.+9-",
                               "Z.-Z",
                               "*.**",
                               std::string(400, '9'),
                               "9." + std::string(500, '9'),
                               ",,,,",
                               std::string(3, '\0')};
  for (const auto& mask : masks) {
    for (double v : values) EXPECT_EQ(FormatNumber(mask, v).size(), mask.size());
  }
  EXPECT_EQ(FormatNumber("ZZ9.99", std::nan("")), "!!!!!!");
  EXPECT_EQ(FormatNumber("ZZ9", std::numeric_limits<double>::infinity()), "!!!");
}

TEST_F(FormatNumberTest, SeparatorsComeFromTheSiteSettingsOnce) {
  WriteDorvIni("[Usuari]\nDecCaracter=,xyz\nMilCaracter= \n");
  EXPECT_EQ(FormatNumber("ZZ,ZZ9.99", 12345.5), "12.345,50");  // blank thousands entry: default
  // Read once: a later change of the file is not seen.
  WriteDorvIni("[Usuari]\nDecCaracter=.\nMilCaracter=_\n");
  EXPECT_EQ(FormatNumber("ZZ,ZZ9.99", 12345.5), "12.345,50");
  numbers::ResetState();
  EXPECT_EQ(FormatNumber("ZZ,ZZ9.99", 12345.5), "12_345.50");
}

TEST_F(FormatNumberTest, DamagedSettingsTakeTheDefaults) {
  // A NUL first character takes the default like a blank one; one pair of
  // outer quotes is removed.
  WriteDorvIni(std::string("[Usuari]\nDecCaracter=") + '\0' + "x\nMilCaracter=\"_\"\n");
  EXPECT_EQ(FormatNumber("Z,ZZ9.9", 1234.5), "1_234'5");
  EXPECT_EQ(numbers::State().DecCaracter, '\'');
  EXPECT_EQ(numbers::State().MilCaracter, '_');
  // Nothing left to read: the cache stays settled.
  WriteDorvIni("[Usuari]\nDecCaracter=;\nMilCaracter=\"\"\n");
  numbers::ResetState();
  EXPECT_EQ(FormatNumber("Z,ZZ9.9", 1234.5), "1.234'5");
}

TEST_F(FormatNumberTest, MissingSettingsFileTakesTheDefaults) {
  EXPECT_EQ(FormatNumber("Z,ZZ9.9", 1234.5), "1.234'5");
  EXPECT_EQ(numbers::State().DecCaracter, '\'');
  EXPECT_EQ(numbers::State().MilCaracter, '.');
}

struct AmountCase {
  const char* mask;
  double cents;
  const char* display;
  const char* result;
};

TEST_F(FormatNumberTest, AmountTable) {
  const AmountCase cases[] = {
      {"ZZ,ZZZ,ZZ9", 123456, "E", "··1.234'56"},
      {"ZZ,ZZZ,ZZ9", 0, "E", "······0'00"},
      {"ZZ,ZZZ,ZZ9", -123456, "E", "·-1.234'56"},
      {"ZZ,ZZZ,ZZ9", 123456, "P", "···205.414"},
      {"ZZ,ZZZ,ZZZ", 0, "E", "··········"},
      // Built masks beyond the table.
      {"ZZ,ZZZ,ZZZ", 5, "E", "······0'05"},  // a non-zero amount asks for a units digit
      {"ZZ,ZZZ,ZZ9", 0, "P", "·········0"},
      {"ZZ,ZZZ,ZZ9", 0, "", "······0'00"},  // empty display currency: euros
      {"**,***,**9", 123456, "E", "**1.234'56"},
      {"ZZZZZZ9-", -150, "E", "···1'50-"},
      {"-ZZZZZZ9", -150, "E", "-···1'50"},
      {"ZZZZZZ9+", 150, "E", "···1'50+"},
      {"ZZZZZZ9-", -100, "P", "····166-"},  // a trailing sign in a mask without a point
      {"ZZ9", 123456, "E", "!!!"},
      {"", 5, "E", ""},
  };
  for (const auto& c : cases) {
    numbers::State().CurDisplay = c.display;
    EXPECT_EQ(FormatAmount(c.mask, c.cents), Blanks(c.result))
        << "mask " << c.mask << ", " << c.cents << " cents in \"" << c.display << "\"";
  }
}

TEST_F(FormatNumberTest, AmountFollowsSetCurrency) {
  numbers::SetCurrency("a,E");
  numbers::SetCurrency("x,P");
  numbers::SetCurrency("p");
  EXPECT_EQ(FormatAmount("ZZ,ZZZ,ZZ9", 100), Blanks("·······166"));
  numbers::SetCurrency("");
  EXPECT_EQ(FormatAmount("ZZ,ZZZ,ZZ9", 100), Blanks("······1'00"));
}

TEST(IsBadNumberText, Table) {
  struct Case {
    const char* text;
    const char* mask;
    int16_t result;
  } const cases[] = {
      {"123 45", "", 0},       {"12-3", "", -1},         {"1.5", "", -1},          {"", "", 0},
      {"-12.5", "ZZ9.99-", 0}, {"12.5-", "ZZ9.99-", -1}, {"1.2.3", "ZZ9.99-", -1}, {"--1", "ZZ9.99-", -1},
      {"A-5", "", -1},         {"A-5", "ZZ9.99-", -1},   {"A-5", "+ZZ9", -1},      {"+5", "+ZZ9", 0},
      {".5-", "ZZ9.99-", -1},  // no sign after the point
      {" 12 ", "ZZ9", 0},      {"1,5", "ZZ,ZZ9", -1},    {"\xFF", "", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsBadNumberText(c.text, c.mask), c.result)
        << "\"" << c.text << "\" against \"" << c.mask << "\"";
  }
}

}  // namespace
