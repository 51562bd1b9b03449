// A small program on the terminal console, run by the end-to-end tests in a
// pseudo-terminal: the test binary starts itself with
// RECINQRY_TERMINAL_PROBE=1 and becomes this program instead of running tests.
//
// It writes "probe ready" in bright white on blue on row 1 and then logs
// every input event on the rows below, one line each:
//   K <char> <scan> <modifiers>    a key press (decimal, hex, hex)
//   R <row> <column> <button>      a mouse release
//   M <row> <column>               a mouse move
//   P <text>                       a paste (the clipboard, with the Ctrl+V key)
// The key 's' sleeps 3 seconds, 'b' rings the bell, 'c' shows the cursor in
// insert shape, 'd' opens the document named by RECINQRY_PROBE_DOCUMENT, Ins
// shows the Insert toggle. Esc ends it with exit code 0. An orderly end writes
// "shutdown" to the file named by RECINQRY_PROBE_HOOK_FILE.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "platform/console.h"
#include "platform/cp850.h"
#include "platform/document.h"
#include "platform/shutdown.h"
#include "platform/system.h"
#include "platform/terminal_console.h"

namespace {

int RunProbe() {
  platform::TerminalConsole terminal;
  std::string error;
  if (!terminal.Open(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  platform::SetActiveConsole(&terminal);
  if (const char* hookFile = std::getenv("RECINQRY_PROBE_HOOK_FILE")) {
    std::string path = hookFile;
    platform::SetShutdownHook([path] {
      if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs("shutdown\n", f);
        std::fclose(f);
      }
    });
  }
  terminal.SetCursor(0);
  terminal.SetColours(7, 0);
  terminal.ClearScreen();
  terminal.SetColours(15, 1);
  terminal.WriteText("probe ready");
  terminal.SetColours(7, 0);
  terminal.SetMouseReporting(true);

  std::deque<std::string> log;
  auto show = [&](const std::string& line) {
    log.push_back(line);
    if (log.size() > 22) log.pop_front();
    for (size_t i = 0; i < 22; ++i) {
      terminal.MoveCursor(static_cast<int16_t>(3 + i), 1);
      std::string text = i < log.size() ? log[i] : std::string();
      text.resize(80, ' ');
      terminal.WriteText(text);
    }
  };
  char buf[128];
  for (;;) {
    terminal.WaitInput(-1);
    platform::InputEvent e;
    while (terminal.PollEvent(e)) {
      using Kind = platform::InputEvent::Kind;
      if (e.Type == Kind::MouseRelease) {
        std::snprintf(buf, sizeof buf, "R %d %d %d", e.Row, e.Column, e.Button);
        show(buf);
        continue;
      }
      if (e.Type == Kind::MouseMove) {
        std::snprintf(buf, sizeof buf, "M %d %d", e.Row, e.Column);
        show(buf);
        continue;
      }
      if (e.Type != Kind::KeyPress) continue;
      if (e.Char == 27 && e.Modifiers == 0) {
        terminal.Close();
        return 0;
      }
      if (e.Char == 22 && !terminal.ClipboardText().empty()) {
        show("P " + terminal.ClipboardText());
        terminal.SetClipboardText("");
        continue;
      }
      std::snprintf(buf, sizeof buf, "K %d %02X %02X", e.Char, e.Scan, e.Modifiers);
      show(buf);
      if (e.Char == 's') {
        platform::SleepMs(3000);
        show("slept");
      } else if (e.Char == 'b') {
        terminal.Beep();
      } else if (e.Scan == 0x52 && e.Char == 0) {
        show(terminal.InsertToggle() ? "insert on" : "insert off");
      } else if (e.Char == 'd') {
        const char* document = std::getenv("RECINQRY_PROBE_DOCUMENT");
        bool opened = platform::OpenDocument(document ? document : "");
        show(opened ? "document opened" : "document not opened");
      } else if (e.Char == 'c') {
        terminal.MoveCursor(2, 5);
        terminal.SetCursor(50);
      }
    }
  }
}

// Becomes the probe inside main, once every static object is constructed.
class ProbeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("RECINQRY_TERMINAL_PROBE")) std::exit(RunProbe());
  }
};

[[maybe_unused]] ::testing::Environment* const kProbe =
    ::testing::AddGlobalTestEnvironment(new ProbeEnvironment);

}  // namespace

// The test the probe's start names, so that the environment is set up; it
// only runs (and passes) in a normal run of the tests.
TEST(TerminalProbe, StartsInsteadOfTests) { EXPECT_EQ(std::getenv("RECINQRY_TERMINAL_PROBE"), nullptr); }
