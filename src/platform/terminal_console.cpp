#include "terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cp850.h"
#include "shutdown.h"
#include "system.h"

namespace platform {

namespace {

// What the signal handlers need, kept in plain storage: a handler may only
// write bytes and set the terminal modes.
enum : int { kClosed = 0, kRaw = 1, kHandedBack = 2 };
volatile sig_atomic_t gTerminalState = kClosed;
volatile sig_atomic_t gTerminateSignal = 0;
int gSelfPipe[2] = {-1, -1};
struct termios gSavedModes;
struct termios gRawModes;
char gEnterBytes[512];
size_t gEnterLength = 0;
char gLeaveBytes[512];
size_t gLeaveLength = 0;
bool gExitHandlerInstalled = false;
bool gHandlersInstalled = false;

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT, SIGINT};

void WriteAll(const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = ::write(STDOUT_FILENO, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        struct pollfd p = {STDOUT_FILENO, POLLOUT, 0};
        ::poll(&p, 1, 100);
        continue;
      }
      return;  // the terminal is gone
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
}

void SetBytes(char* buffer, size_t& length, const std::string& bytes) {
  length = std::min(bytes.size(), size_t{511});
  std::memcpy(buffer, bytes.data(), length);
}

// Async-signal-safe: gives the terminal back as it was found.
void HandBack() {
  WriteAll(gLeaveBytes, gLeaveLength);
  ::tcsetattr(STDIN_FILENO, TCSADRAIN, &gSavedModes);
}

// Async-signal-safe: takes the terminal again.
void TakeAgain() {
  ::tcsetattr(STDIN_FILENO, TCSADRAIN, &gRawModes);
  WriteAll(gEnterBytes, gEnterLength);
}

void Notify(int sig) {
  if (gSelfPipe[1] >= 0) {
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(sig);
    (void)!::write(gSelfPipe[1], &b, 1);
    errno = saved;
  }
}

void OnFatal(int sig) {
  if (gTerminalState == kRaw) HandBack();
  gTerminalState = kClosed;
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void OnTerminate(int sig) {
  if (gTerminateSignal != 0) {
    // Asked twice: the program did not reach a wait. End now.
    OnFatal(sig);
    return;
  }
  gTerminateSignal = sig;
  Notify(sig);
}

void OnStop(int) {
  int saved = errno;
  bool wasRaw = gTerminalState == kRaw;
  if (wasRaw) {
    HandBack();
    gTerminalState = kHandedBack;
  }
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  struct sigaction old;
  ::sigaction(SIGTSTP, &dfl, &old);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(SIGTSTP);
  // Continued.
  ::sigaction(SIGTSTP, &old, nullptr);
  if (wasRaw) {
    TakeAgain();
    gTerminalState = kRaw;
  }
  Notify(SIGCONT);
  errno = saved;
}

void OnContinue(int) {
  // Stopped by SIGSTOP, or continued while the terminal was ours: take the
  // modes again (a shell may have changed them) and redraw.
  int saved = errno;
  if (gTerminalState == kRaw) ::tcsetattr(STDIN_FILENO, TCSADRAIN, &gRawModes);
  Notify(SIGCONT);
  errno = saved;
}

void OnResize(int) { Notify(SIGWINCH); }

void RestoreAtExit() {
  if (gTerminalState == kRaw) HandBack();
  gTerminalState = kClosed;
}

void Install(int sig, void (*handler)(int), int flags = SA_RESTART) {
  struct sigaction sa = {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = flags;
  ::sigaction(sig, &sa, nullptr);
}

void InstallHandlers() {
  if (gHandlersInstalled) return;
  gHandlersInstalled = true;
  for (int sig : kFatalSignals) Install(sig, OnFatal, SA_RESETHAND);
  Install(SIGTERM, OnTerminate);
  Install(SIGHUP, OnTerminate);
  Install(SIGTSTP, OnStop);
  Install(SIGCONT, OnContinue);
  Install(SIGWINCH, OnResize);
  Install(SIGPIPE, SIG_IGN);
}

std::function<void()> gShutdownHook;

const char* const DefaultSmallWindowNotice =
    "La finestra ha de fer com a m\xA1nim 80 \x9E 25 (ara {W} \x9E {H}).";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

void SetSmallWindowNotice(std::string cp850Template) { State().SmallWindowNotice = std::move(cp850Template); }

std::string SmallWindowNotice(int columns, int rows) {
  const std::string& chosen = State().SmallWindowNotice;
  std::string text = chosen.empty() ? std::string(DefaultSmallWindowNotice) : chosen;
  ReplaceAll(text, "{W}", std::to_string(columns));
  ReplaceAll(text, "{H}", std::to_string(rows));
  text = Cp850ToUtf8(text);
  // Word-wrap to the window's width; the text is UTF-8, count characters.
  std::string out, line, word;
  auto width = [](const std::string& s) {
    int n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
  };
  int limit = std::max(columns, 1);
  int lineNo = 1;
  auto flushLine = [&] {
    out += "\x1b[" + std::to_string(lineNo++) + ";1H" + line;
    line.clear();
  };
  size_t i = 0;
  while (i <= text.size()) {
    size_t sp = text.find(' ', i);
    if (sp == std::string::npos) sp = text.size();
    word = text.substr(i, sp - i);
    if (!line.empty() && width(line) + 1 + width(word) > limit) flushLine();
    if (!line.empty()) line += ' ';
    line += word;
    i = sp + 1;
  }
  if (!line.empty()) flushLine();
  return out;
}

void SetShutdownHook(std::function<void()> hook) { gShutdownHook = std::move(hook); }

void EndProcess(int exitCode) {
  std::function<void()> hook;
  hook.swap(gShutdownHook);  // once, even if the hook ends up here again
  if (hook) hook();
  std::exit(exitCode);
}

void SleepOrEnd(int ms) {
  // A sleep is a wait too: what was drawn before it (a "please wait"
  // message) is shown now.
  if (HasActiveConsole()) ActiveConsole().Flush();
  int64_t end = NowMs() + ms;
  for (;;) {
    if (gTerminateSignal != 0 && gTerminalState != kClosed) EndProcess(0);
    int64_t left = end - NowMs();
    if (left <= 0) return;
    struct pollfd p = {gSelfPipe[0], POLLIN, 0};
    if (gSelfPipe[0] < 0 || ::poll(&p, 1, static_cast<int>(left)) > 0) {
      // Another signal's note waits in the pipe for the console: sleep on.
      if (gTerminateSignal == 0) {
        left = end - NowMs();
        if (left > 0) ::usleep(static_cast<useconds_t>(left) * 1000);
        return;
      }
    }
  }
}

TerminalConsole::TerminalConsole() : GridConsole(80, 25) {}

TerminalConsole::~TerminalConsole() { Close(); }

bool TerminalConsole::Open(std::string& error) {
  if (open_) return true;
  if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) {
    error = "recinqry: standard input and output must be a terminal";
    return false;
  }
  if (::tcgetattr(STDIN_FILENO, &gSavedModes) != 0) {
    error = std::string("recinqry: cannot read the terminal modes: ") + std::strerror(errno);
    return false;
  }
  const char* term = std::getenv("TERM");
  description_ = DescribeTerminal(term ? term : "");
  renderer_ = ScreenRenderer(description_.Rendering);
  decoder_ = InputDecoder(description_.Input);
  for (const auto& ks : description_.KeyStrings) decoder_.AddKeyString(ks.first, ks.second);

  // Raw input: every key as it is typed, Ctrl+C, Ctrl+Z, Ctrl+S and Ctrl+Q
  // as characters, no translation of CR; output without post-processing.
  gRawModes = gSavedModes;
  gRawModes.c_iflag &=
      ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  gRawModes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  gRawModes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  gRawModes.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  gRawModes.c_cflag |= CS8;
  gRawModes.c_cc[VMIN] = 1;
  gRawModes.c_cc[VTIME] = 0;

  // Normal cursor keys and keypad, bracketed paste on.
  SetBytes(gEnterBytes, gEnterLength, description_.EnterScreen + "\x1b[?1l\x1b>\x1b[?2004h");
  std::string leave = "\x1b[0m";
  if (description_.Rendering.CursorShape) leave += "\x1b[0 q";
  leave += "\x1b[?25h\x1b[?1006l\x1b[?1000l\x1b[?2004l" + description_.LeaveScreen;
  SetBytes(gLeaveBytes, gLeaveLength, leave);

  if (gSelfPipe[0] < 0 && ::pipe2(gSelfPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    error = std::string("recinqry: cannot create a pipe: ") + std::strerror(errno);
    return false;
  }
  InstallHandlers();
  if (!gExitHandlerInstalled) {
    std::atexit(RestoreAtExit);
    gExitHandlerInstalled = true;
  }
  if (::tcsetattr(STDIN_FILENO, TCSADRAIN, &gRawModes) != 0) {
    error = std::string("recinqry: cannot set the terminal modes: ") + std::strerror(errno);
    return false;
  }
  WriteAll(gEnterBytes, gEnterLength);
  gTerminalState = kRaw;
  open_ = true;
  renderer_.Invalidate();
  CheckSize();
  return true;
}

void TerminalConsole::Close() {
  if (!open_) return;
  if (!suspended_) Flush();
  if (gTerminalState == kRaw) HandBack();
  gTerminalState = kClosed;
  open_ = false;
  suspended_ = false;
}

void TerminalConsole::Send(const std::string& bytes) {
  if (bytes.empty()) return;
  WriteAll(bytes.data(), bytes.size());
  bytesWritten_ += bytes.size();
}

void TerminalConsole::CheckSize() {
  struct winsize ws = {};
  int rows = 25, columns = 80;
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
    rows = ws.ws_row;
    columns = ws.ws_col;
  }
  if (rows == windowRows_ && columns == windowColumns_) return;
  windowRows_ = rows;
  windowColumns_ = columns;
  tooSmall_ = rows < height_ || columns < width_;
  noticeShown_ = false;
  // A resize may leave anything on the terminal's screen: draw it all again.
  renderer_.Invalidate();
}

void TerminalConsole::ShowNotice() {
  if (noticeShown_) return;
  Send("\x1b[0m\x1b[?25l\x1b[H\x1b[2J" + SmallWindowNotice(windowColumns_, windowRows_));
  noticeShown_ = true;
  renderer_.Invalidate();
}

void TerminalConsole::Flush() {
  if (!open_ || suspended_) return;
  ProcessSignals();
  if (tooSmall_) {
    ShowNotice();
    return;
  }
  std::string out = renderer_.Render(Cells(), row_, column_, cursorSize_);
  if (bell_) out += '\a';
  bell_ = false;
  Send(out);
}

void TerminalConsole::Beep() {
  GridConsole::Beep();
  bell_ = true;
}

void TerminalConsole::HangUp() {
  // The terminal is gone: nothing can be shown or restored on it any more.
  gTerminalState = kClosed;
  open_ = false;
  EndProcess(0);
}

void TerminalConsole::ProcessSignals() {
  if (gSelfPipe[0] < 0) return;
  unsigned char buf[64];
  for (;;) {
    ssize_t n = ::read(gSelfPipe[0], buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == SIGWINCH) {
        CheckSize();
      } else if (buf[i] == SIGCONT) {
        renderer_.Invalidate();
        noticeShown_ = false;
        CheckSize();
      }
    }
  }
  if (gTerminateSignal != 0) EndProcess(0);
}

bool TerminalConsole::ReadInput(int timeoutMs) {
  struct pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {gSelfPipe[0], POLLIN, 0}};
  int r = ::poll(fds, 2, timeoutMs);
  if (r < 0) return false;  // interrupted: the caller looks at the signals
  if (fds[0].revents & POLLIN) {
    char buf[4096];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n > 0) {
      decoder_.Feed(std::string_view(buf, static_cast<size_t>(n)), NowMs());
      return true;
    }
    if (n == 0 || (errno != EINTR && errno != EAGAIN)) HangUp();
  } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    HangUp();
  }
  return false;
}

bool TerminalConsole::Deliverable() {
  if (tooSmall_) {
    // Keys typed at the notice are not kept for the screen that follows.
    decoder_.DiscardEvents();
    return false;
  }
  DecodedInput d;
  // Mouse events count only while mouse input is on.
  while (decoder_.HasEvent()) {
    if (!decoder_.Peek(d)) break;
    bool mouse =
        d.Event.Type == InputEvent::Kind::MouseMove || d.Event.Type == InputEvent::Kind::MouseRelease;
    if (!mouse || mouseReporting_) return true;
    decoder_.Next(d);
  }
  return false;
}

bool TerminalConsole::PollEvent(InputEvent& event) {
  if (!open_) return false;
  ProcessSignals();
  while (ReadInput(0)) {
  }
  decoder_.Expire(NowMs());
  if (!Deliverable()) return false;
  DecodedInput d;
  decoder_.Next(d);
  if (d.IsPaste) SetClipboardText(d.PasteText);
  event = d.Event;
  return true;
}

bool TerminalConsole::WaitInput(int timeoutMs) {
  if (!open_) return false;
  int64_t deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
  for (;;) {
    Flush();
    decoder_.Expire(NowMs());
    if (Deliverable()) return true;
    int64_t now = NowMs();
    int wait = -1;
    if (deadline >= 0) {
      if (now >= deadline) return false;
      wait = static_cast<int>(deadline - now);
    }
    int pending = decoder_.PendingTimeout(now);
    if (pending >= 0 && (wait < 0 || pending < wait)) wait = pending;
    ReadInput(wait);
  }
}

void TerminalConsole::DiscardInput() {
  if (!open_) return;
  ProcessSignals();
  while (ReadInput(0)) {
  }
  // Incomplete bytes stay: they are the start of a key still arriving.
  decoder_.DiscardEvents();
}

void TerminalConsole::SetMouseReporting(bool on) {
  // The terminal reports the mouse from the first time it is asked for;
  // while reporting is off its events are dropped here, so switching it on
  // and off around every key sends nothing.
  if (on && !mouseReporting_ && open_ && gEnterLength < 400 &&
      std::string_view(gEnterBytes, gEnterLength).find("\x1b[?1000h") == std::string_view::npos) {
    std::string enter(gEnterBytes, gEnterLength);
    enter += "\x1b[?1000h\x1b[?1006h";
    SetBytes(gEnterBytes, gEnterLength, enter);
    Send("\x1b[?1000h\x1b[?1006h");
  }
  mouseReporting_ = on;
}

void TerminalConsole::Suspend() {
  if (!open_ || suspended_) return;
  Flush();
  if (gTerminalState == kRaw) HandBack();
  gTerminalState = kHandedBack;
  suspended_ = true;
}

void TerminalConsole::Resume() {
  if (!open_ || !suspended_) return;
  TakeAgain();
  gTerminalState = kRaw;
  suspended_ = false;
  renderer_.Invalidate();
  noticeShown_ = false;
  windowRows_ = windowColumns_ = 0;
  CheckSize();
  Flush();
}

}  // namespace platform
