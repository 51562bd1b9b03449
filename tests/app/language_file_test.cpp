// The installation's language file holds, in each of its languages, texts
// that fit the places the inquiry gives them.
#include <gtest/gtest.h>

#include "config/language.h"
#include "inquiry_fixture.h"

namespace apptest {
namespace {

class LanguageFileTest : public InquiryTest {
 protected:
  std::string In(const std::string& language, const std::string& text) {
    config::ResetState();
    config::SessionSettings().RootDir = root.string() + "/";
    config::SessionSettings().ModuleName = "RECINQRY";
    config::SessionSettings().LanguageCode = language;
    return config::TranslateText(text);
  }
};

TEST_F(LanguageFileTest, EveryLanguageFitsTheReceiptsScreenAndTheForm) {
  const std::string titles = "DEP  D.EXPED.       IMPORT  ESTAT       DEP  D.EXPED.       IMPORT  ESTAT";
  for (const char* language : {"GLG", "OCI", "SPA"}) {
    SCOPED_TRACE(language);
    const std::string row3 = In(language, titles);
    ASSERT_LE(row3.size(), 80u);
    for (size_t half : {0u, 40u}) {
      // Department over column 1, date title from 6, amount title ending at
      // column 26 over the right-aligned amounts, state title from 29.
      EXPECT_EQ(row3.substr(half, 5), "DEP  ") << row3;
      EXPECT_NE(row3[half + 5], ' ') << row3;
      EXPECT_NE(row3[half + 25], ' ') << row3;
      EXPECT_EQ(row3.substr(half + 26, 2), "  ") << row3;
      EXPECT_NE(row3[half + 28], ' ') << row3;
    }
    const std::string label = In(language, "PANTALLA ZZZ9");
    EXPECT_LE(label.size(), 14u) << label;
    EXPECT_EQ(label.substr(label.size() - 5), " ZZZ9") << label;
    for (const char* state : {"PENDENT", "TORNAT"}) {
      const std::string word = In(language, state);
      EXPECT_FALSE(word.empty());
      EXPECT_LE(word.size(), 12u) << word;
    }
    EXPECT_EQ(In(language, "TOTAL           ").size(), 16u);
    // The code field stays left of the estate's name on row 2 (column 37).
    const std::string field = In(language, "Codi de finca: ");
    EXPECT_EQ(field.substr(field.size() - 2), ": ") << field;
    EXPECT_LE(2 + field.size() + 3, 36u) << field;
    // The list's header: code over the first 3 columns, name from column 6.
    const std::string header = In(language, "Codi_Nom_de_la_finca");
    EXPECT_EQ(header[4], '_') << header;
    EXPECT_NE(header[5], '_') << header;
    EXPECT_LE(header.size(), 40u);
  }
}

TEST_F(LanguageFileTest, TheFormFileMessagesAreTranslated) {
  for (const char* text : {"No es pot obrir el fitxer de formularis ", "El formulari ",
                           " t\x82 m\x82s camps que el m\x85xim del fitxer de formularis ",
                           "El fitxer de formularis descriu camps massa llargs: ",
                           "El fitxer de formularis no descriu cap formulari: ",
                           "El fitxer de formularis no descriu el formulari de la finca: "}) {
    for (const char* language : {"GLG", "OCI", "SPA"}) {
      const std::string translated = In(language, text);
      EXPECT_NE(translated, text) << language << ": " << text;
      EXPECT_EQ(translated.back(), ' ')
          << "the text that follows is kept apart: " << language << ": " << text;
    }
  }
}

}  // namespace
}  // namespace apptest
