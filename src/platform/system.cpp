#include "system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "console.h"
#include "cp850.h"
#include "shutdown.h"

namespace platform {

namespace {
PlatformState gState;
Console* gConsole = nullptr;

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// A UTF-8 name folded to lower case for comparison: ASCII and the accented
// Latin letters (the letters of code page 850), so that "GESTIÓ" matches
// "gestió". Bytes that are not valid UTF-8 stay as they are.
std::string FoldName(std::string_view utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b));
      ++i;
      continue;
    }
    if ((b & 0xE0) == 0xC0 && i + 1 < utf8.size() &&
        (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      char32_t cp = ((b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
      if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) cp += 0x20;
      AppendUtf8(out, cp);
      i += 2;
      continue;
    }
    out.push_back(static_cast<char>(b));
    ++i;
  }
  return out;
}

// Finds the entry of dir whose name equals name without regard to case.
bool MatchComponent(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  const std::string wanted = FoldName(name);
  bool ok = false;
  while (dirent* e = ::readdir(d)) {
    if (FoldName(e->d_name) == wanted) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  ::closedir(d);
  return ok;
}
}  // namespace

Console& ActiveConsole() {
  if (!gConsole) std::abort();  // a program installs its console before drawing
  return *gConsole;
}
void SetActiveConsole(Console* console) { gConsole = console; }
bool HasActiveConsole() { return gConsole != nullptr; }

PlatformState& State() { return gState; }
void ResetState() { gState = PlatformState{}; }

std::string NativePath(std::string_view cp850Path) {
  std::string path = Cp850ToUtf8(cp850Path);
  for (char& c : path)
    if (c == '\\') c = '/';
  if (path.empty() || Exists(path)) return path;

  // Rebuild component by component, matching each one without case where the
  // exact name is missing. Stops matching at the first component that cannot
  // be found; the rest is kept as given (a file about to be created).
  std::string out;
  size_t i = 0;
  if (path[0] == '/') {
    out = "/";
    i = 1;
  }
  bool matching = true;
  while (i <= path.size()) {
    size_t slash = path.find('/', i);
    if (slash == std::string::npos) slash = path.size();
    std::string comp = path.substr(i, slash - i);
    if (!comp.empty()) {
      std::string candidate = out + comp;
      if (matching && !Exists(candidate) && comp != "." && comp != "..") {
        std::string found;
        std::string dir = out.empty() ? std::string(".") : out;
        if (MatchComponent(dir, comp, found))
          candidate = out + found;
        else
          matching = false;
      }
      out = candidate;
    }
    if (slash < path.size()) out += '/';
    i = slash + 1;
  }
  return out;
}

std::string GetEnv(const char* name) {
  if (gState.Environment) return gState.Environment(name);
  const char* v = std::getenv(name);
  return v ? Utf8ToCp850(v) : std::string();
}

bool ChangeDirectory(std::string_view cp850Path) { return ::chdir(NativePath(cp850Path).c_str()) == 0; }

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepMs(int ms) {
  if (gState.Sleeper) {
    gState.Sleeper(ms);
    return;
  }
  if (ms > 0) SleepOrEnd(ms);
}

double RandomUnit() {
  if (gState.Random) return gState.Random();
  static std::mt19937 gen{std::random_device{}()};
  return std::uniform_real_distribution<double>(0.0, 1.0)(gen);
}

}  // namespace platform
