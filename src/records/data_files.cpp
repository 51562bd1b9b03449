#include "records/data_files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "config/session.h"
#include "config/session_settings.h"
#include "console/keyboard.h"
#include "console/message_box.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "platform/console.h"
#include "platform/system.h"

namespace records {

namespace {

constexpr int KeyBufferSize = 256;
constexpr int SegmentSpecSize = 16;
constexpr int FirstSegmentOffset = 16;
// The path handed to Open and Create, with its NUL, must fit in 255 bytes.
constexpr std::size_t MaxPathLength = 254;

using DataBuffer = std::array<uint8_t, DataBufferSize>;
using KeyBuffer = std::array<uint8_t, KeyBufferSize>;

// Flag bits of a key segment.
constexpr uint16_t SegmentUnsigned = 0x04;
constexpr uint16_t SegmentContinues = 0x10;
constexpr uint16_t SegmentAlternate = 0x20;

// The owner name of the installation's data files, joined from its pieces at
// run time so that it never stands whole in the program.
constexpr char OwnerPieces[4] = {'R', 'C', 'B', 'M'};

int16_t Call(uint16_t operation, DataFileSlot& slot, void* data, uint32_t* dataLength, void* key,
             uint8_t keyLength, int8_t keyNumber) {
  return ActiveRecordManager().Call(operation, slot.PositionBlock.data(), data, dataLength, key, keyLength,
                                    keyNumber);
}

DataBuffer BlankData() {
  DataBuffer data;
  data.fill(' ');
  return data;
}

uint16_t ReadU16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

// Valid bytes of a returned buffer: never past the buffer, whatever the
// record manager reports.
std::size_t Returned(uint32_t dataLength) { return std::min<std::size_t>(dataLength, DataBufferSize); }

// The record area of a slot as sent: its first RecordLength bytes, blanks
// after them up to the buffer's size.
DataBuffer RecordData(const DataFileSlot& slot) {
  DataBuffer data = BlankData();
  if (slot.RecordBuffer != nullptr) {
    std::size_t n = std::min({static_cast<std::size_t>(std::max<int32_t>(slot.RecordLength, 0)),
                              slot.RecordBuffer->size(), data.size()});
    std::memcpy(data.data(), slot.RecordBuffer->data(), n);
  }
  return data;
}

// Copies a returned record into the slot's area: no more than the manager
// returned, RecordLength, or the area holds.
void StoreRecord(DataFileSlot& slot, const DataBuffer& data, uint32_t dataLength) {
  if (slot.RecordBuffer == nullptr) return;
  std::size_t n =
      std::min({Returned(dataLength), static_cast<std::size_t>(std::max<int32_t>(slot.RecordLength, 0)),
                slot.RecordBuffer->size()});
  std::memcpy(slot.RecordBuffer->data(), data.data(), n);
}

// The returned key read up to its first NUL byte, cut to the current key's
// length.
void StoreKeyToNul(DataFileSlot& slot, const KeyBuffer& key) {
  std::size_t n = 0;
  while (n < key.size() && key[n] != 0) ++n;
  n = std::min(n, slot.KeyValue.size());
  slot.KeyValue.assign(reinterpret_cast<const char*>(key.data()), n);
}

// The file's layout as Stat reports it.
struct FileLayout {
  int16_t Status = 0;
  DataBuffer Data{};
  std::size_t Length = 0;  // valid bytes of Data
  int32_t RecordLength = 0;
  int32_t KeyCount = 0;

  // Flags and length of the segment specification at an offset; false when
  // it lies outside the returned data.
  bool Segment(std::size_t offset, uint16_t& flags, uint16_t& length) const {
    if (offset + SegmentSpecSize > Length) return false;
    length = ReadU16(&Data[offset + 2]);
    flags = ReadU16(&Data[offset + 4]);
    return true;
  }

  // Offset of the first segment of a key, or of the collating block for
  // key = KeyCount; 0 when the specifications end before it.
  std::size_t KeyOffset(int32_t key) const {
    std::size_t offset = FirstSegmentOffset;
    for (int32_t k = 0; k < key; ++k) {
      uint16_t flags = 0, length = 0;
      do {
        if (!Segment(offset, flags, length)) return 0;
        offset += SegmentSpecSize;
      } while (flags & SegmentContinues);
    }
    return offset;
  }
};

FileLayout IssueStat(DataFileSlot& slot) {
  FileLayout layout;
  layout.Data = BlankData();
  uint32_t dataLength = DataBufferSize;
  KeyBuffer key;
  key.fill(' ');
  layout.Status = Call(OpStat, slot, layout.Data.data(), &dataLength, key.data(), 255, 0);
  if (layout.Status != StatusOk) return layout;
  layout.Length = Returned(dataLength);
  if (layout.Length < 6) return layout;
  layout.RecordLength = ReadU16(&layout.Data[0]);
  layout.KeyCount = ReadU16(&layout.Data[4]);
  return layout;
}

// Length of a key: the total of its segments' lengths; 0 for a key the
// file does not define.
int16_t KeyLength(const FileLayout& layout, int16_t keyNumber) {
  if (keyNumber < 0 || keyNumber >= layout.KeyCount) return 0;
  std::size_t offset = layout.KeyOffset(keyNumber);
  if (offset == 0) return 0;
  int32_t sum = 0;
  uint16_t flags = 0, length = 0;
  do {
    if (!layout.Segment(offset, flags, length)) return 0;
    sum += length;
    offset += SegmentSpecSize;
  } while (flags & SegmentContinues);
  return static_cast<int16_t>(std::min<int32_t>(sum, KeyBufferSize - 1));
}

bool IsLockBiased(uint16_t operation) {
  return (operation >= 5 && operation <= 13) || operation == 19 || (operation >= 22 && operation <= 24) ||
         (operation >= 33 && operation <= 35);
}

bool IsLockStatus(int16_t status) { return status == StatusRecordLocked || status == StatusFileLocked; }

void EndProcess(int code) {
  if (State().EndProcess) {
    State().EndProcess(code);
    return;
  }
  std::exit(code);
}

// The open failure path: the message naming the file and the status, a key,
// every file reset, the end of the process.
void OpenFailure(const std::string& fileName, int16_t status) {
  std::string message = OpenFailureText(config::SessionSettings().LanguageCode) +
                        config::ShownPath(fileName) + " (" + std::to_string(status) + ")";
  console::ShowMessage(12, message);
  platform::ActiveConsole().Beep();
  console::FlushKeys();
  console::WaitKey();
  console::PopWindow();
  if (State().CloseOrdinaryFiles) State().CloseOrdinaryFiles();
  ResetDataFiles();
  EndProcess(0);
}

// Reads a creation specification file into a Create data buffer. False when
// the file is missing, shorter than its length prefix says, or holds a
// specification that is empty or longer than the buffer.
bool ReadCreationSpec(const std::string& path, DataBuffer& data) {
  std::ifstream in(platform::NativePath(path), std::ios::binary);
  if (!in) return false;
  uint8_t prefix[2];
  if (!in.read(reinterpret_cast<char*>(prefix), 2)) return false;
  int16_t n = static_cast<int16_t>(ReadU16(prefix));
  if (n < FirstSegmentOffset || n > DataBufferSize) return false;
  data = BlankData();
  if (!in.read(reinterpret_cast<char*>(data.data()), n)) return false;
  return true;
}

// Splits a file name into directory, base name and extension: the
// extension starts at the leftmost dot of the last path component.
void SplitFileName(const std::string& name, std::string& directory, std::string& base,
                   std::string& extension) {
  std::size_t baseEnd = name.size();
  std::size_t baseStart = 0;
  for (std::size_t i = name.size(); i-- > 0;) {
    char c = name[i];
    if (c == ':' || c == '\\' || c == '/') {
      baseStart = i + 1;
      break;
    }
    if (c == '.') baseEnd = i;
  }
  directory = name.substr(0, baseStart);
  base = name.substr(baseStart, baseEnd - baseStart);
  extension = baseEnd < name.size() ? name.substr(baseEnd) : std::string(".dat");
}

}  // namespace

RecordsState& State() {
  static RecordsState state;
  return state;
}

void ResetState() { State() = RecordsState{}; }

std::string OpenFailureText(const std::string& languageCode) {
  if (languageCode == "SPA") return "NO SE PUEDE ACCEDER AL FICHERO ";
  if (languageCode == "GLG") return "NOM SE PODE ACEDER AO FICHEIRO ";
  if (languageCode == "OCI") return "NON SE P\xE3T ACCEDIR ATH FICH\xD4R ";
  return "NO ES POT ACCEDIR AL FITXER ";
}

std::string LockMessageText(const std::string& languageCode) {
  if (languageCode == "SPA") return "FICHERO BLOQUEADO. ESPERE UN MOMENTO.";
  if (languageCode == "GLG") return "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.";
  if (languageCode == "OCI") return "FICH\xD4R BLOQUEJAT. ESPERATZ UN MOMENT.";
  return "FITXER BLOQUEJAT. ESPEREU UN MOMENT.";
}

int16_t FindFileSlot(int16_t fileId) {
  auto& table = State().DataFileTable;
  int16_t freeSlot = 0;
  for (int16_t slot = 1; slot <= FileSlotCount; ++slot) {
    if (table[slot].FileId == fileId) return slot;
    if (table[slot].FileId == 0) freeSlot = slot;
  }
  return static_cast<int16_t>(-freeSlot);
}

int16_t OpenDataFile(int16_t fileId, const std::string& fileName, std::string& recordArea) {
  int16_t found = FindFileSlot(fileId);
  if (found > 0) return StatusAlreadyOpen;
  if (found == 0) return StatusTableFull;
  const int16_t slotNumber = static_cast<int16_t>(-found);
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  slot = DataFileSlot{};
  slot.FileId = fileId;
  slot.RecordBuffer = &recordArea;

  std::string directory, base, extension;
  SplitFileName(fileName, directory, base, extension);
  const std::string path = platform::NativePath(directory + base + extension);

  int16_t status = StatusFileNotFound;
  if (path.size() <= MaxPathLength) {
    KeyBuffer pathKey{};
    std::memcpy(pathKey.data(), path.data(), path.size());
    const auto pathLength = static_cast<uint8_t>(path.size());
    uint32_t openLength = 5;
    for (;;) {
      DataBuffer data = BlankData();
      for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(OwnerPieces[i]);
      data[4] = 0;
      openLength = static_cast<uint32_t>(Returned(openLength));
      status = Call(OpOpen, slot, data.data(), &openLength, pathKey.data(), pathLength, 0);
      if (status == StatusFileLocked) {
        platform::SleepMs(3000);
        continue;
      }
      if (status != StatusFileNotFound) break;
      DataBuffer spec;
      if (!ReadCreationSpec(config::SessionSettings().RootDir + "ddf\\" + base + ".xdf", spec)) break;
      uint32_t createLength = DataBufferSize;
      status = Call(OpCreate, slot, spec.data(), &createLength, pathKey.data(), pathLength, -1);
      if (status != StatusOk) break;
    }
  }

  if (status == StatusOk) {
    // The layout decides how records are read; a file whose layout cannot be
    // read, or whose records do not fit the data buffer, cannot be used.
    FileLayout layout = IssueStat(slot);
    if (layout.Status != StatusOk) {
      status = layout.Status;
    } else if (layout.RecordLength < 1 || layout.RecordLength > DataBufferSize) {
      status = StatusBadRecordLength;
    } else {
      slot.RecordLength = layout.RecordLength;
      slot.KeyValue.assign(static_cast<std::size_t>(KeyLength(layout, 0)), '\0');
      if (recordArea.size() < static_cast<std::size_t>(slot.RecordLength)) {
        recordArea.resize(static_cast<std::size_t>(slot.RecordLength), '\0');
      }
      return StatusOk;
    }
  }
  // A file that could not be opened holds no slot.
  slot = DataFileSlot{};
  OpenFailure(fileName, status);
  return status;
}

int16_t ResetDataFiles() {
  auto& table = State().DataFileTable;
  DataFileSlot& scratch = table[0];
  scratch.PositionBlock.fill(' ');
  uint8_t data[4] = {0, 0, 0, 0};
  uint8_t key[4] = {0, 0, 0, 0};
  uint32_t dataLength = 0;
  int16_t status = Call(OpReset, scratch, data, &dataLength, key, 0, 0);
  scratch.PositionBlock.fill(0);
  if (status == StatusOk) {
    for (int16_t slot = 1; slot <= FileSlotCount; ++slot) table[slot] = DataFileSlot{};
  }
  return status;
}

void ReadFileLayout(int16_t fileId, int16_t keyNumber, int16_t& keyLength, int16_t& recordLength) {
  keyLength = 0;
  recordLength = 0;
  int16_t slot = FindFileSlot(fileId);
  if (slot < 1) return;
  FileLayout layout = IssueStat(State().DataFileTable[slot]);
  if (layout.Status != StatusOk) return;
  recordLength = static_cast<int16_t>(layout.RecordLength);
  keyLength = KeyLength(layout, keyNumber);
}

int16_t RecordOperation(int16_t slotNumber, uint16_t operation) {
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  if (IsLockBiased(operation) && slot.LockMode != 0) operation = static_cast<uint16_t>(operation + LockBias);
  int attempts = 0;
  int16_t status = 0;
  for (;;) {
    if (attempts == 1) console::ShowMessage(24, LockMessageText(config::SessionSettings().LanguageCode));
    DataBuffer data = RecordData(slot);
    uint32_t dataLength = static_cast<uint32_t>(std::max<int32_t>(slot.RecordLength, 0));
    KeyBuffer key;
    uint8_t fill = ' ';
    if (operation == OpGetGreater || operation == OpGetGreaterOrEqual) fill = 0;
    if (operation == OpGetLess || operation == OpGetLessOrEqual) fill = 0xFF;
    key.fill(fill);
    const std::size_t keyLength = std::min<std::size_t>(slot.KeyValue.size(), KeyBufferSize - 1);
    std::memcpy(key.data(), slot.KeyValue.data(), keyLength);
    status = Call(operation, slot, data.data(), &dataLength, key.data(), static_cast<uint8_t>(keyLength),
                  static_cast<int8_t>(slot.KeyNumber));
    StoreRecord(slot, data, dataLength);
    slot.KeyValue.assign(reinterpret_cast<const char*>(key.data()), keyLength);
    if (IsLockStatus(status) && slot.LockMode == 1) {
      platform::SleepMs(static_cast<int>(1 + 10000 * platform::RandomUnit() + 0.5));
      if (attempts < 2) ++attempts;
      continue;
    }
    break;
  }
  if (attempts != 0) console::PopWindow();
  return status;
}

int16_t FindRecord(int16_t fileId, int16_t keyNumber, std::string keyValue, int16_t mode) {
  int16_t slotNumber = FindFileSlot(fileId);
  if (slotNumber < 1) return StatusFileNotOpen;
  int16_t keyLength = 0, recordLength = 0;
  ReadFileLayout(fileId, keyNumber, keyLength, recordLength);
  if (keyLength == 0) return StatusNoSuchKey;
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  slot.KeyNumber = keyNumber;
  keyValue.resize(static_cast<std::size_t>(keyLength), '\0');
  slot.KeyValue = std::move(keyValue);
  uint16_t operation = mode == 0 ? OpGetEqual : mode > 0 ? OpGetGreaterOrEqual : OpGetLessOrEqual;
  int16_t status = RecordOperation(slotNumber, operation);
  if (status == StatusDataBufferTooShort) status = StatusOk;
  return status;
}

int16_t SkipRecords(int16_t fileId, int16_t count) {
  int16_t slotNumber = FindFileSlot(fileId);
  if (slotNumber < 1) return StatusFileNotOpen;
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  const uint16_t operation = count < 0 ? OpGetPrevious : OpGetNext;
  int16_t status = StatusOk;
  int n = count < 0 ? -static_cast<int>(count) : count;
  KeyBuffer key{};
  while (n > 1 && status == StatusOk) {
    DataBuffer data = BlankData();
    uint32_t dataLength = DataBufferSize;
    uint8_t keyLength = 0;
    while (keyLength < KeyBufferSize - 1 && key[keyLength] != 0) ++keyLength;
    status = Call(operation, slot, data.data(), &dataLength, key.data(), keyLength,
                  static_cast<int8_t>(slot.KeyNumber));
    StoreKeyToNul(slot, key);
    if (status == StatusDataBufferTooShort) status = StatusOk;
    --n;
  }
  if (n != 0 && status == StatusOk) {
    status = RecordOperation(slotNumber, operation);
    if (status == StatusDataBufferTooShort) status = StatusOk;
  }
  return status;
}

int32_t RecordPosition(int16_t fileId, int32_t position) {
  int16_t slotNumber = FindFileSlot(fileId);
  if (slotNumber < 1) return 0;
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  DataBuffer data = BlankData();
  uint32_t dataLength = DataBufferSize;
  if (position == 0) {
    std::memset(data.data(), 0, 4);
    uint8_t key[4] = {0, 0, 0, 0};
    int16_t status = Call(OpGetPosition, slot, data.data(), &dataLength, key, 0, 0);
    if (status != StatusOk) return 0;
    uint32_t value = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                     (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return static_cast<int32_t>(value);
  }
  const auto bits = static_cast<uint32_t>(position);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(bits >> (8 * i));
  KeyBuffer key{};
  int16_t status =
      Call(OpGetDirect, slot, data.data(), &dataLength, key.data(), 0, static_cast<int8_t>(slot.KeyNumber));
  StoreKeyToNul(slot, key);
  if (status == StatusDataBufferTooShort) status = StatusOk;
  if (status == StatusOk) StoreRecord(slot, data, dataLength);
  return status;
}

void SetLockMode(int16_t fileId, std::string_view command, int16_t& status) {
  int16_t slotNumber = FindFileSlot(fileId);
  if (slotNumber < 1) {
    status = StatusFileNotOpen;
    return;
  }
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  std::string& stack = State().LockModeStack;
  for (char c : command) {
    switch (c) {
      case 'D':
      case 'd':
        slot.LockMode = 0;
        break;
      case 'A':
      case 'a':
        slot.LockMode = 1;
        break;
      case 'B':
      case 'b':
        slot.LockMode = 2;
        break;
      case '+':
        stack.push_back(static_cast<char>(slotNumber));
        stack.push_back(static_cast<char>(slot.LockMode));
        break;
      case '-':
        for (std::size_t pair = stack.size() / 2; pair-- > 0;) {
          if (static_cast<uint8_t>(stack[2 * pair]) == slotNumber) {
            slot.LockMode = static_cast<uint8_t>(stack[2 * pair + 1]);
            stack.erase(2 * pair, 2);
            break;
          }
        }
        break;
      default:
        break;
    }
  }
}

std::string CurrentKey(int16_t fileId) {
  int16_t slotNumber = FindFileSlot(fileId);
  if (slotNumber < 1) return {};
  return CollatingKey(State().DataFileTable[slotNumber].KeyValue, fileId);
}

std::string CollatingKey(std::string keyValue, int16_t fileId) {
  int16_t slotNumber = FindFileSlot(fileId);
  if (slotNumber < 1) return keyValue;
  DataFileSlot& slot = State().DataFileTable[slotNumber];
  FileLayout layout = IssueStat(slot);
  if (layout.Status != StatusOk) return keyValue;
  if (slot.KeyNumber < 0 || slot.KeyNumber >= layout.KeyCount) return keyValue;
  // The weights follow the last segment specification: a signature byte and
  // an 8-byte name before them.
  const std::size_t block = layout.KeyOffset(layout.KeyCount);
  const bool haveWeights = block != 0 && block + 9 + 256 <= layout.Length;
  std::size_t offset = layout.KeyOffset(slot.KeyNumber);
  if (offset == 0) return keyValue;
  std::size_t p = 0;  // 0-based position of the segment in the result
  uint16_t flags = 0, length = 0;
  do {
    if (!layout.Segment(offset, flags, length)) break;
    if (flags & SegmentUnsigned) {
      if (keyValue.size() < p + length) keyValue.resize(p + length, '\0');
      std::reverse(keyValue.begin() + static_cast<std::ptrdiff_t>(p),
                   keyValue.begin() + static_cast<std::ptrdiff_t>(p + length));
    } else if ((flags & SegmentAlternate) && haveWeights) {
      for (std::size_t i = p; i < p + length && i < keyValue.size(); ++i) {
        keyValue[i] = static_cast<char>(layout.Data[block + 9 + static_cast<uint8_t>(keyValue[i])]);
      }
    }
    p += length;
    offset += SegmentSpecSize;
  } while (flags & SegmentContinues);
  return keyValue;
}

}  // namespace records
