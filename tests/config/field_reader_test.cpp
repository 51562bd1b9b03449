#include "config/field_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <variant>
#include <vector>

namespace {

using Value = std::variant<std::string, int16_t>;  // a text or a number read

struct ReaderCase {
  const char* name;
  std::string input;
  std::vector<Value> reads;  // the kind of each read and its expected value
  bool endedAfter;
};

TEST(FieldReader, Syntax) {
  using S = std::string;
  using N = int16_t;
  const ReaderCase cases[] = {
      {"quoted text holds commas", "\"a,b\",c", {S("a,b"), S("c")}, true},
      {"blanks before skipped, inner and trailing kept", "  x  y  ,z", {S("x  y  "), S("z")}, true},
      {"quoted text holds line ends", "\"one\r\ntwo\",3", {S("one\r\ntwo"), N(3)}, true},
      {"unquoted text drops tabs", "a\tb\t,c", {S("ab"), S("c")}, true},
      {"text after the closing quote dropped", "\"abc\"xyz,5", {S("abc"), N(5)}, true},
      {"quote inside unquoted text is ordinary", "ab\"c,d", {S("ab\"c"), S("d")}, true},
      {"unterminated quote runs to the end", "\"abc,\r\n5", {S("abc,\r\n5"), N(0)}, true},
      {"number ended by a blank before a comma", "12 ,34", {N(12), N(34)}, true},
      {"number ended by a blank", "12 34", {N(12), N(34)}, true},
      {"number ended by blanks before a line end", "12  \r\n34", {N(12), N(34)}, true},
      {"empty fields read as 0", ",,7", {N(0), N(0), N(7)}, true},
      {"empty line is an empty field", "\r\n5", {N(0), N(5)}, true},
      {"empty line as text", "\r\nx", {S(""), S("x")}, true},
      {"quoted number", "\"7\",8", {N(7), N(8)}, true},
      {"number that is not one", "abc,4", {N(0), N(4)}, true},
      {"number with trailing letters", "12abc,4", {N(12), N(4)}, true},
      {"negative number", "-5,+6", {N(-5), N(6)}, true},
      {"numbers beyond 16 bits held at the limits",
       "70000,-70000,32767,-32768",
       {N(32767), N(-32768), N(32767), N(-32768)},
       true},
      {"Ctrl-Z ends the text",
       "a\x1A"
       "b,c",
       {S("a"), S("")},
       true},
      {"Ctrl-Z inside a quoted text",
       "\"a\x1A"
       "b\",c",
       {S("a"), S("")},
       true},
      {"line feed alone ends a line", "a\nb\n", {S("a"), S("b")}, true},
      {"carriage return alone ends a line", "a\r\rb", {S("a"), S(""), S("b")}, true},
      {"NUL bytes are ordinary", std::string("a\0b,c", 5), {S(std::string("a\0b", 3)), S("c")}, true},
      {"reads past the end give empty fields", "", {S(""), N(0)}, true},
      {"a field left", "1,2,3", {N(1), N(2)}, false},
  };
  for (const ReaderCase& c : cases) {
    std::stringbuf buffer(c.input);
    config::TextInput input(buffer);
    config::FieldReader reader(input);
    for (size_t i = 0; i < c.reads.size(); ++i) {
      if (const auto* text = std::get_if<std::string>(&c.reads[i])) {
        EXPECT_EQ(reader.ReadText(), *text) << c.name << ", read " << i;
      } else {
        EXPECT_EQ(reader.ReadNumber(), std::get<int16_t>(c.reads[i])) << c.name << ", read " << i;
      }
    }
    EXPECT_EQ(reader.Ended(), c.endedAfter) << c.name;
  }
}

TEST(FieldReader, CommentLines) {
  std::stringbuf buffer("' one\r\n   ' two, with a comma\r\n' three\n  5,6\r\n' not skipped here\r\n");
  config::TextInput input(buffer);
  config::FieldReader reader(input);
  reader.SkipCommentLines();
  EXPECT_EQ(reader.ReadNumber(), 5);
  EXPECT_EQ(reader.ReadNumber(), 6);
  // Between fields a comment line is a field like any other.
  EXPECT_EQ(reader.ReadText(), "' not skipped here");
  EXPECT_TRUE(reader.Ended());
}

TEST(FieldReader, BlankLineIsNoComment) {
  std::stringbuf buffer("' one\r\n   \r\n7");
  config::TextInput input(buffer);
  config::FieldReader reader(input);
  reader.SkipCommentLines();
  EXPECT_EQ(reader.ReadNumber(), 0);
  EXPECT_EQ(reader.ReadNumber(), 7);
}

}  // namespace
