// Helpers for the record manager's tests: a scratch directory, creation
// specifications built from a short description, and thin call wrappers.
#ifndef TESTS_RECMGR_TEST_SUPPORT_H
#define TESTS_RECMGR_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "recmgr.h"

namespace rmtest {

struct Seg {
  uint16_t position;
  uint16_t length;
  uint16_t flags = 0;
};

// A creation specification: each key is a list of segments (the "another
// segment follows" flag is set here).
inline std::string MakeSpec(uint16_t recordLength, const std::vector<std::vector<Seg>>& keys,
                            const std::string& weights = {}, uint16_t pageSize = 1024) {
  std::string out(16, '\0');
  auto put16 = [&](size_t at, uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
  };
  put16(0, recordLength);
  put16(2, pageSize);
  put16(4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys) {
    for (size_t i = 0; i < key.size(); ++i) {
      const size_t at = out.size();
      out.append(16, '\0');
      put16(at, key[i].position);
      put16(at + 2, key[i].length);
      put16(at + 4, static_cast<uint16_t>(key[i].flags | (i + 1 < key.size() ? 0x10 : 0)));
    }
  }
  if (!weights.empty()) {
    out += static_cast<char>(0xAC);
    out += "UPPER   ";
    out += weights;
  }
  return out;
}

struct File {
  uint8_t block[RM_POSITION_BLOCK_SIZE] = {};
};

inline int16_t Call(uint16_t op, File& f, void* data, uint32_t& length, void* key, uint8_t keyLength,
                    int8_t keyNumber) {
  return RecordManagerCall(op, f.block, data, &length, key, keyLength, keyNumber);
}

inline int16_t Create(const std::string& path, const std::string& spec, int8_t keyNumber = -1) {
  std::string buffer = spec;
  buffer.resize(1536, ' ');
  uint32_t length = 1536;
  uint8_t scratch[RM_POSITION_BLOCK_SIZE] = {};
  return RecordManagerCall(RM_CREATE, scratch, buffer.data(), &length, const_cast<char*>(path.c_str()),
                           static_cast<uint8_t>(path.size()), keyNumber);
}

inline int16_t Open(File& f, const std::string& path, int8_t mode = 0, const std::string& owner = "") {
  std::memset(f.block, 0, sizeof f.block);
  char name[9] = {};
  std::memcpy(name, owner.data(), owner.size() < 8 ? owner.size() : 8);
  uint32_t length = 5;
  return RecordManagerCall(RM_OPEN, f.block, name, &length, const_cast<char*>(path.c_str()),
                           static_cast<uint8_t>(path.size()), mode);
}

inline int16_t Close(File& f) {
  uint32_t length = 0;
  return RecordManagerCall(RM_CLOSE, f.block, nullptr, &length, nullptr, 0, 0);
}

inline int16_t Reset() {
  uint8_t scratch[RM_POSITION_BLOCK_SIZE];
  std::memset(scratch, ' ', sizeof scratch);
  uint32_t zero = 0, length = 0;
  return RecordManagerCall(RM_RESET, scratch, &zero, &length, &zero, 0, 0);
}

inline int16_t Insert(File& f, const std::string& record, int8_t keyNumber = 0) {
  std::string data = record;
  uint32_t length = static_cast<uint32_t>(data.size());
  char key[256] = {};
  return RecordManagerCall(RM_INSERT, f.block, data.data(), &length, key, 255, keyNumber);
}

inline int16_t Update(File& f, const std::string& record, int8_t keyNumber = 0) {
  std::string data = record;
  uint32_t length = static_cast<uint32_t>(data.size());
  char key[256] = {};
  return RecordManagerCall(RM_UPDATE, f.block, data.data(), &length, key, 255, keyNumber);
}

inline int16_t Delete(File& f, int8_t keyNumber = 0) {
  uint32_t length = 0;
  char key[256] = {};
  return RecordManagerCall(RM_DELETE, f.block, nullptr, &length, key, 255, keyNumber);
}

// A read: `key` goes in (padded with NULs to 255 bytes) and comes back as
// the key buffer's first `keyOut` bytes; `record` gets the returned bytes.
struct Read {
  int16_t status = 0;
  std::string record;
  std::string key;  // 255 bytes of the key buffer after the call
};

inline Read Get(File& f, uint16_t op, int8_t keyNumber, const std::string& key = {},
                uint32_t capacity = 1536) {
  Read r;
  std::string data(1536, '\xEE');
  std::string keyBuffer(255, '\0');
  std::memcpy(keyBuffer.data(), key.data(), key.size() < 255 ? key.size() : 255);
  uint32_t length = capacity;
  r.status = RecordManagerCall(op, f.block, data.data(), &length, keyBuffer.data(), 255, keyNumber);
  if (r.status == RM_OK || r.status == RM_DATA_BUFFER_TOO_SHORT) r.record = data.substr(0, length);
  r.key = keyBuffer;
  return r;
}

inline int32_t Position(File& f) {
  uint8_t data[16] = {};
  uint32_t length = sizeof data;
  char key[256] = {};
  if (RecordManagerCall(RM_GET_POSITION, f.block, data, &length, key, 0, 0) != RM_OK) return 0;
  int32_t p;
  std::memcpy(&p, data, 4);
  return p;
}

inline Read GetDirect(File& f, int32_t position, int8_t keyNumber, uint16_t bias = 0) {
  Read r;
  std::string data(1536, ' ');
  std::memcpy(data.data(), &position, 4);
  std::string keyBuffer(256, '\0');
  uint32_t length = 1536;
  r.status =
      RecordManagerCall(RM_GET_DIRECT + bias, f.block, data.data(), &length, keyBuffer.data(), 0, keyNumber);
  if (r.status == RM_OK) r.record = data.substr(0, length);
  r.key = keyBuffer;
  return r;
}

inline std::string Stat(File& f, int16_t& status) {
  std::string data(1536, ' ');
  std::string key(255, ' ');
  uint32_t length = 1536;
  status = RecordManagerCall(RM_STAT, f.block, data.data(), &length, key.data(), 255, 0);
  return data.substr(0, length);
}

inline uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
inline uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

// A scratch directory per test, removed afterwards; every file is reset.
class RecmgrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("recmgr_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    Reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

// A record of `length` bytes: `head` at the front, blanks after.
inline std::string Rec(const std::string& head, size_t length) {
  std::string r = head;
  r.resize(length, ' ');
  return r;
}

}  // namespace rmtest

#endif
