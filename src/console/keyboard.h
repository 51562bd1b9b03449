// Keyboard and mouse input: console events to 16-bit key codes, the
// type-ahead queue, the hot keys and the line editor's exit-key set.
#pragma once

#include <cstdint>
#include <string_view>

namespace console {

// Key codes: a character is its own code page 850 code, a key without a
// character (or a letter pressed with Alt) is its scan code x 256, 0 is no key.
constexpr int16_t KeyBackspace = 0x08;
constexpr int16_t KeyTab = 0x09;
constexpr int16_t KeyEnter = 0x0D;
constexpr int16_t KeyEsc = 0x1B;
constexpr int16_t KeyCopy = 0x03;        // Ctrl+C
constexpr int16_t KeyPaste = 0x16;       // Ctrl+V
constexpr int16_t KeyClearField = 0x19;  // Ctrl+Y
constexpr int16_t KeyShiftTab = 0x0F00;
constexpr int16_t KeyAltE = 0x1200;  // never returned: Alt+E reads as KeyEuro
constexpr int16_t KeyAltF = 0x2100;
constexpr int16_t KeyAltX = 0x2D00;  // calculator hot key
constexpr int16_t KeyAltC = 0x2E00;  // calendar hot key
constexpr int16_t KeyF1 = 0x3B00;
constexpr int16_t KeyF2 = 0x3C00;
constexpr int16_t KeyF3 = 0x3D00;
constexpr int16_t KeyF4 = 0x3E00;
constexpr int16_t KeyF5 = 0x3F00;
constexpr int16_t KeyF6 = 0x4000;
constexpr int16_t KeyF7 = 0x4100;
constexpr int16_t KeyF8 = 0x4200;
constexpr int16_t KeyF9 = 0x4300;
constexpr int16_t KeyF10 = 0x4400;
constexpr int16_t KeyHome = 0x4700;
constexpr int16_t KeyUp = 0x4800;
constexpr int16_t KeyPgUp = 0x4900;
constexpr int16_t KeyLeft = 0x4B00;
constexpr int16_t KeyCentre = 0x4C00;  // keypad 5
constexpr int16_t KeyRight = 0x4D00;
constexpr int16_t KeyEnd = 0x4F00;
constexpr int16_t KeyDown = 0x5000;
constexpr int16_t KeyPgDn = 0x5100;
constexpr int16_t KeyIns = 0x5200;
constexpr int16_t KeyDel = 0x5300;
constexpr int16_t KeyShiftF1 = 0x5400;  // .. KeyShiftF1 + 9 x 256 for Shift+F10
constexpr int16_t KeyShiftF10 = 0x5D00;
constexpr int16_t KeyCtrlF1 = 0x5E00;
constexpr int16_t KeyCtrlF4 = 0x6100;
constexpr int16_t KeyCtrlF10 = 0x6700;
constexpr int16_t KeyAltF1 = 0x6800;
constexpr int16_t KeyAltF4 = 0x6B00;
constexpr int16_t KeyAltF10 = 0x7100;
constexpr int16_t KeyCtrlLeft = 0x7300;
constexpr int16_t KeyCtrlRight = 0x7400;
constexpr int16_t KeyCtrlHome = 0x7700;
// What Alt+E and AltGr+E yield: the euro sign of the euro variant of the code page.
constexpr int16_t KeyEuro = 213;

// F1..F10 by number (1..10), and their Shift, Ctrl and Alt forms.
constexpr int16_t KeyFn(int n) { return static_cast<int16_t>(KeyF1 + (n - 1) * 0x100); }
constexpr int16_t KeyShiftFn(int n) { return static_cast<int16_t>(KeyShiftF1 + (n - 1) * 0x100); }
constexpr int16_t KeyCtrlFn(int n) { return static_cast<int16_t>(KeyCtrlF1 + (n - 1) * 0x100); }
constexpr int16_t KeyAltFn(int n) { return static_cast<int16_t>(KeyAltF1 + (n - 1) * 0x100); }

// Takes one pending input without waiting. key is 0 when nothing is pending
// (or the event was a mouse move). button is 1 or 2 for the release of the
// left or right mouse button, else 0; mouseRow and mouseColumn are the
// absolute position of the last mouse event while mouse input is on, else 0.
// A character queued in TypeAhead is returned first, writing only key.
// Alt+X and Alt+C run the calculator and calendar pop-ups (when the program
// has installed them) and queue the text they return in TypeAhead; the hot
// key itself is still returned.
void ReadKey(int16_t& key, int16_t& button, int16_t& mouseRow, int16_t& mouseColumn);
// The key alone (0 when nothing is pending or the input was a mouse event).
int16_t ReadKey();

// Waits for a key or a click. A click comes back as
// column x 256 + button x 64 + row, truncated to 16 bits. Mouse moves alone
// never end the wait. Blocks on the console between polls.
void WaitKey(int16_t& key);
int16_t WaitKey();

// Blocks until the console holds input (after sending what was drawn). Every
// key-wait loop built on ReadKey calls this when ReadKey returned nothing.
void WaitForInput();

// One key straight from the console event translation: no type-ahead, hot
// keys or mouse. 0 when nothing is pending.
int16_t ReadConsoleKey();

// Discards every input event the console holds and has not yet delivered.
// TypeAhead is kept.
void FlushKeys();

// Changes the exit-key set and the mask character. Commands, one character
// at a time from the left, in either case: A append the list's items
// (from or from=to), D remove them, E empty the set, + save the set (one
// slot), - restore the saved set, H mask hidden entries with "X", V stop
// masking. The key list holds comma-separated hexadecimal codes.
void SetKeySet(std::string_view commands, std::string_view keyList);

// The line editor's look-up: true when key is in the exit-key set, with the
// code it is reported as.
bool FindExitKey(int16_t key, int16_t& result);

}  // namespace console
