// The record manager as the file-access layer sees it: one call of the
// library's entry point, behind an interface that a test can replace with a
// recorder of calls.
#pragma once

#include <cstdint>

namespace records {

// Operation codes of the record manager used by the layer.
enum : uint16_t {
  OpOpen = 0,
  OpGetEqual = 5,
  OpGetNext = 6,
  OpGetPrevious = 7,
  OpGetGreater = 8,
  OpGetGreaterOrEqual = 9,
  OpGetLess = 10,
  OpGetLessOrEqual = 11,
  OpCreate = 14,
  OpStat = 15,
  OpGetPosition = 22,
  OpGetDirect = 23,
  OpReset = 28,
};

// Added to a read operation when the file's lock mode is not 0: lock the
// record read, without waiting in the record manager.
constexpr uint16_t LockBias = 200;

// Statuses of the record manager that the layer tests, sets or passes on.
enum : int16_t {
  StatusOk = 0,
  StatusFileNotOpen = 3,
  StatusFileNotFound = 12,
  StatusDataBufferTooShort = 22,
  StatusBadRecordLength = 28,
  StatusRecordLocked = 84,
  StatusFileLocked = 85,
};

// Size of the data buffer of every call except Reset, and of a position block.
constexpr int DataBufferSize = 1536;
constexpr int PositionBlockSize = 128;

// One entry point, the shape of the library's RecordManagerCall.
class RecordManager {
 public:
  virtual ~RecordManager() = default;
  virtual int16_t Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
                       void* keyBuffer, uint8_t keyLength, int8_t keyNumber) = 0;
};

// The production binding: the record manager's library.
RecordManager& LibraryRecordManager();

// The manager the layer calls: the one installed in State().Manager, or the
// library when none is installed.
RecordManager& ActiveRecordManager();

}  // namespace records
