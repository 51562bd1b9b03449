#include "pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Decode(int status, ExitStatus& out) {
  if (WIFEXITED(status)) {
    out.Exited = true;
    out.ExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    out.Signaled = true;
    out.Signal = WTERMSIG(status);
  }
}

std::vector<std::string> Environment(bool clear, const std::map<std::string, std::string>& set,
                                     const std::vector<std::string>& unset) {
  std::map<std::string, std::string> env;
  if (!clear)
    for (char** e = environ; *e; ++e) {
      std::string kv = *e;
      size_t eq = kv.find('=');
      if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
  for (const auto& name : unset) env.erase(name);
  for (const auto& [k, v] : set) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env) {
  std::vector<char*> argv, envp;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  ::execve(program.c_str(), argv.data(), envp.data());
  ::_exit(127);
}

}  // namespace

namespace keys {
std::string Function(int n, int modifier) {
  static const char* plain[] = {"\x1bOP",   "\x1bOQ",   "\x1bOR",   "\x1bOS",   "\x1b[15~",
                                "\x1b[17~", "\x1b[18~", "\x1b[19~", "\x1b[20~", "\x1b[21~"};
  if (n < 1 || n > 10) return {};
  if (modifier <= 1) return plain[n - 1];
  if (n <= 4) return "\x1b[1;" + std::to_string(modifier) + static_cast<char>('P' + n - 1);
  static const int codes[] = {15, 17, 18, 19, 20, 21};
  return "\x1b[" + std::to_string(codes[n - 5]) + ";" + std::to_string(modifier) + "~";
}

std::string Click(int row, int column, int button) {
  int b = button == 2 ? 2 : 0;
  std::string at = std::to_string(b) + ";" + std::to_string(column) + ";" + std::to_string(row);
  return "\x1b[<" + at + "M\x1b[<" + at + "m";
}

std::string Paste(std::string_view utf8) { return "\x1b[200~" + std::string(utf8) + "\x1b[201~"; }
}  // namespace keys

std::string BuiltProgram(const std::string& name) {
#ifdef RECINQRY_BUILD_DIR
  return std::string(RECINQRY_BUILD_DIR) + "/" + name;
#else
  return name;
#endif
}

PlainRun RunWithoutTerminal(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
  PlainRun run;
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return run;
  std::vector<std::string> env = Environment(false, {}, {});
  pid_t pid = ::fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    ::setsid();  // no controlling terminal either
    Exec(program, args, env);
  }
  ::close(out[1]);
  ::close(err[1]);
  int64_t end = NowMs() + timeoutMs;
  struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0 && NowMs() < end) {
    if (::poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? run.Stdout : run.Stderr).append(buf, static_cast<size_t>(n));
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) ::close(f.fd);
  int status = 0;
  while (NowMs() < end) {
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      Decode(status, run.Status);
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  Decode(status, run.Status);
  return run;
}

PtySession::PtySession(int rows, int columns) : rows_(rows), columns_(columns), screen_(columns, rows) {
  set_["TERM"] = "xterm-256color";
}

PtySession::~PtySession() {
  if (pid_ > 0 && Running()) {
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGKILL);
    int status;
    ::waitpid(leader_, &status, 0);
  }
  if (master_ >= 0) ::close(master_);
}

void PtySession::SetEnv(const std::string& name, const std::string& value) { set_[name] = value; }
void PtySession::UnsetEnv(const std::string& name) {
  set_.erase(name);
  unset_.push_back(name);
}
void PtySession::ClearEnv() {
  clearEnv_ = true;
  set_.clear();
}
void PtySession::SetWorkDir(const std::string& dir) { workDir_ = dir; }

bool PtySession::Start(const std::string& program, const std::vector<std::string>& args) {
  if (::access(program.c_str(), X_OK) != 0) return false;
  struct winsize ws = {};
  ws.ws_row = static_cast<unsigned short>(rows_);
  ws.ws_col = static_cast<unsigned short>(columns_);
  int slave = -1;
  if (::openpty(&master_, &slave, nullptr, nullptr, &ws) != 0) return false;
  ::tcgetattr(slave, &initialModes_);
  std::vector<std::string> env = Environment(clearEnv_, set_, unset_);
  // The program runs as a shell runs a job: in a process group of its own
  // that is the terminal's foreground group, below a session leader that
  // waits for it and ends as it ends. So job control works as it does under a
  // shell (a stop signal does stop it), and a hang-up reaches it.
  int pidPipe[2];
  if (::pipe2(pidPipe, O_CLOEXEC) != 0) return false;
  leader_ = ::fork();
  if (leader_ < 0) return false;
  if (leader_ == 0) {
    ::close(master_);
    ::close(pidPipe[0]);
    ::setsid();
    ::ioctl(slave, TIOCSCTTY, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < 32; ++sig) ::signal(sig, SIG_DFL);
    pid_t job = ::fork();
    if (job == 0) {
      ::setpgid(0, 0);
      ::dup2(slave, 0);
      ::dup2(slave, 1);
      ::dup2(slave, 2);
      if (slave > 2) ::close(slave);
      if (!workDir_.empty() && ::chdir(workDir_.c_str()) != 0) ::_exit(126);
      Exec(program, args, env);
    }
    ::setpgid(job, job);
    ::signal(SIGTTOU, SIG_IGN);
    ::tcsetpgrp(slave, job);
    ::signal(SIGHUP, SIG_IGN);
    (void)!::write(pidPipe[1], &job, sizeof job);
    int status = 0;
    while (::waitpid(job, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
      struct rlimit none = {0, 0};
      ::setrlimit(RLIMIT_CORE, &none);
      ::signal(WTERMSIG(status), SIG_DFL);
      ::raise(WTERMSIG(status));
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
  }
  ::close(pidPipe[1]);
  pid_t job = -1;
  ssize_t got;
  while ((got = ::read(pidPipe[0], &job, sizeof job)) < 0 && errno == EINTR) {
  }
  ::close(pidPipe[0]);
  if (got != sizeof job) return false;
  pid_ = job;
  ::close(slave);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  return true;
}

void PtySession::ReadAvailable(int timeoutMs) {
  if (master_ < 0) return;
  struct pollfd p = {master_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return;
  for (;;) {
    char buf[8192];
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) break;  // EAGAIN, or EIO once the program has closed the terminal
    output_.append(buf, static_cast<size_t>(n));
    screen_.Feed(std::string_view(buf, static_cast<size_t>(n)));
  }
}

void PtySession::Pump(int ms) {
  int64_t end = NowMs() + ms;
  do {
    int64_t left = end - NowMs();
    ReadAvailable(static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(left, 20))));
    Reap();
  } while (NowMs() < end);
}

void PtySession::Type(std::string_view bytes, int pauseMs) {
  if (master_ < 0) return;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (errno == EAGAIN || errno == EINTR) {
      ReadAvailable(10);
    } else {
      break;
    }
  }
  Pump(pauseMs);
}

void PtySession::TypeKeys(const std::vector<std::string>& keyList, int pauseMs) {
  for (const auto& k : keyList) Type(k, pauseMs);
}

bool PtySession::WaitFor(const std::function<bool()>& pred, int timeoutMs) {
  int64_t end = NowMs() + timeoutMs;
  for (;;) {
    if (pred()) return true;
    if (NowMs() >= end) return false;
    ReadAvailable(20);
    Reap();
  }
}

bool PtySession::WaitForText(std::string_view utf8, int timeoutMs) {
  return WaitFor([&] { return screen_.Contains(utf8); }, timeoutMs);
}

void PtySession::Reap() {
  if (leader_ <= 0 || status_.Exited || status_.Signaled) return;
  int status = 0;
  if (::waitpid(leader_, &status, WNOHANG) == leader_) {
    Decode(status, status_);
    // What the program wrote before it ended is still to be read.
    for (int i = 0; i < 5 && master_ >= 0; ++i) ReadAvailable(10);
  }
}

bool PtySession::Stopped() const {
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() &&
         (text[close + 2] == 'T' || text[close + 2] == 't');
}

bool PtySession::WaitForExit(int timeoutMs) {
  return WaitFor(
      [&] {
        Reap();
        return status_.Exited || status_.Signaled;
      },
      timeoutMs);
}

bool PtySession::WaitForStop(int timeoutMs) {
  return WaitFor(
      [&] {
        Reap();
        return Stopped();
      },
      timeoutMs);
}

void PtySession::Resize(int rows, int columns) {
  rows_ = rows;
  columns_ = columns;
  screen_.Resize(columns, rows);
  struct winsize ws = {};
  ws.ws_row = static_cast<unsigned short>(rows);
  ws.ws_col = static_cast<unsigned short>(columns);
  if (master_ >= 0) ::ioctl(master_, TIOCSWINSZ, &ws);  // the kernel sends SIGWINCH
}

void PtySession::Signal(int sig) {
  if (pid_ > 0 && Running()) ::kill(pid_, sig);
}

void PtySession::HangUp() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

std::string PtySession::Dump() const {
  std::ostringstream out;
  out << "screen " << screen_.Columns() << "x" << screen_.Rows() << ", cursor " << screen_.CursorRow() << ","
      << screen_.CursorColumn() << (screen_.AlternateScreen() ? ", alternate screen" : "") << "\n";
  out << screen_.Text();
  for (const auto& u : screen_.Unknown()) out << "unknown: " << u << "\n";
  return out.str();
}

struct termios PtySession::Modes() const {
  struct termios t {};
  if (master_ >= 0) ::tcgetattr(master_, &t);
  return t;
}

bool PtySession::ModesRestored() const {
  struct termios now = Modes();
  return now.c_iflag == initialModes_.c_iflag && now.c_oflag == initialModes_.c_oflag &&
         now.c_cflag == initialModes_.c_cflag && now.c_lflag == initialModes_.c_lflag &&
         std::memcmp(now.c_cc, initialModes_.c_cc, sizeof now.c_cc) == 0;
}

double PtySession::CpuSeconds() const {
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  long utime = 0, stime = 0;
  // Fields after the name start at 3 (state); utime is 14, stime 15.
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stol(f);
    if (i == 15) stime = std::stol(f);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace e2e
