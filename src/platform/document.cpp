#include "document.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "console.h"
#include "cp850.h"
#include "system.h"

namespace platform {

namespace {

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

bool FindInPath(const std::string& program, std::string& found) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t i = 0;
  while (i <= dirs.size()) {
    size_t colon = dirs.find(':', i);
    if (colon == std::string::npos) colon = dirs.size();
    std::string dir = dirs.substr(i, colon - i);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) {
      found = candidate;
      return true;
    }
    i = colon + 1;
  }
  return false;
}

// Runs a command line through the shell and waits for it. The shell answers
// 127 when the command could not be found or started.
bool RunAndWait(const std::string& commandLine, bool& started) {
  started = false;
  struct sigaction ignore = {}, oldInt, oldQuit;
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  // While the browser has the terminal, Ctrl+C and Ctrl+\ are its own.
  ::sigaction(SIGINT, &ignore, &oldInt);
  ::sigaction(SIGQUIT, &ignore, &oldQuit);
  pid_t pid = ::fork();
  if (pid == 0) {
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int sig : {SIGINT, SIGQUIT, SIGTSTP, SIGCONT, SIGWINCH, SIGTERM, SIGHUP, SIGPIPE})
      ::sigaction(sig, &dfl, nullptr);
    ::execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  bool ok = false;
  if (pid > 0) {
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    ok = r == pid;
    started = ok && !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
  }
  ::sigaction(SIGINT, &oldInt, nullptr);
  ::sigaction(SIGQUIT, &oldQuit, nullptr);
  return ok;
}

}  // namespace

bool OpenDocument(std::string_view cp850Path) {
  std::string path = NativePath(cp850Path);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  std::string quoted = ShellQuote(path);

  // $BROWSER is a list of commands separated by colons; "%s" stands for the
  // document, otherwise it goes at the end.
  std::vector<std::string> commands;
  std::string browser = GetEnv("BROWSER");
  size_t i = 0;
  while (!browser.empty() && i <= browser.size()) {
    size_t colon = browser.find(':', i);
    if (colon == std::string::npos) colon = browser.size();
    std::string command = Cp850ToUtf8(browser.substr(i, colon - i));
    if (!command.empty()) {
      size_t at = command.find("%s");
      if (at != std::string::npos)
        command.replace(at, 2, quoted);
      else
        command += " " + quoted;
      commands.push_back("exec " + command);
    }
    i = colon + 1;
  }
  for (const char* textBrowser : {"w3m", "lynx", "links", "elinks"}) {
    std::string found;
    if (FindInPath(textBrowser, found)) commands.push_back("exec " + ShellQuote(found) + " " + quoted);
  }
  if (commands.empty()) return false;

  Console* console = HasActiveConsole() ? &ActiveConsole() : nullptr;
  if (console) console->Suspend();
  bool started = false;
  for (const auto& command : commands) {
    RunAndWait(command, started);
    if (started) break;
  }
  if (console) console->Resume();
  return started;
}

}  // namespace platform
