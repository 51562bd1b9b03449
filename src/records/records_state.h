// Process-wide state of the file-access layer: the table of open data files,
// the saved lock modes, the record manager it calls and how the process ends
// on a file that cannot be opened.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "records/record_manager.h"

namespace records {

// Number of file slots; slot 0 exists besides them as scratch for Reset.
constexpr int16_t FileSlotCount = 40;

// One slot of DataFileTable. A slot is free when FileId is 0.
struct DataFileSlot {
  int16_t FileId = 0;
  std::array<uint8_t, PositionBlockSize> PositionBlock{};
  // The caller's record area, lent at the open. Every record read from the
  // file is copied into it; the open makes it at least RecordLength bytes.
  std::string* RecordBuffer = nullptr;
  int32_t RecordLength = 0;
  int16_t KeyNumber = 0;
  std::string KeyValue;  // exactly as long as the current key
  int16_t LockMode = 0;  // 0 no locks, 1 lock and wait, 2 lock without waiting
};

struct RecordsState {
  std::array<DataFileSlot, FileSlotCount + 1> DataFileTable{};
  // Pairs of bytes: slot number, lock mode saved by "+".
  std::string LockModeStack;
  // The record manager the layer calls; null means the library.
  RecordManager* Manager = nullptr;
  // Closes the program's ordinary (not record-manager) files on the open
  // failure path, before the data files are reset. Empty: nothing to close.
  std::function<void()> CloseOrdinaryFiles;
  // Ends the process on the open failure path with the given exit code.
  // Empty: std::exit. The program may install its own end (restoring the
  // terminal); tests install one that records the code and returns, and
  // OpenDataFile then returns the failing status.
  std::function<void(int)> EndProcess;
};

RecordsState& State();
void ResetState();

}  // namespace records
