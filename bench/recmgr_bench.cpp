// The record manager against bare SQLite statements of the same shape, on
// files the size of an office's: 1 M receipts of 36 bytes with a 9-byte key
// over 10,000 estates, and 10,000 estates of 388 bytes. The data files are
// made once and kept under the build directory (bench-data/).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "recmgr.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEstates = 10000;
constexpr int kReceiptsPerEstate = 100;
constexpr int kReceiptLength = 36;
constexpr int kEstateLength = 388;
constexpr int kDuplicates = 10000;

const std::string& DataDir() {
  static const std::string dir = std::string(RECINQRY_BUILD_DIR) + "/bench-data";
  return dir;
}
std::string DataPath(const std::string& name) { return DataDir() + "/" + name; }
std::string Rmutil() { return std::string(RECINQRY_BUILD_DIR) + "/rmutil"; }

void PackCode(char* out, int code) {
  out[0] = static_cast<char>(128 + code / 100);
  out[1] = static_cast<char>(128 + code % 100);
}

std::string Spec(uint16_t recordLength, const std::vector<std::vector<uint16_t>>& keys) {
  std::string out(16, '\0');
  auto put16 = [&](size_t at, uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
  };
  put16(0, recordLength);
  put16(2, 1024);
  put16(4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys)  // {position, length, flags}...
    for (size_t i = 0; i < key.size(); i += 3) {
      const size_t at = out.size();
      out.append(16, '\0');
      put16(at, key[i]);
      put16(at + 2, key[i + 1]);
      put16(at + 4, static_cast<uint16_t>(key[i + 2] | (i + 3 < key.size() ? 0x10 : 0)));
    }
  return out;
}

void WriteXdf(const std::string& path, const std::string& spec) {
  std::string bytes(2, '\0');
  bytes[0] = static_cast<char>(spec.size() & 0xFF);
  bytes[1] = static_cast<char>(spec.size() >> 8);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes << spec;
}

int Shell(const std::string& cmd) {
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Receipt r of estate e: estate, department, date, then amount and state.
std::string Receipt(int e, int r) {
  std::string rec(kReceiptLength, ' ');
  PackCode(&rec[0], e);
  PackCode(&rec[2], r % 7);
  PackCode(&rec[4], 20);
  PackCode(&rec[6], 10 + r / 10);
  rec[8] = static_cast<char>(128 + r % 10 * 3);
  rec[9] = static_cast<char>(128 + r);
  const int32_t amount = (e * 37 + r * 101) % 100000 - 5000;
  std::memcpy(&rec[13], &amount, 4);
  rec[21] = r % 5 == 0 ? 'D' : 'P';
  return rec;
}

std::string UnloadOf(const std::vector<std::string>& records) {
  std::string out;
  out.reserve(records.size() * (records.empty() ? 0 : records[0].size() + 6));
  for (const std::string& r : records) out += std::to_string(r.size()) + "," + r + "\r\n";
  return out;
}

// Makes a data file from a specification and its records, unless it is there.
void EnsureFile(const std::string& name, const std::string& spec,
                const std::vector<std::string>& (*records)()) {
  const std::string path = DataPath(name + ".dat");
  const std::string unload = DataPath(name + ".unl");
  if (!fs::exists(unload)) {
    std::ofstream(unload, std::ios::binary | std::ios::trunc) << UnloadOf(records());
  }
  if (fs::exists(path)) return;
  WriteXdf(DataPath(name + ".xdf"), spec);
  if (Shell(Rmutil() + " create " + path + " " + DataPath(name + ".xdf")) != 0 ||
      Shell(Rmutil() + " load " + path + " " + unload) != 0) {
    std::fprintf(stderr, "cannot make %s\n", path.c_str());
    std::exit(1);
  }
}

const std::vector<std::string>& ReceiptRecords() {
  static std::vector<std::string> records = [] {
    std::vector<std::string> v;
    v.reserve(static_cast<size_t>(kEstates) * kReceiptsPerEstate);
    for (int e = 0; e < kEstates; ++e)
      for (int r = 0; r < kReceiptsPerEstate; ++r) v.push_back(Receipt(e, r));
    return v;
  }();
  return records;
}

const std::vector<std::string>& EstateRecords() {
  static std::vector<std::string> records = [] {
    std::vector<std::string> v;
    for (int e = 0; e < kEstates; ++e) {
      std::string rec(kEstateLength, ' ');
      PackCode(&rec[0], e);
      std::snprintf(&rec[6], 31, "ESTATE %-22d", e);
      rec[36] = ' ';
      v.push_back(rec);
    }
    return v;
  }();
  return records;
}

// 10,000 records with one key value, and 10,000 with unique ones.
const std::vector<std::string>& DuplicateRecords() {
  static std::vector<std::string> records = [] {
    std::vector<std::string> v;
    for (int i = 0; i < kDuplicates; ++i) {
      std::string rec(kReceiptLength, ' ');
      std::memcpy(&rec[0], "SAMEVALUE", 9);
      std::snprintf(&rec[9], 10, "%09d", i);
      v.push_back(rec);
    }
    return v;
  }();
  return records;
}

const std::vector<std::string>& UniqueRecords() {
  static std::vector<std::string> records = [] {
    std::vector<std::string> v;
    for (int i = 0; i < kDuplicates; ++i) {
      std::string rec(kReceiptLength, ' ');
      std::snprintf(&rec[0], 10, "K%08d", i);
      std::snprintf(&rec[9], 10, "%09d", i);
      v.push_back(rec);
    }
    return v;
  }();
  return records;
}

const std::string kReceiptSpec = Spec(kReceiptLength, {{1, 2, 0x01, 3, 7, 0x01}});
const std::string kEstateSpec = Spec(kEstateLength, {{1, 2, 0x00}});
const std::string kPlainSpec = Spec(kReceiptLength, {{1, 9, 0x01}});

void EnsureData() {
  fs::create_directories(DataDir());
  EnsureFile("receipts", kReceiptSpec, ReceiptRecords);
  EnsureFile("estates", kEstateSpec, EstateRecords);
  EnsureFile("duplicates", kPlainSpec, DuplicateRecords);
  EnsureFile("unique", kPlainSpec, UniqueRecords);
}

// --- Through RecordManagerCall ---------------------------------------------

struct RmFile {
  uint8_t block[RM_POSITION_BLOCK_SIZE] = {};
  explicit RmFile(const std::string& name) {
    std::string path = DataPath(name + ".dat");
    char owner[5] = {};
    uint32_t n = 5;
    if (RecordManagerCall(RM_OPEN, block, owner, &n, path.data(), static_cast<uint8_t>(path.size()), 0) != 0)
      std::abort();
  }
  ~RmFile() {
    uint32_t n = 0;
    RecordManagerCall(RM_CLOSE, block, nullptr, &n, nullptr, 0, 0);
  }
};

std::string EstateKey(int e) {
  std::string k(9, '\0');
  PackCode(&k[0], e);
  return k;
}

void BM_Rm_GreaterOrEqualThen100Next(benchmark::State& state) {
  RmFile f("receipts");
  std::mt19937 rng(1);
  char data[1536], key[256];
  for (auto _ : state) {
    const std::string k = EstateKey(static_cast<int>(rng() % kEstates));
    std::memcpy(key, k.data(), 9);
    uint32_t n = sizeof data;
    int16_t s = RecordManagerCall(RM_GET_GREATER_OR_EQUAL, f.block, data, &n, key, 9, 0);
    for (int i = 0; i < 100 && s == 0; ++i) {
      n = sizeof data;
      s = RecordManagerCall(RM_GET_NEXT, f.block, data, &n, key, 9, 0);
    }
    benchmark::DoNotOptimize(data[0]);
  }
}

void BM_Rm_GetEqual(benchmark::State& state) {
  RmFile f("estates");
  std::mt19937 rng(2);
  char data[1536], key[256];
  for (auto _ : state) {
    PackCode(key, static_cast<int>(rng() % kEstates));
    uint32_t n = sizeof data;
    if (RecordManagerCall(RM_GET_EQUAL, f.block, data, &n, key, 2, 0) != 0) state.SkipWithError("not found");
    benchmark::DoNotOptimize(data[0]);
  }
}

void BM_Rm_GetDirect(benchmark::State& state) {
  RmFile f("receipts");
  std::mt19937 rng(3);
  char data[1536], key[256];
  for (auto _ : state) {
    const int32_t position = 1 + static_cast<int32_t>(rng() % (kEstates * kReceiptsPerEstate));
    std::memcpy(data, &position, 4);
    uint32_t n = sizeof data;
    if (RecordManagerCall(RM_GET_DIRECT, f.block, data, &n, key, 0, 0) != 0) state.SkipWithError("no record");
    benchmark::DoNotOptimize(data[0]);
  }
}

void WalkAll(benchmark::State& state, const char* name) {
  RmFile f(name);
  char data[1536], key[256];
  for (auto _ : state) {
    uint32_t n = sizeof data;
    int count = 0;
    for (int16_t s = RecordManagerCall(RM_GET_FIRST, f.block, data, &n, key, 0, 0); s == 0;
         s = RecordManagerCall(RM_GET_NEXT, f.block, data, &n, key, 0, 0), n = sizeof data)
      ++count;
    if (count != kDuplicates) state.SkipWithError("wrong count");
  }
  state.SetItemsProcessed(state.iterations() * kDuplicates);
}
void BM_Rm_NextOverDuplicates(benchmark::State& state) { WalkAll(state, "duplicates"); }
void BM_Rm_NextOverUniqueKeys(benchmark::State& state) { WalkAll(state, "unique"); }

// --- Bare SQLite, the same statements -------------------------------------

struct Bare {
  sqlite3* db = nullptr;
  explicit Bare(const std::string& name) {
    const std::string path = DataPath(name + ".dat");
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
      std::abort();
    sqlite3_busy_timeout(db, 2000);
    sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
  }
  ~Bare() { sqlite3_close_v2(db); }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) std::abort();
    return s;
  }
};

// Steps a read statement once and copies its row out, as a caller would.
bool StepCopy(sqlite3_stmt* s, char* data, int64_t& id, std::string& ck) {
  const bool row = sqlite3_step(s) == SQLITE_ROW;
  if (row) {
    id = sqlite3_column_int64(s, 0);
    std::memcpy(data, sqlite3_column_blob(s, 1), sqlite3_column_bytes(s, 1));
    ck.assign(static_cast<const char*>(sqlite3_column_blob(s, 2)), sqlite3_column_bytes(s, 2));
  }
  sqlite3_reset(s);
  return row;
}

void BareGreaterOrEqualThen100Next(benchmark::State& state, bool oneReadTransaction) {
  Bare b("receipts");
  sqlite3_stmt* ge = b.Prepare("SELECT id, data, k0 FROM records WHERE k0 >= ?1 ORDER BY k0, id LIMIT 1");
  sqlite3_stmt* next = b.Prepare(
      "SELECT * FROM (SELECT id, data, k0 FROM records WHERE k0 = ?1 AND id > ?2 ORDER BY id LIMIT 1) UNION "
      "ALL "
      "SELECT * FROM (SELECT id, data, k0 FROM records WHERE k0 > ?1 ORDER BY k0, id LIMIT 1) LIMIT 1");
  std::mt19937 rng(1);
  char data[1536];
  std::string ck;
  int64_t id = 0;
  for (auto _ : state) {
    const std::string k = EstateKey(static_cast<int>(rng() % kEstates));
    if (oneReadTransaction) sqlite3_exec(b.db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_blob(ge, 1, k.data(), 9, SQLITE_STATIC);
    bool row = StepCopy(ge, data, id, ck);
    for (int i = 0; i < 100 && row; ++i) {
      sqlite3_bind_blob(next, 1, ck.data(), static_cast<int>(ck.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int64(next, 2, id);
      row = StepCopy(next, data, id, ck);
    }
    if (oneReadTransaction) sqlite3_exec(b.db, "COMMIT", nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(data[0]);
  }
  sqlite3_finalize(ge);
  sqlite3_finalize(next);
}

// Each step in its own read transaction, as the record manager does so that
// Get Next sees what others committed.
void BM_Bare_GreaterOrEqualThen100Next(benchmark::State& state) {
  BareGreaterOrEqualThen100Next(state, false);
}
// For comparison: the 101 steps inside one read transaction (a fixed snapshot).
void BM_Bare_GreaterOrEqualThen100Next_OneReadTransaction(benchmark::State& state) {
  BareGreaterOrEqualThen100Next(state, true);
}

void BM_Bare_GetEqual(benchmark::State& state) {
  Bare b("estates");
  sqlite3_stmt* eq = b.Prepare("SELECT id, data, k0 FROM records WHERE k0 = ?1 ORDER BY k0, id LIMIT 1");
  std::mt19937 rng(2);
  char data[1536], key[2];
  std::string ck;
  int64_t id = 0;
  for (auto _ : state) {
    PackCode(key, static_cast<int>(rng() % kEstates));
    sqlite3_bind_blob(eq, 1, key, 2, SQLITE_STATIC);
    if (!StepCopy(eq, data, id, ck)) state.SkipWithError("not found");
    benchmark::DoNotOptimize(data[0]);
  }
  sqlite3_finalize(eq);
}

void BM_Bare_GetDirect(benchmark::State& state) {
  Bare b("receipts");
  sqlite3_stmt* byId = b.Prepare("SELECT id, data, k0 FROM records WHERE id = ?1");
  std::mt19937 rng(3);
  char data[1536];
  std::string ck;
  int64_t id = 0;
  for (auto _ : state) {
    sqlite3_bind_int64(byId, 1, 1 + static_cast<int64_t>(rng() % (kEstates * kReceiptsPerEstate)));
    if (!StepCopy(byId, data, id, ck)) state.SkipWithError("no record");
    benchmark::DoNotOptimize(data[0]);
  }
  sqlite3_finalize(byId);
}

// --- Bulk load ---------------------------------------------------------------

double ChildCpuMs() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// rmutil runs as a child: its CPU time is reported as the counter cpu_ms, to
// compare with the bare insert's CPU time on a machine shared with others.
void BM_Rmutil_Load1MReceipts(benchmark::State& state) {
  const std::string path = DataPath("load-scratch.dat");
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* ext : {"", "-wal", "-shm", "-lock"}) fs::remove(path + ext);
    if (Shell(Rmutil() + " create " + path + " " + DataPath("receipts.xdf")) != 0)
      state.SkipWithError("create");
    state.ResumeTiming();
    const double before = ChildCpuMs();
    if (Shell(Rmutil() + " load " + path + " " + DataPath("receipts.unl")) != 0) state.SkipWithError("load");
    cpu += ChildCpuMs() - before;
  }
  state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
  for (const char* ext : {"", "-wal", "-shm", "-lock"}) fs::remove(path + ext);
}

// The same rows into the same schema in one transaction, with the unload
// file parsed as simply as it can be.
void BM_Bare_BulkInsert1MReceipts(benchmark::State& state) {
  const std::string path = DataPath("bare-scratch.db");
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* ext : {"", "-wal", "-shm"}) fs::remove(path + ext);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
                 "CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB NOT NULL, k0 BLOB);"
                 "CREATE INDEX key0 ON records(k0);",
                 nullptr, nullptr, nullptr);
    state.ResumeTiming();
    std::FILE* in = std::fopen(DataPath("receipts.unl").c_str(), "rb");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(in, buffer.data(), _IOFBF, buffer.size());
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO records(id, data, k0) VALUES (?1, ?2, ?3)", -1, &ins, nullptr);
    char rec[kReceiptLength + 8];
    int64_t id = 1;
    while (std::fread(rec, 1, 3 + kReceiptLength + 2, in) == 3 + kReceiptLength + 2) {
      sqlite3_bind_int64(ins, 1, id++);
      sqlite3_bind_blob(ins, 2, rec + 3, kReceiptLength, SQLITE_STATIC);
      sqlite3_bind_blob(ins, 3, rec + 3, 9, SQLITE_STATIC);
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::fclose(in);
  }
  for (const char* ext : {"", "-wal", "-shm"}) fs::remove(path + ext);
}

BENCHMARK(BM_Rm_GreaterOrEqualThen100Next);
BENCHMARK(BM_Bare_GreaterOrEqualThen100Next);
BENCHMARK(BM_Bare_GreaterOrEqualThen100Next_OneReadTransaction);
BENCHMARK(BM_Rm_GetEqual);
BENCHMARK(BM_Bare_GetEqual);
BENCHMARK(BM_Rm_GetDirect);
BENCHMARK(BM_Bare_GetDirect);
BENCHMARK(BM_Rm_NextOverDuplicates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rm_NextOverUniqueKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rmutil_Load1MReceipts)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Bare_BulkInsert1MReceipts)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  EnsureData();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
