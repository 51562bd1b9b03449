// Two processes on one file: visibility, torn records, record locks, killed
// holders and writers, file locks. The other process is a forked child that
// opens its own files (the parent has none open at the fork).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "recmgr_test_support.h"

namespace rmtest {
namespace {

constexpr uint16_t kLen = 32;

// Record n: its 4-digit number, then 28 copies of one fill byte. A reader
// that sees two different fill bytes in one record saw a torn record.
std::string Numbered(int n, char fill) {
  char head[8];
  std::snprintf(head, sizeof head, "%04d", n);
  return std::string(head) + std::string(kLen - 4, fill);
}

bool Whole(const std::string& r) {
  if (r.size() != kLen) return false;
  for (size_t i = 5; i < r.size(); ++i)
    if (r[i] != r[4]) return false;
  return true;
}

// A forked child with a pipe each way: Send/Receive one byte at a time.
class Child {
 public:
  explicit Child(const std::function<int(Child&)>& body) {
    if (pipe(down_) != 0 || pipe(up_) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      close(down_[1]);
      close(up_[0]);
      const int code = body(*this);
      _exit(code);
    }
    close(down_[0]);
    close(up_[1]);
  }
  ~Child() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    close(pid_ == 0 ? down_[0] : down_[1]);
    close(pid_ == 0 ? up_[1] : up_[0]);
  }
  void Send(char c) {
    const int fd = pid_ == 0 ? up_[1] : down_[1];
    if (write(fd, &c, 1) != 1) {
    }
  }
  char Receive() {
    const int fd = pid_ == 0 ? down_[0] : up_[0];
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
  }
  // True when a byte is waiting (the child polls its stop signal with it).
  bool Pending() {
    fd_set set;
    FD_ZERO(&set);
    const int fd = pid_ == 0 ? down_[0] : up_[0];
    FD_SET(fd, &set);
    timeval tv{0, 0};
    return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
  }
  void Kill() { kill(pid_, SIGKILL); }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int down_[2] = {-1, -1}, up_[2] = {-1, -1};
  bool reaped_ = false;
};

class Processes : public RecmgrTest {
 protected:
  void SetUp() override {
    RecmgrTest::SetUp();
    path_ = Path("shared.dat");
    ASSERT_EQ(Create(path_, MakeSpec(kLen, {{{1, 4, 0}}})), RM_OK);
    File f;
    ASSERT_EQ(Open(f, path_), RM_OK);
    for (int n = 0; n < 200; n += 2) ASSERT_EQ(Insert(f, Numbered(n, 'a')), RM_OK);
    Reset();  // nothing open across a fork
  }
  void TearDown() override {
    unsetenv("RECMGR_BUSY_TIMEOUT_MS");
    RecmgrTest::TearDown();
  }
  std::string path_;
};

TEST_F(Processes, NextSeesWhatAnotherProcessCommitted) {
  Child child([&](Child& self) {
    File f;
    if (Open(f, path_) != RM_OK) return 1;
    self.Receive();
    if (Insert(f, Numbered(1, 'z')) != RM_OK) return 2;
    self.Send('i');
    self.Receive();
    if (Get(f, RM_GET_EQUAL, 0, "0004").status != RM_OK || Delete(f) != RM_OK) return 3;
    self.Send('d');
    return 0;
  });
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  ASSERT_EQ(Get(f, RM_GET_FIRST, 0).record.substr(0, 4), "0000");
  child.Send('g');
  ASSERT_EQ(child.Receive(), 'i');
  EXPECT_EQ(Get(f, RM_GET_NEXT, 0).record, Numbered(1, 'z'));
  EXPECT_EQ(Get(f, RM_GET_NEXT, 0).record.substr(0, 4), "0002");
  child.Send('g');
  ASSERT_EQ(child.Receive(), 'd');
  EXPECT_EQ(Get(f, RM_GET_NEXT, 0).record.substr(0, 4), "0006") << "the deleted record is passed over";
  EXPECT_EQ(child.Wait(), 0);
}

TEST_F(Processes, ReaderWalksWhileAWriterChangesTheFile) {
  Child writer([&](Child& self) {
    File f;
    if (Open(f, path_) != RM_OK) return 1;
    self.Send('r');
    for (int round = 0; !self.Pending() && round < 100000; ++round) {
      const int odd = 1 + 2 * (round % 100);
      const char fill = static_cast<char>('b' + round % 20);
      if (Insert(f, Numbered(odd, fill)) != RM_OK) return 2;
      const int even = 2 * (round % 100);
      char key[5];
      std::snprintf(key, sizeof key, "%04d", even);
      if (Get(f, RM_GET_EQUAL, 0, key).status != RM_OK) return 3;
      if (Update(f, Numbered(even, fill)) != RM_OK) return 4;
      char oddKey[5];
      std::snprintf(oddKey, sizeof oddKey, "%04d", odd);
      if (Get(f, RM_GET_EQUAL, 0, oddKey).status != RM_OK || Delete(f) != RM_OK) return 5;
    }
    return 0;
  });
  ASSERT_EQ(writer.Receive(), 'r');
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  std::set<char> fills;
  int odds = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (int walk = 0;
       walk < 15 || ((fills.size() < 3 || odds == 0) && std::chrono::steady_clock::now() < deadline);
       ++walk) {
    std::string last;
    int evens = 0;
    for (Read r = Get(f, RM_GET_FIRST, 0); r.status == RM_OK; r = Get(f, RM_GET_NEXT, 0)) {
      ASSERT_TRUE(Whole(r.record)) << "torn record " << r.record;
      ASSERT_LT(last, r.record.substr(0, 4)) << "key order";
      last = r.record.substr(0, 4);
      const int n = std::atoi(last.c_str());
      if (n % 2 == 0)
        ++evens;
      else
        ++odds;
      fills.insert(r.record[4]);
    }
    EXPECT_EQ(evens, 100) << "every record the writer never deletes is seen on each walk";
  }
  writer.Send('s');
  EXPECT_EQ(writer.Wait(), 0);
  EXPECT_GE(fills.size(), 3u) << "the walks saw the writer's updates";
  EXPECT_GT(odds, 0) << "and its inserts";
}

TEST_F(Processes, RecordLockHeldByAnotherProcess) {
  Child holder([&](Child& self) {
    File f;
    if (Open(f, path_) != RM_OK) return 1;
    if (Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0002").status != RM_OK) return 2;
    self.Send('l');
    if (self.Receive() != 'n') return 3;
    // The next locked read through the same block ends the first lock.
    if (Get(f, RM_GET_NEXT + RM_LOCK_NOWAIT, 0).status != RM_OK) return 4;
    self.Send('l');
    if (self.Receive() != 'u') return 5;
    usleep(300 * 1000);
    uint32_t n = 0;
    if (RecordManagerCall(RM_UNLOCK, f.block, nullptr, &n, nullptr, 0, 0) != RM_OK) return 6;
    self.Receive();
    return 0;
  });
  ASSERT_EQ(holder.Receive(), 'l');
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0002").status, RM_RECORD_LOCKED);
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0004").status, RM_OK) << "other records are free";
  uint32_t none = 0;
  ASSERT_EQ(RecordManagerCall(RM_UNLOCK, f.block, nullptr, &none, nullptr, 0, 0), RM_OK);
  ASSERT_EQ(Get(f, RM_GET_EQUAL, 0, "0002").status, RM_OK) << "a read without a lock is not held up";
  EXPECT_EQ(Update(f, Numbered(2, 'q')), RM_RECORD_LOCKED);
  EXPECT_EQ(Delete(f), RM_RECORD_LOCKED);
  int32_t position = Position(f);
  EXPECT_EQ(GetDirect(f, position, 0, RM_LOCK_NOWAIT).status, RM_RECORD_LOCKED);
  EXPECT_EQ(GetDirect(f, position, 0).status, RM_OK);

  holder.Send('n');
  ASSERT_EQ(holder.Receive(), 'l');
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0002").status, RM_OK)
      << "released by the next locked read";
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0004").status, RM_RECORD_LOCKED);
  holder.Send('u');
  const auto start = std::chrono::steady_clock::now();
  Read r = Get(f, RM_GET_EQUAL + RM_LOCK_WAIT, 0, "0004");
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.status, RM_OK);
  EXPECT_GE(waited, std::chrono::milliseconds(200)) << "+100 waited for the holder";
  EXPECT_EQ(Update(f, Numbered(4, 'w')), RM_OK);
  holder.Send('x');
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(Processes, AKilledHolderLeavesNoLock) {
  Child holder([&](Child& self) {
    File f;
    if (Open(f, path_, RM_MODE_NORMAL) != RM_OK) return 1;
    if (Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0010").status != RM_OK) return 2;
    self.Send('l');
    pause();
    return 0;
  });
  ASSERT_EQ(holder.Receive(), 'l');
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0010").status, RM_RECORD_LOCKED);
  holder.Kill();
  holder.Wait();
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0010").status, RM_OK);
  EXPECT_EQ(Update(f, Numbered(10, 'k')), RM_OK);
}

TEST_F(Processes, CloseAndResetReleaseLocks) {
  Child holder([&](Child& self) {
    File a, b;
    if (Open(a, path_) != RM_OK || Open(b, path_) != RM_OK) return 1;
    if (Get(a, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0020").status != RM_OK) return 2;
    if (Get(b, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0022").status != RM_OK) return 3;
    self.Send('l');
    self.Receive();
    if (Close(a) != RM_OK) return 4;
    self.Send('c');
    self.Receive();
    if (Reset() != RM_OK) return 5;
    self.Send('r');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(holder.Receive(), 'l');
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0020").status, RM_RECORD_LOCKED);
  holder.Send('c');
  ASSERT_EQ(holder.Receive(), 'c');
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0020").status, RM_OK) << "Close released it";
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0022").status, RM_RECORD_LOCKED);
  holder.Send('r');
  ASSERT_EQ(holder.Receive(), 'r');
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 0, "0022").status, RM_OK) << "Reset released it";
  holder.Send('x');
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(Processes, AKilledWriterLeavesTheFileAsItWas) {
  Child writer([&](Child& self) {
    File f;
    if (Open(f, path_) != RM_OK) return 1;
    uint32_t n = 0;
    if (RecordManagerCall(RM_BEGIN_TRANSACTION, f.block, nullptr, &n, nullptr, 0, 0) != RM_OK) return 2;
    for (int i = 1; i < 100; i += 2)
      if (Insert(f, Numbered(i, 'x')) != RM_OK) return 3;
    if (Get(f, RM_GET_FIRST, 0).status != RM_OK || Delete(f) != RM_OK) return 4;
    self.Send('w');
    pause();
    return 0;
  });
  ASSERT_EQ(writer.Receive(), 'w');
  writer.Kill();
  writer.Wait();
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  int16_t status;
  EXPECT_EQ(Le32(Stat(f, status), 6), 100u);
  EXPECT_EQ(Get(f, RM_GET_FIRST, 0).record, Numbered(0, 'a'));
  EXPECT_EQ(Get(f, RM_GET_EQUAL, 0, "0001").status, RM_KEY_NOT_FOUND);
  EXPECT_EQ(Insert(f, Numbered(1, 'y')), RM_OK) << "no write lock left behind";
}

TEST_F(Processes, AnotherProcessesTransactionBlocksWritesNotReads) {
  setenv("RECMGR_BUSY_TIMEOUT_MS", "150", 1);
  Child writer([&](Child& self) {
    File f;
    if (Open(f, path_) != RM_OK) return 1;
    uint32_t n = 0;
    if (RecordManagerCall(RM_BEGIN_TRANSACTION, f.block, nullptr, &n, nullptr, 0, 0) != RM_OK) return 2;
    if (Insert(f, Numbered(3, 't')) != RM_OK) return 3;
    self.Send('t');
    self.Receive();
    if (RecordManagerCall(RM_END_TRANSACTION, f.block, nullptr, &n, nullptr, 0, 0) != RM_OK) return 4;
    self.Send('e');
    return 0;
  });
  ASSERT_EQ(writer.Receive(), 't');
  File f;
  ASSERT_EQ(Open(f, path_), RM_OK);
  EXPECT_EQ(Insert(f, Numbered(5, 'p')), RM_FILE_LOCKED);
  EXPECT_EQ(Get(f, RM_GET_EQUAL, 0, "0003").status, RM_KEY_NOT_FOUND) << "uncommitted work is not seen";
  EXPECT_EQ(Get(f, RM_GET_EQUAL, 0, "0002").status, RM_OK);
  writer.Send('c');
  ASSERT_EQ(writer.Receive(), 'e');
  EXPECT_EQ(Get(f, RM_GET_EQUAL, 0, "0003").status, RM_OK);
  EXPECT_EQ(Insert(f, Numbered(5, 'p')), RM_OK);
  EXPECT_EQ(writer.Wait(), 0);
}

TEST_F(Processes, ExclusiveOpenByAnotherProcess) {
  Child owner([&](Child& self) {
    File f;
    if (Open(f, path_, RM_MODE_EXCLUSIVE) != RM_OK) return 1;
    self.Send('x');
    self.Receive();
    return 0;
  });
  ASSERT_EQ(owner.Receive(), 'x');
  File f;
  EXPECT_EQ(Open(f, path_), RM_FILE_LOCKED);
  owner.Send('q');
  EXPECT_EQ(owner.Wait(), 0);
  EXPECT_EQ(Open(f, path_), RM_OK) << "the exclusive lock went with the process";
}

}  // namespace
}  // namespace rmtest
