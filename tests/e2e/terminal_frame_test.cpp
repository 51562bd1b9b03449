// The terminal console end to end: the probe program (terminal_probe.cpp)
// and the built recinqry on a pseudo-terminal: what the keys arrive as, how
// the screen is drawn, how the program ends and leaves the terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "pty_session.h"

namespace {

namespace fs = std::filesystem;
using e2e::PtySession;

std::string SelfPath() { return fs::read_symlink("/proc/self/exe").string(); }

fs::path TempDir(const std::string& name) {
  fs::path dir =
      fs::path(RECINQRY_BUILD_DIR) / "test-sites" / ("terminal-" + std::to_string(::getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void ExpectTerminalGivenBack(const PtySession& session) {
  EXPECT_TRUE(session.ModesRestored());
  EXPECT_FALSE(session.Screen().AlternateScreen()) << session.Dump();
  EXPECT_TRUE(session.Screen().CursorVisible());
  EXPECT_FALSE(session.Screen().MouseReporting());
  EXPECT_FALSE(session.Screen().BracketedPaste());
}

class Probe : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    hookFile = dir / "hook";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  void Start(PtySession& session, const std::string& term = "xterm-256color") {
    session.SetEnv("TERM", term);
    session.SetEnv("RECINQRY_TERMINAL_PROBE", "1");
    session.SetEnv("RECINQRY_PROBE_HOOK_FILE", hookFile.string());
    ASSERT_TRUE(session.Start(SelfPath(), {"--gtest_filter=TerminalProbe.StartsInsteadOfTests"}));
    ASSERT_TRUE(session.WaitForText("probe ready")) << session.Dump();
  }
  bool HookRan() const { return fs::exists(hookFile); }

  fs::path dir, hookFile;
};

TEST_F(Probe, KeysArriveAsAPcConsoleReportsThem) {
  PtySession session;
  Start(session);
  struct Case {
    std::string Bytes;
    std::string Line;  // char, scan (hex), modifiers (hex: 01 left Alt, 02 right Alt, 04 Ctrl, 10 Shift)
  } cases[] = {
      {"\x1bOP", "K 0 3B 00"},
      {"\x1b[1;2P", "K 0 3B 10"},
      {"\x1b[1;5D", "K 0 4B 04"},
      {"\x1b[1;3S", "K 0 3E 01"},
      {"\x1b[15;5~", "K 0 3F 04"},
      {"\x1bx", "K 120 2D 01"},
      {"\x03", "K 3 2E 04"},
      {"\x1a", "K 26 2C 04"},
      {"\x13\x11", "K 17 10 04"},
      {"\x1b[Z", "K 0 0F 10"},
      {"\r", "K 13 1C 00"},
      {"\x7f", "K 8 0E 00"},
      {"\xC3\xA9", "K 130 00 00"},
      {"\x1b[E", "K 0 4C 00"},
      {"\x1b[<0;10;5M\x1b[<0;10;5m", "R 5 10 1"},
      {e2e::keys::Paste("12\xE2\x82\xAC"), "P 12\xE2\x82\xAC"},
  };
  for (const auto& c : cases) {
    session.Type(c.Bytes, 0);
    EXPECT_TRUE(session.WaitForText(c.Line, 2000)) << c.Line << "\n" << session.Dump();
  }
  // A sequence that arrives in two pieces is still one key.
  session.Type("\x1b[1;5", 10);
  session.Type("C", 0);
  EXPECT_TRUE(session.WaitForText("K 0 4D 04", 2000)) << session.Dump();

  // A lone Esc is the Esc key once the short delay has passed: the probe ends.
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  ExpectTerminalGivenBack(session);
  EXPECT_TRUE(session.Screen().Unknown().empty()) << session.Dump();
}

TEST_F(Probe, ColoursFollowTheTerminalsColourCount) {
  for (const char* term : {"xterm-256color", "xterm"}) {
    SCOPED_TRACE(term);
    PtySession session;
    Start(session, term);
    const auto& cell = session.Screen().At(1, 1);
    EXPECT_EQ(cell.Ch, U'p');
    EXPECT_EQ(cell.Bg, 1);  // blue
    if (std::string(term) == "xterm") {
      EXPECT_EQ(cell.Fg, 7);  // bright white as bold grey on 8 colours
      EXPECT_TRUE(cell.Bold);
    } else {
      EXPECT_EQ(cell.Fg, 15);
      EXPECT_FALSE(cell.Bold);
    }
    EXPECT_EQ(session.Screen().At(2, 1).Fg, 7);
    EXPECT_EQ(session.Screen().At(2, 1).Bg, 0);
    // The cursor in insert shape, the bell.
    session.Type("c");
    EXPECT_TRUE(session.WaitFor([&] { return session.Screen().CursorVisible(); })) << session.Dump();
    EXPECT_EQ(session.Screen().CursorShape(), 6);
    EXPECT_EQ(session.Screen().CursorRow(), 2);
    EXPECT_EQ(session.Screen().CursorColumn(), 5);
    session.Type("b");
    EXPECT_TRUE(session.WaitFor([&] { return session.Screen().Bells() == 1; }));
    session.Type(e2e::keys::Esc, 0);
    ASSERT_TRUE(session.WaitForExit(3000));
    ExpectTerminalGivenBack(session);
  }
}

TEST_F(Probe, TerminatingSignalsEndItInOrder) {
  for (int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    fs::remove(hookFile);
    PtySession session;
    Start(session);
    session.Signal(sig);
    ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
    EXPECT_EQ(session.ExitCode(), 0);
    EXPECT_TRUE(HookRan());
    ExpectTerminalGivenBack(session);
  }
}

TEST_F(Probe, SigtermDuringASleepEndsItAtOnce) {
  PtySession session;
  Start(session);
  session.Type("s", 0);
  // What was drawn before the sleep shows during it.
  ASSERT_TRUE(session.WaitForText("K 115 1F 00", 1000)) << session.Dump();
  auto start = std::chrono::steady_clock::now();
  session.Signal(SIGTERM);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_LT(took.count(), 1500);
  EXPECT_EQ(session.ExitCode(), 0);
  EXPECT_FALSE(session.Screen().Contains("slept"));
  EXPECT_TRUE(HookRan());
  ExpectTerminalGivenBack(session);
}

TEST_F(Probe, FatalSignalRestoresTheTerminal) {
  PtySession session;
  Start(session);
  session.Signal(SIGQUIT);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  EXPECT_TRUE(session.Status().Signaled);
  EXPECT_EQ(session.Status().Signal, SIGQUIT);
  EXPECT_FALSE(HookRan());
  ExpectTerminalGivenBack(session);
}

TEST_F(Probe, HangUpEndsItInOrder) {
  PtySession session;
  Start(session);
  session.HangUp();
  ASSERT_TRUE(session.WaitForExit(3000));
  EXPECT_EQ(session.ExitCode(), 0);
  EXPECT_TRUE(HookRan());
}

TEST_F(Probe, StopGivesTheTerminalBackAndContinueRedraws) {
  PtySession session;
  Start(session);
  session.Type("z");
  ASSERT_TRUE(session.WaitForText("K 122 2C 00"));
  session.Signal(SIGTSTP);
  ASSERT_TRUE(session.WaitForStop(3000));
  session.Pump(50);
  EXPECT_TRUE(session.ModesRestored());
  EXPECT_FALSE(session.Screen().AlternateScreen());

  session.Signal(SIGCONT);
  ASSERT_TRUE(session.WaitFor([&] {
    return session.Screen().AlternateScreen() && session.Screen().Contains("probe ready") &&
           session.Screen().Contains("K 122 2C 00");
  })) << session.Dump();
  EXPECT_FALSE(session.ModesRestored());
  session.Type("q");
  EXPECT_TRUE(session.WaitForText("K 113 10 00")) << session.Dump();
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  ExpectTerminalGivenBack(session);
}

TEST_F(Probe, SmallWindowShowsTheNoticeUntilItFits) {
  PtySession session(20, 70);
  session.SetEnv("TERM", "xterm-256color");
  session.SetEnv("RECINQRY_TERMINAL_PROBE", "1");
  ASSERT_TRUE(session.Start(SelfPath(), {"--gtest_filter=TerminalProbe.StartsInsteadOfTests"}));
  ASSERT_TRUE(session.WaitForText("80 \xC3\x97 25")) << session.Dump();
  EXPECT_TRUE(session.Screen().Contains("ara 70 \xC3\x97 20")) << session.Dump();
  EXPECT_FALSE(session.Screen().Contains("probe ready"));

  // Keys typed at the notice are dropped, not kept for the screen to come.
  session.Type("a", 100);
  session.Resize(25, 80);
  ASSERT_TRUE(session.WaitForText("probe ready")) << session.Dump();
  EXPECT_FALSE(session.Screen().Contains("80 \xC3\x97 25"));
  session.Pump(100);
  EXPECT_FALSE(session.Screen().Contains("K 97")) << session.Dump();

  // Too small again, then larger than needed: the screen at the top-left.
  session.Resize(24, 80);
  ASSERT_TRUE(session.WaitForText("ara 80 \xC3\x97 24")) << session.Dump();
  session.Resize(30, 100);
  ASSERT_TRUE(session.WaitForText("probe ready")) << session.Dump();
  EXPECT_EQ(session.Screen().At(1, 1).Ch, U'p');
  session.Type("w");
  EXPECT_TRUE(session.WaitForText("K 119 11 00")) << session.Dump();
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  ExpectTerminalGivenBack(session);
}

TEST_F(Probe, InsertKeyLeavesTheToggleToTheProgram) {
  PtySession session;
  Start(session);
  session.Type(e2e::keys::Ins, 0);
  EXPECT_TRUE(session.WaitForText("K 0 52 00")) << session.Dump();
  EXPECT_TRUE(session.WaitForText("insert on")) << session.Dump();
  session.Type("\x1b[2;2~", 0);
  EXPECT_TRUE(session.WaitForText("K 0 52 10")) << session.Dump();
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000));
}

TEST_F(Probe, DocumentOpenerHandsTheTerminalToTheBrowserAndTakesItBack) {
  const fs::path script = dir / "browser.sh";
  std::ofstream(script) << "#!/bin/sh\nstty -a > '" << (dir / "modes").string() << "'\necho \"$1\" > '"
                        << (dir / "args").string() << "'\nprintf 'BROWSER-WAS-HERE'\n";
  fs::permissions(script, fs::perms::owner_all);
  std::ofstream(dir / "Ajuda.htm") << "<p>help</p>";
  PtySession session;
  session.SetEnv("BROWSER", script.string());
  session.SetEnv("RECINQRY_PROBE_DOCUMENT", (dir / "AJUDA.HTM").string());
  Start(session);
  session.Type("d", 0);
  ASSERT_TRUE(session.WaitForText("document opened")) << session.Dump();
  EXPECT_TRUE(session.Screen().AlternateScreen());
  EXPECT_TRUE(session.Screen().Contains("probe ready"));
  EXPECT_NE(session.Output().find("BROWSER-WAS-HERE"), std::string::npos);
  // The browser ran with the terminal in its ordinary modes, on the file as
  // the file system names it.
  std::ifstream modes(dir / "modes");
  std::string text((std::istreambuf_iterator<char>(modes)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(" icanon"), std::string::npos) << text;
  EXPECT_NE(text.find(" echo "), std::string::npos) << text;
  EXPECT_EQ(text.find("-icanon"), std::string::npos) << text;
  std::ifstream args(dir / "args");
  std::string arg;
  std::getline(args, arg);
  EXPECT_EQ(arg, (dir / "Ajuda.htm").string());
  // Keys work as before.
  session.Type("k");
  EXPECT_TRUE(session.WaitForText("K 107 25 00")) << session.Dump();
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000));
  EXPECT_EQ(session.ExitCode(), 0);
  ExpectTerminalGivenBack(session);
}

// The built program.

class RecinqryOnTerminal : public ::testing::Test {
 protected:
  void SetUp() override { root = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  // On an installation without its form file, the program shows why it
  // cannot go on and waits for a key.
  void StartWithoutForms(PtySession& session) {
    session.SetEnv("WRKROOT", root.string() + "/");
    session.SetEnv("WRKTMP", root.string() + "/");
    session.SetWorkDir(root.string());
    ASSERT_TRUE(session.Start(e2e::BuiltProgram("recinqry")));
    ASSERT_TRUE(session.WaitForText("RECINQRY.JPN")) << session.Dump();
  }
  fs::path root;
};

TEST_F(RecinqryOnTerminal, DrawsTheEstateFormAndEndsOnEscWithTheTerminalAsFound) {
  const fs::path demo = fs::path(RECINQRY_BUILD_DIR) / "demo";
  if (!fs::exists(demo / "DADES" / "CobramH.dat")) GTEST_SKIP() << "no demo installation in " << demo;
  fs::remove_all(root);
  fs::copy(demo, root, fs::copy_options::recursive);
  PtySession session;
  session.SetEnv("WRKROOT", root.string() + "/");
  session.SetEnv("WRKTMP", (root / "TERM01").string() + "/");
  session.SetWorkDir(root.string());
  ASSERT_TRUE(session.Start(e2e::BuiltProgram("recinqry")));
  ASSERT_TRUE(session.WaitForText("Codi de finca:")) << session.Dump();
  session.Pump(100);
  std::printf("recinqry sent %zu bytes to draw the estate form\n", session.Output().size());
  EXPECT_TRUE(session.Screen().AlternateScreen());
  EXPECT_FALSE(session.ModesRestored());  // raw mode while it runs
  // The cursor in the estate field: insert shape; Ins switches to
  // overwrite and back.
  EXPECT_TRUE(session.Screen().CursorVisible());
  EXPECT_EQ(session.Screen().CursorShape(), 6);
  session.Type(e2e::keys::Ins, 0);
  EXPECT_TRUE(session.WaitFor([&] { return session.Screen().CursorShape() == 2; })) << session.Dump();
  session.Type(e2e::keys::Ins, 0);
  EXPECT_TRUE(session.WaitFor([&] { return session.Screen().CursorShape() == 6; })) << session.Dump();
  // A paste from the terminal lands in the field through the clipboard.
  session.Type(e2e::keys::Paste(" 003 "), 0);
  EXPECT_TRUE(session.WaitForText("Codi de finca: 003")) << session.Dump();
  // The line editor's key wait sleeps.
  double before = session.CpuSeconds();
  session.Pump(10000);
  double used = session.CpuSeconds() - before;
  std::printf("recinqry on the estate form for 10 s used %.3f s of CPU (%.2f %% of a core)\n", used,
              used * 10.0);
  EXPECT_LT(used, 0.05);
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  EXPECT_EQ(session.ExitCode(), 0);
  ExpectTerminalGivenBack(session);
}

TEST_F(RecinqryOnTerminal, KeyWaitCostsNoCpuAndTerminatingSignalsEndItInOrder) {
  for (int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    PtySession session;
    StartWithoutForms(session);
    EXPECT_TRUE(session.Screen().AlternateScreen());
    if (sig == SIGTERM) {
      double before = session.CpuSeconds();
      session.Pump(10000);
      double used = session.CpuSeconds() - before;
      std::printf("recinqry waiting for a key for 10 s used %.3f s of CPU (%.2f %% of a core)\n", used,
                  used * 10.0);
      EXPECT_LT(used, 0.05);  // under 0.5 % of a core
    }
    session.Signal(sig);
    ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
    EXPECT_EQ(session.ExitCode(), 0);
    ExpectTerminalGivenBack(session);
  }
}

TEST_F(RecinqryOnTerminal, EndsWithTheTerminalAsFoundAfterItsMessage) {
  PtySession session;
  StartWithoutForms(session);
  session.Type(e2e::keys::Esc, 0);
  ASSERT_TRUE(session.WaitForExit(3000)) << session.Dump();
  EXPECT_TRUE(session.Status().Exited);
  ExpectTerminalGivenBack(session);
}

TEST(RecinqryWithoutTerminal, RefusesWithOneLineAndFails) {
  e2e::PlainRun run = e2e::RunWithoutTerminal(e2e::BuiltProgram("recinqry"));
  ASSERT_TRUE(run.Status.Exited);
  EXPECT_NE(run.Status.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  ASSERT_FALSE(run.Stderr.empty());
  EXPECT_EQ(run.Stderr.find('\n'), run.Stderr.size() - 1) << run.Stderr;
  EXPECT_NE(run.Stderr.find("terminal"), std::string::npos) << run.Stderr;
}

}  // namespace
