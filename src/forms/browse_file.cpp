#include "forms/browse_file.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "config/session_settings.h"
#include "platform/system.h"

namespace forms {

namespace {

void PutInt(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetInt(const char* in, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(in[i])) << (8 * i);
  return value;
}

}  // namespace

std::string BrowseFilePath() { return config::SessionSettings().TempDir + "Browse.tmp"; }

bool BrowseLineFile::Create(const std::string& path) {
  Close();
  const std::string native = platform::NativePath(path);
  stream_.open(native, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  size_ = 0;
  return stream_.is_open();
}

bool BrowseLineFile::Open(const std::string& path) {
  Close();
  const std::string native = platform::NativePath(path);
  stream_.open(native, std::ios::in | std::ios::out | std::ios::binary);
  if (!stream_.is_open()) return false;
  stream_.seekg(0, std::ios::end);
  const std::streamoff size = stream_.tellg();
  if (size < 0 || size >= std::numeric_limits<int32_t>::max()) {
    Close();
    return false;
  }
  size_ = static_cast<int32_t>(size);
  return true;
}

void BrowseLineFile::Close() {
  if (stream_.is_open()) stream_.close();
  stream_.clear();
  size_ = 0;
}

int32_t BrowseLineFile::Append(int32_t previous, int32_t recordPosition, std::string_view text) {
  if (!stream_.is_open()) return 0;
  if (text.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
    text = text.substr(0, std::numeric_limits<int16_t>::max());
  }
  if (static_cast<int64_t>(size_) + LineHeaderSize + static_cast<int64_t>(text.size()) >=
      std::numeric_limits<int32_t>::max()) {
    return 0;
  }
  std::string record;
  record.reserve(LineHeaderSize + text.size());
  PutInt(record, static_cast<uint32_t>(previous), 4);
  PutInt(record, static_cast<uint32_t>(recordPosition), 4);
  PutInt(record, static_cast<uint32_t>(text.size()), 2);
  record.append(text);
  stream_.clear();
  stream_.seekp(size_, std::ios::beg);
  stream_.write(record.data(), static_cast<std::streamsize>(record.size()));
  stream_.flush();
  if (!stream_) {
    stream_.clear();
    return 0;
  }
  const int32_t position = size_ + 1;
  size_ += static_cast<int32_t>(record.size());
  return position;
}

bool BrowseLineFile::ReadAt(int32_t position, LineHeader& header, std::string& text) {
  if (!stream_.is_open() || position < 1 || position > size_) return false;
  char raw[LineHeaderSize];
  stream_.clear();
  stream_.seekg(position - 1, std::ios::beg);
  stream_.read(raw, LineHeaderSize);
  if (stream_.gcount() != LineHeaderSize) {
    stream_.clear();
    return false;
  }
  LineHeader read;
  read.Previous = static_cast<int32_t>(GetInt(raw, 4));
  read.RecordPosition = static_cast<int32_t>(GetInt(raw + 4, 4));
  read.Length = static_cast<int16_t>(GetInt(raw + 8, 2));
  // A record that claims more than the file holds, a negative length, or a
  // previous-line link that does not point backwards is damage.
  if (read.Length < 0 || static_cast<int64_t>(position) - 1 + LineHeaderSize + read.Length > size_ ||
      read.Previous < 0 || read.Previous >= position) {
    return false;
  }
  std::string body(static_cast<size_t>(read.Length), '\0');
  if (read.Length > 0) {
    stream_.read(body.data(), read.Length);
    if (stream_.gcount() != read.Length) {
      stream_.clear();
      return false;
    }
  }
  header = read;
  text = std::move(body);
  return true;
}

void RemoveBrowseFile(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(platform::NativePath(path), ignored);
}

}  // namespace forms
