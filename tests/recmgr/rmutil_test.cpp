// The rmutil utility, run as a program.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "recmgr_test_support.h"

namespace rmtest {
namespace {

struct Outcome {
  int code = -1;
  std::string out, err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class Rmutil : public RecmgrTest {
 protected:
  // Runs rmutil with the arguments (already quoted for the shell).
  Outcome Rm(const std::string& args) {
    const std::string out = Path("stdout"), err = Path("stderr");
    const std::string cmd = std::string(RECINQRY_BUILD_DIR) + "/rmutil " + args + " >" + out + " 2>" + err;
    const int status = std::system(cmd.c_str());
    Outcome r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    return r;
  }

  // The receipts-like file of these tests: 36-byte records, key 0 of 9
  // bytes with duplicates, key 1 unique on bytes 10-13.
  std::string MakeFile(const std::string& name) {
    const std::string desc = Path(name + ".txt");
    WriteAll(desc,
             "# test file\n"
             "record 36\n"
             "key duplicates\n"
             "  segment 1 2\n"
             "  segment 3 7\n"
             "key            # unique\n"
             "  segment 10 4\n");
    const std::string xdf = Path(name + ".xdf");
    EXPECT_EQ(Rm("spec " + desc + " " + xdf).code, 0);
    const std::string file = Path(name + ".dat");
    Outcome r = Rm("create " + file + " " + xdf);
    EXPECT_EQ(r.code, 0) << r.err;
    return file;
  }

  // `count` records in key order, estates of three receipts each.
  static std::string Unload(int count, int first = 0) {
    std::string out;
    for (int i = first; i < first + count; ++i) {
      char r[64];
      std::snprintf(r, sizeof r, "%02d%07d%04d%-23s", i / 3, 0, i, "receipt");
      out += "36," + std::string(r, 36) + "\r\n";
    }
    return out;
  }
};

TEST_F(Rmutil, LoadThenSaveGivesBackTheSameBytes) {
  const std::string file = MakeFile("rt");
  std::string unload = Unload(50);
  // A record with every byte value that matters to the format: CR, LF, NUL, Ctrl-Z, comma.
  std::string odd = "99" + std::string("\r\n\0\x1A,\xFF\x80", 7) + "9999" + std::string(23, '\x1A');
  unload += "36," + odd + "\r\n";
  WriteAll(Path("in.unl"), unload);
  Outcome r = Rm("load " + file + " " + Path("in.unl"));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = Rm("save " + file);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, unload);
  EXPECT_EQ(Rm("save " + file + " --ctrl-z").out, unload + "\x1A");
  // Along key 1 the order is the same here; with Ctrl-Z at the end the input loads as well.
  EXPECT_EQ(Rm("save " + file + " --key 1").out, unload);
  const std::string second = MakeFile("rt2");
  WriteAll(Path("z.unl"), unload + "\x1A");
  ASSERT_EQ(Rm("load " + second + " " + Path("z.unl")).code, 0);
  EXPECT_EQ(Rm("save " + second).out, unload);
  r = Rm("stat " + file);
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("Records: 51"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Key 0: 9 bytes, duplicates"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("18 distinct values"), std::string::npos) << r.out;
  r = Rm("check " + file);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("ok, 51 records"), std::string::npos);
  // Records out of key order count their distinct values all the same.
  const std::string third = MakeFile("rt3");
  WriteAll(Path("rev.unl"), Unload(3, 40) + Unload(40));
  ASSERT_EQ(Rm("load " + third + " " + Path("rev.unl")).code, 0);
  EXPECT_NE(Rm("stat " + third).out.find("15 distinct values"), std::string::npos);
  EXPECT_EQ(Rm("check " + third).code, 0);
  // Loading adds to what is there; an empty unload adds nothing.
  WriteAll(Path("more.unl"), Unload(3, 60));
  ASSERT_EQ(Rm("load " + file + " " + Path("more.unl")).code, 0);
  WriteAll(Path("empty.unl"), "");
  ASSERT_EQ(Rm("load " + file + " " + Path("empty.unl")).code, 0);
  EXPECT_NE(Rm("stat " + file).out.find("Records: 54"), std::string::npos);
  EXPECT_EQ(Rm("check " + file).code, 0);
}

TEST_F(Rmutil, AFailedLoadLeavesTheFileUnchanged) {
  const std::string file = MakeFile("fail");
  WriteAll(Path("base.unl"), Unload(10));
  ASSERT_EQ(Rm("load " + file + " " + Path("base.unl")).code, 0);
  const std::string before = Rm("save " + file).out;
  const std::string good = Unload(2, 20);
  struct Case {
    std::string content;
    std::string message;  // expected in the one line on standard error
  } cases[] = {
      {good + "5,short\r\n", "record 3: 5 bytes, the file's records are 36"},
      {good + "36," + std::string(36, 'x') + "\n", "record 3: no CR LF after the record's 36 bytes"},
      {good + "36" + std::string(36, 'x') + "\r\n", "record 3: no comma after the record length"},
      {good + "abc", "record 3: no record length at its start"},
      {good + "36,abc", "record 3: file ends inside the record"},
      {good + "\x1A" + "36,", "record 3: data after the end mark"},
      {good + "99999999,", "record 3: record length too large"},
      {Unload(2, 5), "record 1: duplicate key value"},  // key 1 0005 is already in the file
      {good + Unload(1, 20), "record 3: duplicate key value"},
  };
  for (const Case& c : cases) {
    WriteAll(Path("bad.unl"), c.content);
    Outcome r = Rm("load " + file + " " + Path("bad.unl"));
    EXPECT_EQ(r.code, 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(r.err.find("bad.unl") != std::string::npos || r.err.find(file) != std::string::npos) << r.err;
    EXPECT_EQ(Rm("save " + file).out, before) << "unchanged after: " << c.message;
  }
  EXPECT_EQ(Rm("check " + file).code, 0);
}

TEST_F(Rmutil, ErrorsNameTheFileAndTheFault) {
  const std::string file = MakeFile("err");
  WriteAll(Path("short.xdf"), std::string("\x40\x00\x24\x00", 4));
  WriteAll(Path("neg.xdf"), std::string("\xFF\xFF", 2));
  WriteAll(Path("notes.txt"), "not a data file\n");
  WriteAll(Path("bad-desc.txt"), "record 36\nkey\n  segment 1 2 sideways\n");
  WriteAll(Path("nokey.txt"), "record 36\nkey\n");
  WriteAll(Path("badpos.txt"), "record 36\nkey\n  segment 30 10\n");
  struct Case {
    std::string args;
    int code;
    std::string message;
  } cases[] = {
      {"create " + Path("x.dat") + " " + Path("missing.xdf"), 1, "missing.xdf: cannot read"},
      {"create " + Path("x.dat") + " " + Path("short.xdf"), 1,
       "short.xdf: holds 2 bytes, its length says 64"},
      {"create " + Path("x.dat") + " " + Path("neg.xdf"), 1, "neg.xdf: specification length -1"},
      {"create " + file + " " + Path("err.xdf"), 1, "err.dat: file already exists (status 59)"},
      {"stat " + Path("notes.txt"), 1, "notes.txt: not a data file, or damaged (status 30)"},
      {"stat " + Path("none.dat"), 1, "none.dat: file not found (status 12)"},
      {"save " + file + " --key 5", 1, "err.dat: no key 5"},
      {"load " + file + " " + Path("none.unl"), 1, "none.unl: cannot read"},
      {"spec " + Path("bad-desc.txt") + " " + Path("o.xdf"), 1,
       "line 3: unknown segment attribute \"sideways\""},
      {"spec " + Path("nokey.txt") + " " + Path("o.xdf"), 1, "key 0 has no segment"},
      {"spec " + Path("badpos.txt") + " " + Path("o.xdf"), 1, "invalid key position (27)"},
      {"stat " + file + " --bogus", 2, "unknown option --bogus"},
      {"frobnicate", 2, "unknown command"},
      {"create " + file, 2, "create takes FILE and SPEC.xdf"},
      {"lock " + file + " --seconds 1", 2, "one of --first"},
  };
  for (const Case& c : cases) {
    Outcome r = Rm(c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("x.dat")));
  for (const char* cmd : {"create", "spec", "load", "save", "stat", "owner", "lock", "check"}) {
    Outcome r = Rm(std::string(cmd) + " --help");
    EXPECT_EQ(r.code, 0) << cmd;
    EXPECT_EQ(r.out.rfind(std::string("usage: rmutil ") + cmd, 0), 0u) << r.out;
  }
  EXPECT_EQ(Rm("--help").code, 0);
  EXPECT_EQ(Rm("").code, 2);
}

TEST_F(Rmutil, OwnerNames) {
  const std::string file = MakeFile("own");
  ASSERT_EQ(Rm("owner " + file + " SECRET").code, 0);
  Outcome r = Rm("stat " + file);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("invalid owner name (status 51)"), std::string::npos);
  r = Rm("stat " + file + " --owner SECRET");
  EXPECT_NE(r.out.find("Owner name: set (needed for every open)"), std::string::npos) << r.out;
  EXPECT_EQ(Rm("owner " + file + " --clear").code, 1);
  ASSERT_EQ(Rm("owner " + file + " OTHER --read-only-without --owner SECRET").code, 0);
  EXPECT_EQ(Rm("stat " + file).code, 0) << "readable without the name";
  WriteAll(Path("one.unl"), Unload(1));
  r = Rm("load " + file + " " + Path("one.unl"));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("access denied (status 46)"), std::string::npos) << r.err;
  EXPECT_EQ(Rm("load " + file + " " + Path("one.unl") + " --owner OTHER").code, 0);
  EXPECT_EQ(Rm("owner " + file + " --clear --owner OTHER").code, 0);
  EXPECT_NE(Rm("stat " + file).out.find("Owner name: none"), std::string::npos);
  EXPECT_EQ(Rm("owner " + file + " NINECHARS").code, 1);
}

TEST_F(Rmutil, LockHoldsARecordForAnotherProcess) {
  const std::string file = MakeFile("lock");
  WriteAll(Path("l.unl"), Unload(9));
  ASSERT_EQ(Rm("load " + file + " " + Path("l.unl")).code, 0);
  // Key 1 value 0004 is the fifth record.
  const std::string cmd =
      std::string(RECINQRY_BUILD_DIR) + "/rmutil lock " + file + " --key 1 --equal 0004 --seconds 1";
  std::FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  char line[64] = {};
  ASSERT_NE(std::fgets(line, sizeof line, p), nullptr);
  EXPECT_STREQ(line, "locked 5\n");
  File f;
  ASSERT_EQ(Open(f, file), RM_OK);
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_NOWAIT, 1, "0004").status, RM_RECORD_LOCKED);
  EXPECT_EQ(GetDirect(f, 5, 0, RM_LOCK_NOWAIT).status, RM_RECORD_LOCKED);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Get(f, RM_GET_EQUAL + RM_LOCK_WAIT, 1, "0004").status, RM_OK);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
  EXPECT_EQ(pclose(p), 0);
  // With our lock held, rmutil lock fails at once, naming the fault.
  Outcome r = Rm("lock " + file + " --key 1 --equal 0004 --seconds 0");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("record locked (status 84)"), std::string::npos) << r.err;
}

TEST_F(Rmutil, CheckFindsDamage) {
  const std::string file = MakeFile("chk");
  WriteAll(Path("c.unl"), Unload(20));
  ASSERT_EQ(Rm("load " + file + " " + Path("c.unl")).code, 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE records SET k1 = x'00000000' WHERE id = 4;"
                         "UPDATE meta SET records = 7;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  Outcome r = Rm("check " + file);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("record at position 4: key 1 does not match the record"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("record count 7 in the header, 20 records"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rmtest
