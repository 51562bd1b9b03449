#include "dates/date_text.h"

#include <algorithm>
#include <cstdio>

#include "config/session_settings.h"
#include "config/settings.h"
#include "dates/date_arith.h"
#include "dates/dates_state.h"
#include "platform/system.h"

namespace dates {

namespace {

// Month names, twelve entries of ten characters, code page 850.
constexpr const char* kSpanishMonths =
    "enero     febrero   marzo     abril     mayo      junio     "
    "julio     agosto    septiembreoctubre   noviembre diciembre ";
constexpr const char* kGalicianMonths =
    "janeiro   fevereiro mar\x87o     abril     maio      junho     "
    "julho     agosto    setembro  outubro   novembro  dezembro  ";
constexpr const char* kAraneseMonths =
    "g\x8Ar       hereu\x8Ar   mar\x87      abriu     mai       junh      "
    "junhsega  agost     seteme    octobre   noveme    deseme    ";
constexpr const char* kCatalanMonths =
    "gener     febrer    mar\x87      abril     maig      juny      "
    "juliol    agost     setembre  octubre   novembre  desembre  ";

struct Language {
  const char* BeforeConsonant;
  const char* BeforeVowel;
  const char* BeforeDayOrYear;
  const char* Months;
};

const Language& SessionLanguage() {
  static const Language spanish{" de ", " de ", " de ", kSpanishMonths};
  static const Language galician{" de ", " de ", " do ", kGalicianMonths};
  static const Language aranese{" de ", " d'", " deth ", kAraneseMonths};
  static const Language catalan{" de ", " d'", " del ", kCatalanMonths};
  const std::string& code = config::SessionSettings().LanguageCode;
  if (code == "SPA") return spanish;
  if (code == "GLG") return galician;
  if (code == "OCI") return aranese;
  return catalan;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

template <size_t N>
bool IsUnread(const std::array<char, N>& field) {
  return std::all_of(field.begin(), field.end(), [](char c) { return c == '\0'; });
}

// Reads a [Usuari] entry of the site settings into a fixed-width field,
// left-aligned, cut or padded with blanks; an entry of blanks (or of NULs,
// which would leave the field looking unread) takes the default.
template <size_t N>
void LoadField(std::array<char, N>& field, const char* key, const char* fallback) {
  if (!IsUnread(field)) return;
  const std::string value = config::ReadSetting(platform::GetEnv("WRKROOT") + "Dorv.ini", "Usuari", key);
  for (size_t i = 0; i < N; ++i) field[i] = i < value.size() ? value[i] : ' ';
  if (std::all_of(field.begin(), field.end(), [](char c) { return c == ' ' || c == '\0'; })) {
    for (size_t i = 0; i < N; ++i) field[i] = fallback[i];
  }
}

std::string NumberText(int32_t value) { return std::to_string(value); }

std::string TwoDigits(int32_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", static_cast<int>(value % 100));
  return buffer;
}

std::string MonthEntry(const Language& language, int32_t month) {
  if (month < 1 || month > 12) return std::string();
  return std::string(language.Months + (month - 1) * 10, 10);
}

}  // namespace

std::string FormatDate(const std::string& date, int16_t style, const std::string& mask) {
  DatesState& state = State();
  LoadField(state.DatCaracter, "DatCaracter", "/");
  LoadField(state.DatOrdre, "DatOrdre", "DMA");

  const DateParts parts = SplitDate(date);
  char yearBuffer[8];
  std::snprintf(yearBuffer, sizeof yearBuffer, "%04d", static_cast<int>(parts.Year % 10000));
  const std::string yearText = yearBuffer;
  if (style == -1) return yearText + "-" + TwoDigits(parts.Month) + "-" + TwoDigits(parts.Day);

  const Language& language = SessionLanguage();
  const std::string monthText = NumberText(parts.Month);
  const std::string dayText = NumberText(parts.Day);
  std::string upperMask = mask;
  for (char& c : upperMask) c = Upper(c);

  std::string text;
  if (monthText + dayText > "00") {
    std::string element = yearText + TwoDigits(parts.Month) + TwoDigits(parts.Day);
    for (char letter : state.DatOrdre) {
      if (upperMask.find(letter) == std::string::npos) continue;
      bool isMonth = false;
      if (letter == 'D') {
        element = dayText;
      } else if (letter == 'M') {
        isMonth = true;
        const std::string entry = MonthEntry(language, parts.Month);
        if (style >= 2 && !entry.empty()) {
          element = entry.substr(0, entry.find_last_not_of(' ') + 1);
        } else if (style == 1 && !entry.empty()) {
          element = entry.substr(0, 3);
        } else {
          // A month without a name (outside 1..12) is written as its number.
          element = monthText;
        }
      } else if (letter == 'A') {
        element = yearText;
      }
      if (!text.empty()) {
        if (style >= 2) {
          const char initial = Upper(element.empty() ? ' ' : element[0]);
          const bool vowel = isMonth && std::string_view("AEIOU").find(initial) != std::string_view::npos;
          text +=
              isMonth ? (vowel ? language.BeforeVowel : language.BeforeConsonant) : language.BeforeDayOrYear;
        } else {
          text += state.DatCaracter[0];
        }
      }
      text += element;
    }
  }
  if (style >= 2) return text;

  const bool hasM = upperMask.find('M') != std::string::npos;
  const bool hasA = upperMask.find('A') != std::string::npos;
  const bool hasD = upperMask.find('D') != std::string::npos;
  const int64_t width =
      (static_cast<int64_t>(upperMask.size()) - 1) + (hasM ? style + 2 : 0) + (hasA ? 4 : 0) + (hasD ? 2 : 0);
  text.resize(static_cast<size_t>(std::max<int64_t>(width, 0)), ' ');
  return text;
}

}  // namespace dates
