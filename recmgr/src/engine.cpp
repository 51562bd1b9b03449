#include "engine.h"

#include <errno.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "file_spec.h"
#include "lock_file.h"
#include "recmgr.h"

namespace recmgr {
namespace {

constexpr uint8_t kBlockMagic[8] = {'R', 'M', 'P', 'B', 0x5A, 0xC3, 0x01, 0x00};
constexpr uint32_t kApplicationId = 0x524D4446;  // "RMDF"
constexpr uint32_t kFormatVersion = 1;
constexpr int64_t kMaxPosition = 0x7FFFFFFF;
constexpr int kLockedReadRetries = 50;

// ---------------------------------------------------------------------------
// Small helpers

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t GetBe32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

int16_t StatusOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return RM_OK;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return RM_FILE_LOCKED;
    case SQLITE_FULL:
      return RM_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_SCHEMA:
      return RM_NOT_A_DATA_FILE;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return RM_ACCESS_DENIED;
    case SQLITE_CONSTRAINT:
      return RM_DUPLICATE_KEY;
    default:
      return RM_IO_ERROR;
  }
}

// The caller's buffers, with their offered sizes.
struct Buffers {
  uint8_t* data = nullptr;
  uint32_t* dataLength = nullptr;
  uint32_t dataCap = 0;
  uint8_t* key = nullptr;
  uint8_t keyLength = 0;

  void SetReturned(uint32_t n) const {
    if (dataLength) *dataLength = n;
  }
  // Copies a record or answer out; 22 when the buffer is shorter.
  int16_t PutData(const void* src, size_t n) const {
    const size_t take = n < dataCap ? n : dataCap;
    if (take > 0 && data) std::memcpy(data, src, take);
    SetReturned(static_cast<uint32_t>(take));
    return take < n ? RM_DATA_BUFFER_TOO_SHORT : RM_OK;
  }
  void PutKey(const std::string& value) const {
    if (key && !value.empty()) std::memcpy(key, value.data(), value.size());
  }
};

std::string PathFromKeyBuffer(const Buffers& b) {
  if (!b.key) return {};
  const size_t limit = b.keyLength ? b.keyLength : 255;
  size_t n = 0;
  while (n < limit && b.key[n] != 0) ++n;
  std::string path(reinterpret_cast<const char*>(b.key), n);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// A prepared statement that is reset when the scope ends.
class Use {
 public:
  explicit Use(sqlite3_stmt* s) : s_(s) {}
  ~Use() {
    if (s_) sqlite3_reset(s_);
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  sqlite3_stmt* get() const { return s_; }

 private:
  sqlite3_stmt* s_;
};

void BindKey(sqlite3_stmt* s, int index, const std::string* ck) {
  if (ck)
    sqlite3_bind_blob(s, index, ck->data(), static_cast<int>(ck->size()), SQLITE_STATIC);
  else
    sqlite3_bind_null(s, index);
}

// ---------------------------------------------------------------------------
// Open files

enum KeyStatement {
  kEqual,
  kGreaterOrEqual,
  kGreater,
  kLessOrEqual,
  kLess,
  kFirst,
  kLast,
  kNext,
  kPrevious,
  kById,
  kExists,       // some record has this value
  kExistsOther,  // some record other than ?2 has this value
  kKeyStatementCount
};

enum FileStatement {
  kBegin,
  kCommit,
  kRollback,
  kSavepoint,
  kRelease,
  kRollbackTo,
  kDataById,
  kInsert,
  kUpdate,
  kDelete,
  kBumpMeta,
  kBumpCount,
  kReadMeta,
  kReadCounts,
  kFileStatementCount
};

struct SharedFile {
  dev_t dev = 0;
  ino_t ino = 0;
  std::string path;
  sqlite3* db = nullptr;
  bool readOnlyConnection = false;
  int synchronous = 1;
  FileSpec spec;
  int refs = 0;
  bool inTransaction = false;
  bool abandoned = false;
  std::vector<std::array<sqlite3_stmt*, kKeyStatementCount>> keyStatements;
  std::array<sqlite3_stmt*, kFileStatementCount> statements{};

  SharedFile() = default;
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;
  ~SharedFile() {
    if (abandoned || !db) return;  // inherited across fork: never touch the parent's connection
    for (auto& ks : keyStatements)
      for (sqlite3_stmt* s : ks) sqlite3_finalize(s);
    for (sqlite3_stmt* s : statements) sqlite3_finalize(s);
    sqlite3_close_v2(db);
  }

  std::string Column(size_t key) const { return "k" + std::to_string(key); }

  // The statement text of a per-key statement.
  std::string KeySql(size_t key, KeyStatement which) const {
    const std::string k = Column(key);
    const std::string cols = "SELECT id, data, " + k + " FROM records ";
    switch (which) {
      case kEqual:
        return cols + "WHERE " + k + " = ?1 ORDER BY " + k + ", id LIMIT 1";
      case kGreaterOrEqual:
        return cols + "WHERE " + k + " >= ?1 ORDER BY " + k + ", id LIMIT 1";
      case kGreater:
        return cols + "WHERE " + k + " > ?1 ORDER BY " + k + ", id LIMIT 1";
      case kLessOrEqual:
        return cols + "WHERE " + k + " <= ?1 ORDER BY " + k + " DESC, id DESC LIMIT 1";
      case kLess:
        return cols + "WHERE " + k + " < ?1 ORDER BY " + k + " DESC, id DESC LIMIT 1";
      case kFirst:
        return cols + "WHERE " + k + " IS NOT NULL ORDER BY " + k + ", id LIMIT 1";
      case kLast:
        return cols + "WHERE " + k + " IS NOT NULL ORDER BY " + k + " DESC, id DESC LIMIT 1";
      case kNext:
        // Equal values by position first, then the greater values: both stay
        // index seeks however many duplicates there are.
        return "SELECT * FROM (" + cols + "WHERE " + k + " = ?1 AND id > ?2 ORDER BY id LIMIT 1) UNION ALL " +
               "SELECT * FROM (" + cols + "WHERE " + k + " > ?1 ORDER BY " + k + ", id LIMIT 1) LIMIT 1";
      case kPrevious:
        return "SELECT * FROM (" + cols + "WHERE " + k +
               " = ?1 AND id < ?2 ORDER BY id DESC LIMIT 1) UNION ALL " + "SELECT * FROM (" + cols +
               "WHERE " + k + " < ?1 ORDER BY " + k + " DESC, id DESC LIMIT 1) LIMIT 1";
      case kById:
        return cols + "WHERE id = ?1";
      case kExists:
        return "SELECT 1 FROM records WHERE " + k + " = ?1 LIMIT 1";
      case kExistsOther:
        return "SELECT 1 FROM records WHERE " + k + " = ?1 AND id <> ?2 LIMIT 1";
      default:
        return {};
    }
  }

  std::string FileSql(FileStatement which) const {
    switch (which) {
      case kBegin:
        return "BEGIN IMMEDIATE";
      case kCommit:
        return "COMMIT";
      case kRollback:
        return "ROLLBACK";
      case kSavepoint:
        return "SAVEPOINT op";
      case kRelease:
        return "RELEASE op";
      case kRollbackTo:
        return "ROLLBACK TO op";
      case kDataById:
        return "SELECT data FROM records WHERE id = ?1";
      case kInsert: {
        std::string cols = "id, data", vals = "?1, ?2";
        for (size_t k = 0; k < spec.keys.size(); ++k) {
          cols += ", " + Column(k);
          vals += ", ?" + std::to_string(k + 3);
        }
        return "INSERT INTO records(" + cols + ") VALUES (" + vals + ")";
      }
      case kUpdate: {
        std::string sets = "data = ?2";
        for (size_t k = 0; k < spec.keys.size(); ++k)
          sets += ", " + Column(k) + " = ?" + std::to_string(k + 3);
        return "UPDATE records SET " + sets + " WHERE id = ?1";
      }
      case kDelete:
        return "DELETE FROM records WHERE id = ?1";
      case kBumpMeta:
        return "UPDATE meta SET records = records + ?1, next_id = next_id + ?2 WHERE singleton = 1 "
               "RETURNING next_id";
      case kBumpCount:
        return "UPDATE counts SET distinct_values = distinct_values + ?2 WHERE key = ?1";
      case kReadMeta:
        return "SELECT format, spec, owner, owner_mode, records, next_id FROM meta WHERE singleton = 1";
      case kReadCounts:
        return "SELECT key, distinct_values FROM counts ORDER BY key";
      default:
        return {};
    }
  }

  // Prepared statements are made on first use and kept while the file is open.
  int Prepare(sqlite3_stmt*& slot, const std::string& sql) {
    if (slot) return SQLITE_OK;
    return sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &slot,
                              nullptr);
  }
  sqlite3_stmt* Key(size_t key, KeyStatement which, int& rc) {
    rc = Prepare(keyStatements[key][which], KeySql(key, which));
    return keyStatements[key][which];
  }
  sqlite3_stmt* File(FileStatement which, int& rc) {
    rc = Prepare(statements[which], FileSql(which));
    return statements[which];
  }
  int Exec(FileStatement which) {
    int rc;
    sqlite3_stmt* s = File(which, rc);
    if (rc != SQLITE_OK) return rc;
    Use u(s);
    rc = sqlite3_step(s);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
  }
};

struct Handle {
  uint32_t generation = 0;
  SharedFile* file = nullptr;
  LockFile locks;
  int8_t mode = 0;
  bool readOnly = false;
  // The position: Current on a record, Ghost where a deleted record was
  // (Next and Previous go on from there), None after a failed positioning.
  enum class Pos { None, Current, Ghost } pos = Pos::None;
  int keyNumber = 0;
  int64_t id = 0;
  bool ckNull = false;
  std::string ck;      // collating form of the current record's key
  std::string record;  // the current record as it was read
  int64_t lockedId = 0;

  void ReleaseLock() {
    if (lockedId) locks.Unlock(static_cast<uint64_t>(lockedId));
    lockedId = 0;
  }
};

struct Engine {
  pid_t pid = 0;
  std::vector<std::unique_ptr<Handle>> handles;
  std::vector<std::unique_ptr<SharedFile>> files;
  bool transaction = false;
  uint32_t nextGeneration = 1;
};

std::mutex& EngineMutex() {
  static std::mutex m;
  return m;
}

Engine& TheEngine() {
  static Engine* engine = new Engine;  // lives for the process; never destroyed at exit
  const pid_t now = getpid();
  if (engine->pid != now) {
    // A forked child inherits the parent's table: its connections belong to
    // the parent, so they are dropped without being closed.
    for (auto& h : engine->handles)
      if (h) h->locks.Close();
    for (auto& f : engine->files) f->abandoned = true;
    engine->handles.clear();
    engine->files.clear();
    engine->transaction = false;
    engine->pid = now;
  }
  return *engine;
}

Handle* FindHandle(Engine& e, const void* block) {
  if (!block) return nullptr;
  const uint8_t* b = static_cast<const uint8_t*>(block);
  if (std::memcmp(b, kBlockMagic, sizeof kBlockMagic) != 0) return nullptr;
  const uint32_t index = Get32(b + 8);
  const uint32_t generation = Get32(b + 12);
  if (Get32(b + 16) != static_cast<uint32_t>(e.pid)) return nullptr;
  if (index >= e.handles.size() || !e.handles[index]) return nullptr;
  Handle* h = e.handles[index].get();
  return h->generation == generation ? h : nullptr;
}

void WriteBlock(void* block, uint32_t index, uint32_t generation, pid_t pid) {
  uint8_t* b = static_cast<uint8_t*>(block);
  std::memset(b, 0, RM_POSITION_BLOCK_SIZE);
  std::memcpy(b, kBlockMagic, sizeof kBlockMagic);
  Put32(b + 8, index);
  Put32(b + 12, generation);
  Put32(b + 16, static_cast<uint32_t>(pid));
}

void ReleaseFile(Engine& e, SharedFile* f) {
  if (--f->refs > 0) return;
  for (auto it = e.files.begin(); it != e.files.end(); ++it)
    if (it->get() == f) {
      e.files.erase(it);
      return;
    }
}

void CloseHandle(Engine& e, Handle* h) {
  h->ReleaseLock();
  h->locks.Close();
  SharedFile* f = h->file;
  for (auto& slot : e.handles)
    if (slot.get() == h) slot.reset();
  ReleaseFile(e, f);
}

// ---------------------------------------------------------------------------
// Writes: one transaction per operation, or a savepoint inside the process's
// transaction.

class WriteScope {
 public:
  WriteScope(Engine& e, SharedFile& f) : e_(e), f_(f) {}
  ~WriteScope() {
    if (!begun_ || done_) return;
    if (savepoint_) {
      f_.Exec(kRollbackTo);
      f_.Exec(kRelease);
    } else {
      f_.Exec(kRollback);
    }
  }
  int16_t Begin() {
    int rc;
    if (e_.transaction) {
      if (!f_.inTransaction) {
        if ((rc = f_.Exec(kBegin)) != SQLITE_OK) return StatusOf(rc);
        f_.inTransaction = true;
      }
      if ((rc = f_.Exec(kSavepoint)) != SQLITE_OK) return StatusOf(rc);
      savepoint_ = true;
    } else if ((rc = f_.Exec(kBegin)) != SQLITE_OK) {
      return StatusOf(rc);
    }
    begun_ = true;
    return RM_OK;
  }
  int16_t Commit() {
    const int rc = f_.Exec(savepoint_ ? kRelease : kCommit);
    if (rc != SQLITE_OK) return StatusOf(rc);
    done_ = true;
    return RM_OK;
  }

 private:
  Engine& e_;
  SharedFile& f_;
  bool begun_ = false, done_ = false, savepoint_ = false;
};

// ---------------------------------------------------------------------------
// Opening and creating

struct HeaderCheck {
  int16_t status = RM_OK;
  bool wal = false;
};

// Recognises one of our data files from its first bytes, before SQLite
// touches it: anything else is never opened as a database.
HeaderCheck CheckHeader(const std::string& path, const struct stat& st) {
  HeaderCheck out;
  if (!S_ISREG(st.st_mode)) {
    out.status = RM_NOT_A_DATA_FILE;
    return out;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out.status = errno == EACCES ? RM_ACCESS_DENIED : RM_IO_ERROR;
    return out;
  }
  uint8_t h[100];
  ssize_t got = 0;
  while (got < 100) {
    const ssize_t n = ::read(fd, h + got, sizeof h - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  ::close(fd);
  if (got < 100 || std::memcmp(h, "SQLite format 3", 16) != 0 || GetBe32(h + 68) != kApplicationId ||
      GetBe32(h + 60) != kFormatVersion) {
    out.status = RM_NOT_A_DATA_FILE;
    return out;
  }
  uint32_t pageSize = (static_cast<uint32_t>(h[16]) << 8) | h[17];
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) {
    out.status = RM_NOT_A_DATA_FILE;
    return out;
  }
  out.wal = h[18] == 2 && h[19] == 2;
  // A file cut short: its header says how many pages it holds. Only without
  // a write-ahead log, which may hold pages not yet copied back.
  struct stat wal {};
  const bool hasWal = ::stat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0;
  if (!hasWal && GetBe32(h + 92) == GetBe32(h + 24)) {
    const uint64_t pages = GetBe32(h + 28);
    if (pages == 0 || static_cast<uint64_t>(st.st_size) < pages * pageSize) out.status = RM_NOT_A_DATA_FILE;
  }
  return out;
}

struct Meta {
  std::string spec;
  bool hasOwner = false;
  std::string owner;
  int ownerMode = 0;
  int64_t records = 0;
  int64_t nextId = 1;
};

int16_t ReadMeta(SharedFile& f, Meta& m) {
  int rc;
  sqlite3_stmt* s = f.File(kReadMeta, rc);
  if (rc != SQLITE_OK) return StatusOf(rc) == RM_FILE_LOCKED ? RM_FILE_LOCKED : RM_NOT_A_DATA_FILE;
  Use u(s);
  rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return RM_NOT_A_DATA_FILE;
  if (rc != SQLITE_ROW) return StatusOf(rc) == RM_FILE_LOCKED ? RM_FILE_LOCKED : RM_NOT_A_DATA_FILE;
  if (sqlite3_column_int64(s, 0) != kFormatVersion) return RM_NOT_A_DATA_FILE;
  const void* spec = sqlite3_column_blob(s, 1);
  m.spec.assign(static_cast<const char*>(spec ? spec : ""), sqlite3_column_bytes(s, 1));
  m.hasOwner = sqlite3_column_type(s, 2) != SQLITE_NULL;
  if (m.hasOwner) {
    const void* o = sqlite3_column_blob(s, 2);
    m.owner.assign(static_cast<const char*>(o ? o : ""), sqlite3_column_bytes(s, 2));
  }
  m.ownerMode = sqlite3_column_int(s, 3);
  m.records = sqlite3_column_int64(s, 4);
  m.nextId = sqlite3_column_int64(s, 5);
  return RM_OK;
}

int SynchronousFor(int8_t mode) {
  if (mode == RM_MODE_ACCELERATED) return 0;
  if (mode == RM_MODE_VERIFY) return 2;
  return 1;
}

void ApplySynchronous(SharedFile& f, int level) {
  static const char* const kPragmas[] = {"PRAGMA synchronous = OFF", "PRAGMA synchronous = NORMAL",
                                         "PRAGMA synchronous = FULL"};
  sqlite3_exec(f.db, kPragmas[level], nullptr, nullptr, nullptr);
  f.synchronous = level;
}

int16_t OpenShared(Engine& e, const std::string& path, const struct stat& st, bool wal, int8_t mode,
                   SharedFile*& out) {
  for (auto& f : e.files)
    if (f->dev == st.st_dev && f->ino == st.st_ino) {
      if (SynchronousFor(mode) > f->synchronous) ApplySynchronous(*f, SynchronousFor(mode));
      out = f.get();
      return RM_OK;
    }
  auto f = std::make_unique<SharedFile>();
  f->dev = st.st_dev;
  f->ino = st.st_ino;
  f->path = path;
  f->readOnlyConnection = ::access(path.c_str(), W_OK) != 0;
  const int flags = (f->readOnlyConnection ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
  int rc = sqlite3_open_v2(path.c_str(), &f->db, flags, nullptr);
  if (rc != SQLITE_OK) return rc == SQLITE_CANTOPEN ? int16_t{RM_FILE_NOT_FOUND} : StatusOf(rc);
  sqlite3_extended_result_codes(f->db, 0);
  sqlite3_busy_timeout(f->db, BusyTimeoutMs());
  if (!wal && !f->readOnlyConnection) {
    rc = sqlite3_exec(f->db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return StatusOf(rc) == RM_FILE_LOCKED ? RM_FILE_LOCKED : RM_NOT_A_DATA_FILE;
  }
  Meta m;
  int16_t status = ReadMeta(*f, m);
  if (status != RM_OK) return status;
  size_t used = 0;
  if (ParseFileSpec(reinterpret_cast<const uint8_t*>(m.spec.data()), m.spec.size(), f->spec, used) != RM_OK)
    return RM_NOT_A_DATA_FILE;
  f->keyStatements.assign(f->spec.keys.size(), {});
  // Every column and statement the file needs must be there.
  sqlite3_stmt* probe = nullptr;
  std::string sql = "SELECT id, data";
  for (size_t k = 0; k < f->spec.keys.size(); ++k) sql += ", " + f->Column(k);
  sql += " FROM records LIMIT 0";
  rc = sqlite3_prepare_v2(f->db, sql.c_str(), -1, &probe, nullptr);
  sqlite3_finalize(probe);
  if (rc != SQLITE_OK) return StatusOf(rc) == RM_FILE_LOCKED ? RM_FILE_LOCKED : RM_NOT_A_DATA_FILE;
  rc = SQLITE_OK;
  for (int which = kDataById; which < kFileStatementCount && rc == SQLITE_OK; ++which)
    f->File(static_cast<FileStatement>(which), rc);
  if (rc != SQLITE_OK) return StatusOf(rc) == RM_FILE_LOCKED ? RM_FILE_LOCKED : RM_NOT_A_DATA_FILE;
  ApplySynchronous(*f, SynchronousFor(mode));
  out = f.get();
  e.files.push_back(std::move(f));
  return RM_OK;
}

std::string OwnerFromBuffer(const Buffers& b) {
  if (!b.data) return {};
  size_t n = 0;
  while (n < b.dataCap && n < 9 && b.data[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(b.data), n);
}

int16_t DoOpen(Engine& e, void* block, const Buffers& b, int8_t mode) {
  if (!block) return RM_FILE_NOT_OPEN;
  if (mode != RM_MODE_NORMAL && mode != RM_MODE_ACCELERATED && mode != RM_MODE_READ_ONLY &&
      mode != RM_MODE_VERIFY && mode != RM_MODE_EXCLUSIVE)
    return RM_INVALID_KEY_NUMBER;
  if (Handle* old = FindHandle(e, block)) {
    if (old->file->inTransaction && old->file->refs == 1) return RM_TRANSACTION_ERROR;
    CloseHandle(e, old);
  }
  const std::string path = PathFromKeyBuffer(b);
  if (path.empty()) return RM_FILE_NOT_FOUND;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return RM_FILE_NOT_FOUND;
    return errno == EACCES ? RM_ACCESS_DENIED : RM_IO_ERROR;
  }
  const HeaderCheck header = CheckHeader(path, st);
  if (header.status != RM_OK) return header.status;

  auto h = std::make_unique<Handle>();
  if (!h->locks.Open(path)) return RM_ACCESS_DENIED;
  const LockFile::Result fileLock = h->locks.Lock(0, mode == RM_MODE_EXCLUSIVE, false);
  if (fileLock == LockFile::Result::Busy) return RM_FILE_LOCKED;
  if (fileLock == LockFile::Result::Error) return RM_ACCESS_DENIED;

  SharedFile* f = nullptr;
  int16_t status = OpenShared(e, path, st, header.wal, mode, f);
  if (status != RM_OK) return status;
  f->refs++;
  Meta m;
  status = ReadMeta(*f, m);
  bool readOnly = mode == RM_MODE_READ_ONLY || f->readOnlyConnection;
  if (status == RM_OK && m.hasOwner) {
    const std::string given = OwnerFromBuffer(b);
    if (given == m.owner) {
    } else if (m.ownerMode == 1 && given.empty()) {
      readOnly = true;
    } else {
      status = RM_INVALID_OWNER;
    }
  }
  if (status != RM_OK) {
    ReleaseFile(e, f);
    return status;
  }
  h->file = f;
  h->mode = mode;
  h->readOnly = readOnly;
  h->generation = e.nextGeneration++;
  if (e.nextGeneration == 0) e.nextGeneration = 1;
  size_t index = 0;
  while (index < e.handles.size() && e.handles[index]) ++index;
  if (index == e.handles.size()) e.handles.emplace_back();
  e.handles[index] = std::move(h);
  WriteBlock(block, static_cast<uint32_t>(index), e.handles[index]->generation, e.pid);
  return RM_OK;
}

int16_t BuildDatabase(const std::string& tmp, const FileSpec& spec, const std::string& specBytes) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  auto fail = [&](int code) {
    sqlite3_close_v2(db);
    ::unlink(tmp.c_str());
    ::unlink((tmp + "-wal").c_str());
    ::unlink((tmp + "-shm").c_str());
    ::unlink((tmp + "-journal").c_str());
    return code == SQLITE_FULL ? RM_DISK_FULL : RM_CREATE_IO_ERROR;
  };
  if (rc != SQLITE_OK) return fail(rc);
  std::string sql =
      "PRAGMA application_id = " + std::to_string(kApplicationId) +
      ";"
      "PRAGMA user_version = " +
      std::to_string(kFormatVersion) +
      ";"
      "PRAGMA journal_mode = WAL;"
      "BEGIN;"
      "CREATE TABLE meta(singleton INTEGER PRIMARY KEY CHECK (singleton = 1), format INTEGER NOT NULL,"
      " spec BLOB NOT NULL, owner BLOB, owner_mode INTEGER NOT NULL DEFAULT 0,"
      " records INTEGER NOT NULL, next_id INTEGER NOT NULL);"
      "CREATE TABLE counts(key INTEGER PRIMARY KEY, distinct_values INTEGER NOT NULL);"
      "CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB NOT NULL";
  for (size_t k = 0; k < spec.keys.size(); ++k) sql += ", k" + std::to_string(k) + " BLOB";
  sql += ");";
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const std::string n = std::to_string(k);
    sql += std::string("CREATE ") + (spec.keys[k].duplicates ? "" : "UNIQUE ") + "INDEX key" + n +
           " ON records(k" + n + ");";
    sql += "INSERT INTO counts VALUES (" + n + ", 0);";
  }
  if ((rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) != SQLITE_OK) return fail(rc);
  sqlite3_stmt* s = nullptr;
  rc = sqlite3_prepare_v2(db, "INSERT INTO meta VALUES (1, ?1, ?2, NULL, 0, 0, 1)", -1, &s, nullptr);
  if (rc != SQLITE_OK) return fail(rc);
  sqlite3_bind_int64(s, 1, kFormatVersion);
  sqlite3_bind_blob(s, 2, specBytes.data(), static_cast<int>(specBytes.size()), SQLITE_STATIC);
  rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) return fail(rc);
  if ((rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr)) != SQLITE_OK) return fail(rc);
  if ((rc = sqlite3_close(db)) != SQLITE_OK) {
    db = nullptr;
    return fail(rc);
  }
  ::unlink((tmp + "-wal").c_str());
  ::unlink((tmp + "-shm").c_str());
  return RM_OK;
}

int16_t DoCreate(const Buffers& b, int8_t keyNumber) {
  const std::string path = PathFromKeyBuffer(b);
  if (path.empty()) return RM_CREATE_IO_ERROR;
  FileSpec spec;
  size_t used = 0;
  const int16_t status = ParseFileSpec(b.data, b.dataCap, spec, used);
  if (status != RM_OK) return status;
  // Kept without the counts: those live in their own rows.
  const std::string specBytes = SerializeFileSpec(spec);

  struct stat st {};
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  LockFile guard;
  if (exists) {
    if (keyNumber == -1) return RM_FILE_EXISTS;
    // Replacing is for our own files only, and only while nobody has it open.
    if (::stat(path.c_str(), &st) != 0 || CheckHeader(path, st).status != RM_OK) return RM_FILE_EXISTS;
    if (!guard.Open(path)) return RM_ACCESS_DENIED;
    if (guard.Lock(0, true, false) != LockFile::Result::Ok) return RM_FILE_LOCKED;
  }
  static unsigned counter = 0;
  const std::string tmp = path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
  ::unlink(tmp.c_str());
  const int16_t built = BuildDatabase(tmp, spec, specBytes);
  if (built != RM_OK) return built;
  // A log or index left by an earlier file of this name must not be applied
  // to the new one.
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
  if (exists) {
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
      ::unlink(tmp.c_str());
      return RM_CREATE_IO_ERROR;
    }
  } else {
    if (::link(tmp.c_str(), path.c_str()) != 0) {
      const int err = errno;
      ::unlink(tmp.c_str());
      return err == EEXIST ? RM_FILE_EXISTS : err == ENOSPC ? RM_DISK_FULL : RM_CREATE_IO_ERROR;
    }
    ::unlink(tmp.c_str());
  }
  LockFile side;
  side.Open(path);
  return RM_OK;
}

// ---------------------------------------------------------------------------
// Reading

struct KeyFormCache {
  std::vector<std::string> forms;
  std::vector<bool> nulls;
};

// Collating forms of every key of a record (null values marked).
KeyFormCache FormsOf(const FileSpec& spec, const uint8_t* record) {
  KeyFormCache out;
  out.forms.resize(spec.keys.size());
  out.nulls.resize(spec.keys.size());
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const Key& key = spec.keys[k];
    const std::string value = KeyValue(key, record);
    const uint8_t* v = reinterpret_cast<const uint8_t*>(value.data());
    out.nulls[k] = key.nullable && IsNullValue(key, v);
    if (!out.nulls[k]) out.forms[k] = CollatingForm(spec, key, v);
  }
  return out;
}

// Takes the row a read statement stands on as the handle's current record
// and hands it to the caller.
int16_t Deliver(Handle& h, int key, sqlite3_stmt* s, const Buffers& b) {
  const FileSpec& spec = h.file->spec;
  const int len = sqlite3_column_bytes(s, 1);
  const void* data = sqlite3_column_blob(s, 1);
  if (len != spec.recordLength || !data) return RM_NOT_A_DATA_FILE;
  h.pos = Handle::Pos::Current;
  h.keyNumber = key;
  h.id = sqlite3_column_int64(s, 0);
  h.record.assign(static_cast<const char*>(data), len);
  h.ckNull = sqlite3_column_type(s, 2) == SQLITE_NULL;
  if (h.ckNull) {
    h.ck.clear();
  } else {
    const void* ck = sqlite3_column_blob(s, 2);
    h.ck.assign(static_cast<const char*>(ck ? ck : ""), sqlite3_column_bytes(s, 2));
  }
  if (b.key) {
    const Key& k = spec.keys[key];
    uint8_t* out = b.key;
    for (const Segment& seg : k.segments) {
      std::memcpy(out, h.record.data() + seg.position - 1, seg.length);
      out += seg.length;
    }
  }
  return b.PutData(h.record.data(), h.record.size());
}

int16_t LockRecord(Handle& h, int64_t id, int lockBias) {
  if (h.lockedId == id) return RM_OK;
  const LockFile::Result r = h.locks.Lock(static_cast<uint64_t>(id), true, lockBias == RM_LOCK_WAIT);
  if (r == LockFile::Result::Busy) return RM_RECORD_LOCKED;
  if (r == LockFile::Result::Error) return RM_IO_ERROR;
  return RM_OK;
}

int16_t DoRead(Handle& h, int op, int lockBias, const Buffers& b, int8_t keyNumber) {
  SharedFile& f = *h.file;
  if (keyNumber < 0 || static_cast<size_t>(keyNumber) >= f.spec.keys.size()) return RM_INVALID_KEY_NUMBER;
  const Key& key = f.spec.keys[keyNumber];
  KeyStatement which;
  std::string sought;
  const std::string* soughtPtr = nullptr;
  switch (op) {
    case RM_GET_EQUAL:
      which = kEqual;
      break;
    case RM_GET_GREATER:
      which = kGreater;
      break;
    case RM_GET_GREATER_OR_EQUAL:
      which = kGreaterOrEqual;
      break;
    case RM_GET_LESS:
      which = kLess;
      break;
    case RM_GET_LESS_OR_EQUAL:
      which = kLessOrEqual;
      break;
    case RM_GET_FIRST:
      which = kFirst;
      break;
    case RM_GET_LAST:
      which = kLast;
      break;
    case RM_GET_NEXT:
    case RM_GET_PREVIOUS:
      if (h.pos == Handle::Pos::None) return RM_INVALID_POSITIONING;
      if (keyNumber != h.keyNumber) return RM_DIFFERENT_KEY_NUMBER;
      if (h.ckNull) {
        // A record left out of this key sorts before all of it.
        if (op == RM_GET_PREVIOUS) return RM_END_OF_FILE;
        which = kFirst;
      } else {
        which = op == RM_GET_NEXT ? kNext : kPrevious;
        soughtPtr = &h.ck;
      }
      break;
    default:
      return RM_INVALID_OPERATION;
  }
  if (op == RM_GET_EQUAL || (op >= RM_GET_GREATER && op <= RM_GET_LESS_OR_EQUAL)) {
    if (!b.key || (b.keyLength != 0 && b.keyLength < key.length)) return RM_KEY_BUFFER_TOO_SHORT;
    sought = CollatingForm(f.spec, key, b.key);
    soughtPtr = &sought;
  }
  const bool relative = op == RM_GET_NEXT || op == RM_GET_PREVIOUS;
  const int16_t notFound = op == RM_GET_EQUAL ? RM_KEY_NOT_FOUND : RM_END_OF_FILE;
  int rc;
  sqlite3_stmt* s = f.Key(keyNumber, which, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);

  if (!lockBias) {
    Use u(s);
    if (soughtPtr) BindKey(s, 1, soughtPtr);
    if (which == kNext || which == kPrevious) sqlite3_bind_int64(s, 2, h.id);
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) return Deliver(h, keyNumber, s, b);
    if (rc != SQLITE_DONE) return StatusOf(rc);
    if (!relative) h.pos = Handle::Pos::None;
    return notFound;
  }

  // A locked read: find the record, lock it, then read it again under the
  // lock (it may have changed or gone while we waited).
  sqlite3_stmt* byId = f.Key(keyNumber, kById, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);
  const int64_t previousLock = h.lockedId;
  for (int attempt = 0; attempt < kLockedReadRetries; ++attempt) {
    int64_t id = 0;
    {
      Use u(s);
      if (soughtPtr) BindKey(s, 1, soughtPtr);
      if (which == kNext || which == kPrevious) sqlite3_bind_int64(s, 2, h.id);
      rc = sqlite3_step(s);
      if (rc == SQLITE_DONE) {
        h.ReleaseLock();
        if (!relative) h.pos = Handle::Pos::None;
        return notFound;
      }
      if (rc != SQLITE_ROW) return StatusOf(rc);
      id = sqlite3_column_int64(s, 0);
    }
    const int16_t locked = LockRecord(h, id, lockBias);
    if (locked != RM_OK) {
      h.ReleaseLock();
      return locked;
    }
    Use u(byId);
    sqlite3_bind_int64(byId, 1, id);
    rc = sqlite3_step(byId);
    if (rc == SQLITE_ROW) {
      if (previousLock && previousLock != id) h.locks.Unlock(static_cast<uint64_t>(previousLock));
      h.lockedId = id;
      return Deliver(h, keyNumber, byId, b);
    }
    if (id != previousLock) h.locks.Unlock(static_cast<uint64_t>(id));
    if (rc != SQLITE_DONE) return StatusOf(rc);
  }
  return RM_RECORD_LOCKED;
}

int16_t DoGetDirect(Handle& h, int lockBias, const Buffers& b, int8_t keyNumber) {
  SharedFile& f = *h.file;
  if (!b.data || b.dataCap < 4) {
    b.SetReturned(0);
    return RM_DATA_BUFFER_TOO_SHORT;
  }
  const int64_t id = static_cast<int32_t>(Get32(b.data));
  if (keyNumber < 0 || static_cast<size_t>(keyNumber) >= f.spec.keys.size()) return RM_INVALID_KEY_NUMBER;
  if (id <= 0) return RM_INVALID_RECORD_ADDRESS;
  int rc;
  sqlite3_stmt* s = f.Key(keyNumber, kById, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);
  const int64_t previousLock = h.lockedId;
  if (lockBias) {
    const int16_t locked = LockRecord(h, id, lockBias);
    if (locked != RM_OK) {
      h.ReleaseLock();
      return locked;
    }
  }
  Use u(s);
  sqlite3_bind_int64(s, 1, id);
  rc = sqlite3_step(s);
  if (rc != SQLITE_ROW) {
    if (lockBias) {
      if (id != previousLock) h.locks.Unlock(static_cast<uint64_t>(id));
      h.ReleaseLock();
    }
    return rc == SQLITE_DONE ? int16_t{RM_INVALID_RECORD_ADDRESS} : StatusOf(rc);
  }
  if (lockBias) {
    if (previousLock && previousLock != id) h.locks.Unlock(static_cast<uint64_t>(previousLock));
    h.lockedId = id;
  }
  return Deliver(h, keyNumber, s, b);
}

int16_t DoGetPosition(Handle& h, const Buffers& b) {
  if (h.pos != Handle::Pos::Current) return RM_INVALID_POSITIONING;
  uint8_t out[4];
  Put32(out, static_cast<uint32_t>(h.id));
  return b.PutData(out, 4);
}

int16_t ReadCounts(SharedFile& f, int64_t& records, std::vector<uint32_t>& distinct) {
  Meta m;
  int16_t status = ReadMeta(f, m);
  if (status != RM_OK) return status;
  records = m.records;
  distinct.assign(f.spec.keys.size(), 0);
  int rc;
  sqlite3_stmt* s = f.File(kReadCounts, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);
  Use u(s);
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const int64_t k = sqlite3_column_int64(s, 0);
    if (k >= 0 && static_cast<size_t>(k) < distinct.size())
      distinct[k] = static_cast<uint32_t>(sqlite3_column_int64(s, 1));
  }
  return rc == SQLITE_DONE ? int16_t{RM_OK} : StatusOf(rc);
}

int16_t DoStat(Handle& h, const Buffers& b) {
  SharedFile& f = *h.file;
  int64_t records = 0;
  std::vector<uint32_t> distinct;
  // One snapshot for the count and the distinct values.
  const bool own = sqlite3_get_autocommit(f.db) != 0;
  if (own) sqlite3_exec(f.db, "BEGIN", nullptr, nullptr, nullptr);
  const int16_t status = ReadCounts(f, records, distinct);
  if (own) sqlite3_exec(f.db, "COMMIT", nullptr, nullptr, nullptr);
  if (status != RM_OK) return status;
  const std::string out = SerializeFileSpec(f.spec, static_cast<uint32_t>(records), distinct);
  return b.PutData(out.data(), out.size());
}

// ---------------------------------------------------------------------------
// Writing

int16_t BumpCounts(SharedFile& f, const std::vector<int>& delta) {
  int rc;
  sqlite3_stmt* s = f.File(kBumpCount, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);
  for (size_t k = 0; k < delta.size(); ++k) {
    if (delta[k] == 0) continue;
    Use u(s);
    sqlite3_bind_int64(s, 1, static_cast<int64_t>(k));
    sqlite3_bind_int64(s, 2, delta[k]);
    if ((rc = sqlite3_step(s)) != SQLITE_DONE) return StatusOf(rc);
  }
  return RM_OK;
}

int16_t Exists(SharedFile& f, size_t key, const std::string& ck, int64_t exceptId, bool& found) {
  int rc;
  sqlite3_stmt* s = f.Key(key, exceptId ? kExistsOther : kExists, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);
  Use u(s);
  BindKey(s, 1, &ck);
  if (exceptId) sqlite3_bind_int64(s, 2, exceptId);
  rc = sqlite3_step(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return StatusOf(rc);
  found = rc == SQLITE_ROW;
  return RM_OK;
}

void BindForms(sqlite3_stmt* s, const KeyFormCache& forms) {
  for (size_t k = 0; k < forms.forms.size(); ++k)
    BindKey(s, static_cast<int>(k + 3), forms.nulls[k] ? nullptr : &forms.forms[k]);
}

void SetCurrent(Handle& h, int key, int64_t id, const uint8_t* record, const KeyFormCache& forms) {
  h.pos = Handle::Pos::Current;
  h.keyNumber = key;
  h.id = id;
  h.record.assign(reinterpret_cast<const char*>(record), h.file->spec.recordLength);
  h.ckNull = forms.nulls[key];
  h.ck = forms.forms[key];
}

int16_t DoInsert(Engine& e, Handle& h, const Buffers& b, int8_t keyNumber) {
  SharedFile& f = *h.file;
  if (h.readOnly) return RM_ACCESS_DENIED;
  if (keyNumber != -1 && (keyNumber < 0 || static_cast<size_t>(keyNumber) >= f.spec.keys.size()))
    return RM_INVALID_KEY_NUMBER;
  if (!b.data || b.dataCap < f.spec.recordLength) return RM_DATA_BUFFER_TOO_SHORT;
  const KeyFormCache forms = FormsOf(f.spec, b.data);
  WriteScope scope(e, f);
  int16_t status = scope.Begin();
  if (status != RM_OK) return status;
  std::vector<int> delta(f.spec.keys.size(), 0);
  for (size_t k = 0; k < f.spec.keys.size(); ++k) {
    if (forms.nulls[k]) continue;
    bool found = false;
    if (f.spec.keys[k].duplicates && (status = Exists(f, k, forms.forms[k], 0, found)) != RM_OK)
      return status;
    if (!found) delta[k] = 1;
  }
  int rc;
  int64_t id = 0;
  {
    sqlite3_stmt* s = f.File(kBumpMeta, rc);
    if (rc != SQLITE_OK) return StatusOf(rc);
    Use u(s);
    sqlite3_bind_int64(s, 1, 1);
    sqlite3_bind_int64(s, 2, 1);
    if ((rc = sqlite3_step(s)) != SQLITE_ROW)
      return rc == SQLITE_DONE ? int16_t{RM_NOT_A_DATA_FILE} : StatusOf(rc);
    id = sqlite3_column_int64(s, 0) - 1;
  }
  if (id <= 0 || id > kMaxPosition) return RM_DISK_FULL;
  {
    sqlite3_stmt* s = f.File(kInsert, rc);
    if (rc != SQLITE_OK) return StatusOf(rc);
    Use u(s);
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_blob(s, 2, b.data, f.spec.recordLength, SQLITE_STATIC);
    BindForms(s, forms);
    if ((rc = sqlite3_step(s)) != SQLITE_DONE) return StatusOf(rc);
  }
  if ((status = BumpCounts(f, delta)) != RM_OK) return status;
  if ((status = scope.Commit()) != RM_OK) return status;
  if (keyNumber >= 0) {
    SetCurrent(h, keyNumber, id, b.data, forms);
    b.PutKey(KeyValue(f.spec.keys[keyNumber], b.data));
  }
  return RM_OK;
}

// The record as stored now, compared with what this handle read.
int16_t CheckUnchanged(Handle& h, std::string& stored) {
  int rc;
  sqlite3_stmt* s = h.file->File(kDataById, rc);
  if (rc != SQLITE_OK) return StatusOf(rc);
  Use u(s);
  sqlite3_bind_int64(s, 1, h.id);
  rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return RM_RECORD_CHANGED;
  if (rc != SQLITE_ROW) return StatusOf(rc);
  const void* p = sqlite3_column_blob(s, 0);
  stored.assign(static_cast<const char*>(p ? p : ""), sqlite3_column_bytes(s, 0));
  return stored == h.record ? RM_OK : RM_RECORD_CHANGED;
}

// Holds the record's lock for the length of an update or a delete: another
// process's lock on it answers 84. The lock ends with the operation.
class WriteLock {
 public:
  WriteLock(Handle& h) : h_(h) {}
  int16_t Take() {
    if (h_.lockedId == h_.id) return RM_OK;
    const LockFile::Result r = h_.locks.Lock(static_cast<uint64_t>(h_.id), true, false);
    if (r == LockFile::Result::Busy) return RM_RECORD_LOCKED;
    return RM_OK;  // without a writable lock file no other process can lock either
  }
  ~WriteLock() {
    h_.locks.Unlock(static_cast<uint64_t>(h_.id));
    if (h_.lockedId == h_.id) h_.lockedId = 0;
  }

 private:
  Handle& h_;
};

int16_t DoUpdate(Engine& e, Handle& h, const Buffers& b) {
  SharedFile& f = *h.file;
  if (h.readOnly) return RM_ACCESS_DENIED;
  if (h.pos != Handle::Pos::Current) return RM_INVALID_POSITIONING;
  if (!b.data || b.dataCap < f.spec.recordLength) return RM_DATA_BUFFER_TOO_SHORT;
  WriteLock lock(h);
  int16_t status = lock.Take();
  if (status != RM_OK) return status;
  WriteScope scope(e, f);
  if ((status = scope.Begin()) != RM_OK) return status;
  std::string stored;
  if ((status = CheckUnchanged(h, stored)) != RM_OK) return status;
  const uint8_t* old = reinterpret_cast<const uint8_t*>(stored.data());
  const KeyFormCache oldForms = FormsOf(f.spec, old);
  const KeyFormCache forms = FormsOf(f.spec, b.data);
  std::vector<int> delta(f.spec.keys.size(), 0);
  for (size_t k = 0; k < f.spec.keys.size(); ++k) {
    const Key& key = f.spec.keys[k];
    if (!key.modifiable && KeyValue(key, old) != KeyValue(key, b.data)) return RM_KEY_NOT_MODIFIABLE;
    if (oldForms.nulls[k] == forms.nulls[k] && oldForms.forms[k] == forms.forms[k]) continue;
    bool found = false;
    if (!oldForms.nulls[k]) {
      if (key.duplicates && (status = Exists(f, k, oldForms.forms[k], h.id, found)) != RM_OK) return status;
      if (!found) delta[k]--;
    }
    found = false;
    if (!forms.nulls[k]) {
      if (key.duplicates && (status = Exists(f, k, forms.forms[k], 0, found)) != RM_OK) return status;
      if (!found) delta[k]++;
    }
  }
  int rc;
  {
    sqlite3_stmt* s = f.File(kUpdate, rc);
    if (rc != SQLITE_OK) return StatusOf(rc);
    Use u(s);
    sqlite3_bind_int64(s, 1, h.id);
    sqlite3_bind_blob(s, 2, b.data, f.spec.recordLength, SQLITE_STATIC);
    BindForms(s, forms);
    if ((rc = sqlite3_step(s)) != SQLITE_DONE) return StatusOf(rc);
  }
  if ((status = BumpCounts(f, delta)) != RM_OK) return status;
  if ((status = scope.Commit()) != RM_OK) return status;
  SetCurrent(h, h.keyNumber, h.id, b.data, forms);
  b.PutKey(KeyValue(f.spec.keys[h.keyNumber], b.data));
  return RM_OK;
}

int16_t DoDelete(Engine& e, Handle& h) {
  SharedFile& f = *h.file;
  if (h.readOnly) return RM_ACCESS_DENIED;
  if (h.pos != Handle::Pos::Current) return RM_INVALID_POSITIONING;
  WriteLock lock(h);
  int16_t status = lock.Take();
  if (status != RM_OK) return status;
  WriteScope scope(e, f);
  if ((status = scope.Begin()) != RM_OK) return status;
  std::string stored;
  if ((status = CheckUnchanged(h, stored)) != RM_OK) return status;
  const KeyFormCache forms = FormsOf(f.spec, reinterpret_cast<const uint8_t*>(stored.data()));
  std::vector<int> delta(f.spec.keys.size(), 0);
  for (size_t k = 0; k < f.spec.keys.size(); ++k) {
    if (forms.nulls[k]) continue;
    bool found = false;
    if (f.spec.keys[k].duplicates && (status = Exists(f, k, forms.forms[k], h.id, found)) != RM_OK)
      return status;
    if (!found) delta[k] = -1;
  }
  int rc;
  {
    sqlite3_stmt* s = f.File(kDelete, rc);
    if (rc != SQLITE_OK) return StatusOf(rc);
    Use u(s);
    sqlite3_bind_int64(s, 1, h.id);
    if ((rc = sqlite3_step(s)) != SQLITE_DONE) return StatusOf(rc);
  }
  {
    sqlite3_stmt* s = f.File(kBumpMeta, rc);
    if (rc != SQLITE_OK) return StatusOf(rc);
    Use u(s);
    sqlite3_bind_int64(s, 1, -1);
    sqlite3_bind_int64(s, 2, 0);
    if ((rc = sqlite3_step(s)) != SQLITE_ROW)
      return rc == SQLITE_DONE ? int16_t{RM_NOT_A_DATA_FILE} : StatusOf(rc);
  }
  if ((status = BumpCounts(f, delta)) != RM_OK) return status;
  if ((status = scope.Commit()) != RM_OK) return status;
  h.pos = Handle::Pos::Ghost;
  return RM_OK;
}

int16_t DoSetOwner(Engine& e, Handle& h, const Buffers& b, int8_t keyNumber, bool clear) {
  SharedFile& f = *h.file;
  if (h.readOnly) return RM_ACCESS_DENIED;
  std::string name;
  if (!clear) {
    name = OwnerFromBuffer(b);
    if (name.empty() || name.size() > 8) return RM_INVALID_OWNER;
    if (keyNumber != 0 && keyNumber != 1) return RM_INVALID_OWNER;
  }
  WriteScope scope(e, f);
  int16_t status = scope.Begin();
  if (status != RM_OK) return status;
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(f.db, "UPDATE meta SET owner = ?1, owner_mode = ?2 WHERE singleton = 1", -1, &s,
                              nullptr);
  if (rc != SQLITE_OK) return StatusOf(rc);
  if (clear)
    sqlite3_bind_null(s, 1);
  else
    sqlite3_bind_blob(s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int(s, 2, clear ? 0 : keyNumber);
  rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) return StatusOf(rc);
  return scope.Commit();
}

// ---------------------------------------------------------------------------
// Transactions

int16_t EndTransaction(Engine& e, bool commit) {
  if (!e.transaction) return RM_TRANSACTION_ERROR;
  int16_t status = RM_OK;
  for (auto& f : e.files) {
    if (!f->inTransaction) continue;
    int rc = f->Exec(commit ? kCommit : kRollback);
    if (rc != SQLITE_OK) {
      if (status == RM_OK) status = StatusOf(rc);
      f->Exec(kRollback);
    }
    f->inTransaction = false;
  }
  e.transaction = false;
  return status;
}

int16_t DoReset(Engine& e) {
  if (e.transaction) EndTransaction(e, false);
  for (auto& h : e.handles)
    if (h) {
      h->ReleaseLock();
      h->locks.Close();
    }
  e.handles.clear();
  e.files.clear();
  return RM_OK;
}

bool TakesLockBias(int op) {
  return (op >= RM_GET_EQUAL && op <= RM_GET_LAST) || op == RM_BEGIN_TRANSACTION || op == RM_GET_POSITION ||
         op == RM_GET_DIRECT;
}

}  // namespace

int BusyTimeoutMs() {
  if (const char* v = std::getenv("RECMGR_BUSY_TIMEOUT_MS")) {
    char* end = nullptr;
    const long ms = std::strtol(v, &end, 10);
    if (end != v && *end == '\0' && ms >= 0 && ms <= 600000) return static_cast<int>(ms);
  }
  return 2000;
}

int16_t Dispatch(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
                 void* keyBuffer, uint8_t keyLength, int8_t keyNumber) {
  int op = operation;
  int lockBias = 0;
  if (op >= RM_LOCK_NOWAIT && TakesLockBias(op - RM_LOCK_NOWAIT)) {
    lockBias = RM_LOCK_NOWAIT;
    op -= RM_LOCK_NOWAIT;
  } else if (op >= RM_LOCK_WAIT && TakesLockBias(op - RM_LOCK_WAIT)) {
    lockBias = RM_LOCK_WAIT;
    op -= RM_LOCK_WAIT;
  }
  Buffers b;
  b.data = static_cast<uint8_t*>(dataBuffer);
  b.dataLength = dataLength;
  b.dataCap = (dataBuffer && dataLength) ? *dataLength : 0;
  b.key = static_cast<uint8_t*>(keyBuffer);
  b.keyLength = keyLength;

  std::lock_guard<std::mutex> guard(EngineMutex());
  Engine& e = TheEngine();
  switch (op) {
    case RM_OPEN:
      return DoOpen(e, positionBlock, b, keyNumber);
    case RM_CREATE:
      return DoCreate(b, keyNumber);
    case RM_RESET:
      return DoReset(e);
    case RM_BEGIN_TRANSACTION:
      if (e.transaction) return RM_TRANSACTION_ERROR;
      e.transaction = true;
      return RM_OK;
    case RM_END_TRANSACTION:
      return EndTransaction(e, true);
    case RM_ABORT_TRANSACTION:
      return EndTransaction(e, false);
    default:
      break;
  }
  const bool known = op == RM_CLOSE || op == RM_INSERT || op == RM_UPDATE || op == RM_DELETE ||
                     (op >= RM_GET_EQUAL && op <= RM_GET_LAST) || op == RM_STAT || op == RM_GET_POSITION ||
                     op == RM_GET_DIRECT || op == RM_UNLOCK || op == RM_SET_OWNER || op == RM_CLEAR_OWNER;
  if (!known) return RM_INVALID_OPERATION;
  Handle* h = FindHandle(e, positionBlock);
  if (!h) return RM_FILE_NOT_OPEN;
  switch (op) {
    case RM_CLOSE:
      if (h->file->inTransaction && h->file->refs == 1) return RM_TRANSACTION_ERROR;
      CloseHandle(e, h);
      std::memset(positionBlock, 0, sizeof kBlockMagic);
      return RM_OK;
    case RM_INSERT:
      return DoInsert(e, *h, b, keyNumber);
    case RM_UPDATE:
      return DoUpdate(e, *h, b);
    case RM_DELETE:
      return DoDelete(e, *h);
    case RM_STAT:
      return DoStat(*h, b);
    case RM_GET_POSITION:
      return DoGetPosition(*h, b);
    case RM_GET_DIRECT:
      return DoGetDirect(*h, lockBias, b, keyNumber);
    case RM_UNLOCK:
      h->ReleaseLock();
      return RM_OK;
    case RM_SET_OWNER:
      return DoSetOwner(e, *h, b, keyNumber, false);
    case RM_CLEAR_OWNER:
      return DoSetOwner(e, *h, b, keyNumber, true);
    default:
      return DoRead(*h, op, lockBias, b, keyNumber);
  }
}

// ---------------------------------------------------------------------------
// Bulk load and check, for rmutil

LoadOutcome BulkLoad(void* positionBlock, RecordSource& source) {
  LoadOutcome out;
  std::lock_guard<std::mutex> guard(EngineMutex());
  Engine& e = TheEngine();
  Handle* h = FindHandle(e, positionBlock);
  if (!h) {
    out.status = RM_FILE_NOT_OPEN;
    return out;
  }
  SharedFile& f = *h->file;
  if (h->readOnly) {
    out.status = RM_ACCESS_DENIED;
    return out;
  }
  if (e.transaction || f.inTransaction) {
    out.status = RM_TRANSACTION_ERROR;
    return out;
  }
  WriteScope scope(e, f);
  if ((out.status = scope.Begin()) != RM_OK) return out;
  Meta m;
  if ((out.status = ReadMeta(f, m)) != RM_OK) return out;
  int rc;
  sqlite3_stmt* ins = f.File(kInsert, rc);
  if (rc != SQLITE_OK) {
    out.status = StatusOf(rc);
    return out;
  }
  int64_t id = m.nextId;
  std::string record, fault;
  const size_t keys = f.spec.keys.size();
  KeyFormCache forms;
  forms.forms.resize(keys);
  forms.nulls.resize(keys);
  // Into an empty file, a key whose values arrive in order (as an unload in
  // that key's order does) is counted on the way; any other is counted by a
  // scan at the end.
  std::vector<std::string> previous(keys);
  std::vector<bool> havePrevious(keys, false), ordered(keys, m.records == 0);
  std::vector<int64_t> distinct(keys, 0);
  std::string value;
  while (source.Next(record, fault)) {
    ++out.records;
    if (record.size() != f.spec.recordLength) {
      out.fault = "record " + std::to_string(out.records) + ": " + std::to_string(record.size()) +
                  " bytes, the file's records are " + std::to_string(f.spec.recordLength);
      return out;
    }
    if (id > kMaxPosition) {
      out.status = RM_DISK_FULL;
      return out;
    }
    const uint8_t* r = reinterpret_cast<const uint8_t*>(record.data());
    for (size_t k = 0; k < keys; ++k) {
      const Key& key = f.spec.keys[k];
      value.clear();
      for (const Segment& seg : key.segments)
        value.append(reinterpret_cast<const char*>(r + seg.position - 1), seg.length);
      const uint8_t* v = reinterpret_cast<const uint8_t*>(value.data());
      forms.nulls[k] = key.nullable && IsNullValue(key, v);
      if (forms.nulls[k]) continue;
      forms.forms[k] = CollatingForm(f.spec, key, v);
      if (!ordered[k]) continue;
      if (!havePrevious[k]) {
        distinct[k] = 1;
        havePrevious[k] = true;
      } else if (const int c = forms.forms[k].compare(previous[k]); c > 0) {
        ++distinct[k];
      } else if (c < 0) {
        ordered[k] = false;
      }
      previous[k] = forms.forms[k];
    }
    Use u(ins);
    sqlite3_bind_int64(ins, 1, id);
    sqlite3_bind_blob(ins, 2, r, f.spec.recordLength, SQLITE_STATIC);
    BindForms(ins, forms);
    rc = sqlite3_step(ins);
    if (rc != SQLITE_DONE) {
      out.status = StatusOf(rc);
      out.fault = "record " + std::to_string(out.records) + ": " +
                  (out.status == RM_DUPLICATE_KEY ? "duplicate key value" : sqlite3_errmsg(f.db));
      return out;
    }
    ++id;
  }
  if (!fault.empty()) {
    ++out.records;
    out.fault = "record " + std::to_string(out.records) + ": " + fault;
    return out;
  }
  std::string sql = "UPDATE meta SET records = records + " + std::to_string(out.records) +
                    ", next_id = " + std::to_string(id) + " WHERE singleton = 1;";
  for (size_t k = 0; k < keys; ++k) {
    const std::string n = std::to_string(k);
    sql += "UPDATE counts SET distinct_values = " +
           (ordered[k] ? std::to_string(distinct[k]) : "(SELECT count(DISTINCT k" + n + ") FROM records)") +
           " WHERE key = " + n + ";";
  }
  if ((rc = sqlite3_exec(f.db, sql.c_str(), nullptr, nullptr, nullptr)) != SQLITE_OK) {
    out.status = StatusOf(rc);
    out.fault = sqlite3_errmsg(f.db);
    return out;
  }
  out.status = scope.Commit();
  return out;
}

int16_t OwnerState(void* positionBlock, bool& hasOwner, int& mode) {
  std::lock_guard<std::mutex> guard(EngineMutex());
  Engine& e = TheEngine();
  Handle* h = FindHandle(e, positionBlock);
  if (!h) return RM_FILE_NOT_OPEN;
  Meta m;
  const int16_t status = ReadMeta(*h->file, m);
  hasOwner = m.hasOwner;
  mode = m.ownerMode;
  return status;
}

int16_t CheckFile(void* positionBlock, std::vector<std::string>& faults) {
  std::lock_guard<std::mutex> guard(EngineMutex());
  Engine& e = TheEngine();
  Handle* h = FindHandle(e, positionBlock);
  if (!h) return RM_FILE_NOT_OPEN;
  SharedFile& f = *h->file;
  const bool own = sqlite3_get_autocommit(f.db) != 0;
  if (own) sqlite3_exec(f.db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  auto finish = [&](int16_t status) {
    sqlite3_finalize(s);
    if (own) sqlite3_exec(f.db, "COMMIT", nullptr, nullptr, nullptr);
    return status;
  };
  int rc = sqlite3_prepare_v2(f.db, "PRAGMA integrity_check(100)", -1, &s, nullptr);
  if (rc != SQLITE_OK) return finish(StatusOf(rc));
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const char* line = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    if (line && std::strcmp(line, "ok") != 0) faults.push_back(std::string("storage: ") + line);
  }
  sqlite3_finalize(s);
  s = nullptr;
  if (rc != SQLITE_DONE) {
    faults.push_back(std::string("storage: ") + sqlite3_errmsg(f.db));
    return finish(RM_OK);
  }
  Meta m;
  int16_t status = ReadMeta(f, m);
  if (status != RM_OK) return finish(status);
  // Every record: its length, and each key column against the record.
  std::string sql = "SELECT id, data";
  for (size_t k = 0; k < f.spec.keys.size(); ++k) sql += ", k" + std::to_string(k);
  sql += " FROM records ORDER BY id";
  if ((rc = sqlite3_prepare_v2(f.db, sql.c_str(), -1, &s, nullptr)) != SQLITE_OK) return finish(StatusOf(rc));
  int64_t count = 0, maxId = 0;
  size_t reported = 0;
  auto fault = [&](const std::string& text) {
    if (++reported <= 100) faults.push_back(text);
  };
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    ++count;
    const int64_t id = sqlite3_column_int64(s, 0);
    maxId = id;
    const int len = sqlite3_column_bytes(s, 1);
    if (len != f.spec.recordLength) {
      fault("record at position " + std::to_string(id) + ": " + std::to_string(len) + " bytes, expected " +
            std::to_string(f.spec.recordLength));
      continue;
    }
    const KeyFormCache forms = FormsOf(f.spec, static_cast<const uint8_t*>(sqlite3_column_blob(s, 1)));
    for (size_t k = 0; k < f.spec.keys.size(); ++k) {
      const int col = static_cast<int>(k + 2);
      const bool isNull = sqlite3_column_type(s, col) == SQLITE_NULL;
      const std::string stored(
          static_cast<const char*>(sqlite3_column_blob(s, col) ? sqlite3_column_blob(s, col) : ""),
          sqlite3_column_bytes(s, col));
      if (isNull != forms.nulls[k] || (!isNull && stored != forms.forms[k]))
        fault("record at position " + std::to_string(id) + ": key " + std::to_string(k) +
              " does not match the record");
    }
  }
  sqlite3_finalize(s);
  s = nullptr;
  if (rc != SQLITE_DONE) return finish(StatusOf(rc));
  if (count != m.records)
    fault("record count " + std::to_string(m.records) + " in the header, " + std::to_string(count) +
          " records");
  if (maxId >= m.nextId) fault("next position " + std::to_string(m.nextId) + " is already taken");
  for (size_t k = 0; k < f.spec.keys.size(); ++k) {
    const std::string n = std::to_string(k);
    sql = "SELECT count(DISTINCT k" + n + "), (SELECT distinct_values FROM counts WHERE key = " + n +
          ") FROM records";
    if ((rc = sqlite3_prepare_v2(f.db, sql.c_str(), -1, &s, nullptr)) != SQLITE_OK)
      return finish(StatusOf(rc));
    if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int64(s, 0) != sqlite3_column_int64(s, 1))
      fault("key " + n + ": " + std::to_string(sqlite3_column_int64(s, 1)) + " distinct values recorded, " +
            std::to_string(sqlite3_column_int64(s, 0)) + " found");
    sqlite3_finalize(s);
    s = nullptr;
  }
  if (reported > 100) faults.push_back("... " + std::to_string(reported - 100) + " more faults");
  return finish(RM_OK);
}

}  // namespace recmgr
