#include "numbers/calculator_popup.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "numbers/calculator_engine.h"
#include "numbers/calculator_tape.h"
#include "numbers/number_format.h"
#include "platform/console.h"
#include "platform/system.h"

namespace numbers {

namespace {

// Box characters, code page 850.
constexpr char kVertical = '\xB3', kHorizontal = '\xC4';
constexpr char kTopLeft = '\xDA', kTopRight = '\xBF', kBottomLeft = '\xC0', kBottomRight = '\xD9';
constexpr char kTeeLeft = '\xC3', kTeeRight = '\xB4';
constexpr int16_t kTapeBottomRow = 23, kEntryRow = 24, kBoxBottomRow = 25;

class Calculator {
 public:
  explicit Calculator(CalculatorRecord& r) : r_(r) {}

  // Opens the window at the record's column. False when it could not be
  // opened (the screen is too small for it).
  bool Open() {
    const int16_t depth = console::State().WindowDepth;
    console::PushWindow(1, r_.WindowColumn, kBoxBottomRow,
                        static_cast<int16_t>(r_.WindowColumn + kCalculatorWidth - 1));
    open_ = console::State().WindowDepth != depth;
    if (open_) DrawTape();
    return open_;
  }

  void Close() {
    if (open_) console::PopWindow();
    open_ = false;
    // The pop leaves the colours of the last restored cell.
    console::SetStyle("n");
  }

  void DrawTape() {
    for (int16_t slot = r_.FirstVisibleSlot; slot <= kTapeSlots; ++slot) {
      const TapeLine& line = r_.Tape[slot - 1];
      Row(slot, std::string(1, kVertical) + FormatNumber(FigureMask(line.Point, line.Decimals), line.Value) +
                    " " + line.Operation + kVertical);
    }
    const bool empty = r_.FirstVisibleSlot >= kEmptyTape;
    if (!empty) Row(static_cast<int16_t>(r_.FirstVisibleSlot - 1), Border(kTopLeft, kTopRight));
    Row(kTapeBottomRow, empty ? Border(kTopLeft, kTopRight) : Border(kTeeLeft, kTeeRight));
    Row(kBoxBottomRow, Border(kBottomLeft, kBottomRight));
  }

  // The figure on the entry line; a refused operation leaves its mark beside it.
  void DrawEntry(bool refused) {
    Row(kEntryRow, std::string(1, kVertical) +
                       FormatNumber(FigureMask(r_.Point, r_.Decimals), r_.DisplayValue) +
                       (refused ? " E" : "  ") + kVertical);
  }

 private:
  static std::string Border(char left, char right) {
    return std::string(1, left) + std::string(kCalculatorWidth - 2, kHorizontal) + right;
  }
  void Row(int16_t row, const std::string& text) {
    platform::Console& con = platform::ActiveConsole();
    con.MoveCursor(row, r_.WindowColumn);
    con.WriteText(text);
  }

  CalculatorRecord& r_;
  bool open_ = false;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's contents through a file beside it, so that a run ended
// half-way never leaves a torn tape. A directory that cannot be written keeps
// the old tape.
void WriteFile(const std::string& path, const std::string& bytes) {
  const std::string partial = path + ".new";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) return;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      return;
    }
  }
  std::error_code ec;
  std::filesystem::rename(partial, path, ec);
  if (ec) std::filesystem::remove(partial, ec);
}

}  // namespace

std::string CalculatorTapePath() { return config::SessionSettings().TerminalDir + "WRKCALC.TMP"; }

std::string CalculatorPopup() {
  platform::Console& con = platform::ActiveConsole();
  console::SetKeySet("+e", "");
  console::SetStyle("+n");
  const int cursorSize = con.CursorSize();
  con.SetCursor(0);

  const std::string path = platform::NativePath(CalculatorTapePath());
  {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) std::ofstream(path, std::ios::binary);
  }
  CalculatorRecord record;
  ReadCalculatorTape(ReadFile(path), record);  // a damaged tape starts afresh

  Calculator calculator(record);
  std::string result;
  bool open = calculator.Open();
  bool refused = false;
  while (open) {
    calculator.DrawEntry(refused);
    refused = false;
    const CalculatorAction action = ApplyCalculatorKey(record, console::WaitKey());
    if (action == CalculatorAction::Accept) result = CalculatorResult(record);
    if (action == CalculatorAction::Accept || action == CalculatorAction::Cancel) {
      calculator.Close();
      break;
    }
    if (action == CalculatorAction::Tape) {
      calculator.DrawTape();
    } else if (action == CalculatorAction::Moved || action == CalculatorAction::TapeCleared) {
      calculator.Close();
      open = calculator.Open();
    } else if (action == CalculatorAction::Refused) {
      refused = true;
      con.Beep();
    }
  }
  WriteFile(path, WriteCalculatorTape(record));
  con.SetCursor(cursorSize);
  console::SetStyle("-");
  console::SetKeySet("-", "");
  return result;
}

}  // namespace numbers
