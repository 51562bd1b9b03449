// Upper-casing and accent folding of code page 850 text.
#include <array>
#include <cstdint>

#include "entry/entry_state.h"
#include "entry/line_editor.h"

namespace entry {

namespace {

// Both tables cover the codes 64 to 237; the rest of a text passes unchanged.
constexpr int kFirst = 64;
constexpr int kLast = 237;
using Table = std::array<uint8_t, kLast - kFirst + 1>;

struct Mapping {
  uint8_t To;
  const char* From;  // code page 850 bytes
};

// Small accented letters to their capitals; every other code stays.
constexpr Mapping kUpper[] = {
    {154, "\x81"},  // ü Ü
    {144, "\x82"},  // é É
    {182, "\x83"},  // â Â
    {142, "\x84"},  // ä Ä
    {183, "\x85"},  // à À
    {143, "\x86"},  // å Å
    {128, "\x87"},  // ç Ç
    {210, "\x88"},  // ê Ê
    {211, "\x89"},  // ë Ë
    {212, "\x8A"},  // è È
    {216, "\x8B"},  // ï Ï
    {215, "\x8C"},  // î Î
    {222, "\x8D"},  // ì Ì
    {146, "\x91"},  // æ Æ
    {226, "\x93"},  // ô Ô
    {153, "\x94"},  // ö Ö
    {227, "\x95"},  // ò Ò
    {234, "\x96"},  // û Û
    {235, "\x97"},  // ù Ù
    {181, "\xA0"},  // á Á
    {214, "\xA1"},  // í Í
    {224, "\xA2"},  // ó Ó
    {233, "\xA3"},  // ú Ú
    {165, "\xA4"},  // ñ Ñ
    {199, "\xC6"},  // ã Ã
    {209, "\xD0"},  // ð Ð
    {229, "\xE4"},  // õ Õ
    {237, "\xEC"},  // ý Ý
};

// The letters of code page 850 that fold to a plain capital besides their own
// small and capital forms; every code of the range not named here and not a
// plain letter folds to a blank. 213 is the euro sign, typed as Alt+E.
constexpr Mapping kFold[] = {
    {'A', "\x83\x84\x85\x86\x8E\x8F\x91\x92\xA0\xA6\xB5\xB6\xB7\xC6\xC7"},  // â ä à å Ä Å æ Æ á ª Á Â À ã Ã
    {'C', "\x80\x87"},                                                      // Ç ç
    {'D', "\xD0\xD1"},                                                      // ð Ð
    {'E', "\x82\x88\x89\x8A\x90\xD2\xD3\xD4\xD5"},                          // é ê ë è É Ê Ë È euro
    {'F', "\x9F"},                                                          // ƒ
    {'I', "\x8B\x8C\x8D\xA1\xD6\xD7\xD8\xDE"},                              // ï î ì í Í Î Ï Ì
    {'N', "\xA4\xA5"},                                                      // ñ Ñ
    {'O', "\x93\x94\x95\x99\x9B\x9D\xA2\xA7\xE0\xE2\xE3\xE4\xE5"},  // ô ö ò Ö ø Ø ó º Ó Ô Ò õ Õ
    {'S', "\xE1"},                                                  // ß
    {'T', "\xE7\xE8"},                                              // þ Þ
    {'U', "\x81\x96\x97\x9A\xA3\xE9\xEA\xEB"},                      // ü û ù Ü ú Ú Û Ù
    {'Y', "\x98\xEC\xED"},                                          // ÿ ý Ý
};

constexpr Table MakeUpperTable() {
  Table table{};
  for (int c = kFirst; c <= kLast; ++c) table[c - kFirst] = static_cast<uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) table[c - kFirst] = static_cast<uint8_t>(c - 32);
  for (const Mapping& m : kUpper)
    for (const char* p = m.From; *p; ++p) table[static_cast<uint8_t>(*p) - kFirst] = m.To;
  return table;
}

constexpr Table MakeFoldTable() {
  Table table{};
  for (int c = kFirst; c <= kLast; ++c) table[c - kFirst] = ' ';
  for (int c = 'A'; c <= 'Z'; ++c) {
    table[c - kFirst] = static_cast<uint8_t>(c);
    table[c + 32 - kFirst] = static_cast<uint8_t>(c);
  }
  for (const Mapping& m : kFold)
    for (const char* p = m.From; *p; ++p) table[static_cast<uint8_t>(*p) - kFirst] = m.To;
  return table;
}

constexpr Table kUpperTable = MakeUpperTable();
constexpr Table kFoldTable = MakeFoldTable();

}  // namespace

std::string UpperText(const std::string& text) {
  const Table& table = State().FoldAccents ? kFoldTable : kUpperTable;
  std::string out = text;
  for (char& ch : out) {
    uint8_t c = static_cast<uint8_t>(ch);
    if (c >= kFirst && c <= kLast) ch = static_cast<char>(table[c - kFirst]);
  }
  return out;
}

}  // namespace entry
