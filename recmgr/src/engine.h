// The record manager's engine: the open files of this process and the
// operations of RecordManagerCall. Internal to recmgr and rmutil.
#ifndef RECMGR_ENGINE_H
#define RECMGR_ENGINE_H

#include <cstdint>
#include <string>
#include <vector>

namespace recmgr {

// The body of RecordManagerCall; may throw (the entry point catches).
int16_t Dispatch(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
                 void* keyBuffer, uint8_t keyLength, int8_t keyNumber);

// Where a bulk load takes its records from.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // The next record into `record`: true, or false at the end or on a fault
  // (then `fault` says what is wrong).
  virtual bool Next(std::string& record, std::string& fault) = 0;
};

struct LoadOutcome {
  int16_t status = 0;    // record-manager status; 0 with a fault for a malformed source
  uint64_t records = 0;  // records read from the source (the failing one included)
  std::string fault;     // what went wrong, empty on success
};

// Inserts every record of `source` into the open file of `positionBlock` in
// one transaction: on any failure the file is left as it was.
LoadOutcome BulkLoad(void* positionBlock, RecordSource& source);

// Checks the open file of `positionBlock` for damage; each fault found is
// one line in `faults`. Answers a status (0 when the check could run).
int16_t CheckFile(void* positionBlock, std::vector<std::string>& faults);

// Whether the open file of `positionBlock` has an owner name, and its mode
// (0: needed for every open; 1: opens without it are read-only).
int16_t OwnerState(void* positionBlock, bool& hasOwner, int& mode);

// The busy timeout every connection gets, in milliseconds
// (RECMGR_BUSY_TIMEOUT_MS overrides the default of 2000).
int BusyTimeoutMs();

}  // namespace recmgr

#endif
