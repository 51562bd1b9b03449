// The one reader of the settings files: small text files of [sections] and
// key=value lines, in code page 850.
#pragma once

#include <string>

namespace config {

// The value of `key` in `section` of the settings file at `path` (absolute or
// relative to the current directory). Section and key names compare without
// regard to case (a-z and seven accented letters of code page 850) and without
// the blanks around them. The first matching key line of the first matching
// section wins; the value is the text after the "=", unchanged but for one
// outer pair of double quotes. A missing file, section or key gives the empty
// text. Every call opens, reads and closes the file; nothing is kept.
std::string ReadSetting(std::string path, std::string section, std::string key);

// The folding under which section and key names compare: a-z to A-Z and the
// code page 850 letters ä ö ü é ñ å ç to their capitals; other bytes unchanged.
std::string FoldName(std::string name);

}  // namespace config
