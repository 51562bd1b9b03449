// Files that are not data files of ours, or are damaged: status 30 (or an
// I/O status for damage found later), never a crash, and the file untouched.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "recmgr_test_support.h"

namespace rmtest {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class DamagedFiles : public RecmgrTest {
 protected:
  // A data file of ours with some records, closed.
  std::string MakeGood(const std::string& name, int records = 300) {
    const std::string path = Path(name);
    EXPECT_EQ(Create(path, MakeSpec(100, {{{1, 6, 0}}, {{7, 4, 0x01}}})), RM_OK);
    File f;
    EXPECT_EQ(Open(f, path), RM_OK);
    for (int i = 0; i < records; ++i) {
      char head[16];
      std::snprintf(head, sizeof head, "%06d%04d", i, i % 7);
      EXPECT_EQ(Insert(f, Rec(head, 100)), RM_OK);
    }
    Reset();
    return path;
  }

  void ExpectNotOurs(const std::string& path, const char* what) {
    const std::string before = ReadAll(path);
    File f;
    EXPECT_EQ(Open(f, path), RM_NOT_A_DATA_FILE) << what;
    EXPECT_EQ(Open(f, path, RM_MODE_READ_ONLY), RM_NOT_A_DATA_FILE) << what;
    EXPECT_EQ(Get(f, RM_GET_FIRST, 0).status, RM_FILE_NOT_OPEN) << what;
    EXPECT_EQ(ReadAll(path), before) << what << ": the file is left as it was";
    EXPECT_FALSE(std::filesystem::exists(path + "-wal")) << what;
  }
};

TEST_F(DamagedFiles, ForeignFilesAnswer30) {
  WriteAll(Path("empty.dat"), "");
  ExpectNotOurs(Path("empty.dat"), "empty file");

  std::mt19937 rng(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  WriteAll(Path("noise.dat"), noise);
  ExpectNotOurs(Path("noise.dat"), "random bytes");

  WriteAll(Path("text.dat"), "0004,ABCD\r\n");
  ExpectNotOurs(Path("text.dat"), "a text file");

  // Another program's SQLite database, in rollback and in WAL mode.
  for (const char* mode : {"DELETE", "WAL"}) {
    const std::string path = Path(std::string("other-") + mode + ".db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string sql = std::string("PRAGMA journal_mode=") + mode +
                            "; CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB);"
                            "CREATE TABLE meta(x); INSERT INTO records VALUES (1, x'00');";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    ExpectNotOurs(path, mode);
  }

  std::filesystem::create_directories(Path("folder.dat"));
  File f;
  EXPECT_EQ(Open(f, Path("folder.dat")), RM_NOT_A_DATA_FILE);
}

TEST_F(DamagedFiles, TruncatedFilesAnswer30) {
  const std::string good = MakeGood("good.dat");
  const std::string bytes = ReadAll(good);
  ASSERT_GT(bytes.size(), 8192u);
  for (size_t keep : {size_t{0}, size_t{50}, size_t{100}, size_t{4096}, bytes.size() / 2, bytes.size() - 1}) {
    const std::string path = Path("cut" + std::to_string(keep) + ".dat");
    WriteAll(path, bytes.substr(0, keep));
    ExpectNotOurs(path, ("cut to " + std::to_string(keep)).c_str());
  }
}

TEST_F(DamagedFiles, OurHeaderButWrongInsides) {
  const std::string good = MakeGood("base.dat", 5);
  auto variant = [&](const std::string& name, const char* sql) {
    const std::string path = Path(name);
    std::filesystem::copy_file(good, path);
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
    return path;
  };
  File f;
  EXPECT_EQ(Open(f, variant("v2.dat", "PRAGMA user_version = 2")), RM_NOT_A_DATA_FILE);
  EXPECT_EQ(Open(f, variant("nometa.dat", "DELETE FROM meta")), RM_NOT_A_DATA_FILE);
  EXPECT_EQ(Open(f, variant("format.dat", "UPDATE meta SET format = 9")), RM_NOT_A_DATA_FILE);
  EXPECT_EQ(Open(f, variant("spec.dat", "UPDATE meta SET spec = x'0102'")), RM_NOT_A_DATA_FILE);
  EXPECT_EQ(Open(f, variant("nokey.dat", "DROP INDEX key1; ALTER TABLE records DROP COLUMN k1")),
            RM_NOT_A_DATA_FILE);
  EXPECT_EQ(Open(f, variant("norecords.dat", "DROP TABLE records")), RM_NOT_A_DATA_FILE);
  // A record of the wrong length is found when it is read.
  ASSERT_EQ(Open(f, variant("short.dat", "UPDATE records SET data = x'00' WHERE id = 3")), RM_OK);
  EXPECT_EQ(GetDirect(f, 3, 0).status, RM_NOT_A_DATA_FILE);
  EXPECT_EQ(GetDirect(f, 2, 0).status, RM_OK);
}

TEST_F(DamagedFiles, ScribbledPagesNeverCrash) {
  const std::string good = MakeGood("scribble-base.dat", 2000);
  const std::string bytes = ReadAll(good);
  std::mt19937 rng(11);
  for (int round = 0; round < 12; ++round) {
    std::string damaged = bytes;
    // Keep the first 100 bytes (the header) so the file gets past the first check.
    for (int hits = 0; hits < 40; ++hits) {
      const size_t at = 100 + rng() % (damaged.size() - 100);
      damaged[at] = static_cast<char>(rng());
    }
    const std::string path = Path("scribbled" + std::to_string(round) + ".dat");
    WriteAll(path, damaged);
    File f;
    const int16_t open = Open(f, path);
    EXPECT_TRUE(open == RM_OK || open == RM_NOT_A_DATA_FILE) << open;
    if (open != RM_OK) continue;
    for (uint16_t op : {RM_GET_FIRST, RM_GET_NEXT, RM_GET_LAST, RM_GET_PREVIOUS}) {
      const int16_t s = Get(f, op, 0).status;
      EXPECT_TRUE(s == RM_OK || s == RM_NOT_A_DATA_FILE || s == RM_IO_ERROR || s == RM_END_OF_FILE ||
                  s == RM_INVALID_POSITIONING)
          << s;
    }
    for (Read r = Get(f, RM_GET_FIRST, 1); r.status == RM_OK;) r = Get(f, RM_GET_NEXT, 1);
    const int16_t s = Insert(f, Rec("999999", 100));
    EXPECT_TRUE(s == RM_OK || s == RM_NOT_A_DATA_FILE || s == RM_IO_ERROR || s == RM_DUPLICATE_KEY) << s;
    Reset();
  }
}

}  // namespace
}  // namespace rmtest
