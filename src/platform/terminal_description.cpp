// The terminal type's description, read with the terminfo library. Kept
// apart: the terminfo header defines macros with common names.
#include <term.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "terminal_console.h"

namespace platform {

namespace {

std::string Capability(const char* name) {
  char* s = tigetstr(const_cast<char*>(name));
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return {};
  return s;
}

InputEvent Key(uint8_t scan, uint16_t mods = 0, uint8_t ch = 0) {
  InputEvent e;
  e.Scan = scan;
  e.Modifiers = mods;
  e.Char = ch;
  return e;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

TerminalDescription DescribeTerminal(const std::string& termType) {
  TerminalDescription d;
  // rxvt, the Linux console and PuTTY send Shift+F1..F10 as F11..F20.
  d.Input.ShiftedFunctionKeys =
      StartsWith(termType, "rxvt") || StartsWith(termType, "linux") || StartsWith(termType, "putty");
  if (const char* delay = std::getenv("ESCDELAY")) {
    int ms = std::atoi(delay);
    if (ms > 0 && ms <= 10000) d.Input.EscDelayMs = ms;
  }
  d.Rendering.CursorShape = !StartsWith(termType, "linux");
  if (termType.empty()) return d;

  int err = 0;
  if (setupterm(termType.c_str(), STDOUT_FILENO, &err) != 0) return d;
  d.Known = true;
  int colours = tigetnum(const_cast<char*>("colors"));
  d.Rendering.Colours = colours >= 16 ? 16 : 8;
  // Erasing characters leaves the current background only with bce.
  d.Rendering.EraseCharacters = !Capability("ech").empty() && tigetflag(const_cast<char*>("bce")) > 0;
  std::string smcup = Capability("smcup"), rmcup = Capability("rmcup");
  if (!smcup.empty() && !rmcup.empty()) {
    d.EnterScreen = smcup;
    d.LeaveScreen = rmcup;
  }

  struct Named {
    const char* Name;
    InputEvent Event;
  };
  std::vector<Named> names = {
      {"kcuu1", Key(ScanUp)},
      {"kcud1", Key(ScanDown)},
      {"kcuf1", Key(ScanRight)},
      {"kcub1", Key(ScanLeft)},
      {"khome", Key(ScanHome)},
      {"kend", Key(ScanEnd)},
      {"kpp", Key(ScanPgUp)},
      {"knp", Key(ScanPgDn)},
      {"kich1", Key(ScanIns)},
      {"kdch1", Key(ScanDel)},
      {"kb2", Key(ScanCentre)},
      {"kcbt", Key(ScanTab, ModShift)},
      {"kent", Key(ScanEnter, 0, 13)},
      {"kf11", Key(ScanF11)},
      {"kf12", Key(ScanF12)},
      {"kLFT", Key(ScanLeft, ModShift)},
      {"kRIT", Key(ScanRight, ModShift)},
      {"kHOM", Key(ScanHome, ModShift)},
      {"kEND", Key(ScanEnd, ModShift)},
      {"kLFT5", Key(ScanLeft, ModLeftCtrl)},
      {"kRIT5", Key(ScanRight, ModLeftCtrl)},
      {"kHOM5", Key(ScanHome, ModLeftCtrl)},
  };
  // Function keys by the usual numbering: 1-10 plain, 13-22 with Shift,
  // 25-34 with Ctrl, 49-58 with Alt.
  static char fnames[4][10][8];
  const uint16_t groups[4] = {0, ModShift, ModLeftCtrl, ModLeftAlt};
  const int firsts[4] = {1, 13, 25, 49};
  for (int g = 0; g < 4; ++g)
    for (int i = 0; i < 10; ++i) {
      std::snprintf(fnames[g][i], sizeof fnames[g][i], "kf%d", firsts[g] + i);
      names.push_back({fnames[g][i], Key(static_cast<uint8_t>(ScanF1 + i), groups[g])});
    }
  for (const auto& n : names) {
    std::string s = Capability(n.Name);
    if (!s.empty()) d.KeyStrings.emplace_back(s, n.Event);
  }
  // Everything needed is copied out: the description can go.
  del_curterm(cur_term);
  return d;
}

}  // namespace platform
