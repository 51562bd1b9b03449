#include "unload.h"

#include <cstring>

namespace recmgr {

bool UnloadReader::Fill() {
  if (eof_) return false;
  if (at_ < end_) return true;
  at_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), in_);
  if (end_ == 0) eof_ = true;
  return end_ > 0;
}

int UnloadReader::Peek() { return Fill() ? static_cast<unsigned char>(buffer_[at_]) : -1; }

int UnloadReader::Take() {
  const int c = Peek();
  if (c >= 0) ++at_;
  return c;
}

bool UnloadReader::Next(std::string& record, std::string& fault) {
  fault.clear();
  int c = Peek();
  if (c < 0) return false;
  if (c == 26) {
    Take();
    if (Peek() >= 0) fault = "data after the end mark (Ctrl-Z)";
    return false;
  }
  size_t length = 0, digits = 0;
  while ((c = Peek()) >= '0' && c <= '9') {
    Take();
    length = length * 10 + static_cast<size_t>(c - '0');
    if (++digits > 6 || length > kMaxUnloadRecord) {
      fault = "record length too large";
      return false;
    }
  }
  if (digits == 0) {
    fault = c < 0 ? "file ends before the record" : "no record length at its start";
    return false;
  }
  if (Take() != ',') {
    fault = "no comma after the record length";
    return false;
  }
  record.resize(length);
  size_t got = 0;
  while (got < length) {
    if (!Fill()) {
      fault = "file ends inside the record";
      return false;
    }
    const size_t n = std::min(length - got, end_ - at_);
    std::memcpy(&record[got], buffer_.data() + at_, n);
    at_ += n;
    got += n;
  }
  if (Take() != '\r' || Take() != '\n') {
    fault = "no CR LF after the record's " + std::to_string(length) + " bytes";
    return false;
  }
  return true;
}

void AppendUnloadRecord(std::string& out, const char* data, size_t length) {
  out += std::to_string(length);
  out += ',';
  out.append(data, length);
  out += "\r\n";
}

}  // namespace recmgr
