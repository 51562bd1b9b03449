#include "config/field_reader.h"

#include "config/session.h"

namespace config {

namespace {
constexpr int kEnd = TextInput::kEnd;
}  // namespace

bool FieldReader::Ended() { return Peek() == kEnd; }

void FieldReader::SkipBlanks() {
  while (Peek() == ' ') Bump();
}

// A line ends at CR LF, at a CR alone, or at a LF alone (files written on
// Linux).
void FieldReader::ConsumeLineEnd() {
  int c = Peek();
  if (c == '\r') {
    Bump();
    if (Peek() == '\n') Bump();
  } else if (c == '\n') {
    Bump();
  }
}

void FieldReader::ConsumeDelimiter() {
  int c = Peek();
  if (c == ',')
    Bump();
  else if (AtLineEnd(c))
    ConsumeLineEnd();
}

// At the opening quote.
std::string FieldReader::ReadQuoted() {
  std::string text;
  Bump();
  for (int c = Peek(); c != kEnd && c != '"'; c = Peek()) {
    text.push_back(static_cast<char>(c));
    Bump();
  }
  if (Peek() == '"') Bump();
  for (int c = Peek(); c != kEnd && c != ',' && !AtLineEnd(c); c = Peek()) Bump();
  ConsumeDelimiter();
  return text;
}

std::string FieldReader::ReadText() {
  SkipBlanks();
  if (Peek() == '"') return ReadQuoted();
  std::string text;
  for (int c = Peek(); c != kEnd && c != ',' && !AtLineEnd(c); c = Peek()) {
    if (c != '\t') text.push_back(static_cast<char>(c));
    Bump();
  }
  ConsumeDelimiter();
  return text;
}

int16_t FieldReader::ReadNumber() {
  SkipBlanks();
  if (Peek() == '"') return LeadingNumber(ReadQuoted());
  std::string text;
  int c = Peek();
  for (; c != kEnd && c != ',' && c != ' ' && !AtLineEnd(c); c = Peek()) {
    text.push_back(static_cast<char>(c));
    Bump();
  }
  // A number ended by a blank: the comma or line end after the blanks still
  // belongs to this field.
  if (c == ' ') SkipBlanks();
  ConsumeDelimiter();
  return LeadingNumber(text);
}

void FieldReader::SkipCommentLines() {
  for (;;) {
    SkipBlanks();
    if (Peek() != '\'') return;
    for (int c = Peek(); c != kEnd && !AtLineEnd(c); c = Peek()) Bump();
    ConsumeLineEnd();
  }
}

}  // namespace config
