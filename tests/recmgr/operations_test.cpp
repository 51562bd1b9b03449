// Operations and statuses of the record manager within one process.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "recmgr_test_support.h"

namespace rmtest {
namespace {

using namespace std::string_literals;

constexpr uint16_t kLen = 20;

// Key 0: bytes 1-4, unique, not modifiable. Key 1: bytes 5-7, duplicates,
// modifiable.
std::string TwoKeySpec() { return MakeSpec(kLen, {{{1, 4, 0}}, {{5, 3, 0x01 | 0x02}}}); }

class Operations : public RecmgrTest {
 protected:
  void SetUp() override {
    RecmgrTest::SetUp();
    path_ = Path("data.dat");
    ASSERT_EQ(Create(path_, TwoKeySpec()), RM_OK);
    ASSERT_EQ(Open(f_, path_), RM_OK);
    for (const char* r : {"0004BBBfour", "0002AAAtwo", "0006AAAsix"})
      ASSERT_EQ(Insert(f_, Rec(r, kLen)), RM_OK);
  }
  std::string path_;
  File f_;
};

TEST_F(Operations, PositioningTable) {
  struct Case {
    uint16_t op;
    const char* key;
    int16_t status;
    const char* found;  // key 0 of the record found
  } cases[] = {
      {RM_GET_EQUAL, "0004", RM_OK, "0004"},
      {RM_GET_EQUAL, "0003", RM_KEY_NOT_FOUND, nullptr},
      {RM_GET_GREATER_OR_EQUAL, "0003", RM_OK, "0004"},
      {RM_GET_GREATER_OR_EQUAL, "0004", RM_OK, "0004"},
      {RM_GET_GREATER_OR_EQUAL, "0007", RM_END_OF_FILE, nullptr},
      {RM_GET_GREATER, "0004", RM_OK, "0006"},
      {RM_GET_GREATER, "0006", RM_END_OF_FILE, nullptr},
      {RM_GET_LESS_OR_EQUAL, "0005", RM_OK, "0004"},
      {RM_GET_LESS_OR_EQUAL, "0004", RM_OK, "0004"},
      {RM_GET_LESS_OR_EQUAL, "0001", RM_END_OF_FILE, nullptr},
      {RM_GET_LESS, "0004", RM_OK, "0002"},
      {RM_GET_LESS, "0002", RM_END_OF_FILE, nullptr},
      {RM_GET_FIRST, "", RM_OK, "0002"},
      {RM_GET_LAST, "", RM_OK, "0006"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.op) + " " + c.key);
    Read r = Get(f_, c.op, 0, c.key);
    EXPECT_EQ(r.status, c.status);
    if (c.found) {
      EXPECT_EQ(r.record.size(), kLen);
      EXPECT_EQ(r.record.substr(0, 4), c.found);
      EXPECT_EQ(r.key.substr(0, 4), c.found) << "the key buffer gets the found key";
    } else {
      EXPECT_EQ(Get(f_, RM_GET_NEXT, 0).status, RM_INVALID_POSITIONING) << "no current record after a miss";
      EXPECT_EQ(Update(f_, Rec("0004BBBx", kLen)), RM_INVALID_POSITIONING);
      EXPECT_EQ(Delete(f_), RM_INVALID_POSITIONING);
    }
  }
}

TEST_F(Operations, NextAndPreviousWalkAndStopAtTheEnds) {
  EXPECT_EQ(Get(f_, RM_GET_FIRST, 0).record.substr(0, 4), "0002");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 0).record.substr(0, 4), "0004");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 0).record.substr(0, 4), "0006");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 0).status, RM_END_OF_FILE);
  // The end leaves the position where it was.
  EXPECT_EQ(Get(f_, RM_GET_PREVIOUS, 0).record.substr(0, 4), "0004");
  EXPECT_EQ(Get(f_, RM_GET_PREVIOUS, 0).record.substr(0, 4), "0002");
  EXPECT_EQ(Get(f_, RM_GET_PREVIOUS, 0).status, RM_END_OF_FILE);
  Read r = Get(f_, RM_GET_NEXT, 0);
  EXPECT_EQ(r.record.substr(0, 4), "0004");
  EXPECT_EQ(r.key.substr(0, 4), "0004");
  // Along key 1: AAA (two, by insertion), then BBB.
  EXPECT_EQ(Get(f_, RM_GET_FIRST, 1).record.substr(0, 7), "0002AAA");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 1).record.substr(0, 7), "0006AAA");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 1).record.substr(0, 7), "0004BBB");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 0).status, RM_DIFFERENT_KEY_NUMBER);
}

TEST_F(Operations, StatusTable) {
  File garbage, zero, never, fresh, forged = f_;
  std::memset(garbage.block, 0xA5, sizeof garbage.block);
  std::memset(forged.block + 8, 0xFF, 4);  // the right magic, a slot that does not exist
  ASSERT_EQ(Open(fresh, path_), RM_OK);
  struct Case {
    const char* what;
    int16_t status;
    std::function<int16_t()> call;
  } cases[] = {
      {"unknown operation", RM_INVALID_OPERATION, [&] { return Get(f_, 16, 0).status; }},
      {"lock bias on insert", RM_INVALID_OPERATION,
       [&] {
         std::string d = Rec("0010", kLen);
         uint32_t n = kLen;
         return RecordManagerCall(RM_INSERT + RM_LOCK_WAIT, f_.block, d.data(), &n, nullptr, 0, 0);
       }},
      {"zeroed block", RM_FILE_NOT_OPEN, [&] { return Get(zero, RM_GET_FIRST, 0).status; }},
      {"garbage block", RM_FILE_NOT_OPEN, [&] { return Get(garbage, RM_GET_FIRST, 0).status; }},
      {"forged slot number", RM_FILE_NOT_OPEN, [&] { return Get(forged, RM_GET_FIRST, 0).status; }},
      {"null block", RM_FILE_NOT_OPEN,
       [&] {
         uint32_t n = 0;
         return RecordManagerCall(RM_GET_FIRST, nullptr, nullptr, &n, nullptr, 0, 0);
       }},
      {"null everything", RM_FILE_NOT_OPEN,
       [&] { return RecordManagerCall(RM_STAT, nullptr, nullptr, nullptr, nullptr, 0, 0); }},
      {"key number beyond the keys", RM_INVALID_KEY_NUMBER, [&] { return Get(f_, RM_GET_FIRST, 2).status; }},
      {"negative key number", RM_INVALID_KEY_NUMBER,
       [&] { return Get(f_, RM_GET_EQUAL, -1, "0002").status; }},
      {"next before any positioning", RM_INVALID_POSITIONING,
       [&] { return Get(fresh, RM_GET_NEXT, 0).status; }},
      {"update without a current record", RM_INVALID_POSITIONING,
       [&] { return Update(fresh, Rec("0002AAA", kLen)); }},
      {"duplicate unique key", RM_DUPLICATE_KEY, [&] { return Insert(f_, Rec("0002CCC", kLen)); }},
      {"short record on insert", RM_DATA_BUFFER_TOO_SHORT, [&] { return Insert(f_, "0010"); }},
      {"insert with a bad key number", RM_INVALID_KEY_NUMBER,
       [&] { return Insert(f_, Rec("0010", kLen), 5); }},
      {"unmodifiable key changed", RM_KEY_NOT_MODIFIABLE,
       [&] {
         Get(f_, RM_GET_EQUAL, 0, "0002");
         return Update(f_, Rec("0003AAAtwo", kLen));
       }},
      {"get direct at no record", RM_INVALID_RECORD_ADDRESS, [&] { return GetDirect(f_, 999, 0).status; }},
      {"get direct at zero", RM_INVALID_RECORD_ADDRESS, [&] { return GetDirect(f_, 0, 0).status; }},
      {"get direct at a negative position", RM_INVALID_RECORD_ADDRESS,
       [&] { return GetDirect(f_, -7, 0).status; }},
      {"end without begin", RM_TRANSACTION_ERROR,
       [&] {
         uint32_t n = 0;
         return RecordManagerCall(RM_END_TRANSACTION, f_.block, nullptr, &n, nullptr, 0, 0);
       }},
      {"abort without begin", RM_TRANSACTION_ERROR,
       [&] {
         uint32_t n = 0;
         return RecordManagerCall(RM_ABORT_TRANSACTION, f_.block, nullptr, &n, nullptr, 0, 0);
       }},
      {"open a missing file", RM_FILE_NOT_FOUND, [&] { return Open(never, Path("missing.dat")); }},
      {"open in a missing directory", RM_FILE_NOT_FOUND, [&] { return Open(never, Path("no/such.dat")); }},
      {"open with an unknown mode", RM_INVALID_KEY_NUMBER, [&] { return Open(never, path_, -9); }},
      {"create over an existing file", RM_FILE_EXISTS, [&] { return Create(path_, TwoKeySpec(), -1); }},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.status) << c.what;
}

TEST_F(Operations, CloseAndResetInvalidateBlocks) {
  File second;
  ASSERT_EQ(Open(second, path_), RM_OK);
  File copy = second;
  EXPECT_EQ(Close(second), RM_OK);
  EXPECT_EQ(Get(second, RM_GET_FIRST, 0).status, RM_FILE_NOT_OPEN);
  EXPECT_EQ(Get(copy, RM_GET_FIRST, 0).status, RM_FILE_NOT_OPEN) << "a copy of a closed block is stale";
  EXPECT_EQ(Get(f_, RM_GET_FIRST, 0).status, RM_OK);
  // A reopened block of the same slot does not revive the stale copy.
  ASSERT_EQ(Open(second, path_), RM_OK);
  EXPECT_EQ(Get(copy, RM_GET_FIRST, 0).status, RM_FILE_NOT_OPEN);
  EXPECT_EQ(Reset(), RM_OK);
  EXPECT_EQ(Get(f_, RM_GET_FIRST, 0).status, RM_FILE_NOT_OPEN);
  EXPECT_EQ(Get(second, RM_GET_FIRST, 0).status, RM_FILE_NOT_OPEN);
  EXPECT_EQ(Close(f_), RM_FILE_NOT_OPEN);
}

TEST_F(Operations, UpdateAndDeleteKeepTheWalkGoing) {
  ASSERT_EQ(Get(f_, RM_GET_EQUAL, 1, "AAA").record.substr(0, 4), "0002");
  // Moving 0002 from AAA to ZZZ: the walk along key 1 goes on from its new place.
  ASSERT_EQ(Update(f_, Rec("0002ZZZtwo", kLen), 1), RM_OK);
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 1).status, RM_END_OF_FILE);
  EXPECT_EQ(Get(f_, RM_GET_PREVIOUS, 1).record.substr(0, 7), "0004BBB");
  // Deleting leaves no current record, but Next goes on from where it was.
  ASSERT_EQ(Delete(f_), RM_OK);
  EXPECT_EQ(Delete(f_), RM_INVALID_POSITIONING);
  EXPECT_EQ(Position(f_), 0);
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 1).record.substr(0, 7), "0002ZZZ");
  EXPECT_EQ(Get(f_, RM_GET_EQUAL, 0, "0004").status, RM_KEY_NOT_FOUND);
  EXPECT_EQ(Get(f_, RM_GET_EQUAL, 0, "0002").record.substr(7, 3), "two");
}

TEST_F(Operations, RecordChangedSinceRead) {
  File other;
  ASSERT_EQ(Open(other, path_), RM_OK);
  ASSERT_EQ(Get(f_, RM_GET_EQUAL, 0, "0004").status, RM_OK);
  ASSERT_EQ(Get(other, RM_GET_EQUAL, 0, "0004").status, RM_OK);
  ASSERT_EQ(Update(other, Rec("0004CCCfour", kLen)), RM_OK);
  EXPECT_EQ(Update(f_, Rec("0004DDDfour", kLen)), RM_RECORD_CHANGED);
  EXPECT_EQ(Delete(f_), RM_RECORD_CHANGED);
  // Read again, the update goes through.
  ASSERT_EQ(Get(f_, RM_GET_EQUAL, 0, "0004").record.substr(4, 3), "CCC");
  EXPECT_EQ(Update(f_, Rec("0004DDDfour", kLen)), RM_OK);
  ASSERT_EQ(Delete(other), RM_RECORD_CHANGED);
}

TEST_F(Operations, ShortBuffers) {
  // A data buffer shorter than the record: that many bytes and status 22,
  // and the record is current all the same.
  Read r = Get(f_, RM_GET_EQUAL, 0, "0004", 6);
  EXPECT_EQ(r.status, RM_DATA_BUFFER_TOO_SHORT);
  EXPECT_EQ(r.record, "0004BB");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 0).record.substr(0, 4), "0006");
  r = Get(f_, RM_GET_FIRST, 0, "", 0);
  EXPECT_EQ(r.status, RM_DATA_BUFFER_TOO_SHORT);
  EXPECT_EQ(r.record, "");
  // A key buffer declared shorter than the key.
  std::string data(64, ' ');
  char key[256] = "0004";
  uint32_t n = 64;
  EXPECT_EQ(RecordManagerCall(RM_GET_EQUAL, f_.block, data.data(), &n, key, 3, 0), RM_KEY_BUFFER_TOO_SHORT);
  EXPECT_EQ(RecordManagerCall(RM_GET_EQUAL, f_.block, data.data(), &n, nullptr, 0, 0),
            RM_KEY_BUFFER_TOO_SHORT);
  n = 64;
  EXPECT_EQ(RecordManagerCall(RM_GET_EQUAL, f_.block, data.data(), &n, key, 4, 0), RM_OK);
  n = 64;
  EXPECT_EQ(RecordManagerCall(RM_GET_EQUAL, f_.block, data.data(), &n, key, 0, 0), RM_OK) << "0: full length";
  EXPECT_EQ(n, kLen);
  // Stat and Get Position into buffers too short for them.
  n = 10;
  EXPECT_EQ(RecordManagerCall(RM_STAT, f_.block, data.data(), &n, key, 255, 0), RM_DATA_BUFFER_TOO_SHORT);
  EXPECT_EQ(n, 10u);
  n = 3;
  EXPECT_EQ(RecordManagerCall(RM_GET_POSITION, f_.block, data.data(), &n, key, 0, 0),
            RM_DATA_BUFFER_TOO_SHORT);
  n = 2;
  EXPECT_EQ(RecordManagerCall(RM_GET_DIRECT, f_.block, data.data(), &n, key, 0, 0), RM_DATA_BUFFER_TOO_SHORT);
  // Null data length: nothing written, no crash.
  EXPECT_EQ(RecordManagerCall(RM_GET_FIRST, f_.block, data.data(), nullptr, key, 0, 0),
            RM_DATA_BUFFER_TOO_SHORT);
}

TEST_F(Operations, PositionsRoundTripAndStayStable) {
  std::vector<std::pair<int32_t, std::string>> seen;
  for (Read r = Get(f_, RM_GET_FIRST, 0); r.status == RM_OK; r = Get(f_, RM_GET_NEXT, 0)) {
    const int32_t p = Position(f_);
    ASSERT_GT(p, 0);
    seen.emplace_back(p, r.record);
  }
  ASSERT_EQ(seen.size(), 3u);
  for (const auto& [p, record] : seen) {
    Read d = GetDirect(f_, p, 1);
    ASSERT_EQ(d.status, RM_OK);
    EXPECT_EQ(d.record, record);
    EXPECT_EQ(d.key.substr(0, 3), record.substr(4, 3)) << "the key buffer gets key 1";
    EXPECT_EQ(Position(f_), p);
  }
  // Get Direct makes the record current along the key given.
  ASSERT_EQ(GetDirect(f_, seen[0].first, 1).status, RM_OK);  // 0002AAA
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 1).record.substr(0, 4), "0006");
  // A deleted record's position answers 43 and is not given to a new record.
  ASSERT_EQ(GetDirect(f_, seen[2].first, 0).status, RM_OK);
  ASSERT_EQ(Delete(f_), RM_OK);
  EXPECT_EQ(GetDirect(f_, seen[2].first, 0).status, RM_INVALID_RECORD_ADDRESS);
  ASSERT_EQ(Insert(f_, Rec("0008AAA", kLen)), RM_OK);
  EXPECT_NE(Position(f_), seen[2].first);
  EXPECT_EQ(GetDirect(f_, seen[1].first, 0).record, seen[1].second) << "other positions unchanged";
}

TEST_F(Operations, InsertMakesTheRecordCurrentAlongItsKey) {
  std::string data = Rec("0005AAAfive", kLen);
  char key[256] = {};
  uint32_t n = kLen;
  ASSERT_EQ(RecordManagerCall(RM_INSERT, f_.block, data.data(), &n, key, 255, 1), RM_OK);
  EXPECT_EQ(std::string(key, 3), "AAA");
  EXPECT_EQ(Get(f_, RM_GET_NEXT, 1).record.substr(0, 4), "0004") << "after the last AAA comes BBB";
  EXPECT_EQ(Get(f_, RM_GET_PREVIOUS, 1).record.substr(0, 4), "0005");
  EXPECT_EQ(Get(f_, RM_GET_PREVIOUS, 1).record.substr(0, 4), "0006");
}

TEST_F(Operations, StatReportsTheLayoutAndCounts) {
  ASSERT_EQ(Insert(f_, Rec("0001BBB", kLen)), RM_OK);
  int16_t status;
  std::string s = Stat(f_, status);
  ASSERT_EQ(status, RM_OK);
  ASSERT_EQ(s.size(), 16u + 32u);
  EXPECT_EQ(Le16(s, 0), kLen);
  EXPECT_EQ(Le16(s, 2), 1024);
  EXPECT_EQ(Le16(s, 4), 2);
  EXPECT_EQ(Le32(s, 6), 4u);
  EXPECT_EQ(Le16(s, 16), 1);
  EXPECT_EQ(Le16(s, 18), 4);
  EXPECT_EQ(Le32(s, 16 + 6), 4u) << "key 0: four distinct values";
  EXPECT_EQ(Le16(s, 32 + 4), 0x03);
  EXPECT_EQ(Le32(s, 32 + 6), 2u) << "key 1: AAA and BBB";
  // Updates and deletes keep the counts.
  ASSERT_EQ(Get(f_, RM_GET_EQUAL, 0, "0004").status, RM_OK);
  ASSERT_EQ(Update(f_, Rec("0004CCC", kLen)), RM_OK);
  s = Stat(f_, status);
  EXPECT_EQ(Le32(s, 32 + 6), 3u);
  ASSERT_EQ(Delete(f_), RM_OK);
  ASSERT_EQ(Get(f_, RM_GET_EQUAL, 0, "0002").status, RM_OK);
  ASSERT_EQ(Delete(f_), RM_OK);
  s = Stat(f_, status);
  EXPECT_EQ(Le32(s, 6), 2u);
  EXPECT_EQ(Le32(s, 16 + 6), 2u);
  EXPECT_EQ(Le32(s, 32 + 6), 2u) << "0006 AAA and 0001 BBB remain";
}

TEST_F(Operations, ReadOnlyOpenRefusesWrites) {
  File ro;
  ASSERT_EQ(Open(ro, path_, RM_MODE_READ_ONLY), RM_OK);
  EXPECT_EQ(Insert(ro, Rec("0009", kLen)), RM_ACCESS_DENIED);
  ASSERT_EQ(Get(ro, RM_GET_FIRST, 0).status, RM_OK);
  EXPECT_EQ(Update(ro, Rec("0002AAA", kLen)), RM_ACCESS_DENIED);
  EXPECT_EQ(Delete(ro), RM_ACCESS_DENIED);
  for (int8_t mode : {RM_MODE_ACCELERATED, RM_MODE_VERIFY}) {
    File other;
    ASSERT_EQ(Open(other, path_, mode), RM_OK) << int(mode);
    EXPECT_EQ(Get(other, RM_GET_LAST, 0).record.substr(0, 4), "0006");
  }
}

TEST_F(Operations, ExclusiveOpenKeepsOthersOut) {
  Reset();
  File ex, other;
  ASSERT_EQ(Open(ex, path_, RM_MODE_EXCLUSIVE), RM_OK);
  EXPECT_EQ(Open(other, path_), RM_FILE_LOCKED);
  ASSERT_EQ(Close(ex), RM_OK);
  ASSERT_EQ(Open(other, path_), RM_OK);
  EXPECT_EQ(Open(ex, path_, RM_MODE_EXCLUSIVE), RM_FILE_LOCKED) << "not while another has it open";
}

TEST_F(Operations, Transactions) {
  uint32_t n = 0;
  auto tx = [&](uint16_t op) { return RecordManagerCall(op, f_.block, nullptr, &n, nullptr, 0, 0); };
  ASSERT_EQ(tx(RM_BEGIN_TRANSACTION), RM_OK);
  EXPECT_EQ(tx(RM_BEGIN_TRANSACTION), RM_TRANSACTION_ERROR);
  ASSERT_EQ(Insert(f_, Rec("0010", kLen)), RM_OK);
  ASSERT_EQ(Get(f_, RM_GET_EQUAL, 0, "0002").status, RM_OK);
  ASSERT_EQ(Delete(f_), RM_OK);
  EXPECT_EQ(Get(f_, RM_GET_EQUAL, 0, "0010").status, RM_OK) << "the transaction sees its own writes";
  EXPECT_EQ(Insert(f_, Rec("0004", kLen)), RM_DUPLICATE_KEY) << "a failed operation inside leaves the rest";
  EXPECT_EQ(Close(f_), RM_TRANSACTION_ERROR);
  ASSERT_EQ(tx(RM_ABORT_TRANSACTION), RM_OK);
  EXPECT_EQ(Get(f_, RM_GET_EQUAL, 0, "0010").status, RM_KEY_NOT_FOUND);
  EXPECT_EQ(Get(f_, RM_GET_EQUAL, 0, "0002").status, RM_OK);
  int16_t status;
  EXPECT_EQ(Le32(Stat(f_, status), 6), 3u);

  ASSERT_EQ(tx(RM_BEGIN_TRANSACTION), RM_OK);
  ASSERT_EQ(Insert(f_, Rec("0010", kLen)), RM_OK);
  ASSERT_EQ(Insert(f_, Rec("0011", kLen)), RM_OK);
  ASSERT_EQ(tx(RM_END_TRANSACTION), RM_OK);
  EXPECT_EQ(tx(RM_END_TRANSACTION), RM_TRANSACTION_ERROR);
  Reset();
  ASSERT_EQ(Open(f_, path_), RM_OK);
  EXPECT_EQ(Get(f_, RM_GET_LAST, 0).record.substr(0, 4), "0011");
  EXPECT_EQ(Le32(Stat(f_, status), 6), 5u);
  // Reset abandons an open transaction.
  ASSERT_EQ(tx(RM_BEGIN_TRANSACTION), RM_OK);
  ASSERT_EQ(Insert(f_, Rec("0012", kLen)), RM_OK);
  Reset();
  ASSERT_EQ(Open(f_, path_), RM_OK);
  EXPECT_EQ(Get(f_, RM_GET_EQUAL, 0, "0012").status, RM_KEY_NOT_FOUND);
}

TEST_F(Operations, OwnerNames) {
  auto setOwner = [&](File& f, const std::string& name, int8_t mode) {
    char data[16] = {};
    std::memcpy(data, name.data(), name.size());
    uint32_t n = static_cast<uint32_t>(name.size() + 1);
    return RecordManagerCall(RM_SET_OWNER, f.block, data, &n, data, static_cast<uint8_t>(name.size()), mode);
  };
  auto clearOwner = [&](File& f) {
    uint32_t n = 0;
    return RecordManagerCall(RM_CLEAR_OWNER, f.block, nullptr, &n, nullptr, 0, 0);
  };
  EXPECT_EQ(setOwner(f_, "", 0), RM_INVALID_OWNER);
  EXPECT_EQ(setOwner(f_, "TOOLONGNAME", 0), RM_INVALID_OWNER);
  EXPECT_EQ(setOwner(f_, "ABCD", 7), RM_INVALID_OWNER);
  ASSERT_EQ(setOwner(f_, "ABCD", 0), RM_OK);
  File g;
  EXPECT_EQ(Open(g, path_), RM_INVALID_OWNER);
  EXPECT_EQ(Open(g, path_, 0, "ABCE"), RM_INVALID_OWNER);
  EXPECT_EQ(Open(g, path_, 0, "abcd"), RM_INVALID_OWNER) << "names are exact bytes";
  ASSERT_EQ(Open(g, path_, 0, "ABCD"), RM_OK);
  EXPECT_EQ(Insert(g, Rec("0020", kLen)), RM_OK);
  // Mode 1: without the name the file opens read-only; a wrong name is refused.
  ASSERT_EQ(setOwner(g, "WXYZ", 1), RM_OK);
  File h;
  ASSERT_EQ(Open(h, path_), RM_OK);
  EXPECT_EQ(Get(h, RM_GET_FIRST, 0).status, RM_OK);
  EXPECT_EQ(Insert(h, Rec("0021", kLen)), RM_ACCESS_DENIED);
  EXPECT_EQ(clearOwner(h), RM_ACCESS_DENIED);
  EXPECT_EQ(Open(h, path_, 0, "ABCD"), RM_INVALID_OWNER);
  ASSERT_EQ(Open(h, path_, 0, "WXYZ"), RM_OK);
  ASSERT_EQ(clearOwner(h), RM_OK);
  File k;
  EXPECT_EQ(Open(k, path_), RM_OK);
  EXPECT_EQ(Open(k, path_, 0, "ANY"), RM_OK) << "a name given to a file without one is ignored";
}

// --- Collation -------------------------------------------------------------

std::vector<std::string> WalkHeads(File& f, int8_t key, size_t head, bool backwards = false) {
  std::vector<std::string> out;
  for (Read r = Get(f, backwards ? RM_GET_LAST : RM_GET_FIRST, key); r.status == RM_OK;
       r = Get(f, backwards ? RM_GET_PREVIOUS : RM_GET_NEXT, key))
    out.push_back(r.record.substr(0, head));
  return out;
}

class Collation : public RecmgrTest {};

TEST_F(Collation, SegmentKinds) {
  std::string upper(256, '\0');
  for (int b = 0; b < 256; ++b) upper[b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  struct Case {
    const char* what;
    Seg seg;
    std::vector<std::string> inserted;
    std::vector<std::string> expected;  // first two bytes of each record, in key order
  } cases[] = {
      {"plain bytes, unsigned",
       {1, 2, 0x01},
       {"\x02\x00"s, "\x01\xFF"s, "\xFF\x01"s, "\x01\x02"s},
       {"\x01\x02"s, "\x01\xFF"s, "\x02\x00"s, "\xFF\x01"s}},
      {"unsigned little-endian integer",
       {1, 2, 0x01 | 0x04},
       {"\x00\x01"s, "\x01\x00"s, "\xFF\x00"s, "\x00\x02"s},
       {"\x01\x00"s, "\xFF\x00"s, "\x00\x01"s, "\x00\x02"s}},
      {"alternate collating sequence",
       {1, 2, 0x01 | 0x20},
       {"bb", "AB", "Ba", "ac"},
       {"AB", "ac", "Ba", "bb"}},
      {"descending", {1, 2, 0x01 | 0x40}, {"AA", "CA", "BB", "AB"}, {"CA", "BB", "AB", "AA"}},
      {"descending integer",
       {1, 2, 0x01 | 0x04 | 0x40},
       {"\x00\x01"s, "\x01\x00"s, "\xFF\x00"s},
       {"\x00\x01"s, "\xFF\x00"s, "\x01\x00"s}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Path("c" + std::to_string(n++) + ".dat");
    const bool alt = c.seg.flags & 0x20;
    ASSERT_EQ(Create(path, MakeSpec(8, {{c.seg}}, alt ? upper : std::string{})), RM_OK);
    File f;
    ASSERT_EQ(Open(f, path), RM_OK);
    for (const std::string& v : c.inserted) ASSERT_EQ(Insert(f, Rec(v, 8)), RM_OK);
    EXPECT_EQ(WalkHeads(f, 0, 2), c.expected);
    std::vector<std::string> back = c.expected;
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(WalkHeads(f, 0, 2, true), back);
    // Positioning uses the same order: Get Greater than the first value.
    Read r = Get(f, RM_GET_GREATER, 0, c.expected[0]);
    ASSERT_EQ(r.status, RM_OK);
    EXPECT_EQ(r.record.substr(0, 2), c.expected[1]);
    EXPECT_EQ(r.key.substr(0, 2), c.expected[1]) << "the key buffer holds the stored bytes";
  }
}

TEST_F(Collation, AlternateSequenceMakesValuesEqual) {
  std::string upper(256, '\0');
  for (int b = 0; b < 256; ++b) upper[b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  const std::string path = Path("alt.dat");
  ASSERT_EQ(Create(path, MakeSpec(8, {{{1, 3, 0x20}}}, upper)), RM_OK);
  File f;
  ASSERT_EQ(Open(f, path), RM_OK);
  ASSERT_EQ(Insert(f, Rec("abc1", 8)), RM_OK);
  EXPECT_EQ(Insert(f, Rec("ABC2", 8)), RM_DUPLICATE_KEY);
  Read r = Get(f, RM_GET_EQUAL, 0, "AbC");
  ASSERT_EQ(r.status, RM_OK);
  EXPECT_EQ(r.record.substr(0, 4), "abc1");
}

TEST_F(Collation, MultiSegmentKeys) {
  // Key: byte 3 descending, then bytes 1-2 as an unsigned integer, then byte 4.
  const std::string path = Path("multi.dat");
  ASSERT_EQ(Create(path, MakeSpec(8, {{{3, 1, 0x01 | 0x40}, {1, 2, 0x01 | 0x04}, {4, 1, 0x01}}})), RM_OK);
  File f;
  ASSERT_EQ(Open(f, path), RM_OK);
  const std::vector<std::string> records = {std::string("\x01\x00"
                                                        "Ab",
                                                        4),
                                            std::string("\x00\x01"
                                                        "Aa",
                                                        4),
                                            std::string("\x02\x00"
                                                        "Bz",
                                                        4),
                                            std::string("\x01\x00"
                                                        "Aa",
                                                        4),
                                            std::string("\x05\x00"
                                                        "Aa",
                                                        4)};
  for (const std::string& r : records) ASSERT_EQ(Insert(f, Rec(r, 8)), RM_OK);
  const std::vector<std::string> expected = {records[2], records[3], records[0], records[4], records[1]};
  EXPECT_EQ(WalkHeads(f, 0, 4), expected);
  // The key value in the key buffer is the segments joined, as stored.
  Read r = Get(f, RM_GET_FIRST, 0);
  EXPECT_EQ(r.key.substr(0, 4), std::string("B\x02\x00z", 4));
  r = Get(f, RM_GET_EQUAL, 0,
          std::string("A\x01\x00"
                      "a",
                      4));
  ASSERT_EQ(r.status, RM_OK);
  EXPECT_EQ(r.record.substr(0, 4), records[3]);
}

TEST_F(Collation, DuplicatesFollowInsertionOrder) {
  const std::string path = Path("dups.dat");
  ASSERT_EQ(Create(path, MakeSpec(8, {{{1, 2, 0x01}}, {{3, 2, 0x00}}})), RM_OK);
  File f;
  ASSERT_EQ(Open(f, path), RM_OK);
  // Inserted interleaved with other values; the duplicates keep their order.
  std::vector<std::string> expectedB;
  for (int i = 0; i < 30; ++i) {
    const std::string tag =
        std::string(1, static_cast<char>('A' + i % 26)) + std::string(1, char('0' + i / 26));
    const std::string value = (i % 3 == 0) ? "AA" : (i % 3 == 1) ? "BB" : "CC";
    ASSERT_EQ(Insert(f, Rec(value + tag, 8)), RM_OK);
    if (value == "BB") expectedB.push_back(value + tag);
  }
  std::vector<std::string> got;
  for (Read r = Get(f, RM_GET_EQUAL, 0, "BB"); r.status == RM_OK && r.record.substr(0, 2) == "BB";
       r = Get(f, RM_GET_NEXT, 0))
    got.push_back(r.record.substr(0, 4));
  EXPECT_EQ(got, expectedB);
  // Backwards from the last duplicate.
  got.clear();
  for (Read r = Get(f, RM_GET_LESS_OR_EQUAL, 0, "BB"); r.status == RM_OK && r.record.substr(0, 2) == "BB";
       r = Get(f, RM_GET_PREVIOUS, 0))
    got.push_back(r.record.substr(0, 4));
  std::reverse(got.begin(), got.end());
  EXPECT_EQ(got, expectedB);
  EXPECT_EQ(Get(f, RM_GET_LESS, 0, "CC").record.substr(0, 4), expectedB.back());
  EXPECT_EQ(Get(f, RM_GET_GREATER, 0, "AA").record.substr(0, 4), expectedB.front());
}

TEST_F(Collation, NullKeysAreLeftOut) {
  const std::string path = Path("null.dat");
  ASSERT_EQ(Create(path, MakeSpec(8, {{{1, 2, 0x00}}, {{3, 2, 0x01 | 0x08}}})), RM_OK);
  File f;
  ASSERT_EQ(Open(f, path), RM_OK);
  ASSERT_EQ(Insert(f, Rec("01XX", 8)), RM_OK);
  ASSERT_EQ(Insert(f, Rec("02  ", 8)), RM_OK);
  ASSERT_EQ(Insert(f, std::string("03\0\0    ", 8)), RM_OK);
  ASSERT_EQ(Insert(f, Rec("04AA", 8)), RM_OK);
  EXPECT_EQ(WalkHeads(f, 1, 2), (std::vector<std::string>{"04", "01"}));
  EXPECT_EQ(WalkHeads(f, 0, 2).size(), 4u);
  int16_t status;
  EXPECT_EQ(Le32(Stat(f, status), 32 + 6), 2u);
}

// --- Create validation ---------------------------------------------------

class CreateValidation : public RecmgrTest {};

TEST_F(CreateValidation, Table) {
  std::string identity(256, '\0');
  for (int b = 0; b < 256; ++b) identity[b] = static_cast<char>(b);
  std::string badSignature = MakeSpec(20, {{{1, 4, 0x20}}}, identity);
  badSignature[32] = 0x00;
  std::string mixedKey = MakeSpec(20, {{{1, 4, 0x01}, {5, 2, 0x00}}});
  std::string unknownFlag = MakeSpec(20, {{{1, 4, 0x80}}});
  struct Case {
    const char* what;
    std::string spec;
    uint32_t length;
    int16_t status;
  } cases[] = {
      {"valid", MakeSpec(20, {{{1, 4}}}), 1536, RM_OK},
      {"valid, exact length", MakeSpec(20, {{{1, 4}}, {{5, 2, 0x01}, {9, 2, 0x05}}}), 64, RM_OK},
      {"valid with a collating sequence", MakeSpec(20, {{{1, 4, 0x20}}}, identity), 1536, RM_OK},
      {"record length 0", MakeSpec(0, {{{1, 4}}}), 1536, RM_BAD_RECORD_LENGTH},
      {"record length too large", MakeSpec(5000, {{{1, 4}}}), 1536, RM_BAD_RECORD_LENGTH},
      {"page size 100", MakeSpec(20, {{{1, 4}}}, {}, 100), 1536, RM_BAD_PAGE_SIZE},
      {"page size 1000", MakeSpec(20, {{{1, 4}}}, {}, 1000), 1536, RM_BAD_PAGE_SIZE},
      {"no keys", MakeSpec(20, {}), 1536, RM_BAD_KEY_COUNT},
      {"25 keys", MakeSpec(20, std::vector<std::vector<Seg>>(25, {{1, 1}})), 1536, RM_BAD_KEY_COUNT},
      {"segment at position 0", MakeSpec(20, {{{0, 4}}}), 1536, RM_BAD_KEY_POSITION},
      {"segment past the record", MakeSpec(20, {{{18, 4}}}), 1536, RM_BAD_KEY_POSITION},
      {"segment of length 0", MakeSpec(20, {{{1, 0}}}), 1536, RM_BAD_KEY_LENGTH},
      {"key longer than 255", MakeSpec(400, {{{1, 200}, {201, 100}}}), 1536, RM_BAD_KEY_LENGTH},
      {"unknown flag", unknownFlag, 1536, RM_BAD_KEY_LENGTH},
      {"segments disagree on duplicates", mixedKey, 1536, RM_BAD_KEY_LENGTH},
      {"collating block with a bad signature", badSignature, 1536, RM_BAD_KEY_LENGTH},
      {"alternate flag without a block", MakeSpec(20, {{{1, 4, 0x20}}}), 48, RM_DATA_BUFFER_TOO_SHORT},
      {"cut short", MakeSpec(20, {{{1, 4}}}), 20, RM_DATA_BUFFER_TOO_SHORT},
      {"shorter than the file specification", MakeSpec(20, {{{1, 4}}}), 10, RM_DATA_BUFFER_TOO_SHORT},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = Path("v" + std::to_string(n++) + ".dat");
    std::string buffer = c.spec;
    buffer.resize(1536, ' ');
    uint32_t length = c.length;
    uint8_t block[128] = {};
    EXPECT_EQ(RecordManagerCall(RM_CREATE, block, buffer.data(), &length, const_cast<char*>(path.c_str()),
                                static_cast<uint8_t>(path.size()), -1),
              c.status)
        << c.what;
    EXPECT_EQ(std::filesystem::exists(path), c.status == RM_OK) << c.what;
  }
}

TEST_F(CreateValidation, StatGivesBackTheSpecification) {
  std::string upper(256, '\0');
  for (int b = 0; b < 256; ++b) upper[b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  std::string spec = MakeSpec(36, {{{1, 2, 0x01}, {3, 7, 0x05}}, {{10, 4, 0x22}}}, upper, 2048);
  spec[10] = 0x34;  // file flags, kept as given
  const std::string path = Path("spec.dat");
  ASSERT_EQ(Create(path, spec), RM_OK);
  File f;
  ASSERT_EQ(Open(f, path), RM_OK);
  int16_t status;
  EXPECT_EQ(Stat(f, status), spec);
  EXPECT_EQ(status, RM_OK);
}

TEST_F(CreateValidation, ReplaceOnlyOurOwnIdleFiles) {
  const std::string path = Path("r.dat");
  ASSERT_EQ(Create(path, MakeSpec(20, {{{1, 4}}})), RM_OK);
  File f;
  ASSERT_EQ(Open(f, path), RM_OK);
  ASSERT_EQ(Insert(f, Rec("0001", 20)), RM_OK);
  EXPECT_EQ(Create(path, MakeSpec(30, {{{1, 4}}}), 0), RM_FILE_LOCKED) << "not while open";
  ASSERT_EQ(Close(f), RM_OK);
  ASSERT_EQ(Create(path, MakeSpec(30, {{{1, 4}}}), 0), RM_OK);
  ASSERT_EQ(Open(f, path), RM_OK);
  int16_t status;
  const std::string s = Stat(f, status);
  EXPECT_EQ(Le16(s, 0), 30);
  EXPECT_EQ(Le32(s, 6), 0u);
  // A file that is not ours is never overwritten.
  const std::string foreign = Path("notes.txt");
  { std::ofstream(foreign) << "keep me"; }
  EXPECT_EQ(Create(foreign, MakeSpec(20, {{{1, 4}}}), 0), RM_FILE_EXISTS);
  std::ifstream in(foreign);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "keep me");
  EXPECT_EQ(Create(Path("no/dir/x.dat"), MakeSpec(20, {{{1, 4}}})), RM_CREATE_IO_ERROR);
}

}  // namespace
}  // namespace rmtest
