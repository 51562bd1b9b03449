#include "console/window_stack.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/style.h"
#include "numbers/packed_digits.h"
#include "platform/console.h"
#include "platform/system.h"

namespace console {

namespace {

// Stack file layout: a 4-byte little-endian header (the 1-based position just
// after the top frame, 5 when empty), then the frames, oldest first. A frame:
// 2-digit cursor row and column, the enclosing and this window's rectangles
// (2 digits each), the cells (character and attribute byte, row by row), and
// its 5-digit length at the end.
constexpr int32_t kEmptyHeader = 5;
constexpr size_t kFrameFixed = 20 + 5;
constexpr size_t kMaxFrame = 99999;

struct Frame {
  int16_t CursorRow = 0, CursorColumn = 0;
  int16_t OuterTop = 0, OuterLeft = 0, OuterBottom = 0, OuterRight = 0;
  int16_t Top = 0, Left = 0, Bottom = 0, Right = 0;
  std::string Cells;
};

size_t CellCount(int top, int left, int bottom, int right) {
  int rows = bottom - top + 1, columns = right - left + 1;
  if (rows <= 0 || columns <= 0) return 0;
  return static_cast<size_t>(rows) * static_cast<size_t>(columns);
}

bool ParseDigits(std::string_view text, size_t pos, size_t width, int32_t& value) {
  if (pos + width > text.size()) return false;
  value = 0;
  for (size_t i = pos; i < pos + width; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Reads a whole frame (its length field included); false when it is not sound.
bool ParseFrame(std::string_view bytes, Frame& frame) {
  if (bytes.size() < kFrameFixed) return false;
  int32_t fields[10];
  for (int i = 0; i < 10; ++i)
    if (!ParseDigits(bytes, static_cast<size_t>(2 * i), 2, fields[i])) return false;
  int32_t length = 0;
  if (!ParseDigits(bytes, bytes.size() - 5, 5, length) || static_cast<size_t>(length) != bytes.size())
    return false;
  frame.CursorRow = static_cast<int16_t>(fields[0]);
  frame.CursorColumn = static_cast<int16_t>(fields[1]);
  frame.OuterTop = static_cast<int16_t>(fields[2]);
  frame.OuterLeft = static_cast<int16_t>(fields[3]);
  frame.OuterBottom = static_cast<int16_t>(fields[4]);
  frame.OuterRight = static_cast<int16_t>(fields[5]);
  frame.Top = static_cast<int16_t>(fields[6]);
  frame.Left = static_cast<int16_t>(fields[7]);
  frame.Bottom = static_cast<int16_t>(fields[8]);
  frame.Right = static_cast<int16_t>(fields[9]);
  size_t cells = 2 * CellCount(frame.Top, frame.Left, frame.Bottom, frame.Right);
  if (cells + kFrameFixed != bytes.size()) return false;
  frame.Cells.assign(bytes.substr(20, cells));
  return true;
}

std::string Digits(int value, int16_t width) { return numbers::ZeroPad(value, width); }

std::string BuildFrame(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  const platform::Console& con = platform::ActiveConsole();
  const ConsoleState& state = State();
  std::string bytes;
  bytes.reserve(kFrameFixed + 2 * CellCount(top, left, bottom, right));
  for (int value :
       {static_cast<int>(con.CursorRow()), static_cast<int>(con.CursorColumn()),
        static_cast<int>(state.WindowTop), static_cast<int>(state.WindowLeft),
        static_cast<int>(state.WindowBottom), static_cast<int>(state.WindowRight), static_cast<int>(top),
        static_cast<int>(left), static_cast<int>(bottom), static_cast<int>(right)})
    bytes += Digits(value, 2);
  for (int r = top; r <= bottom; ++r)
    for (int c = left; c <= right; ++c) {
      platform::Cell cell = con.ReadCell(static_cast<int16_t>(r), static_cast<int16_t>(c));
      bytes.push_back(static_cast<char>(cell.Char));
      bytes.push_back(static_cast<char>(cell.Attr));
    }
  bytes += Digits(static_cast<int>(bytes.size() + 5), 5);
  return bytes;
}

void RestoreFrame(const Frame& frame) {
  platform::Console& con = platform::ActiveConsole();
  int16_t width = con.Width(), height = con.Height();
  size_t i = 0;
  for (int r = frame.Top; r <= frame.Bottom; ++r)
    for (int c = frame.Left; c <= frame.Right; ++c, i += 2) {
      // A frame left by a run on a larger screen may reach past this one.
      if (r < 1 || r > height || c < 1 || c > width) continue;
      auto attr = static_cast<uint8_t>(frame.Cells[i + 1]);
      con.SetColours(attr % 16, attr / 16);
      con.MoveCursor(static_cast<int16_t>(r), static_cast<int16_t>(c));
      con.WriteText(std::string_view(&frame.Cells[i], 1));
    }
  con.MoveCursor(frame.CursorRow, frame.CursorColumn);
  ConsoleState& state = State();
  state.WindowTop = frame.OuterTop;
  state.WindowLeft = frame.OuterLeft;
  state.WindowBottom = frame.OuterBottom;
  state.WindowRight = frame.OuterRight;
  if (state.WindowDepth > 0) --state.WindowDepth;
}

std::string HeaderBytes(int32_t value) {
  std::string bytes(4, '\0');
  auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return bytes;
}

int32_t ParseHeader(const std::string& bytes) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
  return static_cast<int32_t>(u);
}

std::filesystem::path NativeStackPath() {
  return std::filesystem::path(platform::NativePath(WindowStackPath()));
}

uintmax_t FileLength(std::fstream& file) {
  file.seekg(0, std::ios::end);
  auto end = file.tellg();
  if (end < 0) return 0;
  return static_cast<uintmax_t>(end);
}

bool ReadAt(std::fstream& file, uintmax_t offset, size_t count, std::string& out) {
  out.assign(count, '\0');
  file.clear();
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(out.data(), static_cast<std::streamsize>(count));
  return file.gcount() == static_cast<std::streamsize>(count);
}

bool WriteAt(std::fstream& file, uintmax_t offset, const std::string& bytes) {
  file.clear();
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// Opens the stack file for reading and writing, creating it when missing.
bool OpenStack(std::fstream& file, const std::filesystem::path& path) {
  file.open(path, std::ios::in | std::ios::out | std::ios::binary);
  if (file.is_open()) return true;
  std::ofstream create(path, std::ios::out | std::ios::binary | std::ios::app);
  if (!create.is_open()) return false;
  create.close();
  file.open(path, std::ios::in | std::ios::out | std::ios::binary);
  return file.is_open();
}

// Appends the frame to the stack file; false when the file cannot take it.
bool PushToFile(const std::string& frame) {
  std::filesystem::path path = NativeStackPath();
  std::fstream file;
  if (!OpenStack(file, path)) return false;
  uintmax_t length = FileLength(file);
  int32_t position = kEmptyHeader;
  std::string header;
  if (length > 3 && ReadAt(file, 0, 4, header)) position = ParseHeader(header);
  // A header that points before the frames or past the file's end is not a
  // stack: start a new one over it.
  if (position < kEmptyHeader || static_cast<uintmax_t>(position) > length + 1) position = kEmptyHeader;
  if (static_cast<uintmax_t>(position) + frame.size() > static_cast<uintmax_t>(INT32_MAX)) return false;
  if (!WriteAt(file, static_cast<uintmax_t>(position - 1), frame)) return false;
  if (!WriteAt(file, 0, HeaderBytes(position + static_cast<int32_t>(frame.size())))) return false;
  file.flush();
  return static_cast<bool>(file);
}

void RemoveStack(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

void PopFromFile() {
  std::filesystem::path path = NativeStackPath();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return;
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file.is_open()) return;
  uintmax_t length = FileLength(file);
  std::string header;
  if (length <= 3 || !ReadAt(file, 0, 4, header)) {
    file.close();
    RemoveStack(path);
    return;
  }
  int32_t top = ParseHeader(header);
  if (top == kEmptyHeader) {  // no frame stored: only leftovers of popped frames
    file.close();
    RemoveStack(path);
    return;
  }
  // Damaged stacks restore nothing and keep the window state.
  if (top < kEmptyHeader + static_cast<int32_t>(kFrameFixed) || static_cast<uintmax_t>(top) > length + 1)
    return;
  std::string field;
  int32_t frameLength = 0;
  if (!ReadAt(file, static_cast<uintmax_t>(top - 1 - 5), 5, field) || !ParseDigits(field, 0, 5, frameLength))
    return;
  if (frameLength < static_cast<int32_t>(kFrameFixed) || frameLength > top - kEmptyHeader) return;
  int32_t start = top - frameLength;
  std::string bytes;
  Frame frame;
  if (!ReadAt(file, static_cast<uintmax_t>(start - 1), static_cast<size_t>(frameLength), bytes) ||
      !ParseFrame(bytes, frame))
    return;
  RestoreFrame(frame);
  bool written = WriteAt(file, 0, HeaderBytes(start));
  file.close();
  if (written && start < 6) RemoveStack(path);
}

}  // namespace

std::string WindowStackPath() { return config::SessionSettings().TempDir + "WinPush.tmp"; }

void PushWindow(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  int16_t height = ScreenHeight(), width = ScreenWidth();
  if (top < 1 || top > height || bottom < 1 || bottom > height) return;
  if (left < 1 || left > width || right < 1 || right > width) return;
  // The frame's digit fields hold two digits and its length five: a window
  // that cannot be written back exactly is not pushed.
  if (top > 99 || left > 99 || bottom > 99 || right > 99) return;
  if (kFrameFixed + 2 * CellCount(top, left, bottom, right) > kMaxFrame) return;
  std::string frame = BuildFrame(top, left, bottom, right);
  ConsoleState& state = State();
  if (!state.MemoryFrames.empty() || !PushToFile(frame)) state.MemoryFrames.push_back(std::move(frame));
  ConsoleState& after = State();
  after.WindowTop = top;
  after.WindowLeft = left;
  after.WindowBottom = bottom;
  after.WindowRight = right;
  ++after.WindowDepth;
}

void PopWindow() {
  ConsoleState& state = State();
  if (!state.MemoryFrames.empty()) {
    Frame frame;
    std::string bytes = std::move(state.MemoryFrames.back());
    state.MemoryFrames.pop_back();
    if (ParseFrame(bytes, frame)) RestoreFrame(frame);
    return;
  }
  PopFromFile();
}

void DrawFrame(int16_t kind) {
  const ConsoleState& state = State();
  if (state.WindowDepth == 0) return;
  static const uint8_t kinds[3][6] = {
      {32, 32, 32, 32, 32, 32},
      {218, 191, 192, 217, 196, 179},
      {201, 187, 200, 188, 205, 186},
  };
  static const uint8_t other[6] = {0, 0, 0, 0, 0, 0};
  const uint8_t* ch = kind >= 0 && kind <= 2 ? kinds[kind] : other;
  auto text = [](uint8_t c, int n = 1) {
    return std::string(n > 0 ? static_cast<size_t>(n) : 0, static_cast<char>(c));
  };
  platform::Console& con = platform::ActiveConsole();
  int w = state.WindowRight - state.WindowLeft - 1;
  con.MoveCursor(state.WindowTop, state.WindowLeft);
  con.WriteText(text(ch[0]) + text(ch[4], w) + text(ch[1]));
  for (int r = state.WindowTop + 1; r <= state.WindowBottom - 1; ++r) {
    con.MoveCursor(static_cast<int16_t>(r), state.WindowLeft);
    con.WriteText(text(ch[5]));
    con.WriteBlanks(w);
    con.WriteText(text(ch[5]));
  }
  con.MoveCursor(state.WindowBottom, state.WindowLeft);
  con.WriteText(text(ch[2]) + text(ch[4], w) + text(ch[3]));
}

int16_t FirstRow() {
  const ConsoleState& state = State();
  return state.WindowDepth == 0 ? 1 : static_cast<int16_t>(state.WindowTop + 1);
}

int16_t FirstColumn() {
  const ConsoleState& state = State();
  return state.WindowDepth == 0 ? 1 : static_cast<int16_t>(state.WindowLeft + 1);
}

int16_t LastColumn() {
  const ConsoleState& state = State();
  return state.WindowDepth == 0 ? ScreenWidth() : static_cast<int16_t>(state.WindowRight - 1);
}

void ScrollRegion(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t n) {
  platform::Rect rect;
  rect.Top = static_cast<int16_t>(top + 1);
  rect.Left = static_cast<int16_t>(left + 1);
  rect.Bottom = static_cast<int16_t>(bottom + 1);
  rect.Right = static_cast<int16_t>(right + 1);
  platform::ActiveConsole().ScrollRect(rect, n);
}

void DrawHeaderRow(std::string_view header, int16_t first, int16_t width, bool moreRight) {
  SetStyle("+n");
  Locate(0, 0);
  std::string row;
  row.push_back(static_cast<char>(first == 1 ? 201 : LeftArrowChar));
  int last = first + width - 1;
  for (int k = first; k <= last; ++k) {
    if (k < 1 || static_cast<size_t>(k) > header.size()) {
      row.push_back(static_cast<char>(205));
      continue;
    }
    char c = header[static_cast<size_t>(k - 1)];
    if (c == ' ')
      row.push_back(static_cast<char>(205));
    else if (c == '_')
      row.push_back(' ');
    else
      row.push_back(c);
  }
  bool continues = last >= 0 && header.size() > static_cast<size_t>(last);
  row.push_back(static_cast<char>(moreRight || continues ? RightArrowChar : 187));
  platform::ActiveConsole().WriteText(row);
  SetStyle("-");
}

}  // namespace console
