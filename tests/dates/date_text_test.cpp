#include "dates/date_text.h"

#include <gtest/gtest.h>

#include <string>

#include "config/session_settings.h"
#include "dates/date_arith.h"
#include "dates/dates_state.h"
#include "numbers/packed_digits.h"
#include "site_settings_fixture.h"

namespace {

using dates::FormatDate;

std::string D(const char* digits) { return numbers::PackDigits(digits); }

using FormatDateTest = DateSettingsTest;

struct TextCase {
  const char* date;
  int16_t style;
  const char* mask;
  const char* language;
  const char* result;  // code page 850; a middle dot is a blank
};

TEST_F(FormatDateTest, DefaultOrderAndSeparator) {
  const TextCase cases[] = {
      {"20010305", 0, "dma", "CAT", "5/3/2001··"},
      {"20010305", 1, "dma", "CAT", "5/mar/2001·"},
      {"20010305", 1, "DMA", "SPA", "5/mar/2001·"},
      {"20011105", 1, "dma", "OCI", "5/nov/2001·"},
      {"20010105", 1, "dma", "OCI", "5/g\x8Ar/2001·"},
      {"20010305", 2, "dma", "SPA", "5 de marzo de 2001"},
      {"20010305", 2, "dma", "GLG", "5 de mar\x87o do 2001"},
      {"20010305", 2, "dma", "OCI", "5 de mar\x87 deth 2001"},
      {"20010305", 2, "dma", "CAT", "5 de mar\x87 del 2001"},
      {"20010305", 2, "dma", "XYZ", "5 de mar\x87 del 2001"},  // anything else is Catalan
      {"20010305", 2, "dma", "   ", "5 de mar\x87 del 2001"},
      {"20010401", 2, "dma", "CAT", "1 d'abril del 2001"},
      {"20010401", 2, "dma", "OCI", "1 d'abriu deth 2001"},
      {"20010401", 2, "dma", "SPA", "1 de abril de 2001"},
      {"20010401", 2, "dma", "GLG", "1 de abril do 2001"},
      {"20011001", 2, "dma", "CAT", "1 d'octubre del 2001"},
      {"20011001", 2, "dma", "GLG", "1 de outubro do 2001"},
      {"20010801", 2, "DMA", "OCI", "1 d'agost deth 2001"},
      {"20010305", 5, "dma", "CAT", "5 de mar\x87 del 2001"},  // any style from 2 on
      {"20010305", -1, "dma", "CAT", "2001-03-05"},
      {"20010305", -1, "", "SPA", "2001-03-05"},
      {"00000000", -1, "dma", "CAT", "0000-00-00"},
      {"20010305", 2, "m", "SPA", "marzo"},
      {"20010905", 2, "m", "SPA", "septiembre"},  // a name filling its whole entry
      {"20010305", 2, "ma", "CAT", "mar\x87 del 2001"},
      {"20010305", 2, "dm", "OCI", "5 de mar\x87"},
      {"00000000", 0, "dma", "CAT", "··········"},
      {"00000000", 1, "dma", "CAT", "···········"},
      {"00000000", 2, "dma", "CAT", ""},
      {"20010000", 2, "dma", "CAT", ""},  // no month and no day: no date
      {"20010305", 0, "ma", "CAT", "3/2001·"},
      {"20010305", 0, "am", "CAT", "3/2001·"},  // the mask chooses, the setting orders
      {"20010305", 0, "d", "CAT", "5·"},
      {"20011231", 0, "d", "CAT", "31"},
      {"20011231", 0, "dma", "CAT", "31/12/2001"},
      {"20010305", 0, "a", "CAT", "2001"},
      {"20010305", 0, "", "CAT", ""},
      {"20010305", 0, "x", "CAT", ""},
      {"20010305", 0, "dmaxyz", "CAT", "5/3/2001·····"},  // other letters widen the field
      {"00500305", 0, "dma", "CAT", "5/3/0050··"},        // the year keeps its four digits
  };
  for (const auto& c : cases) {
    config::SessionSettings().LanguageCode = c.language;
    EXPECT_EQ(FormatDate(D(c.date), c.style, c.mask), Blanks(c.result))
        << c.date << " style " << c.style << " mask \"" << c.mask << "\" in " << c.language;
  }
}

TEST_F(FormatDateTest, EveryMonthNameInEveryLanguage) {
  const char* names[4][12] = {
      {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre", "octubre",
       "noviembre", "diciembre"},
      {"janeiro", "fevereiro", "mar\x87o", "abril", "maio", "junho", "julho", "agosto", "setembro", "outubro",
       "novembro", "dezembro"},
      {"g\x8Ar", "hereu\x8Ar", "mar\x87", "abriu", "mai", "junh", "junhsega", "agost", "seteme", "octobre",
       "noveme", "deseme"},
      {"gener", "febrer", "mar\x87", "abril", "maig", "juny", "juliol", "agost", "setembre", "octubre",
       "novembre", "desembre"},
  };
  const char* codes[4] = {"SPA", "GLG", "OCI", "CAT"};
  for (int l = 0; l < 4; ++l) {
    config::SessionSettings().LanguageCode = codes[l];
    for (int m = 1; m <= 12; ++m) {
      const std::string date = dates::PackDate(2001, m, 15);
      EXPECT_EQ(FormatDate(date, 2, "m"), names[l][m - 1]) << codes[l] << " month " << m;
      EXPECT_EQ(FormatDate(date, 1, "m"), std::string(names[l][m - 1]).substr(0, 3))
          << codes[l] << " month " << m;
    }
  }
}

TEST_F(FormatDateTest, OrderAndSeparatorFromTheSiteSettings) {
  struct Case {
    const char* settings;
    int16_t style;
    const char* result;
  } const cases[] = {
      {"[Usuari]\nDatOrdre=AMD\n", 0, "2001/3/5··"},
      {"[Usuari]\nDatOrdre=AMD\n", 2, "2001 de mar\x87 del 5"},
      {"[Usuari]\nDatOrdre=MDA\nDatCaracter=-\n", 0, "3-5-2001··"},
      {"[Usuari]\nDatCaracter=.-/\n", 0, "5.3.2001··"},  // only the first character
      {"[Usuari]\nDatCaracter=\n", 0, "5/3/2001··"},     // empty: the default
      {"[Usuari]\nDatCaracter= \n", 0, "5/3/2001··"},    // blank: the default
      {"[Usuari]\nDatOrdre=dma\n", 0, "··········"},     // small letters match nothing
      {"[Usuari]\nDatOrdre=dma\n", 1, "···········"},
      {"[Usuari]\nDatOrdre=dma\n", 2, ""},
      {"[Usuari]\nDatOrdre=DMAX\n", 0, "5/3/2001··"},  // cut to three letters
      {"[Usuari]\nDatOrdre=D\n", 0, "5·········"},     // padded with blanks
      {"[Usuari]\nDatOrdre=DDD\n", 0, "5/5/5·····"},
      {"[Usuari]\nDatOrdre=   \n", 0, "5/3/2001··"},
      {"[Otra]\nDatOrdre=AMD\nDatCaracter=-\n", 0, "5/3/2001··"},
      {"", 0, "5/3/2001··"},
  };
  config::SessionSettings().LanguageCode = "CAT";
  for (const auto& c : cases) {
    UseSettings(c.settings);
    EXPECT_EQ(FormatDate(D("20010305"), c.style, "dma"), Blanks(c.result))
        << c.settings << " style " << c.style;
  }
}

TEST_F(FormatDateTest, SettingsAreReadOnce) {
  WriteDorvIni("[Usuari]\nDatOrdre=AMD\nDatCaracter=-\n");
  EXPECT_EQ(FormatDate(D("20010305"), 0, "dma"), Blanks("2001-3-5··"));
  WriteDorvIni("[Usuari]\nDatOrdre=MDA\nDatCaracter=.\n");
  EXPECT_EQ(FormatDate(D("20010305"), 0, "dma"), Blanks("2001-3-5··"));
  // The ISO form consults nothing but still settles the cache on first use.
  dates::ResetState();
  EXPECT_EQ(FormatDate(D("20010305"), -1, "dma"), "2001-03-05");
  EXPECT_EQ(dates::State().DatCaracter[0], '.');
}

TEST_F(FormatDateTest, OtherLettersInTheOrderRepeatTheElementBefore) {
  // A letter that the mask also holds but that is no element repeats the
  // previous element; in the first position, the eight digits.
  UseSettings("[Usuari]\nDatOrdre=XDM\n");
  EXPECT_EQ(FormatDate(D("20010305"), 2, "xdm"), "20010305 del 5 de mar\x87");
  EXPECT_EQ(FormatDate(D("20010305"), 0, "xdm"), "200103");  // cut to the width
  UseSettings("[Usuari]\nDatOrdre=DXM\n");
  EXPECT_EQ(FormatDate(D("20010305"), 0, "dmx"), Blanks("5/5/3·"));
}

TEST_F(FormatDateTest, DamagedInputNeverCrashes) {
  UseSettings(std::string("[Usuari]\nDatOrdre=") + std::string(3, '\0') + "\nDatCaracter=" + '\0' + "\n");
  // NUL-only entries take the defaults so that the settings stay read.
  EXPECT_EQ(FormatDate(D("20010305"), 0, "dma"), Blanks("5/3/2001··"));
  EXPECT_EQ(dates::State().DatOrdre[0], 'D');

  config::SessionSettings().LanguageCode = "SPA";
  // Months without a name are written as their number.
  EXPECT_EQ(FormatDate(D("20011305"), 2, "dma"), "5 de 13 de 2001");
  EXPECT_EQ(FormatDate(D("20010005"), 1, "dma"), Blanks("5/0/2001···"));
  EXPECT_EQ(FormatDate(D("20019905"), 0, "dma"), Blanks("5/99/2001·"));
  const std::string odd[] = {"", "\x94", std::string(4, '\xFF'), std::string(9, '\0'), "abcd"};
  for (const auto& date : odd) {
    EXPECT_EQ(FormatDate(date, -1, "dma").size(), 10u);
    EXPECT_EQ(FormatDate(date, 0, "dma").size(), 10u);
    EXPECT_EQ(FormatDate(date, 1, "DMADMA").size(), 14u);
    EXPECT_EQ(FormatDate(date, -5, "dma").size(), 5u);  // a style below -1 narrows the month's room
    EXPECT_LE(FormatDate(date, 3, "dma").size(), 30u);
  }
}

}  // namespace
