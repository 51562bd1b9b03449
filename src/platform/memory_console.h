// A console in memory with a scripted input queue, for tests and headless
// runs. When the script runs dry while the program waits for input, the wait
// throws ScriptExhausted with the screen in its message, so a test never hangs.
#pragma once

#include <deque>
#include <stdexcept>

#include "grid_console.h"

namespace platform {

struct ScriptExhausted : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class MemoryConsole : public GridConsole {
 public:
  explicit MemoryConsole(int16_t width = 80, int16_t height = 25) : GridConsole(width, height) {}

  // Script input. Characters are code page 850 bytes.
  void PushEvent(const InputEvent& event) { events_.push_back(event); }
  // A key with a character: its press (and release, as a console reports it).
  void PushChar(uint8_t ch, uint16_t modifiers = 0, uint8_t scan = 0);
  // Every byte of the text as a typed character.
  void PushText(std::string_view cp850);
  // A key without a character, by scan code (0x3B = F1, 0x48 = Up ...).
  void PushScan(uint8_t scan, uint16_t modifiers = 0);
  // A key given as a system key code: 1..255 a character, else scan x 256.
  void PushKey(int code, uint16_t modifiers = 0);
  void PushMouseMove(int16_t row, int16_t column);
  // A click: move there, then release of button 1 (left) or 2 (right).
  void PushClick(int16_t row, int16_t column, uint8_t button = 1);

  size_t PendingEvents() const { return events_.size(); }
  int WaitCalls() const { return waitCalls_; }
  // When set, a wait on an empty queue returns false instead of throwing.
  void SetIdleAllowed(bool allowed) { idleAllowed_ = allowed; }

  bool PollEvent(InputEvent& event) override;
  bool WaitInput(int timeoutMs) override;
  void DiscardInput() override;
  bool HasMouse() const override { return hasMouse_; }
  void SetHasMouse(bool has) { hasMouse_ = has; }
  void SetMouseReporting(bool on) override { mouseReporting_ = on; }
  bool MouseReporting() const override { return mouseReporting_; }

  // Discarding input drops the events queued so far; a test that scripts keys
  // to be read after a discard marks the point with this barrier.
  void PushDiscardBarrier();

 private:
  std::deque<InputEvent> events_;
  std::deque<size_t> barriers_;  // queue lengths at which a discard stops
  bool hasMouse_ = true;
  bool mouseReporting_ = false;
  bool idleAllowed_ = false;
  int waitCalls_ = 0;
};

}  // namespace platform
