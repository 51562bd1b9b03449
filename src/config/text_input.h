// Byte input of the settings and module files: a text ends at the end of the
// file or at a Ctrl-Z (byte 26), and a read error counts as the end.
#pragma once

#include <fstream>
#include <streambuf>
#include <string>

namespace config {

class TextInput {
 public:
  static constexpr int kEnd = -1;

  // Opens a regular file for reading (a folder, a device or a pipe is not
  // opened); Ok() tells whether it was.
  explicit TextInput(const std::string& nativePath);
  // Reads from a buffer the caller owns.
  explicit TextInput(std::streambuf& source) : in_(&source) {}
  TextInput(const TextInput&) = delete;
  TextInput& operator=(const TextInput&) = delete;

  bool Ok() const { return in_ != nullptr; }

  // The next byte (0 to 255), or kEnd.
  int Peek() {
    if (failed_ || !in_) return kEnd;
    try {
      int c = in_->sgetc();
      if (c == std::char_traits<char>::eof() || c == 26) return kEnd;
      return static_cast<unsigned char>(c);
    } catch (...) {
      failed_ = true;
      return kEnd;
    }
  }

  void Bump() {
    if (failed_ || !in_) return;
    try {
      in_->sbumpc();
    } catch (...) {
      failed_ = true;
    }
  }

 private:
  std::filebuf file_;
  std::streambuf* in_ = nullptr;
  bool failed_ = false;
};

}  // namespace config
