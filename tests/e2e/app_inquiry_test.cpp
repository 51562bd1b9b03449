// The built inquiry on a copy of the demo installation, in a pseudo-terminal,
// with the keys typed as an operator types them: one step at a time, each
// once the screen shows what the step before it brought.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "demo_copy_fixture.h"
#include "pty_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const std::string CtrlY = "\x19";

class InquiryEndToEnd : public DemoCopyTest {
 protected:
  InquiryEndToEnd() : DemoCopyTest("e2e-app-") {}

  // n cells of a row from a column (1-based), as the terminal shows them
  // (ASCII only: other characters read as '?').
  static std::string At(const PtySession& session, int row, int column, int n) {
    std::string text;
    for (int c = column; c < column + n && c <= session.Screen().Columns(); ++c) {
      const char32_t ch = session.Screen().At(row, c).Ch;
      text += ch < 128 ? static_cast<char>(ch) : '?';
    }
    return text;
  }
  static bool RowIs(const PtySession& session, int row, const std::string& start) {
    return session.Screen().RowText(row).rfind(start, 0) == 0;
  }
  // The receipts screen is shown: a page label and the column titles.
  static bool ShowsPage(const PtySession& session, int page) {
    const std::string label = "PANTALLA " + std::string(page < 10 ? 3 : 2, ' ') + std::to_string(page);
    return At(session, 1, 67, 13) == label && RowIs(session, 4, "---  ----------");
  }
  // The receipt rows are blank again: the receipts screen has given way to
  // the estate form.
  static bool ReceiptsCleared(const PtySession& session) {
    for (int row = 5; row <= 24; ++row) {
      if (session.Screen().RowText(row).find_first_not_of(' ') != std::string::npos) return false;
    }
    return true;
  }
};

TEST_F(InquiryEndToEnd, AnOperatorLooksUpEstatesPagesThroughThemAndLeaves) {
  PtySession session;
  ASSERT_TRUE(Start(session, "TERM01"));
  ASSERT_TRUE(session.WaitForText("Codi de finca:")) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("Gestió de finques - Consultes")) << session.Dump();

  // 12 and Enter: the receipts of estate 12, with its name and the total.
  session.Type("12");
  session.Type(keys::Enter);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 1); })) << session.Dump();
  EXPECT_EQ(At(session, 2, 2, 17), "Codi de finca: 12");
  EXPECT_NE(At(session, 2, 38, 30).find_first_not_of(' '), std::string::npos) << "the estate's name";
  EXPECT_TRUE(RowIs(session, 3, "DEP  D.EXPED.       IMPORT  ESTAT"));
  EXPECT_TRUE(session.Screen().Contains("PENDENT") || session.Screen().Contains("TORNAT")) << session.Dump();
  EXPECT_TRUE(session.WaitForText("TOTAL")) << session.Dump();

  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return ReceiptsCleared(session); })) << session.Dump();

  // Estate 20 has 900 receipts: PgDn and PgUp page through them.
  session.Type(CtrlY + "20");
  session.Type(keys::Enter);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 1); })) << session.Dump();
  EXPECT_FALSE(session.Screen().Contains("TOTAL")) << "not on the first of 24 pages";
  session.Type(keys::PgDn);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 2); })) << session.Dump();
  session.Type(keys::PgDn);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 3); })) << session.Dump();
  session.Type(keys::PgUp);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 2); })) << session.Dump();
  // The calendar opens over the receipts and leaves them as they were.
  const std::string receipts = session.Screen().Text();
  session.Type(keys::AltC);
  ASSERT_TRUE(session.WaitForText("DESEMBRE")) << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return session.Screen().Text() == receipts; })) << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return ReceiptsCleared(session); })) << session.Dump();

  // F4: the estates list; the third line is estate 3, whose 39 receipts
  // end on page 2 with the total right of the 39th.
  session.Type(CtrlY);
  session.Type(keys::F4);
  ASSERT_TRUE(session.WaitForText("Codi Nom de la finca")) << session.Dump();
  ASSERT_TRUE(session.WaitForText("003  ")) << session.Dump();
  session.Type(keys::Down);
  session.Type(keys::Down);
  session.Type(keys::Enter);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 1); })) << session.Dump();
  EXPECT_EQ(At(session, 2, 2, 18), "Codi de finca: 003");
  session.Type(keys::PgDn);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 2); })) << session.Dump();
  EXPECT_EQ(At(session, 5, 41, 5), "TOTAL") << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return ReceiptsCleared(session); })) << session.Dump();

  // A code that names no estate: the bell, and the form stays with it.
  session.Type(CtrlY + "999");
  const size_t before = session.Output().size();
  session.Type(keys::Enter, 300);
  EXPECT_NE(session.Output().find('\a', before), std::string::npos) << "the bell";
  EXPECT_TRUE(ReceiptsCleared(session)) << session.Dump();
  EXPECT_EQ(At(session, 2, 2, 18), "Codi de finca: 999");

  // F1: the inquiry's help, F1 again the general help on top; Esc closes
  // each, and the form is there again.
  session.Type(keys::F1);
  ASSERT_TRUE(session.WaitForText("CONSULTA DE L'ESTAT DELS REBUTS")) << session.Dump();
  session.Type(keys::F1);
  ASSERT_TRUE(session.WaitForText("AJUDA GENERAL")) << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return !session.Screen().Contains("AJUDA GENERAL"); })) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("CONSULTA DE L'ESTAT DELS REBUTS"));
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return !session.Screen().Contains("CONSULTA DE L'ESTAT"); }))
      << session.Dump();
  EXPECT_EQ(At(session, 2, 2, 15), "Codi de finca: ");

  // Esc on the form ends the program and gives the terminal back.
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitForExit(5000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  EXPECT_TRUE(session.ModesRestored());
}

TEST_F(InquiryEndToEnd, ASpanishTerminalShowsTheSpanishTexts) {
  PtySession session;
  ASSERT_TRUE(Start(session, "TERM02"));
  ASSERT_TRUE(session.WaitForText("Código de finca:")) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("Gestión de fincas - Consultas")) << session.Dump();

  session.Type("40");
  session.Type(keys::Enter);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 1); })) << session.Dump();
  EXPECT_TRUE(RowIs(session, 3, "DEP  F.EXPED.      IMPORTE  ESTADO      DEP  F.EXPED.      IMPORTE  ESTADO"))
      << session.Dump();
  // Estate 40 holds receipts in every state: only P and D are listed.
  EXPECT_TRUE(session.Screen().Contains("PENDIENTE")) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("DEVUELTO")) << session.Dump();
  EXPECT_FALSE(session.Screen().Contains("PENDENT ")) << session.Dump();
  EXPECT_TRUE(session.WaitForText("TOTAL")) << session.Dump();

  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return ReceiptsCleared(session); })) << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitForExit(5000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  EXPECT_TRUE(session.ModesRestored());
}

TEST_F(InquiryEndToEnd, SigtermOnTheReceiptsScreenEndsInOrder) {
  PtySession session;
  ASSERT_TRUE(Start(session, "TERM01"));
  ASSERT_TRUE(session.WaitForText("Codi de finca:")) << session.Dump();
  session.Type("2");
  session.Type(keys::Enter);
  ASSERT_TRUE(session.WaitFor([&] { return ShowsPage(session, 1); })) << session.Dump();
  session.Signal(SIGTERM);
  ASSERT_TRUE(session.WaitForExit(5000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  EXPECT_TRUE(session.ModesRestored());

  // With the estates list open, the list's line file and the window stack
  // are in the terminal directory; SIGTERM leaves neither behind.
  const fs::path browseFile = root / "TERM01" / "Browse.tmp";
  const fs::path stackFile = root / "TERM01" / "WinPush.tmp";
  PtySession browsing;
  ASSERT_TRUE(Start(browsing, "TERM01"));
  ASSERT_TRUE(browsing.WaitForText("Codi de finca:")) << browsing.Dump();
  browsing.Type(keys::F4);
  ASSERT_TRUE(browsing.WaitForText("003  ")) << browsing.Dump();
  ASSERT_TRUE(fs::exists(browseFile));
  ASSERT_TRUE(fs::exists(stackFile));
  browsing.Signal(SIGTERM);
  ASSERT_TRUE(browsing.WaitForExit(5000)) << browsing.Dump();
  EXPECT_EQ(browsing.ExitCode(), 0);
  EXPECT_TRUE(browsing.ModesRestored());
  EXPECT_FALSE(fs::exists(browseFile));
  EXPECT_FALSE(fs::exists(stackFile));
}

TEST_F(InquiryEndToEnd, AMissingFormFileStopsWithAMessageAndAnErrorExit) {
  fs::remove(root / "FORMS" / "RECINQRY.JPN");
  PtySession session;
  ASSERT_TRUE(Start(session, "TERM01"));
  ASSERT_TRUE(session.WaitForText("No es pot obrir el fitxer de formularis")) << session.Dump();
  session.Type(" ");
  ASSERT_TRUE(session.WaitForExit(5000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 1);
  EXPECT_TRUE(session.ModesRestored());
}

}  // namespace
}  // namespace e2e
