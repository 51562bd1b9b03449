#include "config/session.h"

#include <optional>
#include <vector>

#include "config_fixture.h"
#include "numbers/currency.h"

namespace {

using config::SessionSettings;

struct Expected {
  std::optional<std::string> RootDir = {}, TempDir = {}, TerminalDir = {}, MenuTitle = {}, MenuName = {},
                             WorkDate = {}, LanguageCode = {}, RunMode = {};
  std::optional<std::vector<int16_t>> Colours = {};  // foreground, background of pairs 0 to 4
};

struct SessionCase {
  const char* name;
  std::map<std::string, std::string> env;    // "@" stands for the temporary directory
  std::map<std::string, std::string> files;  // relative path to contents, "@" as above
  Expected expected;
};

const std::vector<int16_t> kDefaultColours = {15, 0, 7, 0, 0, 7, 0, 7, 0, 7};

class StartSessionTest : public configtest::ConfigTest {
 protected:
  std::string Expand(std::string text) const {
    std::string out;
    for (char c : text) {
      if (c == '@') {
        out += dir_.string();
      } else {
        out.push_back(c);
      }
    }
    return out;
  }

  void Run(const SessionCase& c) {
    SCOPED_TRACE(c.name);
    config::ResetState();
    env_.clear();
    for (const auto& [name, value] : c.env) SetEnv(name, Expand(value));
    std::filesystem::current_path(oldDir_);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    for (const auto& [path, text] : c.files) Write(path, Expand(text));

    config::StartSession();
    const config::SessionSettingsRecord& s = SessionSettings();
    const Expected& e = c.expected;
    if (e.RootDir) {
      EXPECT_EQ(s.RootDir, Expand(*e.RootDir));
    }
    if (e.TempDir) {
      EXPECT_EQ(s.TempDir, Expand(*e.TempDir));
    }
    if (e.TerminalDir) {
      EXPECT_EQ(s.TerminalDir, Expand(*e.TerminalDir));
    }
    if (e.MenuTitle) {
      EXPECT_EQ(s.MenuTitle, *e.MenuTitle);
    }
    if (e.MenuName) {
      EXPECT_EQ(s.MenuName, *e.MenuName);
    }
    if (e.WorkDate) {
      EXPECT_EQ(s.WorkDate, *e.WorkDate);
    }
    if (e.LanguageCode) {
      EXPECT_EQ(s.LanguageCode, *e.LanguageCode);
    }
    if (e.RunMode) {
      EXPECT_EQ(s.RunMode, *e.RunMode);
    }
    if (e.Colours) {
      std::vector<int16_t> got;
      for (const auto& pair : s.ColourPairs) {
        got.push_back(pair.Foreground);
        got.push_back(pair.Background);
      }
      EXPECT_EQ(got, *e.Colours);
    }
  }
};

TEST_F(StartSessionTest, NothingConfigured) {
  Run({"no variable and no file",
       {},
       {},
       {.RootDir = "",
        .TempDir = "",
        .TerminalDir = "",
        .MenuTitle = "  ",
        .MenuName = "",
        .WorkDate = "",
        .LanguageCode = "   ",
        .RunMode = "DOS",
        .Colours = kDefaultColours}});
  EXPECT_EQ(numbers::CurBase(), "E");
  EXPECT_EQ(numbers::CurDisplay(), "E");
  EXPECT_EQ(numbers::CurAlt(), "");
}

TEST_F(StartSessionTest, Directories) {
  const SessionCase cases[] = {
      {"WRKTMP gets a backslash", {{"WRKTMP", "@\\tmp"}}, {}, {.TempDir = "@\\tmp\\", .TerminalDir = ""}},
      {"WRKTMP ending in a backslash", {{"WRKTMP", "@\\tmp\\"}}, {}, {.TempDir = "@\\tmp\\"}},
      {"WRKTMP ending in a colon", {{"WRKTMP", "D:"}}, {}, {.TempDir = "D:"}},
      {"WRKTMP ending in a slash", {{"WRKTMP", "@/tmp/"}}, {}, {.TempDir = "@/tmp/\\"}},
      {"WRKROOT unchanged", {{"WRKROOT", "@\\root"}}, {}, {.RootDir = "@\\root"}},
      {"terminal directory from the session file",
       {{"WRKTMP", "@\\tmp"}, {"TERM", "@\\other"}},
       {{"tmp/Sessio.ini", "[Terminal]\r\nDir=@\\term\r\n"}, {"other/x", ""}},
       {.TempDir = "@\\tmp\\", .TerminalDir = "@\\term\\"}},
      {"session file in the current directory without WRKTMP",
       {},
       {{"Sessio.ini", "[Terminal]\r\nDir=T01\r\n"}, {"T01/DorvTerm.ini", "[Sistema]\r\nIdioma=GLG\r\n"}},
       {.TempDir = "T01\\", .TerminalDir = "T01\\", .LanguageCode = "GLG"}},
      {"TERM naming a directory stands for the terminal directory",
       {{"TERM", "@\\term"}},
       {{"term/DorvTerm.ini", "[Sistema]\r\nIdioma=SPA\r\n"}, {"term/Sessio.ini", "[Menu]\r\nTitol=no\r\n"}},
       {.TempDir = "@\\term\\", .TerminalDir = "@\\term\\", .MenuTitle = "  ", .LanguageCode = "SPA"}},
      {"TERM naming a terminal type is no directory",
       {{"TERM", "xterm-256color"}},
       {},
       {.TempDir = "", .TerminalDir = ""}},
      {"TERM naming a file is no directory",
       {{"TERM", "@\\afile"}},
       {{"afile", "x"}},
       {.TempDir = "", .TerminalDir = ""}},
      {"WRKTMP kept when the terminal directory is set too",
       {{"WRKTMP", "@\\tmp"}, {"TERM", "@\\term"}},
       {{"term/x", ""}},
       {.TempDir = "@\\tmp\\", .TerminalDir = "@\\term\\"}},
  };
  for (const SessionCase& c : cases) Run(c);
}

TEST_F(StartSessionTest, MenuFromTheSessionFile) {
  Run({"title and name",
       {{"WRKTMP", "@\\tmp"}},
       {{"tmp/Sessio.ini", "[Menu]\r\nTitol=Gesti\xA2 de finques\r\nNomMenu=FINQUES\r\n"}},
       {.MenuTitle = " Gesti\xA2 de finques ", .MenuName = "FINQUES"}});
}

TEST_F(StartSessionTest, ColourPairs) {
  auto term = [](const std::string& pantalla) {
    return std::map<std::string, std::string>{{"tmp/DorvTerm.ini", "[Pantalla]\r\n" + pantalla}};
  };
  const std::map<std::string, std::string> env = {{"WRKTMP", "@\\tmp"}};
  const SessionCase cases[] = {
      {"short colour text leaves the rest 0",
       env,
       term("Seleccio=2\r\nCol2=1401\r\n"),
       {.Colours = std::vector<int16_t>{14, 1, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"selected key missing gives the default",
       env,
       term("Seleccio=2\r\nCol1=1401\r\n"),
       {.Colours = kDefaultColours}},
      {"no selection reads Col0",
       env,
       term("Col0=01020304050607080910\r\nCol1=1401\r\n"),
       {.Colours = std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}},
      {"negative selection",
       env,
       term("Seleccio=-1\r\nCol-1=0203\r\n"),
       {.Colours = std::vector<int16_t>{2, 3, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"1.5 selects Col2",
       env,
       term("Seleccio=1.5\r\nCol2=0900\r\n"),
       {.Colours = std::vector<int16_t>{9, 0, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"2.5 selects Col2",
       env,
       term("Seleccio=2.5\r\nCol2=0900\r\n"),
       {.Colours = std::vector<int16_t>{9, 0, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"3.5 selects Col4",
       env,
       term("Seleccio=3.5\r\nCol4=0800\r\n"),
       {.Colours = std::vector<int16_t>{8, 0, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"blanks and letters in the colour text",
       env,
       term("Col0=1   A7 7\r\n"),
       {.Colours = std::vector<int16_t>{1, 0, 0, 7, 0, 0, 0, 0, 0, 0}}},
      {"selection that is not a number reads Col0",
       env,
       term("Seleccio=x2\r\nCol0=0102\r\n"),
       {.Colours = std::vector<int16_t>{1, 2, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"selection beyond 16 bits is held at the limit",
       env,
       term("Seleccio=99999\r\nCol32767=0304\r\n"),
       {.Colours = std::vector<int16_t>{3, 4, 0, 0, 0, 0, 0, 0, 0, 0}}},
  };
  for (const SessionCase& c : cases) Run(c);
}

TEST_F(StartSessionTest, WorkDateAndLanguage) {
  const std::map<std::string, std::string> env = {{"WRKTMP", "@\\tmp"}, {"WRKROOT", "@\\root\\"}};
  auto files = [](const std::string& sistema, const std::string& usuari) {
    std::map<std::string, std::string> f;
    if (!sistema.empty()) f["tmp/DorvTerm.ini"] = "[Sistema]\r\n" + sistema;
    if (!usuari.empty()) f["root/Dorv.ini"] = "[Usuari]\r\n" + usuari;
    return f;
  };
  const SessionCase cases[] = {
      {"work date packed", env, files("Data=20010305\r\n", ""), {.WorkDate = "\x94\x81\x83\x85"}},
      {"no work date", env, files("Idioma=SPA\r\n", ""), {.WorkDate = ""}},
      {"long language cut to three", env, files("Idioma=Castellano\r\n", ""), {.LanguageCode = "Cas"}},
      {"small letters kept", env, files("Idioma=spa\r\n", ""), {.LanguageCode = "spa"}},
      {"short language padded", env, files("Idioma=SP\r\n", ""), {.LanguageCode = "SP "}},
      {"terminal language wins", env, files("Idioma=OCI\r\n", "Idioma=SPA\r\n"), {.LanguageCode = "OCI"}},
      {"user language when the terminal has none",
       env,
       files("Data=20010305\r\n", "Idioma=GLG\r\n"),
       {.LanguageCode = "GLG"}},
      {"blank terminal language falls back",
       env,
       files("Idioma=   \r\n", "Idioma=SPA\r\n"),
       {.LanguageCode = "SPA"}},
      {"neither gives three blanks", env, files("", ""), {.LanguageCode = "   "}},
  };
  for (const SessionCase& c : cases) Run(c);
}

TEST_F(StartSessionTest, RunMode) {
  const SessionCase cases[] = {
      {"web test comes first", {{"HTTP_ACCEPT", "*/*"}, {"WINDIR", "C:\\WINDOWS"}}, {}, {.RunMode = "CGI"}},
      {"user agent", {{"HTTP_USER_AGENT", "x"}}, {}, {.RunMode = "CGI"}},
      {"windows directory", {{"WINDIR", "C:\\WINDOWS"}}, {}, {.RunMode = "WIN"}},
      {"system root", {{"SYSTEMROOT", "C:\\WINNT"}}, {}, {.RunMode = "WIN"}},
      {"plain", {{"TERM", "xterm"}}, {}, {.RunMode = "DOS"}},
  };
  for (const SessionCase& c : cases) Run(c);
}

TEST_F(StartSessionTest, KeepsModuleNameAndStartsFresh) {
  SessionSettings().ModuleName = "RECINQRY";
  SessionSettings().MenuName = "stale";
  config::StartSession();
  EXPECT_EQ(SessionSettings().ModuleName, "RECINQRY");
  EXPECT_EQ(SessionSettings().MenuName, "");
}

TEST_F(StartSessionTest, DamagedSettingsFiles) {
  std::string noise;
  for (int i = 0; i < 256; ++i) noise.push_back(static_cast<char>(i));
  Run({"noise",
       {{"WRKTMP", "@\\tmp"}},
       {{"tmp/Sessio.ini", noise + noise},
        {"tmp/DorvTerm.ini", noise + "\r\n[Pantalla]\r\nSeleccio=\x00\x01\r\n"}},
       {.TerminalDir = "", .MenuTitle = "  ", .LanguageCode = "   ", .Colours = kDefaultColours}});
}

TEST(LeadingNumber, Rule) {
  const std::pair<std::string, int16_t> cases[] = {
      {"07", 7},
      {"1 ", 1},
      {"  ", 0},
      {"A7", 0},
      {"", 0},
      {"  12x", 12},
      {"+3", 3},
      {"-3", -3},
      {"1.5", 2},
      {"2.5", 2},
      {"3.5", 4},
      {"2.51", 3},
      {"2.49", 2},
      {"-2.5", -2},
      {"-0.5", 0},
      {".5", 0},
      {".6", 1},
      {"5.", 5},
      {"-", 0},
      {"+-1", 0},
      {"1.2.3", 1},
      {"32767", 32767},
      {"32768", 32767},
      {"-32768", -32768},
      {"-99999999999", -32768},
      {"000000000000000000042", 42},
      {"32767.5", 32767},
      {"1e3", 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(config::LeadingNumber(text), value) << "'" << text << "'";
}

}  // namespace
