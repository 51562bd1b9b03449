#include "lock_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace recmgr {

std::string LockFilePath(const std::string& dataPath) { return dataPath + "-lock"; }

LockFile::~LockFile() { Close(); }

bool LockFile::Open(const std::string& dataPath) {
  Close();
  const std::string path = LockFilePath(dataPath);
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  writable_ = fd_ >= 0;
  if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd_ >= 0;
}

void LockFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

LockFile::Result LockFile::Lock(uint64_t offset, bool exclusive, bool wait) {
  if (fd_ < 0 || (exclusive && !writable_)) return Result::Error;
  struct flock fl {};
  fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = 1;
  fl.l_pid = 0;
  for (;;) {
    if (::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return Result::Ok;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return Result::Busy;
    return Result::Error;
  }
}

void LockFile::Unlock(uint64_t offset) {
  if (fd_ < 0) return;
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = 1;
  fl.l_pid = 0;
  while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0 && errno == EINTR) {
  }
}

}  // namespace recmgr
