#include "file_spec.h"

#include <cstring>

#include "recmgr.h"

namespace recmgr {
namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void Put16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

constexpr uint16_t kKeyLevelFlags = kSegDuplicates | kSegModifiable | kSegNullKey;

}  // namespace

int16_t ParseFileSpec(const uint8_t* data, size_t size, FileSpec& spec, size_t& used) {
  spec = FileSpec{};
  used = 0;
  if (data == nullptr || size < kFileSpecSize) return RM_DATA_BUFFER_TOO_SHORT;
  spec.recordLength = Get16(data);
  spec.pageSize = Get16(data + 2);
  const uint16_t keyCount = Get16(data + 4);
  spec.fileFlags = Get16(data + 10);
  if (spec.recordLength == 0 || spec.recordLength > kMaxRecordLength) return RM_BAD_RECORD_LENGTH;
  if (spec.pageSize < 512 || spec.pageSize > 16384 || spec.pageSize % 512 != 0) return RM_BAD_PAGE_SIZE;
  if (keyCount == 0 || keyCount > kMaxKeys) return RM_BAD_KEY_COUNT;

  size_t at = kFileSpecSize;
  for (uint16_t k = 0; k < keyCount; ++k) {
    Key key;
    for (;;) {
      if (at + kSegmentSpecSize > size) return RM_DATA_BUFFER_TOO_SHORT;
      Segment seg;
      seg.position = Get16(data + at);
      seg.length = Get16(data + at + 2);
      seg.flags = Get16(data + at + 4);
      at += kSegmentSpecSize;
      if (seg.length == 0) return RM_BAD_KEY_LENGTH;
      if (seg.position == 0 || seg.position + seg.length - 1 > spec.recordLength) return RM_BAD_KEY_POSITION;
      if ((seg.flags & ~kSegKnownFlags) != 0) return RM_BAD_KEY_LENGTH;
      if (key.segments.empty()) {
        key.duplicates = seg.flags & kSegDuplicates;
        key.modifiable = seg.flags & kSegModifiable;
        key.nullable = seg.flags & kSegNullKey;
      } else if ((seg.flags & kKeyLevelFlags) != (key.segments.front().flags & kKeyLevelFlags)) {
        return RM_BAD_KEY_LENGTH;  // the segments of one key disagree on the key's attributes
      }
      key.length += seg.length;
      if (key.length > kMaxKeyLength) return RM_BAD_KEY_LENGTH;
      if (seg.flags & kSegAlternate) spec.hasCollating = true;
      key.segments.push_back(seg);
      if (!(seg.flags & kSegContinued)) break;
    }
    spec.keys.push_back(std::move(key));
  }
  if (spec.hasCollating) {
    if (at + kCollatingBlockSize > size) return RM_DATA_BUFFER_TOO_SHORT;
    if (data[at] != kCollatingSignature) return RM_BAD_KEY_LENGTH;
    spec.collatingName.assign(reinterpret_cast<const char*>(data + at + 1), 8);
    std::memcpy(spec.weights, data + at + 9, 256);
    at += kCollatingBlockSize;
  }
  used = at;
  return RM_OK;
}

std::string SerializeFileSpec(const FileSpec& spec, uint32_t records, const std::vector<uint32_t>& distinct) {
  size_t segments = 0;
  for (const Key& k : spec.keys) segments += k.segments.size();
  std::string out(kFileSpecSize + segments * kSegmentSpecSize + (spec.hasCollating ? kCollatingBlockSize : 0),
                  '\0');
  Put16(out, 0, spec.recordLength);
  Put16(out, 2, spec.pageSize);
  Put16(out, 4, static_cast<uint16_t>(spec.keys.size()));
  Put32(out, 6, records);
  Put16(out, 10, spec.fileFlags);
  size_t at = kFileSpecSize;
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    for (const Segment& seg : spec.keys[k].segments) {
      Put16(out, at, seg.position);
      Put16(out, at + 2, seg.length);
      Put16(out, at + 4, seg.flags);
      Put32(out, at + 6, k < distinct.size() ? distinct[k] : 0);
      at += kSegmentSpecSize;
    }
  }
  if (spec.hasCollating) {
    out[at] = static_cast<char>(kCollatingSignature);
    std::string name = spec.collatingName;
    name.resize(8, ' ');
    std::memcpy(&out[at + 1], name.data(), 8);
    std::memcpy(&out[at + 9], spec.weights, 256);
  }
  return out;
}

std::string KeyValue(const Key& key, const uint8_t* record) {
  std::string value;
  value.reserve(key.length);
  for (const Segment& seg : key.segments)
    value.append(reinterpret_cast<const char*>(record + seg.position - 1), seg.length);
  return value;
}

std::string CollatingForm(const FileSpec& spec, const Key& key, const uint8_t* value) {
  std::string form(reinterpret_cast<const char*>(value), key.length);
  size_t at = 0;
  for (const Segment& seg : key.segments) {
    char* p = form.data() + at;
    if (seg.flags & kSegBinary) {
      for (size_t i = 0, j = seg.length - 1; i < j; ++i, --j) std::swap(p[i], p[j]);
    } else if ((seg.flags & kSegAlternate) && spec.hasCollating) {
      for (size_t i = 0; i < seg.length; ++i)
        p[i] = static_cast<char>(spec.weights[static_cast<uint8_t>(p[i])]);
    }
    if (seg.flags & kSegDescending) {
      for (size_t i = 0; i < seg.length; ++i) p[i] = static_cast<char>(~static_cast<uint8_t>(p[i]));
    }
    at += seg.length;
  }
  return form;
}

bool IsNullValue(const Key& key, const uint8_t* value) {
  if (key.length == 0) return false;
  const uint8_t first = value[0];
  if (first != 0x00 && first != 0x20) return false;
  for (size_t i = 1; i < key.length; ++i)
    if (value[i] != first) return false;
  return true;
}

}  // namespace recmgr
