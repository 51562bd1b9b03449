// The whole program on the memory console: start-up, the estate loop and
// its ends, over an installation in a temporary directory.
#include "app/program.h"

#include <gtest/gtest.h>

#include "console/keyboard.h"
#include "inquiry_fixture.h"
#include "numbers/currency.h"
#include "platform/terminal_console.h"

namespace apptest {
namespace {

using console::KeyEnter;
using console::KeyEsc;

class ProgramTest : public InquiryTest {
 protected:
  // Data files made before the program starts, then closed again.
  void SetUp() override {
    InquiryTest::SetUp();
    StartInquiry();
    AddEstate(12, "CAL MASOVER");
    AddEstate(13, "CAN TRETZE");
    AddReceipts(12, 3);
    AddReceipts(13, 40);
    records::ResetDataFiles();
    ResetAll();
    records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
  }
  bool FilesOpen() {
    for (int16_t id : {app::EstatesFile, app::OwnersFile, app::CollectionsFile}) {
      if (records::FindFileSlot(id) > 0) return true;
    }
    return false;
  }
  std::string Screen() const {
    std::string text;
    for (int16_t row = 1; row <= 25; ++row) text += console.RowText(row) + "\n";
    return text;
  }
};

TEST_F(ProgramTest, EscOnTheFirstEstateFormEndsWithExitCode0AndTheFilesClosed) {
  console.PushKey(KeyEsc);
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_FALSE(FilesOpen());
  EXPECT_EQ(config::SessionSettings().ModuleName, "RECINQRY");
  EXPECT_EQ(console.CursorSize(), 0) << "the cursor is hidden";
  EXPECT_EQ(Row(2).substr(1), "Codi de finca:");
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(ProgramTest, AnEstateThenAnotherThenEsc) {
  StagedConsole staged;
  platform::SetActiveConsole(&staged);
  staged.Stage({'1', '2', KeyEnter});
  staged.Stage({KeyEsc});  // back from the receipts of 12
  staged.Stage({console::KeyClearField, '1', '3', KeyEnter});
  staged.Stage({console::KeyPgDn});
  staged.Stage({});  // a wait with nothing typed: look at page 2 of 13
  EXPECT_THROW(app::RunProgram(), platform::ScriptExhausted);
  EXPECT_EQ(staged.RowText(2).substr(1, 18), "Codi de finca: 13 ");
  EXPECT_EQ(staged.RowText(2).substr(36, 12), " CAN TRETZE ");
  EXPECT_EQ(staged.RowText(1).substr(66, 13), "PANTALLA    2");
  EXPECT_EQ(staged.RowText(5).substr(0, 4), "001 ");
  EXPECT_EQ(numbers::CurDisplay(), "E");
  platform::SetActiveConsole(&console);
}

TEST_F(ProgramTest, ReturningFromTheReceiptsGivesTheFormBackAndEscEndsTheRun) {
  StagedConsole staged;
  platform::SetActiveConsole(&staged);
  staged.Stage({'1', '2', KeyEnter});
  staged.Stage({KeyEsc});
  staged.Stage({KeyEsc});
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_FALSE(FilesOpen());
  // The form came back over the receipts screen's head, which is not cleared.
  EXPECT_EQ(staged.RowText(2).substr(1, 17), "Codi de finca: 12");
  EXPECT_EQ(staged.RowText(3).substr(0, 3), "DEP");
  EXPECT_EQ(staged.Beeps(), 0);
  platform::SetActiveConsole(&console);
}

TEST_F(ProgramTest, AFormFileThatCannotBeOpenedStopsBeforeTheLoop) {
  fs::remove(root / "FORMS" / "RECINQRY.JPN");
  EXPECT_THROW(app::RunProgram(), platform::ScriptExhausted);
  EXPECT_NE(Screen().find("No es pot obrir el fitxer de formularis"), std::string::npos) << Screen();
  EXPECT_FALSE(FilesOpen());

  ResetAll();
  Keys({'x'});
  EXPECT_EQ(app::RunProgram(), app::ExitFormFileFault);
  EXPECT_FALSE(FilesOpen());
  EXPECT_EQ(Screen().find("Codi de finca"), std::string::npos) << "the estate form never shows";
}

TEST_F(ProgramTest, DamagedFormFilesStopWithTheirMessageInTheSessionsLanguage) {
  struct Case {
    const char* contents;
    const char* message;
  } cases[] = {
      // Two fields in a form, where the header allows one.
      {"1,1\r\n\"0d,1b\",2,0,0,0,0,0\r\n2,2,\"A: \",3,0,0,0,1,1,\"\"\r\n2,9,\"B: "
       "\",3,0,0,0,1,1,\"\"\r\n0\r\n",
       "tiene m\xA0s campos que el m\xA0ximo"},
      // No form at all.
      {"0,0\r\n0\r\n", "no describe ning\xA3n formulario"},
      // A form 1 with nothing to edit.
      {"1,1\r\n\"0d,1b\",1,0,0,0,0,0\r\n2,2,\"A: \",3,0,0,4,1,1,\"\"\r\n0\r\n",
       "no describe el formulario de la finca"},
  };
  UseTerminal("TERM02");
  for (const Case& c : cases) {
    ResetAll();
    std::ofstream(root / "FORMS" / "RECINQRY.JPN", std::ios::binary | std::ios::trunc) << c.contents;
    EXPECT_THROW(app::RunProgram(), platform::ScriptExhausted) << "waits for a key: " << c.message;
    EXPECT_NE(Screen().find(c.message), std::string::npos) << Screen();
    EXPECT_FALSE(FilesOpen());
    ResetAll();
    Keys({' '});
    EXPECT_EQ(app::RunProgram(), app::ExitFormFileFault) << c.message;
  }
}

TEST_F(ProgramTest, ADataFileThatCannotBeOpenedEndsTheProgramAfterItsMessage) {
  // The owners file is never read, but without it (nor its creation
  // specification) the inquiry does not start.
  fs::remove(root / "DADES" / "PropietH.dat");
  fs::remove(root / "ddf" / "PropietH.xdf");
  EXPECT_THROW(app::RunProgram(), platform::ScriptExhausted);
  EXPECT_NE(Screen().find("NO ES POT ACCEDIR AL FITXER"), std::string::npos) << Screen();
  EXPECT_NE(Screen().find("PropietH"), std::string::npos) << Screen();
  ResetAll();
  records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
  Keys({' '});
  EXPECT_EQ(app::RunProgram(), 0);
  ASSERT_EQ(exitCodes, std::vector<int>{0});
  EXPECT_EQ(Screen().find("Codi de finca"), std::string::npos) << "the estate loop is never reached";
  EXPECT_FALSE(FilesOpen());
}

TEST_F(ProgramTest, AnEmptyRootDirReadsTheInstallationFromTheCurrentDirectory) {
  env.erase("WRKROOT");
  env["WRKTMP"] = (root / "TERM01").string() + "/";
  auto values = env;
  platform::State().Environment = [values](const char* name) {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
  };
  fs::current_path(root);
  console.PushKey(KeyEsc);
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_EQ(config::SessionSettings().RootDir, "");
  EXPECT_EQ(Row(2).substr(1), "Codi de finca:");
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(ProgramTest, TheTerminalsSmallWindowNoticeIsInTheSessionsLanguage) {
  struct Case {
    const char* language;
    const char* start;
  };
  for (const Case& c : {Case{"SPA", "La ventana debe medir como m\xA1nimo 80 \x9E 25 (ahora {W} \x9E {H})."},
                        Case{"GLG", "A janela deve medir polo menos 80 "},
                        Case{"OCI", "Era fin\x8Astra a de h\x8Ar coma minim 80 "},
                        Case{"CAT", "La finestra ha de fer com a m\xA1nim 80 \x9E 25 (ara {W} \x9E {H})."},
                        Case{"ENG", "La finestra ha de fer com a m\xA1nim 80 "}}) {
    EXPECT_EQ(app::SmallWindowNoticeText(c.language).rfind(c.start, 0), 0u) << c.language;
    const std::string text = app::SmallWindowNoticeText(c.language);
    EXPECT_NE(text.find("{W}"), std::string::npos) << c.language;
    EXPECT_NE(text.find("{H}"), std::string::npos) << c.language;
  }

  // A Spanish terminal: the program hands the console the Spanish notice.
  UseTerminal("TERM02");
  Keys({KeyEsc});
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_EQ(platform::SmallWindowNotice(79, 24),
            "\x1b[1;1HLa ventana debe medir como m\xC3\xADnimo 80 \xC3\x97 25 (ahora 79 \xC3\x97 24).");
}

TEST_F(ProgramTest, StartUpMessagesShowPathsInTheRootDirectorysStyle) {
  fs::remove(root / "FORMS" / "RECINQRY.JPN");
  StartSession();
  const std::string rootDir = config::SessionSettings().RootDir;
  ASSERT_EQ(rootDir, root.string() + "/");
  EXPECT_EQ(config::LoadForm().Message,
            "No es pot obrir el fitxer de formularis " + rootDir + "FORMS/RECINQRY.JPN");

  // A root written with backslashes keeps them.
  config::SessionSettings().RootDir = "C:\\GEST\\";
  EXPECT_EQ(config::LoadForm().Message,
            "No es pot obrir el fitxer de formularis C:\\GEST\\FORMS\\RECINQRY.JPN");
  EXPECT_EQ(config::ShownPath("C:\\GEST\\DADES\\PropietH"), "C:\\GEST\\DADES\\PropietH");
  config::SessionSettings().RootDir = "/b5/";
  EXPECT_EQ(config::ShownPath("/b5/DADES\\PropietH"), "/b5/DADES/PropietH");
}

}  // namespace
}  // namespace apptest
