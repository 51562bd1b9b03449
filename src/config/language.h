// The module's language file: Catalan texts to Galician-Portuguese, Aranese
// and Spanish.
#pragma once

#include <string>

namespace config {

// The Catalan `text` in the session's language (SessionSettings().LanguageCode):
//   "CAT"  the text itself; the language file is not touched;
//   "GLG", "OCI", "SPA"  the second, third or fourth field of the first entry
//          of RootDir + "LOCALE\" + module + ".LNG" whose Catalan text equals
//          `text` byte for byte (trailing blanks included); the text itself
//          when no entry matches;
//   other  the text itself (the file is still looked at, and created).
// The language file is created empty when it does not exist. A file that can
// be neither read nor created leaves every text Catalan. The module is
// ModuleName at the first call that finds it set. Every call sees the file as
// it is now: its parsed contents are kept only while the file is unchanged.
std::string TranslateText(std::string text);

}  // namespace config
