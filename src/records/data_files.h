// The file-access layer over the record manager: the table of open data
// files, opening (and creating) files, record operations along a key, record
// positions, lock modes with lock waits, and keys in collating form.
//
// Callers name a file by a small non-zero identifier of their choosing and
// lend a record area at the open; every record read lands in that area.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "records/records_state.h"

namespace records {

// Statuses of the layer itself, besides the record manager's.
enum : int16_t {
  StatusAlreadyOpen = 1002,  // the identifier is already in the table
  StatusTableFull = 1003,    // no free slot
  StatusNoSuchKey = 1004,    // the file defines no such key number
};

// Registers and opens one data file. fileName is the path with or without an
// extension (".dat" when it has none); a missing file is created from its
// creation specification, RootDir + "ddf\" + base name + ".xdf"; a locked
// file is retried every 3000 ms. Returns 0, 1002 or 1003. Any other failure
// shows a message, waits for a key, resets every data file and ends the
// process (through State().EndProcess; when that returns, so does this, with
// the failing status). The record area grows to the file's record length when
// it is shorter; a file with records longer than 1536 bytes is refused.
int16_t OpenDataFile(int16_t fileId, const std::string& fileName, std::string& recordArea);

// Makes the record manager close every file of this program and release its
// locks; on status 0 empties every slot. Returns the status.
int16_t ResetDataFiles();

// Slot number of the identifier; not there: minus the highest free slot;
// no free slot either: 0.
int16_t FindFileSlot(int16_t fileId);

// Record length and the length of the given key, read with Stat. Both 0 for
// a file not open (or when Stat fails); key length 0 for a key the file does
// not define.
void ReadFileLayout(int16_t fileId, int16_t keyNumber, int16_t& keyLength, int16_t& recordLength);

// Reads the record whose key equals (mode 0), is the first greater or equal
// (mode > 0) or the last less or equal (mode < 0) to the value, which is
// padded with NUL bytes or cut to the key's length. The key becomes the
// file's current key. Status 3 when not open, 1004 for an undefined key; 22
// counts as success.
int16_t FindRecord(int16_t fileId, int16_t keyNumber, std::string keyValue, int16_t mode);

// Moves |count| records along the current key (backward when negative) and
// reads the record reached; only that one reaches the record area. Count 0
// does nothing and returns 0.
int16_t SkipRecords(int16_t fileId, int16_t count);

// Position 0: the physical position of the current record (0 on failure).
// Any other position: reads the record there and returns the status.
int32_t RecordPosition(int16_t fileId, int32_t position);

// Lock mode commands, one character each: D mode 0, A mode 1, B mode 2, +
// save the mode, - restore the mode saved last for this file; others are
// ignored. status is set (to 3) only when the file is not open.
void SetLockMode(int16_t fileId, std::string_view command, int16_t& status);

// The file's current key value in collating form; empty when not open.
std::string CurrentKey(int16_t fileId);

// The value converted for the file's current key so that byte order gives
// key order: unsigned-integer segments reversed, alternate-collating
// segments through the file's weights. Unchanged for a file not open.
std::string CollatingKey(std::string keyValue, int16_t fileId);

// One record operation on a slot, with the lock bias when the file's lock
// mode asks for it, and in lock mode 1 the wait while the record or file is
// locked (with a message after the first locked attempt).
int16_t RecordOperation(int16_t slot, uint16_t operation);

// Texts of the layer's messages in the session's language.
std::string OpenFailureText(const std::string& languageCode);
std::string LockMessageText(const std::string& languageCode);

}  // namespace records
