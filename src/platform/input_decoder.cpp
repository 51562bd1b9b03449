#include "input_decoder.h"

#include <algorithm>

#include "cp850.h"
#include "keys.h"

namespace platform {

namespace {

constexpr char kEsc = '\x1b';
constexpr size_t kMaxSequence = 64;    // longer "sequences" are noise
constexpr size_t kMaxPaste = 1 << 20;  // bytes of one paste kept
constexpr int kPasteTimeoutMs = 2000;  // a paste whose end never comes

bool IsCompositionKey(uint8_t scan) {
  switch (scan) {
    case ScanIns:
    case ScanEnd:
    case ScanDown:
    case ScanPgDn:
    case ScanLeft:
    case ScanCentre:
    case ScanRight:
    case ScanHome:
    case ScanUp:
    case ScanPgUp:
      return true;
    default:
      return false;
  }
}

// The xterm modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
uint16_t ModsFromParam(int param) {
  if (param < 2) return 0;
  int bits = param - 1;
  uint16_t mods = 0;
  if (bits & 1) mods |= ModShift;
  if (bits & (2 | 8)) mods |= ModLeftAlt;
  if (bits & 4) mods |= ModLeftCtrl;
  return mods;
}

// The keys of "CSI n ~": scan code, and whether the code itself means Shift.
struct TildeKey {
  uint8_t Scan = 0;
  bool Shifted = false;
};

TildeKey TildeKeyFor(int n, bool shiftedFunctionKeys) {
  switch (n) {
    case 1:
    case 7:
      return {ScanHome};
    case 2:
      return {ScanIns};
    case 3:
      return {ScanDel};
    case 4:
    case 8:
      return {ScanEnd};
    case 5:
      return {ScanPgUp};
    case 6:
      return {ScanPgDn};
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
      return {static_cast<uint8_t>(ScanF1 + n - 11)};
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
      return {static_cast<uint8_t>(ScanF1 + 5 + n - 17)};
    case 23:
      return shiftedFunctionKeys ? TildeKey{ScanF1, true} : TildeKey{ScanF11};
    case 24:
      return shiftedFunctionKeys ? TildeKey{ScanF1 + 1, true} : TildeKey{ScanF12};
    case 25:
    case 26:
      return {static_cast<uint8_t>(ScanF1 + 2 + n - 25), true};
    case 28:
    case 29:
      return {static_cast<uint8_t>(ScanF1 + 4 + n - 28), true};
    case 31:
    case 32:
    case 33:
    case 34:
      return {static_cast<uint8_t>(ScanF1 + 6 + n - 31), true};
    default:
      return {};
  }
}

uint8_t LetterFinalScan(char final) {
  switch (final) {
    case 'A':
      return ScanUp;
    case 'B':
      return ScanDown;
    case 'C':
      return ScanRight;
    case 'D':
      return ScanLeft;
    case 'H':
      return ScanHome;
    case 'F':
      return ScanEnd;
    case 'E':
    case 'G':
      return ScanCentre;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      return static_cast<uint8_t>(ScanF1 + (final - 'P'));
    default:
      return 0;
  }
}

}  // namespace

uint8_t AsciiScan(uint8_t ch) {
  if (uint8_t letter = LetterScan(ch)) return letter;
  switch (ch) {
    case '1':
    case '!':
      return 0x02;
    case '2':
    case '@':
      return 0x03;
    case '3':
    case '#':
      return 0x04;
    case '4':
    case '$':
      return 0x05;
    case '5':
    case '%':
      return 0x06;
    case '6':
    case '^':
      return 0x07;
    case '7':
    case '&':
      return 0x08;
    case '8':
    case '*':
      return 0x09;
    case '9':
    case '(':
      return 0x0A;
    case '0':
    case ')':
      return 0x0B;
    case '-':
    case '_':
      return 0x0C;
    case '=':
    case '+':
      return 0x0D;
    case '[':
    case '{':
      return 0x1A;
    case ']':
    case '}':
      return 0x1B;
    case ';':
    case ':':
      return 0x27;
    case '\'':
    case '"':
      return 0x28;
    case '`':
    case '~':
      return 0x29;
    case '\\':
    case '|':
      return 0x2B;
    case ',':
    case '<':
      return 0x33;
    case '.':
    case '>':
      return 0x34;
    case '/':
    case '?':
      return 0x35;
    case ' ':
      return 0x39;
    default:
      return 0;
  }
}

void InputDecoder::AddKeyString(std::string bytes, const InputEvent& key) {
  if (bytes.empty()) return;
  keyStrings_.emplace_back(std::move(bytes), key);
}

void InputDecoder::EmitKey(uint8_t ch, uint8_t scan, uint16_t mods) {
  // A terminal never reports the release of Alt, so Alt with a keypad key is
  // reported as the right Alt: it must not start an Alt+keypad character
  // code that could never be finished.
  if ((mods & ModLeftAlt) && IsCompositionKey(scan))
    mods = static_cast<uint16_t>((mods & ~ModLeftAlt) | ModRightAlt);
  DecodedInput d;
  d.Event.Type = InputEvent::Kind::KeyPress;
  d.Event.Char = ch;
  d.Event.Scan = scan;
  d.Event.Modifiers = mods;
  out_.push_back(std::move(d));
}

void InputDecoder::EmitChar(uint8_t ch, uint16_t mods) {
  if (ch >= 'A' && ch <= 'Z') mods |= ModShift;
  EmitKey(ch, ch < 0x80 ? AsciiScan(ch) : 0, mods);
}

void InputDecoder::EmitMouse(InputEvent::Kind kind, int row, int column, uint8_t button, uint16_t mods) {
  // Only the logical screen answers to the mouse.
  if (row < 1 || row > 25 || column < 1 || column > 80) return;
  DecodedInput d;
  d.Event.Type = kind;
  d.Event.Row = static_cast<int16_t>(row);
  d.Event.Column = static_cast<int16_t>(column);
  d.Event.Button = button;
  d.Event.Modifiers = mods;
  out_.push_back(std::move(d));
}

void InputDecoder::FinishPaste() {
  DecodedInput d;
  d.Event.Type = InputEvent::Kind::KeyPress;
  d.Event.Char = 22;
  d.Event.Scan = AsciiScan('v');
  d.Event.Modifiers = ModLeftCtrl;
  d.IsPaste = true;
  d.PasteText = Utf8ToCp850(paste_);
  out_.push_back(std::move(d));
  paste_.clear();
  inPaste_ = false;
}

size_t InputDecoder::MatchKeyString(size_t pos, uint16_t extraMods, bool& prefix) {
  std::string_view rest(buf_.data() + pos, buf_.size() - pos);
  const std::pair<std::string, InputEvent>* best = nullptr;
  prefix = false;
  for (const auto& ks : keyStrings_) {
    if (ks.first.size() <= rest.size()) {
      if (rest.compare(0, ks.first.size(), ks.first) == 0 && (!best || ks.first.size() > best->first.size()))
        best = &ks;
    } else if (ks.first.compare(0, rest.size(), rest) == 0) {
      prefix = true;
    }
  }
  if (!best) return 0;
  prefix = false;
  EmitKey(best->second.Char, best->second.Scan, static_cast<uint16_t>(best->second.Modifiers | extraMods));
  return best->first.size();
}

size_t InputDecoder::ParseText(size_t pos, uint16_t mods, bool& incomplete) {
  uint8_t b = static_cast<uint8_t>(buf_[pos]);
  if (b < 0x80) {
    if (b == 0x7F || b == 0x08) {
      EmitKey(8, ScanBackspace, mods);
    } else if (b == '\t') {
      EmitKey(9, ScanTab, mods);
    } else if (b == '\r') {
      EmitKey(13, ScanEnter, mods);
    } else if (b == '\n') {
      EmitKey(10, AsciiScan('j'), mods | ModLeftCtrl);
    } else if (b == 0x1B) {
      EmitKey(27, ScanEsc, mods);
    } else if (b == 0) {
      EmitKey(0, AsciiScan('2'), mods | ModLeftCtrl);
    } else if (b < 27) {
      EmitKey(b, AsciiScan(static_cast<uint8_t>('a' + b - 1)), mods | ModLeftCtrl);
    } else if (b < 32) {
      EmitKey(b, AsciiScan(static_cast<uint8_t>('@' + b)), mods | ModLeftCtrl);
    } else {
      EmitChar(b, mods);
    }
    return 1;
  }
  size_t len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0) return 1;  // a stray continuation byte or an invalid lead
  char32_t cp = b & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < len; ++k) {
    if (pos + k >= buf_.size()) {
      incomplete = true;
      return 0;
    }
    uint8_t c = static_cast<uint8_t>(buf_[pos + k]);
    if ((c & 0xC0) != 0x80) return k;  // broken: drop what was read, keep c
    cp = (cp << 6) | (c & 0x3F);
  }
  uint8_t ch = UnicodeToCp850(cp);
  // Characters outside code page 850, and the control glyphs, cannot be typed.
  if (cp >= 0x80 && ch >= 0x80) EmitKey(ch, 0, mods);
  return len;
}

size_t InputDecoder::ParseSs3(size_t pos, uint16_t mods, bool& incomplete) {
  size_t p = pos + 2;
  size_t q = p;
  int param = 0;
  bool hasParam = false;
  while (q < buf_.size() && buf_[q] >= '0' && buf_[q] <= '9' && q - pos < 8) {
    param = param * 10 + (buf_[q] - '0');
    hasParam = true;
    ++q;
  }
  if (q >= buf_.size()) {
    incomplete = true;
    return 0;
  }
  char final = buf_[q];
  if (final < 0x40 || final > 0x7E) {
    if (hasParam) return q - pos;  // broken: drop it, keep the byte that broke it
    // Esc O and something that is no sequence: Alt+O typed before it.
    return ParseText(pos + 1, mods | ModLeftAlt, incomplete) + 1;
  }
  size_t len = q + 1 - pos;
  uint16_t m = static_cast<uint16_t>(mods | ModsFromParam(param));
  if (final >= 'A' && final <= 'D') {
    if (!hasParam && options_.Ss3ArrowsAreCtrl) m |= ModLeftCtrl;
    EmitKey(0, LetterFinalScan(final), m);
  } else if (uint8_t scan = LetterFinalScan(final)) {
    EmitKey(0, scan, m);
  } else if (final >= 'a' && final <= 'd') {
    static const uint8_t arrows[] = {ScanUp, ScanDown, ScanRight, ScanLeft};
    EmitKey(0, arrows[final - 'a'], m | ModLeftCtrl);
  } else if (final == 'M') {
    EmitKey(13, ScanEnter, m);
  } else if (final >= 'j' && final <= 'y') {
    // The keypad in application mode.
    static const char keypad[] = "*+,-./0123456789";
    EmitChar(static_cast<uint8_t>(keypad[final - 'j']), m);
  } else if (final == 'X') {
    EmitChar('=', m);
  } else {
    bool prefix = false;
    if (size_t n = MatchKeyString(pos, mods, prefix)) return n;
  }
  return len;
}

size_t InputDecoder::ParseCsi(size_t pos, uint16_t mods, bool& incomplete) {
  size_t p = pos + 2;
  if (p >= buf_.size()) {
    incomplete = true;
    return 0;
  }
  char c = buf_[p];
  if (c == '[') {
    // The Linux console's F1..F5.
    if (p + 1 >= buf_.size()) {
      incomplete = true;
      return 0;
    }
    char f = buf_[p + 1];
    if (f >= 'A' && f <= 'E') {
      EmitKey(0, static_cast<uint8_t>(ScanF1 + (f - 'A')), mods);
      return 4;
    }
    return 3;
  }
  if (c == 'M') {
    // X10 mouse report: button, column and row as bytes offset by 32.
    if (p + 3 >= buf_.size()) {
      incomplete = true;
      return 0;
    }
    int b = static_cast<uint8_t>(buf_[p + 1]) - 32;
    int x = static_cast<uint8_t>(buf_[p + 2]) - 32;
    int y = static_cast<uint8_t>(buf_[p + 3]) - 32;
    if (b & 64) {
      // wheel: nothing
    } else if (b & 32) {
      EmitMouse(InputEvent::Kind::MouseMove, y, x, 0, 0);
    } else if ((b & 3) == 3) {
      if (x10Button_) EmitMouse(InputEvent::Kind::MouseRelease, y, x, x10Button_, 0);
      x10Button_ = 0;
    } else {
      x10Button_ = (b & 3) == 0 ? 1 : (b & 3) == 2 ? 2 : 0;
    }
    return 6;
  }
  if (c < 0x20 || c > 0x7E) {
    // Esc [ and something that is no sequence: Alt+[ typed before it.
    return ParseText(pos + 1, mods | ModLeftAlt, incomplete) + 1;
  }

  // Parameter bytes, intermediate bytes, final byte. rxvt ends some keys
  // with "$" (Shift), which is an intermediate byte by the standard.
  size_t q = p;
  while (q < buf_.size() && buf_[q] >= 0x30 && buf_[q] <= 0x3F) ++q;
  size_t paramEnd = q;
  while (q < buf_.size() && buf_[q] >= 0x20 && buf_[q] <= 0x2F && !(buf_[q] == '$' && q == paramEnd)) ++q;
  if (q >= buf_.size()) {
    if (q - pos > kMaxSequence) return q - pos;
    incomplete = true;
    return 0;
  }
  char final = buf_[q];
  if ((final < 0x40 || final > 0x7E) && final != '$') return q - pos;  // broken: keep the byte
  size_t len = q + 1 - pos;
  std::string_view paramText(buf_.data() + p, paramEnd - p);
  bool intermediates = q != paramEnd && final != '$';

  if (c == '<' && (final == 'M' || final == 'm') && !intermediates) {
    // SGR mouse report: button;column;row, M for a press or move, m for a release.
    int v[3] = {0, 0, 0};
    int k = 0;
    for (char ch : paramText.substr(1)) {
      if (ch == ';') {
        if (++k > 2) break;
      } else if (ch >= '0' && ch <= '9') {
        v[k] = std::min(v[k] * 10 + (ch - '0'), 100000);
      }
    }
    int b = v[0];
    uint16_t mm = 0;
    if (b & 4) mm |= ModShift;
    if (b & 8) mm |= ModLeftAlt;
    if (b & 16) mm |= ModLeftCtrl;
    if (b & 64) return len;  // wheel
    if (final == 'm') {
      uint8_t button = (b & 3) == 0 ? 1 : (b & 3) == 2 ? 2 : 0;
      if (button) EmitMouse(InputEvent::Kind::MouseRelease, v[2], v[1], button, mm);
    } else if (b & 32) {
      EmitMouse(InputEvent::Kind::MouseMove, v[2], v[1], 0, mm);
    }
    return len;
  }

  // Numeric parameters; a private marker (< = > ?) makes it a report, not a key.
  std::vector<int> params;
  bool privateMarker = !paramText.empty() && paramText[0] >= 0x3C;
  if (!privateMarker) {
    int value = -1;
    for (char ch : paramText) {
      if (ch >= '0' && ch <= '9') {
        value = std::min((value < 0 ? 0 : value) * 10 + (ch - '0'), 100000);
      } else if (ch == ';') {
        params.push_back(value);
        value = -1;
      } else if (ch == ':') {
        // sub-parameters (kitty): keep the first
      } else {
        privateMarker = true;
      }
    }
    params.push_back(value);
  }
  auto param = [&](size_t i, int def) { return i < params.size() && params[i] >= 0 ? params[i] : def; };

  bool known = false;
  if (!privateMarker && !intermediates) {
    uint16_t m = static_cast<uint16_t>(mods | ModsFromParam(param(1, 1)));
    if (uint8_t scan = LetterFinalScan(final)) {
      EmitKey(0, scan, m);
      known = true;
    } else if (final == 'Z') {
      EmitKey(0, ScanTab, m | ModShift);
      known = true;
    } else if (final >= 'a' && final <= 'd') {
      static const uint8_t arrows[] = {ScanUp, ScanDown, ScanRight, ScanLeft};
      EmitKey(0, arrows[final - 'a'], m | ModShift);
      known = true;
    } else if (final == '~' && param(0, 0) == 200) {
      inPaste_ = true;
      known = true;
    } else if (final == '~' && param(0, 0) == 201) {
      known = true;  // the end of a paste that had no start
    } else if (final == '~' && param(0, 0) == 27 && params.size() >= 3) {
      // A character with modifiers: CSI 27 ; mod ; code ~
      int code = param(2, 0);
      uint16_t cm = static_cast<uint16_t>(mods | ModsFromParam(param(1, 1)));
      if (code > 0 && code < 0x80) {
        uint8_t ch = static_cast<uint8_t>(code);
        if ((cm & ModLeftCtrl) && ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z')))
          EmitKey(static_cast<uint8_t>(ch & 0x1F), AsciiScan(ch), cm);
        else if (ch == 27)
          EmitKey(27, ScanEsc, cm);
        else if (ch == 13)
          EmitKey(13, ScanEnter, cm);
        else if (ch == 9)
          EmitKey((cm & ModShift) ? 0 : 9, ScanTab, cm);
        else if (ch == 127 || ch == 8)
          EmitKey(8, ScanBackspace, cm);
        else if (ch >= 32)
          EmitKey(ch, AsciiScan(ch), cm);
      }
      known = true;
    } else if (final == 'u') {
      // CSI code ; mod u
      int code = param(0, 0);
      uint16_t cm = static_cast<uint16_t>(mods | ModsFromParam(param(1, 1)));
      if (code == 27)
        EmitKey(27, ScanEsc, cm);
      else if (code == 13)
        EmitKey(13, ScanEnter, cm);
      else if (code == 9)
        EmitKey((cm & ModShift) ? 0 : 9, ScanTab, cm);
      else if (code == 127 || code == 8)
        EmitKey(8, ScanBackspace, cm);
      else if (code >= 32 && code < 0x80) {
        uint8_t ch = static_cast<uint8_t>(code);
        bool letter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
        EmitKey((cm & ModLeftCtrl) && letter ? static_cast<uint8_t>(ch & 0x1F) : ch, AsciiScan(ch), cm);
      } else if (code >= 0x80 && code < 0x110000) {
        uint8_t ch = UnicodeToCp850(static_cast<char32_t>(code));
        if (ch >= 0x80) EmitKey(ch, 0, cm);
      }
      known = true;
    } else if (final == '~' || final == '^' || final == '$' || final == '@') {
      TildeKey key = TildeKeyFor(param(0, 0), options_.ShiftedFunctionKeys);
      if (key.Scan) {
        if (key.Shifted) m |= ModShift;
        if (final == '^' || final == '@') m |= ModLeftCtrl;
        if (final == '$' || final == '@') m |= ModShift;
        EmitKey(0, key.Scan, m);
        known = true;
      }
    }
  }
  if (!known) {
    bool prefix = false;
    if (size_t n = MatchKeyString(pos, mods, prefix)) return n;
  }
  return len;
}

size_t InputDecoder::ParseEscape(size_t pos, uint16_t mods, bool& incomplete) {
  if (pos + 1 >= buf_.size()) {
    incomplete = true;
    return 0;
  }
  char b1 = buf_[pos + 1];
  if (b1 == '[') return ParseCsi(pos, mods, incomplete);
  if (b1 == 'O') return ParseSs3(pos, mods, incomplete);
  if (b1 == kEsc) {
    // Esc Esc [ ... is Alt with a sequence (rxvt); otherwise two Escs.
    if (mods & ModAnyAlt) {
      EmitKey(27, ScanEsc, mods);
      return 1;
    }
    if (pos + 2 >= buf_.size()) {
      incomplete = true;
      return 0;
    }
    char b2 = buf_[pos + 2];
    if (b2 == '[' || b2 == 'O') {
      size_t n = ParseEscape(pos + 1, static_cast<uint16_t>(mods | ModLeftAlt), incomplete);
      return incomplete ? 0 : n + 1;
    }
    EmitKey(27, ScanEsc, mods);
    return 1;
  }
  bool prefix = false;
  if (size_t n = MatchKeyString(pos, mods, prefix)) return n;
  if (prefix) {
    incomplete = true;
    return 0;
  }
  // Alt as an Esc prefix.
  size_t n = ParseText(pos + 1, static_cast<uint16_t>(mods | ModLeftAlt), incomplete);
  return incomplete ? 0 : n + 1;
}

InputDecoder::Result InputDecoder::ParseOne() {
  if (inPaste_) {
    static const std::string_view kEnd = "\x1b[201~";
    size_t end = buf_.find(kEnd);
    if (end != std::string::npos) {
      if (paste_.size() < kMaxPaste) paste_.append(buf_, 0, std::min(end, kMaxPaste - paste_.size()));
      buf_.erase(0, end + kEnd.size());
      FinishPaste();
      return Result::Done;
    }
    // Keep a tail that may be the start of the end marker.
    if (buf_.size() > kEnd.size()) {
      size_t take = buf_.size() - (kEnd.size() - 1);
      if (paste_.size() < kMaxPaste) paste_.append(buf_, 0, std::min(take, kMaxPaste - paste_.size()));
      buf_.erase(0, take);
    }
    return Result::Incomplete;
  }
  if (buf_.empty()) return Result::Incomplete;
  bool incomplete = false;
  size_t n = buf_[0] == kEsc ? ParseEscape(0, 0, incomplete) : ParseText(0, 0, incomplete);
  if (incomplete) return Result::Incomplete;
  buf_.erase(0, std::max<size_t>(n, 1));
  return Result::Done;
}

void InputDecoder::Feed(std::string_view bytes, int64_t nowMs) {
  if (bytes.empty()) return;
  buf_.append(bytes);
  lastFeedMs_ = nowMs;
  while (ParseOne() == Result::Done) {
  }
}

int InputDecoder::PendingTimeout(int64_t nowMs) const {
  if (!inPaste_ && buf_.empty()) return -1;
  int delay = inPaste_           ? kPasteTimeoutMs
              : buf_.size() <= 2 ? options_.EscDelayMs
                                 : std::max(100, 4 * options_.EscDelayMs);
  int64_t left = lastFeedMs_ + delay - nowMs;
  return left < 0 ? 0 : static_cast<int>(std::min<int64_t>(left, delay));
}

void InputDecoder::Expire(int64_t nowMs) {
  if (PendingTimeout(nowMs) != 0) return;
  if (inPaste_) {
    if (paste_.size() < kMaxPaste) paste_.append(buf_, 0, kMaxPaste - paste_.size());
    buf_.clear();
    FinishPaste();
    return;
  }
  while (!buf_.empty()) {
    if (ParseOne() == Result::Done) continue;
    if (inPaste_) return;
    if (buf_[0] == kEsc) {
      if (buf_.size() == 1 || buf_[1] == kEsc) {
        EmitKey(27, ScanEsc, 0);
        buf_.erase(0, 1);
      } else if (buf_.size() == 2 && (buf_[1] == '[' || buf_[1] == 'O')) {
        EmitChar(static_cast<uint8_t>(buf_[1]), ModLeftAlt);
        buf_.clear();
      } else {
        buf_.clear();  // the rest of a sequence that never ended
      }
    } else {
      buf_.erase(0, 1);  // an unfinished UTF-8 character
    }
  }
}

bool InputDecoder::Next(DecodedInput& out) {
  if (out_.empty()) return false;
  out = std::move(out_.front());
  out_.pop_front();
  return true;
}

bool InputDecoder::Peek(DecodedInput& out) const {
  if (out_.empty()) return false;
  out = out_.front();
  return true;
}

void InputDecoder::Clear() {
  buf_.clear();
  paste_.clear();
  inPaste_ = false;
  out_.clear();
}

std::vector<DecodedInput> InputDecoder::DecodeAll(std::string_view bytes) {
  Feed(bytes, lastFeedMs_ + 1);
  Expire(lastFeedMs_ + 1000000);
  std::vector<DecodedInput> all;
  DecodedInput d;
  while (Next(d)) all.push_back(d);
  return all;
}

}  // namespace platform
