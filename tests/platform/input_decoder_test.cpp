// The terminal input decoder as a table: the bytes terminals send, and the
// PC console events they must become.
#include "platform/input_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/terminal_console.h"

namespace {

using platform::DecodedInput;
using platform::InputDecoder;
using platform::InputEvent;

// One event as text: "K <char> <scan> <mods>" for a key (decimal, hex, hex:
// 01 left Alt, 02 right Alt, 04 left Ctrl, 10 Shift), "R <row> <column>
// <button>" for a release, "M <row> <column>" for a move, "P <text>" after a
// paste key.
std::string Describe(const DecodedInput& d) {
  char buf[96];
  const InputEvent& e = d.Event;
  switch (e.Type) {
    case InputEvent::Kind::MouseRelease:
      std::snprintf(buf, sizeof buf, "R %d %d %d", e.Row, e.Column, e.Button);
      return buf;
    case InputEvent::Kind::MouseMove:
      std::snprintf(buf, sizeof buf, "M %d %d", e.Row, e.Column);
      return buf;
    default:
      std::snprintf(buf, sizeof buf, "K %d %02X %02X", e.Char, e.Scan, e.Modifiers);
      return d.IsPaste ? std::string(buf) + " P " + d.PasteText : std::string(buf);
  }
}

std::string Decode(const std::string& bytes, const InputDecoder::Options& options = {}) {
  InputDecoder decoder(options);
  std::string out;
  for (const auto& d : decoder.DecodeAll(bytes)) {
    if (!out.empty()) out += " | ";
    out += Describe(d);
  }
  return out;
}

struct Case {
  const char* Terminal;
  std::string Bytes;
  std::string Expected;
};

void RunTable(const std::vector<Case>& cases, const InputDecoder::Options& options) {
  for (const auto& c : cases) {
    std::string shown;
    for (unsigned char ch : c.Bytes) {
      char b[8];
      std::snprintf(b, sizeof b, ch < 32 || ch >= 127 ? "\\x%02x" : "%c", ch);
      shown += b;
    }
    EXPECT_EQ(Decode(c.Bytes, options), c.Expected) << c.Terminal << ": " << shown;
  }
}

TEST(InputDecoder, XtermAndTmuxKeys) {
  RunTable(
      {
          {"xterm", "\x1bOP", "K 0 3B 00"},
          {"xterm", "\x1bOS", "K 0 3E 00"},
          {"xterm", "\x1b[1;2P", "K 0 3B 10"},
          {"xterm", "\x1b[1;5P", "K 0 3B 04"},
          {"xterm", "\x1b[1;3P", "K 0 3B 01"},
          {"xterm", "\x1b[1;3S", "K 0 3E 01"},
          {"xterm", "\x1b[1;5S", "K 0 3E 04"},
          {"xterm", "\x1b[15~", "K 0 3F 00"},
          {"xterm", "\x1b[15;2~", "K 0 3F 10"},
          {"xterm", "\x1b[17;5~", "K 0 40 04"},
          {"xterm", "\x1b[21~", "K 0 44 00"},
          {"xterm", "\x1b[21;2~", "K 0 44 10"},
          {"xterm", "\x1b[21;3~", "K 0 44 01"},
          {"xterm", "\x1b[21;5~", "K 0 44 04"},
          {"xterm", "\x1b[23~", "K 0 57 00"},
          {"xterm", "\x1b[24~", "K 0 58 00"},
          {"xterm", "\x1b[1;5D", "K 0 4B 04"},
          {"xterm", "\x1b[1;5C", "K 0 4D 04"},
          {"xterm", "\x1b[1;5H", "K 0 47 04"},
          {"xterm", "\x1b[1;5F", "K 0 4F 04"},
          {"xterm", "\x1b[Z", "K 0 0F 10"},
          {"xterm", "\x1b[E", "K 0 4C 00"},
          {"xterm", "\x1b[A", "K 0 48 00"},
          {"xterm", "\x1b[B", "K 0 50 00"},
          {"xterm", "\x1b[H", "K 0 47 00"},
          {"xterm", "\x1b[F", "K 0 4F 00"},
          {"xterm", "\x1b[5~", "K 0 49 00"},
          {"xterm", "\x1b[6~", "K 0 51 00"},
          {"xterm", "\x1b[2~", "K 0 52 00"},
          {"xterm", "\x1b[3~", "K 0 53 00"},
          {"xterm", "\x1bOH", "K 0 47 00"},
          {"xterm", "\x1bOE", "K 0 4C 00"},
          // Alt with a keypad key is reported as the right Alt.
          {"xterm", "\x1b[1;3A", "K 0 48 02"},
          {"xterm", "\x1b[2;3~", "K 0 52 02"},
          {"xterm", "\x1b[1;2A", "K 0 48 10"},
          // A character with modifiers (modifyOtherKeys, CSI u).
          {"xterm", "\x1b[27;5;118~", "K 22 2F 04"},
          {"xterm", "\x1b[27;3;120~", "K 120 2D 01"},
          {"kitty", "\x1b[99;5u", "K 3 2E 04"},
          {"kitty", "\x1b[27u", "K 27 01 00"},
          {"tmux", "\x1b[1~", "K 0 47 00"},
          {"tmux", "\x1b[4~", "K 0 4F 00"},
          {"tmux", "\x1b[1;2P", "K 0 3B 10"},
          {"tmux", "\x1b[1;5D", "K 0 4B 04"},
          {"tmux", "\x1b[Z", "K 0 0F 10"},
      },
      {});
}

TEST(InputDecoder, RxvtLinuxConsoleAndPuttyKeys) {
  InputDecoder::Options shifted;
  shifted.ShiftedFunctionKeys = true;
  RunTable(
      {
          {"rxvt", "\x1b[11~", "K 0 3B 00"},     {"rxvt", "\x1b[14~", "K 0 3E 00"},
          {"rxvt", "\x1b[23~", "K 0 3B 10"},     {"rxvt", "\x1b[24~", "K 0 3C 10"},
          {"rxvt", "\x1b[25~", "K 0 3D 10"},     {"rxvt", "\x1b[34~", "K 0 44 10"},
          {"rxvt", "\x1b[11^", "K 0 3B 04"},     {"rxvt", "\x1b[21^", "K 0 44 04"},
          {"rxvt", "\x1b[23^", "K 0 3B 14"},     {"rxvt", "\x1b\x1b[11~", "K 0 3B 01"},
          {"rxvt", "\x1b\x1b[14~", "K 0 3E 01"}, {"rxvt", "\x1b[7~", "K 0 47 00"},
          {"rxvt", "\x1b[8~", "K 0 4F 00"},      {"rxvt", "\x1b[7^", "K 0 47 04"},
          {"rxvt", "\x1bOd", "K 0 4B 04"},       {"rxvt", "\x1bOc", "K 0 4D 04"},
          {"rxvt", "\x1b[d", "K 0 4B 10"},       {"rxvt", "\x1b[2$", "K 0 52 10"},
          {"rxvt", "\x1b\x1b[A", "K 0 48 02"},   {"linux", "\x1b[[A", "K 0 3B 00"},
          {"linux", "\x1b[[E", "K 0 3F 00"},     {"linux", "\x1b[17~", "K 0 40 00"},
          {"linux", "\x1b[25~", "K 0 3D 10"},    {"linux", "\x1b[1~", "K 0 47 00"},
          {"linux", "\x1b[4~", "K 0 4F 00"},     {"linux", "\x1b[G", "K 0 4C 00"},
          {"putty", "\x1b[11~", "K 0 3B 00"},    {"putty", "\x1bOD", "K 0 4B 04"},
          {"putty", "\x1bOC", "K 0 4D 04"},
      },
      shifted);
}

TEST(InputDecoder, CharactersControlKeysAndAlt) {
  RunTable(
      {
          {"any", "a", "K 97 1E 00"},
          {"any", "Q", "K 81 10 10"},
          {"any", "1", "K 49 02 00"},
          {"any", " ", "K 32 39 00"},
          {"any", "\r", "K 13 1C 00"},
          {"any", "\t", "K 9 0F 00"},
          {"any", "\x7f", "K 8 0E 00"},
          {"any", "\x08", "K 8 0E 00"},
          {"any", "\x03", "K 3 2E 04"},
          {"any", "\x16", "K 22 2F 04"},
          {"any", "\x19", "K 25 15 04"},
          {"any", "\x1b", "K 27 01 00"},
          {"any", "\x1b\x1b", "K 27 01 00 | K 27 01 00"},
          {"any", "\x1bx", "K 120 2D 01"},
          {"any",
           "\x1b"
           "c",
           "K 99 2E 01"},
          {"any",
           "\x1b"
           "e",
           "K 101 12 01"},
          {"any", "\x1bX", "K 88 2D 11"},
          {"any",
           "\x1b"
           "5",
           "K 53 06 01"},
          {"any", "\x1b\r", "K 13 1C 01"},
          // Esc [ and Esc O left alone are Alt+[ and Alt+O.
          {"any", "\x1b[", "K 91 1A 01"},
          {"any", "\x1bO", "K 79 18 11"},
          // UTF-8 into code page 850; what it cannot hold is not typed.
          {"any", "\xC3\xA9", "K 130 00 00"},
          {"any", "\xE2\x82\xAC", "K 213 00 00"},
          {"any",
           "\xC3\x87"
           "a",
           "K 128 00 00 | K 97 1E 00"},
          {"any",
           "\xE2\x98\xBA"
           "a",
           "K 97 1E 00"},
          {"any",
           "\xE4\xB8\xAD"
           "b",
           "K 98 30 00"},
          {"any", "\x1b\xC3\xA9", "K 130 00 01"},
      },
      {});
}

TEST(InputDecoder, MouseReports) {
  RunTable(
      {
          {"xterm", "\x1b[<0;10;5m", "R 5 10 1"},
          {"xterm", "\x1b[<2;70;3m", "R 3 70 2"},
          {"xterm", "\x1b[<0;10;5M", ""},              // a press
          {"xterm", "\x1b[<1;10;5m", ""},              // the middle button
          {"xterm", "\x1b[<64;10;5M", ""},             // the wheel
          {"xterm", "\x1b[<32;11;6M", "M 6 11"},       // a move with a button held
          {"xterm", "\x1b[<35;11;6M", "M 6 11"},       // a move with none
          {"xterm", "\x1b[<0;81;5m", ""},              // beyond the logical screen
          {"xterm", "\x1b[<16;4;2m", "R 2 4 1"},       // with Ctrl
          {"xterm", "\x1b[M !!\x1b[M#!!", "R 1 1 1"},  // X10: press, release
          {"xterm", "\x1b[M\"*%\x1b[M#*%", "R 5 10 2"},
      },
      {});
}

TEST(InputDecoder, PasteBecomesTheClipboardWithCtrlV) {
  RunTable(
      {
          {"xterm", "\x1b[200~12 \xE2\x82\xAC\x1b[201~", "K 22 2F 04 P 12 \xD5"},
          {"xterm", "\x1b[200~\x1b[A\x1bx\r\x1b[201~a", "K 22 2F 04 P \x1b[A\x1bx\r | K 97 1E 00"},
          {"xterm", "\x1b[200~\x1b[201~", "K 22 2F 04 P "},
          {"xterm", "\x1b[201~a", "K 97 1E 00"},
      },
      {});

  // A paste that arrives in pieces, with the end marker split.
  InputDecoder d;
  d.Feed("\x1b[200~caf", 0);
  d.Feed("\xC3", 1);
  d.Feed("\xA9\x1b[20", 2);
  EXPECT_FALSE(d.HasEvent());
  d.Feed("1~", 3);
  DecodedInput e;
  ASSERT_TRUE(d.Next(e));
  EXPECT_TRUE(e.IsPaste);
  EXPECT_EQ(e.PasteText, "caf\x82");
}

TEST(InputDecoder, BrokenAndUnknownSequencesKeepTheKeysThatFollow) {
  RunTable(
      {
          {"broken", "\x1b[1;5\x1b[A", "K 0 48 00"},
          {"unknown", "\x1b[99~x", "K 120 2D 00"},
          {"unknown", "\x1b[12;xa", "K 97 1E 00"},
          {"report", "\x1b[?1;2c\x1bOP", "K 0 3B 00"},
          {"report", "\x1b[>0;276;0cq", "K 113 10 00"},
          {"broken", "\x1b[<0;1\x1bOP", "K 0 3B 00"},
          {"broken", "\x1bO5\r", "K 13 1C 00"},
          {"invalid",
           "\xFF"
           "a",
           "K 97 1E 00"},
          {"invalid",
           "\x80\xBF"
           "b",
           "K 98 30 00"},
          {"invalid",
           "\xC3"
           "a",
           "K 97 1E 00"},
          {"unknown", "\x1bOz\x1b[B", "K 0 50 00"},
          {"cut", "\x1b[1;5", ""},
          {"linux", "\x1b[[Zq", "K 90 2C 10 | K 113 10 00"},
      },
      {});
  // A very long parameter run is dropped, not waited for without end.
  std::string noise = "\x1b[" + std::string(200, '1') + "~a";
  EXPECT_EQ(Decode(noise), "K 97 1E 00");
}

TEST(InputDecoder, LoneEscWaitsForTheDelay) {
  InputDecoder d;
  d.Feed("\x1b", 1000);
  EXPECT_FALSE(d.HasEvent());
  EXPECT_EQ(d.PendingTimeout(1000), 25);
  d.Expire(1024);
  EXPECT_FALSE(d.HasEvent());
  EXPECT_EQ(d.PendingTimeout(1024), 1);
  d.Expire(1025);
  DecodedInput e;
  ASSERT_TRUE(d.Next(e));
  EXPECT_EQ(Describe(e), "K 27 01 00");
  EXPECT_EQ(d.PendingTimeout(1025), -1);

  // The rest of a sequence arriving within the delay makes one key.
  d.Feed("\x1b", 2000);
  d.Feed("[", 2010);
  d.Feed("A", 2020);
  ASSERT_TRUE(d.Next(e));
  EXPECT_EQ(Describe(e), "K 0 48 00");
  EXPECT_FALSE(d.HasEvent());

  // Longer pieces of a sequence wait longer before they are given up.
  d.Feed("\x1b[1;", 3000);
  EXPECT_EQ(d.PendingTimeout(3000), 100);
  d.Expire(3050);
  d.Feed("5D", 3060);
  ASSERT_TRUE(d.Next(e));
  EXPECT_EQ(Describe(e), "K 0 4B 04");

  // ESCDELAY lengthens the wait.
  InputDecoder::Options slow;
  slow.EscDelayMs = 300;
  InputDecoder s(slow);
  s.Feed("\x1b", 0);
  s.Expire(299);
  EXPECT_FALSE(s.HasEvent());
  s.Expire(300);
  EXPECT_TRUE(s.HasEvent());
}

TEST(InputDecoder, DiscardKeepsASequenceStillArriving) {
  InputDecoder d;
  d.Feed("ab\x1b[1;", 0);
  d.DiscardEvents();
  EXPECT_FALSE(d.HasEvent());
  d.Feed("5C", 1);
  DecodedInput e;
  ASSERT_TRUE(d.Next(e));
  EXPECT_EQ(Describe(e), "K 0 4D 04");
}

TEST(InputDecoder, TerminfoKeyStringsDecodeWhatTheBuiltInFormsDoNot) {
  InputDecoder d;
  InputEvent f5;
  f5.Scan = 0x3F;
  d.AddKeyString("\x1b[5z", f5);
  InputEvent centre;
  centre.Scan = 0x4C;
  d.AddKeyString("\x1b\x7e\x21", centre);
  std::string out;
  for (const auto& e : d.DecodeAll("\x1b[5z\x1b\x7e\x21q")) out += Describe(e) + " | ";
  EXPECT_EQ(out, "K 0 3F 00 | K 0 4C 00 | K 113 10 00 | ");
  // A key string still arriving waits for its end.
  d.Feed("\x1b\x7e", 0);
  EXPECT_FALSE(d.HasEvent());
  d.Feed("\x21", 1);
  EXPECT_TRUE(d.HasEvent());
}

TEST(TerminalDescription, ReadsColoursKeysAndKinds) {
  platform::TerminalDescription xterm = platform::DescribeTerminal("xterm-256color");
  if (!xterm.Known) GTEST_SKIP() << "no terminfo entry for xterm-256color";
  EXPECT_EQ(xterm.Rendering.Colours, 16);
  EXPECT_TRUE(xterm.Rendering.CursorShape);
  EXPECT_FALSE(xterm.Input.ShiftedFunctionKeys);
  EXPECT_NE(xterm.EnterScreen.find("\x1b[?1049h"), std::string::npos);
  bool hasF1 = false;
  for (const auto& ks : xterm.KeyStrings) hasF1 |= ks.first == "\x1bOP" && ks.second.Scan == 0x3B;
  EXPECT_TRUE(hasF1);

  EXPECT_EQ(platform::DescribeTerminal("xterm").Rendering.Colours, 8);
  platform::TerminalDescription linux = platform::DescribeTerminal("linux");
  EXPECT_TRUE(linux.Input.ShiftedFunctionKeys);
  EXPECT_FALSE(linux.Rendering.CursorShape);
  EXPECT_TRUE(platform::DescribeTerminal("rxvt-unicode").Input.ShiftedFunctionKeys);
  ::setenv("ESCDELAY", "200", 1);
  EXPECT_EQ(platform::DescribeTerminal("xterm").Input.EscDelayMs, 200);
  ::setenv("ESCDELAY", "nonsense", 1);
  EXPECT_EQ(platform::DescribeTerminal("xterm").Input.EscDelayMs, 25);
  ::unsetenv("ESCDELAY");
  // An unknown type still gives a usable description.
  platform::TerminalDescription unknown = platform::DescribeTerminal("no-such-terminal-type");
  EXPECT_FALSE(unknown.Known);
  EXPECT_EQ(unknown.Rendering.Colours, 16);
}

}  // namespace

namespace {

// Noise made of the bytes sequences are made of: whatever it holds, the
// decoder neither crashes nor keeps the key typed after it.
TEST(InputDecoder, NoiseNeverSwallowsTheNextKey) {
  const std::string alphabet = std::string("\x1b\x1b\x1b[[[OOO;;;0123456789<Mm~^$@ABCDHPZu\x7f\r\t\x03 a") +
                               "\xC3\xE2\x82\xAC\xFF\x80";
  std::mt19937 gen(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string noise;
    size_t n = gen() % 40;
    for (size_t i = 0; i < n; ++i) noise += alphabet[gen() % alphabet.size()];
    InputDecoder d;
    d.Feed(noise, 0);
    d.Expire(100000);
    d.Feed("q", 100001);
    d.Expire(200000);
    DecodedInput e, last;
    bool any = false;
    while (d.Next(e)) {
      last = e;
      any = true;
    }
    ASSERT_TRUE(any);
    std::string shown;
    for (unsigned char ch : noise) shown += std::to_string(ch) + " ";
    ASSERT_EQ(Describe(last), "K 113 10 00") << shown;
  }
}

}  // namespace
