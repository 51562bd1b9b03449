// The creation specification of a data file: its parsed form, its validation
// and the collating form of key values.
#ifndef RECMGR_FILE_SPEC_H
#define RECMGR_FILE_SPEC_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace recmgr {

// Key-segment flag bits.
enum : uint16_t {
  kSegDuplicates = 0x01,
  kSegModifiable = 0x02,
  kSegBinary = 0x04,
  kSegNullKey = 0x08,
  kSegContinued = 0x10,
  kSegAlternate = 0x20,
  kSegDescending = 0x40,
  kSegKnownFlags = 0x7F,
};

constexpr size_t kFileSpecSize = 16;
constexpr size_t kSegmentSpecSize = 16;
constexpr size_t kCollatingBlockSize = 265;  // 0xAC, 8-byte name, 256 weights
constexpr uint8_t kCollatingSignature = 0xAC;
constexpr uint16_t kMaxRecordLength = 4096;
constexpr uint16_t kMaxKeys = 24;
constexpr size_t kMaxKeyLength = 255;

struct Segment {
  uint16_t position = 0;  // from 1
  uint16_t length = 0;
  uint16_t flags = 0;
};

struct Key {
  std::vector<Segment> segments;
  size_t length = 0;  // total of the segments' lengths
  bool duplicates = false;
  bool modifiable = false;
  bool nullable = false;
};

struct FileSpec {
  uint16_t recordLength = 0;
  uint16_t pageSize = 0;
  uint16_t fileFlags = 0;
  std::vector<Key> keys;
  bool hasCollating = false;
  std::string collatingName;  // 8 bytes
  uint8_t weights[256] = {};
};

// Parses and validates a creation specification taken from a buffer of
// `size` bytes. Answers 0 or a record-manager status (22, 24 to 29) and
// `used`, the number of bytes the creation specification takes.
int16_t ParseFileSpec(const uint8_t* data, size_t size, FileSpec& spec, size_t& used);

// Writes the creation specification in the Create/Stat layout, with the record count
// and each segment's distinct-value count (the count of its key) filled in.
std::string SerializeFileSpec(const FileSpec& spec, uint32_t records = 0,
                              const std::vector<uint32_t>& distinct = {});

// The key value of `key` in `record` (the segments' bytes joined).
std::string KeyValue(const Key& key, const uint8_t* record);

// The collating form of a key value given as the segments' bytes joined.
std::string CollatingForm(const FileSpec& spec, const Key& key, const uint8_t* value);

// Whether the key's value is the null value (all blanks or all NUL bytes);
// records with a null value are left out of a key that allows null values.
bool IsNullValue(const Key& key, const uint8_t* value);

}  // namespace recmgr

#endif
