// The comma-field reader of the module files (form and language files): a
// sequence of text and number fields separated by commas and line ends.
#pragma once

#include <cstdint>
#include <string>

#include "config/text_input.h"

namespace config {

class FieldReader {
 public:
  explicit FieldReader(TextInput& source) : in_(source) {}

  // True when no byte is left before the end of the file or a Ctrl-Z.
  bool Ended();

  // A text field: blanks before it skipped; quoted, it runs to the next
  // double quote (commas and line ends included) and whatever follows up to
  // the next comma or line end is dropped; unquoted, it runs to the next comma
  // or line end, tabs dropped. The comma or line end that ends it is consumed.
  std::string ReadText();

  // A number field: like a text field but also ended by a blank; its value
  // is the number it begins with (LeadingNumber), 0 when empty.
  int16_t ReadNumber();

  // Skips whole lines whose first non-blank character is an apostrophe. The
  // blanks before the first other line are consumed, which changes nothing:
  // every field read skips them anyway.
  void SkipCommentLines();

 private:
  int Peek() { return in_.Peek(); }
  void Bump() { in_.Bump(); }
  bool AtLineEnd(int c) const { return c == '\r' || c == '\n'; }
  void SkipBlanks();
  void ConsumeLineEnd();
  void ConsumeDelimiter();
  std::string ReadQuoted();

  TextInput& in_;
};

}  // namespace config
