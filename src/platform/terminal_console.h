// The console on a Linux terminal (xterm and its kin, tmux, screen, the
// Linux console). The framework draws into the cell grid; before every wait
// for input the changed cells go to the terminal. Input is read in raw mode
// and decoded into PC console events.
//
// The logical screen is always 80 x 25, drawn at the window's top-left. A
// smaller window shows a notice asking for a larger one instead; input is
// held back until the window fits again, then the screen comes back whole.
//
// The terminal is restored on every way out: Close, the destructor, std::exit,
// the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT,
// SIGINT), SIGTERM and SIGHUP. SIGTSTP gives the terminal back and stops;
// SIGCONT takes it again and redraws; SIGWINCH re-checks the window size.
//
// The Insert toggle is a process-wide flag that the program flips when it
// reads the Insert key (the line editor does); the console does not flip it
// itself, as a terminal has no keyboard state to follow, and flipping it
// here as well would undo every press.
//
// SIGTERM, SIGHUP, a hang-up of the terminal and the end of its input end
// the program in order the next time it waits for input or sleeps:
// platform::EndProcess(0) runs the program's shut-down hook, and the exit
// handler restores the terminal. A second SIGTERM or SIGHUP before that ends
// the process at once (terminal restored, killed by the signal).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "grid_console.h"
#include "input_decoder.h"
#include "screen_renderer.h"

namespace platform {

// What the terminal type's description (terminfo) says about it.
struct TerminalDescription {
  bool Known = false;  // the description was found
  RendererOptions Rendering;
  InputDecoder::Options Input;
  std::vector<std::pair<std::string, InputEvent>> KeyStrings;
  std::string EnterScreen = "\x1b[?1049h";  // the alternate screen
  std::string LeaveScreen = "\x1b[?1049l";
};
// termType is the value of TERM, possibly empty. Reads the description of
// the terminal on standard output.
TerminalDescription DescribeTerminal(const std::string& termType);

// The notice shown in a window smaller than the screen, in the program's
// language: a code page 850 template in which {W} and {H} stand for the
// window's columns and rows. Empty: the built-in Catalan text.
void SetSmallWindowNotice(std::string cp850Template);
// The notice for a window of that size as it goes to the terminal: UTF-8,
// word-wrapped to the window's width, one line a row from the top.
std::string SmallWindowNotice(int windowColumns, int windowRows);

class TerminalConsole : public GridConsole {
 public:
  TerminalConsole();
  ~TerminalConsole() override;
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  // Takes the terminal of standard input and output: raw mode, the alternate
  // screen, signal handling. False with a one-line message when standard
  // input or output is not a terminal or cannot be set up.
  bool Open(std::string& error);
  // Gives the terminal back as it was found. Also done on every exit.
  void Close();
  bool IsOpen() const { return open_; }

  void Flush() override;
  void Beep() override;
  bool PollEvent(InputEvent& event) override;
  bool WaitInput(int timeoutMs) override;
  void DiscardInput() override;
  bool HasMouse() const override { return true; }
  void SetMouseReporting(bool on) override;
  bool MouseReporting() const override { return mouseReporting_; }
  void Suspend() override;
  void Resume() override;

  // For measurement: bytes sent to the terminal so far.
  uint64_t BytesWritten() const { return bytesWritten_; }
  const RendererOptions& Rendering() const { return renderer_.Options(); }

 private:
  void Send(const std::string& bytes);
  void ProcessSignals();
  bool ReadInput(int timeoutMs);
  void CheckSize();
  void ShowNotice();
  bool Deliverable();
  [[noreturn]] void HangUp();

  TerminalDescription description_;
  bool open_ = false;
  bool suspended_ = false;
  ScreenRenderer renderer_;
  InputDecoder decoder_;
  bool mouseReporting_ = false;
  bool tooSmall_ = false;
  bool noticeShown_ = false;
  int windowRows_ = 0, windowColumns_ = 0;
  bool bell_ = false;
  uint64_t bytesWritten_ = 0;
};

}  // namespace platform
