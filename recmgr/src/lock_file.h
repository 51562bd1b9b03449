// Record and file locks as open-file-description byte-range locks on a side
// file next to the data file ("<data file>-lock"). The kernel drops them when
// the holder closes the file or dies, so a killed process leaves none behind.
// Byte 0 stands for the file (shared by every open, exclusive for an
// exclusive open); byte n for the record at position n.
#ifndef RECMGR_LOCK_FILE_H
#define RECMGR_LOCK_FILE_H

#include <cstdint>
#include <string>

namespace recmgr {

class LockFile {
 public:
  enum class Result { Ok, Busy, Error };

  LockFile() = default;
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  ~LockFile();

  // Opens (creating it when missing) the side file of `dataPath`.
  bool Open(const std::string& dataPath);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Shared or exclusive lock of byte `offset`, without waiting or waiting
  // until the byte is free.
  Result Lock(uint64_t offset, bool exclusive, bool wait);
  void Unlock(uint64_t offset);

 private:
  int fd_ = -1;
  bool writable_ = false;
};

std::string LockFilePath(const std::string& dataPath);

}  // namespace recmgr

#endif
