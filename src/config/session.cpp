#include "config/session.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "config/settings.h"
#include "numbers/currency.h"
#include "numbers/packed_digits.h"
#include "platform/system.h"

namespace config {

namespace {

// Cut or padded with blanks to three characters.
std::string Fit3(std::string text) {
  text.resize(3, ' ');
  return text;
}

bool IsDirectory(const std::string& cp850Path) {
  std::error_code ec;
  return std::filesystem::is_directory(platform::NativePath(cp850Path), ec);
}

}  // namespace

int16_t LeadingNumber(const std::string& text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  auto isDigit = [&](size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };

  // The whole part saturates well beyond the 16-bit range; of the fraction
  // only its first digit and whether anything non-zero follows matter for
  // rounding.
  long whole = 0;
  bool anyDigit = false;
  for (; isDigit(i); ++i) {
    anyDigit = true;
    if (whole < 1000000) whole = whole * 10 + (text[i] - '0');
  }
  int firstFraction = 0;
  bool restNonZero = false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (isDigit(i)) {
      anyDigit = true;
      firstFraction = text[i++] - '0';
      for (; isDigit(i); ++i) restNonZero |= text[i] != '0';
    }
  }
  if (!anyDigit) return 0;
  bool up = firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1));
  if (up) ++whole;
  if (negative) whole = -whole;
  if (whole > 32767) return 32767;
  if (whole < -32768) return -32768;
  return static_cast<int16_t>(whole);
}

std::string EndDirectory(std::string dir) {
  if (!dir.empty() && dir.back() != ':' && dir.back() != '\\') dir += '\\';
  return dir;
}

std::string ShownPath(std::string path) {
  const std::string& root = SessionSettings().RootDir;
  if (root.find('/') != std::string::npos && path.starts_with(root))
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(root.size()), path.end(), '\\', '/');
  return path;
}

void StartSession() {
  // Text inside the program is code page 850 from the start: the platform
  // layer converts every value that enters from the system.
  SessionSettingsRecord& session = SessionSettings();
  SessionSettingsRecord fresh;
  fresh.ModuleName = session.ModuleName;

  fresh.RootDir = platform::GetEnv("WRKROOT");
  fresh.TempDir = EndDirectory(platform::GetEnv("WRKTMP"));

  const std::string sessionFile = fresh.TempDir + "Sessio.ini";
  fresh.MenuTitle = " " + ReadSetting(sessionFile, "Menu", "Titol") + " ";
  fresh.MenuName = ReadSetting(sessionFile, "Menu", "NomMenu");

  // On this platform TERM names the terminal type; it stands for the
  // terminal's directory only when it names a directory that exists.
  std::string terminalDir = ReadSetting(sessionFile, "Terminal", "Dir");
  if (terminalDir.empty()) {
    std::string term = platform::GetEnv("TERM");
    if (!term.empty() && IsDirectory(term)) terminalDir = term;
  }
  fresh.TerminalDir = EndDirectory(terminalDir);
  if (fresh.TempDir.empty()) fresh.TempDir = fresh.TerminalDir;

  numbers::SetCurrency("a,E");

  const std::string terminalFile = fresh.TempDir + "DorvTerm.ini";
  int16_t selection = LeadingNumber(ReadSetting(terminalFile, "Pantalla", "Seleccio"));
  std::string colours = ReadSetting(terminalFile, "Pantalla", "Col" + std::to_string(selection));
  if (colours.empty()) colours = kDefaultColourText;
  auto twoDigits = [&](size_t from) {
    return LeadingNumber(from < colours.size() ? colours.substr(from, 2) : std::string());
  };
  for (size_t i = 0; i < fresh.ColourPairs.size(); ++i) {
    fresh.ColourPairs[i].Foreground = twoDigits(4 * i);
    fresh.ColourPairs[i].Background = twoDigits(4 * i + 2);
  }

  fresh.WorkDate = numbers::PackDigits(ReadSetting(terminalFile, "Sistema", "Data"));

  fresh.LanguageCode = Fit3(ReadSetting(terminalFile, "Sistema", "Idioma"));
  if (fresh.LanguageCode == "   ")
    fresh.LanguageCode = Fit3(ReadSetting(platform::GetEnv("WRKROOT") + "Dorv.ini", "Usuari", "Idioma"));

  if (!platform::GetEnv("HTTP_USER_AGENT").empty() || !platform::GetEnv("HTTP_ACCEPT").empty())
    fresh.RunMode = "CGI";
  else if (!platform::GetEnv("WINDIR").empty() || !platform::GetEnv("SYSTEMROOT").empty())
    fresh.RunMode = "WIN";
  else
    fresh.RunMode = "DOS";

  session = std::move(fresh);
}

}  // namespace config
