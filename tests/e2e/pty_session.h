// Runs a program in a pseudo-terminal and plays the operator: types keys as
// the bytes a terminal sends, reads what the program draws into a VtScreen,
// waits for text to appear, sends signals, resizes the window, and checks how
// the program leaves the terminal.
//
//   e2e::PtySession session;                  // 80 x 25, TERM=xterm-256color
//   session.SetEnv("WRKROOT", root + "/");
//   ASSERT_TRUE(session.Start(e2e::BuiltProgram("recinqry")));
//   ASSERT_TRUE(session.WaitForText("Finca", 5000)) << session.Dump();
//   session.Type("12\r");
//   session.Type(e2e::keys::Esc);
//   ASSERT_TRUE(session.WaitForExit(5000));
//   EXPECT_EQ(session.ExitCode(), 0);
//   EXPECT_TRUE(session.ModesRestored());
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "vt_screen.h"

namespace e2e {

// Byte strings of keys as an xterm sends them.
namespace keys {
inline constexpr std::string_view Esc = "\x1b";
inline constexpr std::string_view Enter = "\r";
inline constexpr std::string_view Tab = "\t";
inline constexpr std::string_view ShiftTab = "\x1b[Z";
inline constexpr std::string_view Backspace = "\x7f";
inline constexpr std::string_view Up = "\x1b[A";
inline constexpr std::string_view Down = "\x1b[B";
inline constexpr std::string_view Right = "\x1b[C";
inline constexpr std::string_view Left = "\x1b[D";
inline constexpr std::string_view Home = "\x1b[H";
inline constexpr std::string_view End = "\x1b[F";
inline constexpr std::string_view PgUp = "\x1b[5~";
inline constexpr std::string_view PgDn = "\x1b[6~";
inline constexpr std::string_view Ins = "\x1b[2~";
inline constexpr std::string_view Del = "\x1b[3~";
inline constexpr std::string_view F1 = "\x1bOP";
inline constexpr std::string_view F2 = "\x1bOQ";
inline constexpr std::string_view F3 = "\x1bOR";
inline constexpr std::string_view F4 = "\x1bOS";
inline constexpr std::string_view F5 = "\x1b[15~";
inline constexpr std::string_view F10 = "\x1b[21~";
inline constexpr std::string_view CtrlLeft = "\x1b[1;5D";
inline constexpr std::string_view CtrlRight = "\x1b[1;5C";
inline constexpr std::string_view CtrlHome = "\x1b[1;5H";
inline constexpr std::string_view AltX = "\x1bx";
inline constexpr std::string_view AltC =
    "\x1b"
    "c";
// F1..F10 with modifiers: 2 Shift, 3 Alt, 5 Ctrl.
std::string Function(int n, int modifier = 1);
// A left (1) or right (2) click at a 1-based position, as an SGR mouse report.
std::string Click(int row, int column, int button = 1);
// Text pasted with bracketed paste (UTF-8).
std::string Paste(std::string_view utf8);
}  // namespace keys

// Path of a program built into the build tree (RECINQRY_BUILD_DIR).
std::string BuiltProgram(const std::string& name);

struct ExitStatus {
  bool Exited = false;  // ended by exit with ExitCode
  int ExitCode = -1;
  bool Signaled = false;  // killed by Signal
  int Signal = 0;
};

// The result of running a program without a terminal.
struct PlainRun {
  ExitStatus Status;
  std::string Stdout, Stderr;
};
// Runs program with standard input from /dev/null and pipes for its output.
PlainRun RunWithoutTerminal(const std::string& program, const std::vector<std::string>& args = {},
                            int timeoutMs = 10000);

class PtySession {
 public:
  // The window size; TERM=xterm-256color and the rest of the environment of
  // this process unless changed with SetEnv / UnsetEnv / ClearEnv.
  explicit PtySession(int rows = 25, int columns = 80);
  ~PtySession();  // kills a program still running
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  void SetEnv(const std::string& name, const std::string& value);
  void UnsetEnv(const std::string& name);
  void ClearEnv();  // start from an empty environment (TERM must then be set)
  void SetWorkDir(const std::string& dir);

  // Starts the program on the terminal. False when it could not be started.
  bool Start(const std::string& program, const std::vector<std::string>& args = {});

  // Sends bytes as typed, then keeps reading the output for pauseMs.
  void Type(std::string_view bytes, int pauseMs = 30);
  // Each key in turn, with the pause after each.
  void TypeKeys(const std::vector<std::string>& keys, int pauseMs = 30);
  // Reads the program's output for ms milliseconds.
  void Pump(int ms);
  // Reads output until the screen shows the text (UTF-8) or the time passes.
  bool WaitForText(std::string_view utf8, int timeoutMs = 5000);
  // Reads output until pred() holds or the time passes.
  bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);
  // Waits for the program to end; true when it did within the time.
  bool WaitForExit(int timeoutMs = 5000);
  // Waits for the program to be stopped (job control).
  bool WaitForStop(int timeoutMs = 5000);
  bool Stopped() const;
  bool Running() const { return leader_ > 0 && !status_.Exited && !status_.Signaled; }

  const ExitStatus& Status() const { return status_; }
  int ExitCode() const { return status_.Exited ? status_.ExitCode : -1; }

  // Window size change: the program gets SIGWINCH from the terminal.
  void Resize(int rows, int columns);
  void Signal(int sig);
  // Closes the terminal's master side: the program sees a hang-up.
  void HangUp();

  // The program's process (signals go to it).
  pid_t Pid() const { return pid_; }
  const VtScreen& Screen() const { return screen_; }
  VtScreen& Screen() { return screen_; }
  // Every byte the program has sent.
  const std::string& Output() const { return output_; }
  // The screen as text, with the unknown sequences, for failure messages.
  std::string Dump() const;

  // The terminal's modes as the program left them, and whether they equal
  // the modes the terminal had before the program started.
  struct termios Modes() const;
  bool ModesRestored() const;
  // CPU time (user + system) the program has used so far, in seconds.
  double CpuSeconds() const;

 private:
  void ReadAvailable(int timeoutMs);
  void Reap();

  int rows_, columns_;
  std::map<std::string, std::string> set_;
  std::vector<std::string> unset_;
  bool clearEnv_ = false;
  std::string workDir_;
  int master_ = -1;
  pid_t leader_ = -1;  // the session leader that waits for the program
  pid_t pid_ = -1;     // the program
  ExitStatus status_;
  struct termios initialModes_ {};
  std::string output_;
  VtScreen screen_;
};

}  // namespace e2e
