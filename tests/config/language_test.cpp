#include "config/language.h"

#include <random>

#include "config_fixture.h"

namespace {

using config::TranslateText;

class TranslateTextTest : public configtest::ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    config::SessionSettings().RootDir = Root();
    config::SessionSettings().ModuleName = "RECINQRY";
    std::filesystem::create_directories(dir_ / "LOCALE");
  }
  void Language(const std::string& code) { config::SessionSettings().LanguageCode = code; }
  void WriteLanguageFile(const std::string& text) { Write("LOCALE/RECINQRY.LNG", text); }
  // Makes the file look as if written long ago, so that a reading of it is
  // kept.
  void Age(const std::string& relative = "LOCALE/RECINQRY.LNG") {
    std::filesystem::last_write_time(dir_ / relative,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  }
  std::uintmax_t Reads() const { return config::State().Language.Reads; }
};

const char* const kFile =
    "PENDENT,PENDENTE,PENDENT,PENDIENTE\r\n"
    "TORNAT,DEVOLVIDO,TORNAT,DEVUELTO\r\n"
    "\"TOTAL           \",\"TOTAL           \",\"TOTAU           \",\"TOTAL           \"\r\n"
    "\"Codi, nom\",\"C\xA2"
    "digo, nome\",\"C\xA2"
    "di, nom\",\"C\xA2"
    "digo, nombre\"\r\n"
    "TORNAT,segon,segon,segon\r\n"
    "Buit,,,\r\n";

TEST_F(TranslateTextTest, Languages) {
  WriteLanguageFile(kFile);
  struct Case {
    std::string code, text, expected;
  };
  const Case cases[] = {
      {"SPA", "PENDENT", "PENDIENTE"},
      {"GLG", "PENDENT", "PENDENTE"},
      {"OCI", "TOTAL           ", "TOTAU           "},
      {"SPA", "TOTAL", "TOTAL"},  // trailing blanks are part of the key
      {"SPA", "Codi, nom",
       "C\xA2"
       "digo, nombre"},
      {"SPA", "TORNAT", "DEVUELTO"},  // the first of two entries wins
      {"GLG", "Buit", ""},            // an empty translation is the empty text
      {"SPA", "No hi \x82s", "No hi \x82s"},
      {"   ", "PENDENT", "PENDENT"},
      {"spa", "PENDENT", "PENDENT"},  // codes compare in capitals
      {"Cas", "PENDENT", "PENDENT"},
      {"CAT", "PENDENT", "PENDENT"},
  };
  for (const Case& c : cases) {
    Language(c.code);
    EXPECT_EQ(TranslateText(c.text), c.expected) << c.code << " " << c.text;
  }
}

TEST_F(TranslateTextTest, CatalanNeverTouchesTheFile) {
  Language("CAT");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDENT");
  EXPECT_FALSE(Exists("LOCALE/RECINQRY.LNG"));
  EXPECT_EQ(config::State().LanguageModule, "");
}

TEST_F(TranslateTextTest, MissingFileIsCreatedEmpty) {
  for (const char* code : {"SPA", "   ", "XYZ"}) {
    std::filesystem::remove(dir_ / "LOCALE/RECINQRY.LNG");
    Language(code);
    EXPECT_EQ(TranslateText("PENDENT"), "PENDENT") << code;
    EXPECT_TRUE(Exists("LOCALE/RECINQRY.LNG")) << code;
    EXPECT_EQ(Read("LOCALE/RECINQRY.LNG"), "") << code;
  }
}

TEST_F(TranslateTextTest, FileThatCanNeitherBeReadNorCreated) {
  Language("SPA");
  std::filesystem::remove_all(dir_ / "LOCALE");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDENT");
  EXPECT_FALSE(Exists("LOCALE"));
  // A folder where the file should be.
  std::filesystem::create_directories(dir_ / "LOCALE/RECINQRY.LNG");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDENT");
}

TEST_F(TranslateTextTest, PathMatchedWithoutCase) {
  std::filesystem::remove_all(dir_ / "LOCALE");
  Write("locale/recinqry.lng", kFile);
  Language("SPA");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDIENTE");
}

TEST_F(TranslateTextTest, ModuleFixedAtTheFirstCall) {
  Language("SPA");
  config::SessionSettings().ModuleName = "";
  Write("LOCALE/.LNG", "PENDENT,a,b,c\r\n");
  EXPECT_EQ(TranslateText("PENDENT"), "c");  // no module yet: the bare ".LNG"
  EXPECT_EQ(config::State().LanguageModule, "");
  config::SessionSettings().ModuleName = "RECINQRY";
  WriteLanguageFile(kFile);
  EXPECT_EQ(TranslateText("PENDENT"), "PENDIENTE");
  config::SessionSettings().ModuleName = "ALTRE";
  Write("LOCALE/ALTRE.LNG", "PENDENT,x,y,z\r\n");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDIENTE");
  EXPECT_EQ(config::State().LanguageModule, "RECINQRY");
}

TEST_F(TranslateTextTest, ChangesShowAtTheNextText) {
  Language("SPA");
  WriteLanguageFile("PENDENT,a,b,PENDIENTE\r\n");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDIENTE");
  // The same size, written at once: the time stamp may not have moved.
  WriteLanguageFile("PENDENT,a,b,PENDIENTX\r\n");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDIENTX");
  std::filesystem::remove(dir_ / "LOCALE/RECINQRY.LNG");
  EXPECT_EQ(TranslateText("PENDENT"), "PENDENT");
  EXPECT_TRUE(Exists("LOCALE/RECINQRY.LNG"));
}

TEST_F(TranslateTextTest, UnchangedFileIsReadOnce) {
  Language("SPA");
  WriteLanguageFile(kFile);
  Age();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(TranslateText("PENDENT"), "PENDIENTE");
    ASSERT_EQ(TranslateText("TORNAT"), "DEVUELTO");
  }
  EXPECT_EQ(Reads(), 1u);
  WriteLanguageFile("PENDENT,a,b,ALTRA\r\n");
  std::filesystem::last_write_time(dir_ / "LOCALE/RECINQRY.LNG",
                                   std::filesystem::file_time_type::clock::now() - std::chrono::minutes(30));
  EXPECT_EQ(TranslateText("PENDENT"), "ALTRA");
  EXPECT_EQ(Reads(), 2u);
}

struct FileCase {
  const char* name;
  std::string file;
  std::string text;
  std::string expected;  // in Spanish
};

TEST_F(TranslateTextTest, FileSyntax) {
  const FileCase cases[] = {
      {"entry spread over lines", "PENDENT\r\na\r\nb\r\nPENDIENTE\r\n", "PENDENT", "PENDIENTE"},
      {"entries sharing a line", "A,a,a,1,PENDENT,b,b,2\r\n", "PENDENT", "2"},
      {"LF line ends", "A,a,a,1\nPENDENT,b,b,2\n", "PENDENT", "2"},
      {"quoted line end in a text", "\"DOS\r\nL\xA1NIES\",a,b,\"DOS\r\nL\xA1NEAS\"", "DOS\r\nL\xA1NIES",
       "DOS\r\nL\xA1NEAS"},
      {"empty line shifts the entries", "\r\nPENDENT,a,b,PENDIENTE\r\n", "PENDENT", "PENDENT"},
      {"empty line as a key", "\r\nPENDENT,a,b,PENDIENTE\r\n", "", "b"},
      {"last entry without translations", "A,a,a,1\r\nPENDENT", "PENDENT", "PENDENT"},
      {"last entry cut short", "PENDENT,x", "PENDENT", ""},
      {"unterminated quote swallows the rest", "\"PENDENT,a,b,c\r\nTORNAT,a,b,DEVUELTO\r\n", "TORNAT",
       "TORNAT"},
      {"Ctrl-Z ends the file", "A,a,a,1\r\n\x1APENDENT,a,b,PENDIENTE\r\n", "PENDENT", "PENDENT"},
      {"NUL bytes are ordinary", std::string("P\0T,a,b,c\r\n", 11), std::string("P\0T", 3), "c"},
      {"tabs dropped from unquoted text", "PEN\tDENT,a,b,c\r\n", "PENDENT", "c"},
  };
  Language("SPA");
  for (const FileCase& c : cases) {
    config::ResetState();
    config::SessionSettings().RootDir = Root();
    config::SessionSettings().ModuleName = "RECINQRY";
    Language("SPA");
    WriteLanguageFile(c.file);
    EXPECT_EQ(TranslateText(c.text), c.expected) << c.name;
  }
}

TEST_F(TranslateTextTest, ArbitraryBytes) {
  Language("SPA");
  std::mt19937 gen(99);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 50; ++round) {
    std::string noise;
    for (int i = 0; i < 3000; ++i) noise.push_back(static_cast<char>(byte(gen)));
    WriteLanguageFile(noise);
    // A text no entry holds comes back as it is; the call never fails.
    EXPECT_EQ(TranslateText("TEXT QUE NO HI \x90S \x01\x02\x03\x04\x05\x06"),
              "TEXT QUE NO HI \x90S \x01\x02\x03\x04\x05\x06");
  }
}

}  // namespace
