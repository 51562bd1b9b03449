// The built inquiry in a pseudo-terminal: the calculator and the calendar
// opened with their hot keys from the estate field, their results typed into
// the field.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "demo_copy_fixture.h"
#include "pty_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

class PopupsEndToEnd : public DemoCopyTest {
 protected:
  PopupsEndToEnd() : DemoCopyTest("e2e-popups-") {}

  static bool RowStarts(const PtySession& session, int row, const std::string& utf8) {
    return session.Screen().RowText(row).rfind(utf8, 0) == 0;
  }
  static bool RowBlank(const PtySession& session, int row) {
    return session.Screen().RowText(row).find_first_not_of(' ') == std::string::npos;
  }
};

TEST_F(PopupsEndToEnd, TheCalculatorsFigureLandsInTheEstateField) {
  PtySession session;
  ASSERT_TRUE(Start(session));
  ASSERT_TRUE(session.WaitForText("Codi de finca:")) << session.Dump();
  session.Type(keys::AltX);
  ASSERT_TRUE(session.WaitFor([&] { return RowStarts(session, 25, "└────"); })) << session.Dump();
  EXPECT_TRUE(RowStarts(session, 24, "│                     0  │")) << session.Dump();
  // 0.12 in hundredths is 12: the estate's code.
  session.Type("0.12");
  ASSERT_TRUE(session.WaitFor([&] { return RowStarts(session, 24, "│                  0,12  │"); }))
      << "the site's decimal character\n"
      << session.Dump();
  session.Type("F");
  ASSERT_TRUE(session.WaitFor([&] { return RowStarts(session, 2, " Codi de finca: 12"); })) << session.Dump();
  EXPECT_TRUE(RowBlank(session, 25)) << "the screen under the calculator is back\n" << session.Dump();

  session.Type(keys::Enter);
  ASSERT_TRUE(session.WaitForText("TOTAL")) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("Habitatges Ca l'Escarré")) << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitFor([&] { return RowBlank(session, 5); })) << session.Dump();
  session.Type(keys::Esc);
  ASSERT_TRUE(session.WaitForExit(5000));
  EXPECT_EQ(session.ExitCode(), 0);

  // The state was kept in the terminal's directory.
  std::ifstream tape(root / "TERM01" / "WRKCALC.TMP", std::ios::binary);
  std::string first;
  std::getline(tape, first);
  EXPECT_EQ(first, "1,23,0.12,0\r");
}

TEST_F(PopupsEndToEnd, TheCalendarsDateLandsInTheEstateField) {
  PtySession session;
  ASSERT_TRUE(Start(session));
  ASSERT_TRUE(session.WaitForText("Codi de finca:")) << session.Dump();
  // The demo terminal works on 11 December 2026.
  session.Type(keys::AltC);
  ASSERT_TRUE(session.WaitForText("DESEMBRE")) << session.Dump();
  EXPECT_TRUE(session.Screen().RowText(1).find("┌─────── 2026 ───────┐") != std::string::npos)
      << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("│DL DT DC DJ DV DS DG│")) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("OCTUBRE")) << session.Dump();
  session.Type(keys::Right);
  session.Type("F");
  // 12/12/2026, as far as the three characters of the field go.
  ASSERT_TRUE(session.WaitFor([&] { return RowStarts(session, 2, " Codi de finca: 12/"); }))
      << session.Dump();
  for (int row = 3; row <= 25; ++row) EXPECT_TRUE(RowBlank(session, row)) << row << "\n" << session.Dump();
  EXPECT_EQ(session.Screen().RowText(1).find("┌"), std::string::npos) << session.Dump();
}

TEST_F(PopupsEndToEnd, FromTheEstatesListTheFigureGoesToTheEstateField) {
  PtySession session;
  ASSERT_TRUE(Start(session));
  ASSERT_TRUE(session.WaitForText("Codi de finca:")) << session.Dump();
  session.Type(keys::F4);
  ASSERT_TRUE(session.WaitForText("Codi Nom de la finca")) << session.Dump();
  ASSERT_TRUE(session.WaitForText("003  ")) << session.Dump();

  session.Type(keys::AltX);
  ASSERT_TRUE(session.WaitFor([&] { return RowStarts(session, 25, "└────"); })) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("Codi Nom de la finca")) << "the calculator opens over the list\n"
                                                                 << session.Dump();
  // The hot key ends the list as any key it does not know; the figure then
  // goes to the field the list was opened from.
  session.Type("7");
  session.Type("F");
  ASSERT_TRUE(session.WaitFor([&] { return RowStarts(session, 2, " Codi de finca: 700"); }))
      << session.Dump();
  for (int row = 3; row <= 25; ++row) EXPECT_TRUE(RowBlank(session, row)) << row << "\n" << session.Dump();
}

}  // namespace
}  // namespace e2e
