#include "config/settings.h"

#include "config/text_input.h"
#include "platform/system.h"

namespace config {

namespace {

std::string TrimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Reads one line into `line`, without its comment (from the first ";") and
// without its line end. A line ends at CR, CR LF or LF; the text ends at the
// end of the file or at a Ctrl-Z. Returns false when nothing at all was left
// to read.
bool ReadLine(TextInput& in, std::string& line) {
  line.clear();
  int c = in.Peek();
  if (c == TextInput::kEnd) return false;
  bool comment = false;
  for (; c != TextInput::kEnd; c = in.Peek()) {
    in.Bump();
    if (c == '\r') {
      if (in.Peek() == '\n') in.Bump();
      return true;
    }
    if (c == '\n') return true;
    if (c == ';') comment = true;
    if (!comment) line.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

std::string FoldName(std::string name) {
  for (char& ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case 0x84:
        c = 0x8E;
        break;  // ä
      case 0x94:
        c = 0x99;
        break;  // ö
      case 0x81:
        c = 0x9A;
        break;  // ü
      case 0x82:
        c = 0x90;
        break;  // é
      case 0xA4:
        c = 0xA5;
        break;  // ñ
      case 0x86:
        c = 0x8F;
        break;  // å
      case 0x87:
        c = 0x80;
        break;  // ç
      default:
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    }
    ch = static_cast<char>(c);
  }
  return name;
}

std::string ReadSetting(std::string path, std::string section, std::string key) {
  std::string value;
  TextInput in(platform::NativePath(path));
  if (in.Ok()) {
    const std::string wantedSection = FoldName(TrimBlanks(section));
    const std::string wantedKey = FoldName(TrimBlanks(key));
    bool inSection = false;
    std::string line;
    while (ReadLine(in, line)) {
      size_t start = line.find_first_not_of(' ');
      if (start == std::string::npos) continue;
      if (!inSection) {
        if (line[start] == '[') {
          size_t close = line.find(']', start + 1);
          size_t end = close == std::string::npos ? line.size() : close;
          inSection = FoldName(TrimBlanks(line.substr(start + 1, end - start - 1))) == wantedSection;
        }
        continue;
      }
      // The next header ends the section: a later section of the same name is
      // never searched.
      if (line[start] == '[') break;
      size_t equals = line.find('=', start);
      if (equals == std::string::npos) continue;
      if (FoldName(TrimBlanks(line.substr(start, equals - start))) == wantedKey) {
        value = line.substr(equals + 1);
        break;
      }
    }
  }
  if (value.size() > 1 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace config
