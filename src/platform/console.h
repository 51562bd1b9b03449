// The console the framework draws on and reads from: a grid of code page 850
// cells with colour attributes, and a queue of input events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// One screen cell: a code page 850 byte and an attribute byte
// (foreground + 16 x background, console colour order).
struct Cell {
  uint8_t Char = ' ';
  uint8_t Attr = 0x07;
  bool operator==(const Cell&) const = default;
};

// Modifier keys held with an event.
enum Modifier : uint16_t {
  ModLeftAlt = 0x01,
  ModRightAlt = 0x02,  // AltGr reports as right Alt
  ModLeftCtrl = 0x04,
  ModRightCtrl = 0x08,
  ModShift = 0x10,
  ModAnyAlt = ModLeftAlt | ModRightAlt,
  ModAnyCtrl = ModLeftCtrl | ModRightCtrl,
};

// One input event as a PC console reports it.
struct InputEvent {
  enum class Kind : uint8_t {
    KeyPress,       // a key went down: Char and/or Scan set
    KeyRelease,     // a key went up (skipped by the keyboard routine)
    ModifierPress,  // Ctrl, Shift, Alt, Caps/Num/Scroll Lock alone
    MouseMove,      // the mouse moved while reporting is on
    MouseRelease,   // a mouse button was released: Button 1 left, 2 right
  };
  Kind Type = Kind::KeyPress;
  uint8_t Char = 0;        // code page 850 character, 0 for a key without one
  uint8_t Scan = 0;        // PC scan code (set 1), 0 when unknown
  uint16_t Modifiers = 0;  // Modifier bits held with the event
  int16_t Row = 0;         // mouse position, 1-based absolute cells
  int16_t Column = 0;
  uint8_t Button = 0;
};

// Rectangle of absolute cell positions, inclusive.
struct Rect {
  int16_t Top = 1, Left = 1, Bottom = 1, Right = 1;
};

class Console {
 public:
  virtual ~Console() = default;

  // Size of the visible window in cells (the logical screen: 80 x 25).
  virtual int16_t Width() const = 0;
  virtual int16_t Height() const = 0;

  // Output, absolute positions from (1, 1).
  virtual void MoveCursor(int16_t row, int16_t column) = 0;
  virtual int16_t CursorRow() const = 0;
  virtual int16_t CursorColumn() const = 0;
  virtual void WriteText(std::string_view cp850) = 0;
  virtual void WriteBlanks(int n) = 0;
  virtual void NewLine() = 0;
  virtual void SetColours(int foreground, int background) = 0;
  virtual int Foreground() const = 0;
  virtual int Background() const = 0;
  virtual Cell ReadCell(int16_t row, int16_t column) const = 0;
  // Moves the rectangle's cells n rows up (n > 0) or down (n < 0); the rows
  // that come free are blank in the current colours; n = 0 blanks it all.
  virtual void ScrollRect(const Rect& rect, int n) = 0;
  // 0 hides the cursor; any other value shows it, its height the size in
  // percent of the cell, clamped to 10..99.
  virtual void SetCursor(int size) = 0;
  virtual int CursorSize() const = 0;
  virtual void ClearScreen() = 0;
  virtual void Beep() = 0;
  // Sends what was drawn to the device; called before every input wait.
  virtual void Flush() {}

  // Input.
  // Takes one pending event without waiting; false when none is pending.
  virtual bool PollEvent(InputEvent& event) = 0;
  // Blocks until input is pending or timeoutMs passes (-1: no limit).
  // Returns true when input is pending.
  virtual bool WaitInput(int timeoutMs) = 0;
  // Discards every event not yet delivered.
  virtual void DiscardInput() = 0;
  // Whether a mouse exists, and mouse reporting on and off.
  virtual bool HasMouse() const = 0;
  virtual void SetMouseReporting(bool on) = 0;
  virtual bool MouseReporting() const = 0;

  // The keyboard's Insert toggle, process-wide.
  virtual bool InsertToggle() const = 0;
  virtual void SetInsertToggle(bool on) = 0;

  // Hands the device back to the system for a while (another program runs in
  // the terminal), then takes it again and redraws the whole screen.
  virtual void Suspend() {}
  virtual void Resume() {}

  // The text clipboard, code page 850.
  virtual std::string ClipboardText() const = 0;
  virtual void SetClipboardText(std::string_view cp850) = 0;
};

// The console every drawing routine uses. The program installs a terminal
// console at start-up; tests install a memory console.
Console& ActiveConsole();
void SetActiveConsole(Console* console);
bool HasActiveConsole();

}  // namespace platform
