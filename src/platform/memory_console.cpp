#include "memory_console.h"

#include "keys.h"

namespace platform {

void MemoryConsole::PushChar(uint8_t ch, uint16_t modifiers, uint8_t scan) {
  InputEvent press;
  press.Type = InputEvent::Kind::KeyPress;
  press.Char = ch;
  press.Scan = scan ? scan : LetterScan(ch);
  press.Modifiers = modifiers;
  events_.push_back(press);
  InputEvent release = press;
  release.Type = InputEvent::Kind::KeyRelease;
  events_.push_back(release);
}

void MemoryConsole::PushText(std::string_view cp850) {
  for (char c : cp850) PushChar(static_cast<uint8_t>(c));
}

void MemoryConsole::PushScan(uint8_t scan, uint16_t modifiers) {
  InputEvent press;
  press.Type = InputEvent::Kind::KeyPress;
  press.Scan = scan;
  press.Modifiers = modifiers;
  events_.push_back(press);
  InputEvent release = press;
  release.Type = InputEvent::Kind::KeyRelease;
  events_.push_back(release);
}

void MemoryConsole::PushKey(int code, uint16_t modifiers) {
  if (code > 0 && code < 256)
    PushChar(static_cast<uint8_t>(code), modifiers);
  else
    PushScan(static_cast<uint8_t>((code >> 8) & 0xFF), modifiers);
}

void MemoryConsole::PushMouseMove(int16_t row, int16_t column) {
  InputEvent move;
  move.Type = InputEvent::Kind::MouseMove;
  move.Row = row;
  move.Column = column;
  events_.push_back(move);
}

void MemoryConsole::PushClick(int16_t row, int16_t column, uint8_t button) {
  PushMouseMove(row, column);
  InputEvent release;
  release.Type = InputEvent::Kind::MouseRelease;
  release.Row = row;
  release.Column = column;
  release.Button = button;
  events_.push_back(release);
}

void MemoryConsole::PushDiscardBarrier() { barriers_.push_back(events_.size()); }

bool MemoryConsole::PollEvent(InputEvent& event) {
  if (events_.empty()) return false;
  // Mouse events arrive only while reporting is on, as on a real console.
  while (!events_.empty()) {
    event = events_.front();
    events_.pop_front();
    for (auto& b : barriers_) b = b ? b - 1 : 0;
    bool mouse = event.Type == InputEvent::Kind::MouseMove || event.Type == InputEvent::Kind::MouseRelease;
    if (!mouse || mouseReporting_) return true;
  }
  return false;
}

bool MemoryConsole::WaitInput(int timeoutMs) {
  ++waitCalls_;
  if (!events_.empty()) return true;
  (void)timeoutMs;
  if (idleAllowed_) return false;
  throw ScriptExhausted("memory console: the input script ran dry while the program waits for a key\n" +
                        Dump());
}

void MemoryConsole::DiscardInput() {
  // Drop events up to the first barrier (all of them when none is set).
  size_t keep = 0;
  if (!barriers_.empty()) {
    size_t upto = barriers_.front();
    barriers_.pop_front();
    keep = events_.size() - std::min(upto, events_.size());
    for (auto& b : barriers_) b = b > upto ? b - upto : 0;
  }
  while (events_.size() > keep) events_.pop_front();
}

}  // namespace platform
