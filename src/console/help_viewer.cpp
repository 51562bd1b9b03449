#include "console/help_viewer.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "platform/console.h"
#include "platform/document.h"
#include "platform/system.h"

namespace console {

namespace {

constexpr uint8_t kToggleReverse = 16;
constexpr uint8_t kToggleHighlight = 30;
constexpr uint8_t kToggleUnderline = 31;
constexpr int kShownColumns = 76;

// The help file: records of the screen width, one line each. Lines are read
// on demand, so a file of any size costs one record of memory.
class HelpFile {
 public:
  HelpFile(const std::string& cp850Path, int recordLength) : record_(recordLength > 0 ? recordLength : 1) {
    std::filesystem::path path(platform::NativePath(cp850Path));
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
      // A missing help file is created empty, where its directory allows.
      std::ofstream create(path, std::ios::out | std::ios::binary | std::ios::app);
    }
    file_.open(path, std::ios::in | std::ios::binary);
    if (!file_.is_open()) return;
    file_.seekg(0, std::ios::end);
    auto end = file_.tellg();
    int64_t length = end > 0 ? static_cast<int64_t>(end) : 0;
    // Lines: the length over the record length, rounded to the nearest whole.
    lines_ = (length + record_ / 2) / record_;
  }

  int64_t Lines() const { return lines_; }

  // Line k (from 1); empty beyond the file. A last record cut short gives
  // what it holds.
  std::string Line(int64_t k) {
    std::string text;
    if (k < 1 || k > lines_ || !file_.is_open()) return text;
    text.assign(static_cast<size_t>(record_), '\0');
    file_.clear();
    file_.seekg(static_cast<std::streamoff>((k - 1) * record_));
    file_.read(text.data(), record_);
    text.resize(static_cast<size_t>(file_.gcount() > 0 ? file_.gcount() : 0));
    return text;
  }

 private:
  std::ifstream file_;
  int64_t record_;
  int64_t lines_ = 0;
};

// Writes line k on relative row r, with its style toggles.
void ShowLine(HelpFile& file, int64_t k, int r) {
  SetStyle("n");
  bool highlight = false, underline = false, reverse = false;
  Locate(static_cast<int16_t>(r), 2);
  std::string line = file.Line(k);
  platform::Console& con = platform::ActiveConsole();
  bool toggles =
      line.find_first_of(std::string{static_cast<char>(kToggleReverse), static_cast<char>(kToggleHighlight),
                                     static_cast<char>(kToggleUnderline)}) != std::string::npos;
  if (!toggles) {
    con.WriteText(std::string_view(line).substr(0, kShownColumns));
    con.NewLine();
    return;
  }
  int count = 0;
  for (char c : line) {
    auto byte = static_cast<uint8_t>(c);
    if (byte == kToggleHighlight) {
      highlight = !highlight;
      if (!underline) SetStyle(highlight ? "h" : "n");
    } else if (byte == kToggleUnderline) {
      underline = !underline;
      SetStyle(underline ? "u" : "n");
    } else if (byte == kToggleReverse) {
      reverse = !reverse;
      SetStyle(reverse ? "r" : "n");
    } else if (++count <= kShownColumns) {
      con.WriteText(std::string_view(&c, 1));
    }
  }
}

// Blocks until a key arrives from the console translation (no type-ahead,
// hot keys or mouse).
int16_t NextKey() {
  for (;;) {
    int16_t key = ReadConsoleKey();
    if (key != 0) return key;
    WaitForInput();
  }
}

void Scroll(int16_t rows) {
  // The rows that come free are blanked in the normal style, whatever style
  // the last line shown ended in.
  SetStyle("n");
  const ConsoleState& s = State();
  ScrollRegion(s.WindowTop, s.WindowLeft, static_cast<int16_t>(s.WindowBottom - 2),
               static_cast<int16_t>(s.WindowRight - 2), rows);
}

void ViewHelpFile(std::string_view topic) {
  const int16_t width = ScreenWidth(), height = ScreenHeight();
  HelpFile file("AJUDA\\" + std::string(topic) + ".HLP", width);
  const int64_t total = file.Lines();
  SetStyle("+h");
  const int16_t depth = State().WindowDepth;
  PushWindow(4, 1, static_cast<int16_t>(height - 3), width);
  if (State().WindowDepth == depth) {  // the screen is too small for the viewer
    SetStyle("-");
    return;
  }
  DrawFrame(FrameDouble);
  SetStyle("n");
  const int64_t visible = height - 8;
  const auto rows = static_cast<int16_t>(visible);
  auto showPage = [&](int64_t firstLine) {
    for (int64_t r = 1; r <= visible; ++r) ShowLine(file, firstLine + r - 1, static_cast<int>(r));
  };
  showPage(1);
  int64_t n = visible + 1;  // the line just below the window's last row
  for (;;) {
    int16_t key = NextKey();
    if (key == KeyEsc) break;
    switch (key) {
      case KeyF1:
        if (topic != "TOOLMENU") ShowHelp("TOOLMENU");
        break;
      case KeyDown:
        if (total >= n) {
          Scroll(1);
          ShowLine(file, n, static_cast<int>(visible));
          ++n;
        }
        break;
      case KeyUp:
        if (n - visible > 1) {
          --n;
          Scroll(-1);
          ShowLine(file, n - visible, 1);
        }
        break;
      case KeyPgDn:
        if (total >= n) {
          Scroll(rows);
          if (n + visible - 1 > total) n = total - visible + 1;
          showPage(n);
          n += visible;
        }
        break;
      case KeyPgUp:
        if (n - visible - 1 > 0) {
          Scroll(static_cast<int16_t>(-rows));
          if (n - 2 * visible < 1) n = 2 * visible;
          showPage(n - 2 * visible + 1);
          n = n - visible + 1;
        }
        break;
      case KeyHome:
        if (n - visible - 1 > 0) {
          Scroll(static_cast<int16_t>(-rows));
          showPage(1);
          n = visible + 1;
        }
        break;
      case KeyEnd:
        if (total >= n) {
          Scroll(rows);
          showPage(total - visible + 1);
          n = total + 1;
        }
        break;
      default:
        break;
    }
  }
  PopWindow();
  SetStyle("-");
}

}  // namespace

void ShowHelp(std::string_view topic) {
  if (config::SessionSettings().RunMode == "WIN") {
    // The document opener's failure is not reported: the operator is back
    // where they pressed F1.
    platform::OpenDocument("AJUDA\\" + std::string(topic) + ".HTM");
    return;
  }
  ViewHelpFile(topic);
}

}  // namespace console
