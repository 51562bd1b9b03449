// Decoder of the byte stream a terminal sends: the xterm family of key
// sequences (CSI and SS3 keys with the modifier parameter, and the older
// forms of rxvt, the Linux console and PuTTY), Alt as an Esc prefix, SGR and
// X10 mouse reports, bracketed paste and UTF-8 text. Each key becomes an
// InputEvent as a PC console reports it: the code page 850 character (0 for
// a key without one), the set-1 scan code and the modifiers.
//
// The decoder is pure: bytes and the time go in, events come out. The
// terminal console feeds it what it reads and asks it how long to wait
// before an incomplete sequence (a lone Esc) is taken as it stands.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console.h"

namespace platform {

// Scan codes of the keys the decoder reports.
enum ScanCode : uint8_t {
  ScanEsc = 0x01,
  ScanBackspace = 0x0E,
  ScanTab = 0x0F,
  ScanEnter = 0x1C,
  ScanF1 = 0x3B,  // F1..F10 are 0x3B..0x44
  ScanHome = 0x47,
  ScanUp = 0x48,
  ScanPgUp = 0x49,
  ScanLeft = 0x4B,
  ScanCentre = 0x4C,
  ScanRight = 0x4D,
  ScanEnd = 0x4F,
  ScanDown = 0x50,
  ScanPgDn = 0x51,
  ScanIns = 0x52,
  ScanDel = 0x53,
  ScanF11 = 0x57,
  ScanF12 = 0x58,
};

// Scan code of the key that types an ASCII character on a US layout (the
// letters by their rows, digits, punctuation, space); 0 when none.
uint8_t AsciiScan(uint8_t ch);

struct DecodedInput {
  InputEvent Event;
  bool IsPaste = false;   // Event is Ctrl+V; PasteText is the pasted text
  std::string PasteText;  // code page 850
};

class InputDecoder {
 public:
  struct Options {
    // rxvt and the Linux console send Shift+F1..F10 as the codes 23..34 of
    // "CSI n ~" (xterm's F11, F12 and F13..F20); with this set they decode
    // as Shift+F1..F10, otherwise 23 and 24 are F11 and F12.
    bool ShiftedFunctionKeys = false;
    // With the cursor keys in normal mode (the console resets them so),
    // "SS3 A..D" comes only from terminals that send Ctrl+arrow that way.
    bool Ss3ArrowsAreCtrl = true;
    // How long an Esc waits for the rest of a sequence.
    int EscDelayMs = 25;
  };

  InputDecoder() = default;
  explicit InputDecoder(const Options& options) : options_(options) {}

  // A key string of the terminal's own description (terminfo), used for
  // sequences the built-in forms do not know.
  void AddKeyString(std::string bytes, const InputEvent& key);

  // Bytes as read from the terminal at time nowMs.
  void Feed(std::string_view bytes, int64_t nowMs);
  // Takes incomplete input as it stands once it has waited long enough: a
  // lone Esc becomes the Esc key, Esc [ and Esc O become Alt+[ and Alt+O, the
  // rest of a broken sequence is dropped.
  void Expire(int64_t nowMs);
  // Milliseconds until Expire would act; -1 when nothing is incomplete.
  int PendingTimeout(int64_t nowMs) const;

  bool HasEvent() const { return !out_.empty(); }
  bool Next(DecodedInput& out);
  bool Peek(DecodedInput& out) const;
  // Drops decoded events (not the incomplete bytes of a sequence).
  void DiscardEvents() { out_.clear(); }
  void Clear();

  // Convenience for tests: feeds the bytes, expires what stays incomplete
  // and returns every event.
  std::vector<DecodedInput> DecodeAll(std::string_view bytes);

 private:
  enum class Result { Done, Incomplete };
  Result ParseOne();
  // Parses from buf_[pos]; on success appends events and returns the length.
  size_t ParseEscape(size_t pos, uint16_t extraMods, bool& incomplete);
  size_t ParseCsi(size_t pos, uint16_t extraMods, bool& incomplete);
  size_t ParseSs3(size_t pos, uint16_t extraMods, bool& incomplete);
  size_t MatchKeyString(size_t pos, uint16_t extraMods, bool& prefix);
  size_t ParseText(size_t pos, uint16_t extraMods, bool& incomplete);
  void EmitKey(uint8_t ch, uint8_t scan, uint16_t mods);
  void EmitChar(uint8_t ch, uint16_t mods);
  void EmitMouse(InputEvent::Kind kind, int row, int column, uint8_t button, uint16_t mods);
  void FinishPaste();

  Options options_;
  std::string buf_;
  int64_t lastFeedMs_ = 0;
  bool inPaste_ = false;
  std::string paste_;  // UTF-8 bytes of a paste in progress
  uint8_t x10Button_ = 0;
  std::vector<std::pair<std::string, InputEvent>> keyStrings_;
  std::deque<DecodedInput> out_;
};

}  // namespace platform
