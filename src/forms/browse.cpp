#include "forms/browse.h"

#include <algorithm>

#include "config/form_model.h"
#include "config/language.h"
#include "config/session.h"
#include "console/keyboard.h"
#include "console/message_box.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "forms/browse_file.h"
#include "forms/form_entry.h"
#include "forms/forms_state.h"
#include "forms/hooks.h"
#include "forms/value_stack.h"
#include "platform/console.h"
#include "records/data_files.h"

namespace forms {

namespace {

constexpr int16_t ColumnStep = 8;

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

class BrowseRun {
 public:
  explicit BrowseRun(int16_t definition) : number_(definition), def_(config::FormModel().Browse(definition)) {
    rows_ = static_cast<int16_t>(def_.BrowseBottom - def_.BrowseTop - 1);
    width_ = static_cast<int16_t>(def_.BrowseRight - def_.BrowseLeft - 1);
  }

  int16_t Run();

 private:
  bool DataFile() const { return def_.BrowseFile != 0; }
  bool WindowUsable() const;
  bool ReadLine();
  bool ReadAhead();
  bool EndTestFails();
  int MoveBy(int n);
  void DrawPage();
  void DrawHeader();
  void PrintRow(int16_t row, const std::string& text);
  void BlankRows(int16_t from);
  bool NextPosition(int32_t position, int32_t& next);
  int16_t Loop(int16_t& key);

  int16_t number_;
  config::BrowseDefinition def_;
  int16_t rows_ = 0;
  int16_t width_ = 0;
  BrowseLineFile file_;

  LineHeader header_;  // the current line
  std::string text_;
  int32_t linePosition_ = 1;  // where the current line was read
  bool haveLine_ = false;     // the current line came from the list
  int32_t position_ = 1;      // the line file's current position

  int16_t bar_ = 1;
  int16_t firstColumn_ = 1;
  int overhang_ = 0;
  int32_t pageFirst_ = 1;
  int32_t afterPage_ = 0;
  bool atFirst_ = true;
  bool atLast_ = false;
  bool started_ = false;
  bool exhausted_ = false;
  bool damaged_ = false;  // the line file no longer holds what was written
  int32_t lastWritten_ = 0;
  std::string startKey_;
  std::string endKey_;
};

bool BrowseRun::WindowUsable() const {
  const int16_t height = console::ScreenHeight();
  const int16_t width = console::ScreenWidth();
  return rows_ >= 1 && width_ >= 1 && def_.BrowseTop >= 1 && def_.BrowseBottom <= height &&
         def_.BrowseLeft >= 1 && def_.BrowseRight <= width;
}

// Reads the line at the line file's current position, making lines from the
// data file when the position is the end. False when nothing was read: the
// current line then stays as it was.
bool BrowseRun::ReadLine() {
  const int32_t position = position_;
  bool got = false;
  if (position >= file_.End()) {
    if (!exhausted_) got = ReadAhead();
  } else {
    LineHeader header;
    std::string text;
    if (file_.ReadAt(position, header, text)) {
      header_ = header;
      text_ = std::move(text);
      linePosition_ = position;
      haveLine_ = true;
      position_ = position + LineHeaderSize + header.Length;
      got = true;
    } else {
      damaged_ = true;
      exhausted_ = true;
    }
  }
  atFirst_ = header_.Previous == 0;
  atLast_ = position_ >= file_.End() && exhausted_;
  return got;
}

bool BrowseRun::ReadAhead() {
  const int16_t file = def_.BrowseFile;
  if (!started_) {
    started_ = true;
    const int16_t status = records::FindRecord(file, def_.BrowseKey, startKey_, 1);
    if (!endKey_.empty()) endKey_ = records::CollatingKey(endKey_, file);
    if (status != 0 || EndTestFails()) exhausted_ = true;
  }
  bool got = false;
  while (!exhausted_) {
    const std::string text = TrimRight(BrowseLine(number_));
    const bool madeLine = !text.empty();
    if (madeLine) {
      const int32_t recordPosition = records::RecordPosition(file, 0);
      const int32_t at = file_.Append(lastWritten_, recordPosition, text);
      if (at == 0) {
        damaged_ = true;
        exhausted_ = true;
        return got;
      }
      header_ = LineHeader{lastWritten_, recordPosition,
                           static_cast<int16_t>(std::min<size_t>(text.size(), 0x7FFF))};
      text_ = text.substr(0, static_cast<size_t>(header_.Length));
      linePosition_ = at;
      haveLine_ = true;
      lastWritten_ = at;
      position_ = file_.End();
      got = true;
    }
    if (records::SkipRecords(file, 1) != 0 || EndTestFails()) {
      exhausted_ = true;
      break;
    }
    // Esc typed while the list is being read ends the list here; any other
    // key waiting is taken and dropped.
    int16_t key = 0, button = 0, row = 0, column = 0;
    console::ReadKey(key, button, row, column);
    if (key == console::KeyEsc) {
      exhausted_ = true;
      break;
    }
    if (madeLine) break;
  }
  return got;
}

// True when the file's current record lies beyond the end key. An empty end
// key sets no limit. The current key already comes in collating form, and
// the end key was converted once at the start, so both compare as they are.
bool BrowseRun::EndTestFails() {
  if (endKey_.empty()) return false;
  std::string current = records::CurrentKey(def_.BrowseFile);
  if (current.size() > endKey_.size()) current.resize(endKey_.size());
  return current > endKey_;  // char_traits<char> compares as unsigned bytes
}

int BrowseRun::MoveBy(int n) {
  int moved = 0;
  for (int i = 0; i < std::abs(n); ++i) {
    if (n < 0) {
      if (atFirst_) break;
      position_ = header_.Previous;
    }
    if (!ReadLine()) break;
    ++moved;
    if (atLast_) break;
  }
  return moved;
}

void BrowseRun::PrintRow(int16_t row, const std::string& text) {
  console::Locate(row, 1);
  std::string shown;
  if (static_cast<size_t>(firstColumn_ - 1) < text.size()) {
    shown = text.substr(static_cast<size_t>(firstColumn_ - 1), static_cast<size_t>(width_));
  }
  shown.resize(static_cast<size_t>(width_), ' ');
  platform::ActiveConsole().WriteText(shown);
}

void BrowseRun::BlankRows(int16_t from) {
  for (int16_t row = from; row <= rows_; ++row) {
    console::Locate(row, 1);
    platform::ActiveConsole().WriteBlanks(width_);
  }
}

void BrowseRun::DrawHeader() {
  console::DrawHeaderRow(def_.BrowseHeader, firstColumn_, width_, firstColumn_ <= overhang_);
}

void BrowseRun::DrawPage() {
  PushInt32(linePosition_);
  pageFirst_ = position_;
  const int oldOverhang = overhang_;
  for (int16_t row = 1; row <= rows_; ++row) {
    const bool got = ReadLine();
    if (damaged_) break;
    if (!got && row > 1) {
      // The records left after the row above made no line: the list ends there.
      if (bar_ > row - 1) bar_ = static_cast<int16_t>(row - 1);
      BlankRows(row);
      break;
    }
    PrintRow(row, text_);
    overhang_ = std::max(overhang_, static_cast<int>(text_.size()) - width_);
    if (atLast_) {
      if (bar_ > row) bar_ = row;
      BlankRows(static_cast<int16_t>(row + 1));
      break;
    }
  }
  afterPage_ = atLast_ ? 0 : position_;
  position_ = PopInt32();
  if (!damaged_) ReadLine();
  // A line just shown that reaches past the window shows the arrow at once.
  if (overhang_ > oldOverhang && firstColumn_ <= overhang_) DrawHeader();
}

// Position of the line after the one at `position` (lines are contiguous).
bool BrowseRun::NextPosition(int32_t position, int32_t& next) {
  LineHeader header;
  std::string text;
  if (!file_.ReadAt(position, header, text)) {
    damaged_ = true;
    return false;
  }
  next = position + LineHeaderSize + header.Length;
  return true;
}

int16_t BrowseRun::Loop(int16_t& key) {
  using namespace console;
  for (;;) {
    SetStyle("u");
    PrintRow(bar_, text_);
    WaitKey(key);
    SetStyle("h");
    PrintRow(bar_, text_);
    switch (key) {
      case KeyLeft:
        if (firstColumn_ > 1) {
          firstColumn_ = static_cast<int16_t>(firstColumn_ - ColumnStep);
          DrawHeader();
          position_ = pageFirst_;
          DrawPage();
        }
        break;
      case KeyRight:
        if (firstColumn_ <= overhang_) {
          firstColumn_ = static_cast<int16_t>(firstColumn_ + ColumnStep);
          DrawHeader();
          position_ = pageFirst_;
          DrawPage();
        }
        break;
      case KeyUp:
        if (!atFirst_) {
          MoveBy(-1);
          if (bar_ > 1) {
            --bar_;
          } else {
            position_ = linePosition_;
            DrawPage();
          }
        }
        break;
      case KeyDown:
        if (!atLast_ && MoveBy(1) > 0) {
          if (bar_ < rows_) {
            ++bar_;
          } else {
            int32_t second = 0;
            if (NextPosition(pageFirst_, second)) {
              position_ = second;
              DrawPage();
            }
          }
        }
        break;
      case KeyPgUp:
        if (pageFirst_ > 1) {
          const int moved = MoveBy(-rows_);
          int32_t first = pageFirst_;
          int back = 0;
          while (back < rows_) {
            LineHeader header;
            std::string text;
            if (!file_.ReadAt(first, header, text)) {
              damaged_ = true;
              break;
            }
            if (header.Previous == 0) break;
            first = header.Previous;
            ++back;
          }
          if (damaged_) break;
          bar_ = static_cast<int16_t>(std::clamp(bar_ - moved + back, 1, static_cast<int>(rows_)));
          position_ = first;
          DrawPage();
        }
        break;
      case KeyPgDn:
        if (afterPage_ != 0) {
          const int moved = MoveBy(rows_);
          if (afterPage_ < file_.End()) {
            position_ = afterPage_;
            DrawPage();
          } else {
            // Nothing came after the page after all: the bar goes to the
            // last line, which the page already shows.
            bar_ = static_cast<int16_t>(std::min(bar_ + moved, static_cast<int>(rows_)));
            afterPage_ = 0;
          }
        }
        break;
      default:
        return key;
    }
    if (damaged_) return key;
  }
}

int16_t BrowseRun::Run() {
  using namespace console;
  auto& state = State();
  if (def_.BrowseStartForm != 0) {
    int16_t form = def_.BrowseStartForm;
    int16_t key = 0;
    EnterForm(form, 0, 0, key);
    if (key == KeyEsc) return -1;
  }
  int16_t result = BrowseRange(number_, startKey_, endKey_);
  if (result != 0) return result;
  // A window that does not fit the screen, or has no room inside, cannot
  // show a list: no choice.
  if (!WindowUsable()) return -1;

  const int16_t file = def_.BrowseFile;
  int16_t lockStatus = 0;
  if (file > 0) records::SetLockMode(file, "+d", lockStatus);
  SetStyle("+n");
  PushWindow(def_.BrowseTop, def_.BrowseLeft, def_.BrowseBottom, def_.BrowseRight);
  DrawFrame(FrameDouble);
  SetStyle("h");
  SetKeySet("+ea", "d,1b,4800,5000,4900,5100,4b00,4d00");
  if (def_.BrowseNext != 0) SetKeySet("a", "3e00");

  const std::string path = BrowseFilePath();
  bool opened = false;
  if (DataFile()) {
    opened = file_.Create(path);
  } else {
    state.ListChoiceValue = 0;
    state.ListChoiceText.clear();
    exhausted_ = true;
    opened = file_.Open(path) || file_.Create(path);
  }

  int16_t key = 0;
  result = -1;
  if (!opened) {
    // Without its line file the list cannot be shown: say which file, until
    // a key. The caller's bell follows, as for any browse left without a choice.
    console::ShowMessage(12, config::TranslateText("No es pot crear el fitxer de treball ") +
                                 config::ShownPath(path));
    WaitKey();
    PopWindow();
  }
  if (opened) {
    DrawHeader();
    position_ = 1;
    DrawPage();
    if (!damaged_) Loop(key);
    if (!damaged_ && key == KeyEnter && haveLine_) {
      if (!DataFile()) {
        state.ListChoiceValue = header_.RecordPosition;
        state.ListChoiceText = text_;
        result = 0;
      } else if (file > 0 && header_.RecordPosition != 0) {
        result = static_cast<int16_t>(records::RecordPosition(file, header_.RecordPosition));
      }
    }
  }
  file_.Close();
  RemoveBrowseFile(path);

  if (!damaged_ && key == KeyF4 && def_.BrowseNext != 0) {
    const int16_t next = def_.BrowseNext;
    result = RunBrowse(next);
    if (result == 0) {
      int16_t definition = next;
      int16_t form = 0;
      int16_t field = 0;
      BrowseChosen(definition, form, field);
    }
  }

  SetKeySet("-", "");
  PopWindow();
  SetStyle("-");
  if (file > 0) records::SetLockMode(file, "-", lockStatus);
  return result;
}

}  // namespace

int16_t RunBrowse(int16_t definition) {
  BrowseRun run(definition);
  return run.Run();
}

int32_t BrowseListValue() { return State().ListChoiceValue; }
const std::string& BrowseListText() { return State().ListChoiceText; }

}  // namespace forms
