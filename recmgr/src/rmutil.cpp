// rmutil: the maintenance utility of the record manager's data files.
#include <errno.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "file_spec.h"
#include "recmgr.h"
#include "spec_text.h"
#include "status_text.h"
#include "unload.h"

namespace {

using recmgr::StatusText;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kUsageText =
    "usage: rmutil COMMAND ARGUMENTS...\n"
    "\n"
    "  create FILE SPEC.xdf [--replace]     create an empty data file\n"
    "  spec DESCRIPTION OUT.xdf             write a creation specification from a description\n"
    "  spec --describe SPEC.xdf             print the description of a creation specification\n"
    "  load FILE UNLOAD|-                   add the records of an unload file, in one transaction\n"
    "  save FILE [--key N] [--ctrl-z]       write the records in unload format to standard output\n"
    "  stat FILE                            describe a data file\n"
    "  owner FILE NAME [--read-only-without] | owner FILE --clear\n"
    "                                       set or clear the owner name\n"
    "  lock FILE [--key N] (--first | --equal VALUE | --position P) [--seconds S] [--wait]\n"
    "                                       hold a record lock for a time\n"
    "  check FILE                           check a data file for damage\n"
    "\n"
    "Commands that open a file take --owner NAME when the file has an owner name.\n"
    "rmutil COMMAND --help tells more about each command.\n";

struct CommandHelp {
  const char* name;
  const char* text;
};

const CommandHelp kHelp[] = {
    {"create",
     "usage: rmutil create FILE SPEC.xdf [--replace]\n"
     "Creates FILE, empty, from the creation specification SPEC.xdf (a 2-byte length N, then N bytes).\n"
     "An existing FILE is an error unless --replace is given; --replace replaces only a data file\n"
     "that nobody has open.\n"},
    {"spec",
     "usage: rmutil spec DESCRIPTION OUT.xdf\n"
     "       rmutil spec --describe SPEC.xdf\n"
     "Writes the creation specification described in the text file DESCRIPTION to OUT.xdf, or prints\n"
     "the description of SPEC.xdf. A description has one statement a line ('#' starts a comment):\n"
     "  record N                       record length (required)\n"
     "  page N                         page size, a multiple of 512 (default 1024)\n"
     "  flags N                        file flags, kept and reported (default 0)\n"
     "  key [duplicates] [modifiable] [null]   starts the next key (key 0 first)\n"
     "  segment POSITION LENGTH [binary] [alternate] [descending]\n"
     "                                 a segment of the key above; positions count from 1\n"
     "  collating NAME [upper]         the alternate collating sequence: identity, or a-z as A-Z\n"
     "  weight BYTE WEIGHT             one byte's weight in that sequence (0 to 255, 0x.. allowed)\n"},
    {"load",
     "usage: rmutil load FILE UNLOAD|- [--owner NAME]\n"
     "Adds every record of the unload file (- for standard input) to FILE, in one transaction: on any\n"
     "error nothing is added. Each record must be as long as the file's records.\n"},
    {"save",
     "usage: rmutil save FILE [--key N] [--ctrl-z] [--owner NAME]\n"
     "Writes the records of FILE to standard output in unload format, in the order of key N (0 by\n"
     "default); --ctrl-z ends the output with Ctrl-Z. A key with null values leaves out the records\n"
     "whose value is null (a note on standard error says how many).\n"},
    {"stat", "usage: rmutil stat FILE [--owner NAME]\nDescribes FILE: its layout, keys and counts.\n"},
    {"owner",
     "usage: rmutil owner FILE NAME [--read-only-without] [--owner OLD]\n"
     "       rmutil owner FILE --clear [--owner OLD]\n"
     "Sets the owner name (1 to 8 bytes) of FILE, or clears it. With an owner name set, every open must\n"
     "give it; with --read-only-without, an open without it reads but cannot write. --owner gives the\n"
     "name the file has now.\n"},
    {"lock",
     "usage: rmutil lock FILE [--key N] (--first | --equal VALUE | --position P) [--seconds S] [--wait]\n"
     "                   [--owner NAME]\n"
     "Reads one record with a single-record lock and holds the lock for S seconds (default 30), then\n"
     "exits. Prints \"locked POSITION\" once the lock is held. --wait waits for another process's lock\n"
     "instead of failing. VALUE is the key value as text; \\xHH stands for a byte, \\\\ for a backslash;\n"
     "it is filled with NUL bytes to the key's length.\n"},
    {"check",
     "usage: rmutil check FILE [--owner NAME]\n"
     "Checks FILE: the storage itself, each record's length, each key against its record, and the\n"
     "counts. Prints each fault found; exits 0 only when there is none.\n"},
};

int Fail(const std::string& file, const std::string& fault) {
  std::fprintf(stderr, "rmutil: %s: %s\n", file.c_str(), fault.c_str());
  return kFailed;
}

int FailStatus(const std::string& file, int16_t status, const std::string& what = {}) {
  return Fail(file, (what.empty() ? "" : what + ": ") + StatusText(status) + " (status " +
                        std::to_string(status) + ")");
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "rmutil: %s\n(rmutil --help for usage)\n", message.c_str());
  return kUsage;
}

// Arguments split into positional ones and --options (with their values).
struct Args {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;
  bool Has(const std::string& name) const {
    for (const auto& o : options)
      if (o.first == name) return true;
    return false;
  }
  std::string Get(const std::string& name, const std::string& fallback = {}) const {
    for (const auto& o : options)
      if (o.first == name) return o.second;
    return fallback;
  }
};

bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valued,
               const std::vector<std::string>& flags, Args& args, std::string& error) {
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      bool known = false;
      for (const std::string& v : valued)
        if (a == v) {
          if (i + 1 >= argc) {
            error = a + " needs a value";
            return false;
          }
          args.options.emplace_back(a, argv[++i]);
          known = true;
        }
      for (const std::string& f : flags)
        if (a == f) {
          args.options.emplace_back(a, "");
          known = true;
        }
      if (!known) {
        error = "unknown option " + a;
        return false;
      }
    } else {
      args.positional.push_back(a);
    }
  }
  return true;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return !in.bad();
}

// A whole decimal number, or false.
bool ToLong(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return *end == '\0';
}

std::string Errno() { return std::strerror(errno); }

// An open data file, closed at the end of the command.
class OpenFile {
 public:
  ~OpenFile() {
    if (open_) {
      uint32_t n = 0;
      RecordManagerCall(RM_CLOSE, block_, nullptr, &n, nullptr, 0, 0);
    }
  }
  int16_t Open(const std::string& path, const std::string& owner, int8_t mode) {
    char name[16] = {};
    std::memcpy(name, owner.data(), owner.size() < 9 ? owner.size() : 9);
    uint32_t n = static_cast<uint32_t>(owner.size() + 1);
    std::string key = path;
    if (key.size() > 255) return RM_FILE_NOT_FOUND;
    const int16_t s =
        RecordManagerCall(RM_OPEN, block_, name, &n, key.data(), static_cast<uint8_t>(key.size()), mode);
    open_ = s == RM_OK;
    return s;
  }
  int16_t Stat(recmgr::FileSpec& spec, uint32_t& records, std::vector<uint32_t>& distinct) {
    std::string data(8192, '\0');
    std::string key(255, ' ');
    uint32_t n = static_cast<uint32_t>(data.size());
    int16_t s = RecordManagerCall(RM_STAT, block_, data.data(), &n, key.data(), 255, 0);
    if (s != RM_OK) return s;
    size_t used = 0;
    s = recmgr::ParseFileSpec(reinterpret_cast<const uint8_t*>(data.data()), n, spec, used);
    if (s != RM_OK) return s;
    auto le32 = [&](size_t at) {
      uint32_t v = 0;
      for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data[at + i]);
      return v;
    };
    records = le32(6);
    distinct.clear();
    size_t at = recmgr::kFileSpecSize;
    for (const recmgr::Key& k : spec.keys) {
      distinct.push_back(le32(at + 6));
      at += k.segments.size() * recmgr::kSegmentSpecSize;
    }
    return RM_OK;
  }
  void* block() { return block_; }

 private:
  uint8_t block_[RM_POSITION_BLOCK_SIZE] = {};
  bool open_ = false;
};

int CmdCreate(const Args& a) {
  if (a.positional.size() != 2) return Usage("create takes FILE and SPEC.xdf");
  const std::string& file = a.positional[0];
  const std::string& xdf = a.positional[1];
  std::string bytes;
  if (!ReadFile(xdf, bytes)) return Fail(xdf, "cannot read: " + Errno());
  if (bytes.size() < 2) return Fail(xdf, "too short for a creation specification");
  const int16_t n =
      static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) | (static_cast<uint8_t>(bytes[1]) << 8));
  if (n <= 0 || n > 1536) return Fail(xdf, "specification length " + std::to_string(n) + " is not 1 to 1536");
  if (bytes.size() < static_cast<size_t>(n) + 2)
    return Fail(xdf,
                "holds " + std::to_string(bytes.size() - 2) + " bytes, its length says " + std::to_string(n));
  std::string buffer = bytes.substr(2, n);
  buffer.resize(1536, ' ');
  uint32_t length = static_cast<uint32_t>(n);
  std::string key = file;
  uint8_t block[RM_POSITION_BLOCK_SIZE] = {};
  if (key.size() > 255) return Fail(file, "path longer than 255 bytes");
  const int16_t s = RecordManagerCall(RM_CREATE, block, buffer.data(), &length, key.data(),
                                      static_cast<uint8_t>(key.size()), a.Has("--replace") ? 0 : -1);
  if (s != RM_OK) return FailStatus(file, s, s >= RM_BAD_PAGE_SIZE && s <= RM_BAD_KEY_LENGTH ? xdf : "");
  return 0;
}

int CmdSpec(const Args& a) {
  if (a.Has("--describe")) {
    if (a.positional.size() != 1) return Usage("spec --describe takes SPEC.xdf");
    const std::string& xdf = a.positional[0];
    std::string bytes;
    if (!ReadFile(xdf, bytes)) return Fail(xdf, "cannot read: " + Errno());
    if (bytes.size() < 2) return Fail(xdf, "too short for a creation specification");
    const int16_t n =
        static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) | (static_cast<uint8_t>(bytes[1]) << 8));
    if (n <= 0 || n > 1536 || bytes.size() < static_cast<size_t>(n) + 2)
      return Fail(xdf, "length prefix " + std::to_string(n) + " does not fit the file");
    recmgr::FileSpec spec;
    size_t used = 0;
    const int16_t s =
        recmgr::ParseFileSpec(reinterpret_cast<const uint8_t*>(bytes.data() + 2), n, spec, used);
    if (s != RM_OK) return FailStatus(xdf, s);
    std::fputs(recmgr::DescribeSpec(spec).c_str(), stdout);
    return 0;
  }
  if (a.positional.size() != 2) return Usage("spec takes DESCRIPTION and OUT.xdf");
  const std::string& desc = a.positional[0];
  const std::string& out = a.positional[1];
  std::string text, bytes, error;
  if (!ReadFile(desc, text)) return Fail(desc, "cannot read: " + Errno());
  if (!recmgr::ParseSpecText(text, bytes, error)) return Fail(desc, error);
  std::string file(2, '\0');
  file[0] = static_cast<char>(bytes.size() & 0xFF);
  file[1] = static_cast<char>(bytes.size() >> 8);
  file += bytes;
  std::ofstream o(out, std::ios::binary | std::ios::trunc);
  if (!o || !(o << file) || !o.flush()) return Fail(out, "cannot write: " + Errno());
  return 0;
}

int CmdLoad(const Args& a) {
  if (a.positional.size() != 2) return Usage("load takes FILE and UNLOAD");
  const std::string& file = a.positional[0];
  const std::string& unload = a.positional[1];
  std::FILE* in = unload == "-" ? stdin : std::fopen(unload.c_str(), "rb");
  if (!in) return Fail(unload, "cannot read: " + Errno());
  OpenFile f;
  int16_t s = f.Open(file, a.Get("--owner"), RM_MODE_NORMAL);
  if (s != RM_OK) {
    if (in != stdin) std::fclose(in);
    return FailStatus(file, s);
  }
  recmgr::UnloadReader reader(in);
  const recmgr::LoadOutcome out = recmgr::BulkLoad(f.block(), reader);
  const bool readError = std::ferror(in);
  if (in != stdin) std::fclose(in);
  if (readError) return Fail(unload, "read error; nothing loaded");
  if (!out.fault.empty()) {
    const bool inSource = out.status == RM_OK;
    return Fail(
        inSource ? unload : file,
        out.fault + (out.status ? " (status " + std::to_string(out.status) + ")" : "") + "; nothing loaded");
  }
  if (out.status != RM_OK) return FailStatus(file, out.status, "nothing loaded");
  return 0;
}

int CmdSave(const Args& a) {
  if (a.positional.size() != 1) return Usage("save takes FILE");
  const std::string& file = a.positional[0];
  long key = 0;
  if (a.Has("--key") && (!ToLong(a.Get("--key"), key) || key < 0 || key > 127))
    return Usage("--key takes a key number");
  OpenFile f;
  int16_t s = f.Open(file, a.Get("--owner"), RM_MODE_READ_ONLY);
  if (s != RM_OK) return FailStatus(file, s);
  recmgr::FileSpec spec;
  uint32_t records = 0;
  std::vector<uint32_t> distinct;
  if ((s = f.Stat(spec, records, distinct)) != RM_OK) return FailStatus(file, s);
  if (static_cast<size_t>(key) >= spec.keys.size())
    return Fail(file,
                "no key " + std::to_string(key) + " (the file has " + std::to_string(spec.keys.size()) + ")");
  std::vector<char> data(spec.recordLength);
  char keyBuffer[256];
  std::string out;
  out.reserve(1 << 20);
  uint64_t saved = 0;
  for (uint16_t op = RM_GET_FIRST;; op = RM_GET_NEXT) {
    uint32_t n = spec.recordLength;
    s = RecordManagerCall(op, f.block(), data.data(), &n, keyBuffer, 0, static_cast<int8_t>(key));
    if (s == RM_END_OF_FILE) break;
    if (s != RM_OK) return FailStatus(file, s, "after " + std::to_string(saved) + " records");
    recmgr::AppendUnloadRecord(out, data.data(), n);
    ++saved;
    if (out.size() >= (1 << 20)) {
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
        return Fail("standard output", Errno());
      out.clear();
    }
  }
  if (a.Has("--ctrl-z")) out += '\x1A';
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
    return Fail("standard output", Errno());
  if (saved != records)
    std::fprintf(stderr, "rmutil: %s: key %ld leaves out %llu records with a null value\n", file.c_str(), key,
                 static_cast<unsigned long long>(records > saved ? records - saved : 0));
  return 0;
}

int CmdStat(const Args& a) {
  if (a.positional.size() != 1) return Usage("stat takes FILE");
  const std::string& file = a.positional[0];
  OpenFile f;
  int16_t s = f.Open(file, a.Get("--owner"), RM_MODE_READ_ONLY);
  if (s != RM_OK) return FailStatus(file, s);
  recmgr::FileSpec spec;
  uint32_t records = 0;
  std::vector<uint32_t> distinct;
  if ((s = f.Stat(spec, records, distinct)) != RM_OK) return FailStatus(file, s);
  bool hasOwner = false;
  int ownerMode = 0;
  recmgr::OwnerState(f.block(), hasOwner, ownerMode);
  std::printf("File: %s\n", file.c_str());
  std::printf("Record length: %u\nPage size: %u\nFile flags: 0x%04X\nRecords: %u\n", spec.recordLength,
              spec.pageSize, spec.fileFlags, records);
  std::printf("Owner name: %s\n", !hasOwner        ? "none"
                                  : ownerMode == 1 ? "set (opens without it are read-only)"
                                                   : "set (needed for every open)");
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const recmgr::Key& key = spec.keys[k];
    std::printf("Key %zu: %zu bytes, %s, %s%s, %u distinct values\n", k, key.length,
                key.duplicates ? "duplicates" : "unique", key.modifiable ? "modifiable" : "not modifiable",
                key.nullable ? ", null values left out" : "", distinct[k]);
    for (const recmgr::Segment& seg : key.segments)
      std::printf("  segment: position %u, length %u%s%s%s\n", seg.position, seg.length,
                  seg.flags & recmgr::kSegBinary ? ", unsigned binary" : "",
                  seg.flags & recmgr::kSegAlternate ? ", alternate collating sequence" : "",
                  seg.flags & recmgr::kSegDescending ? ", descending" : "");
  }
  if (spec.hasCollating) {
    std::string name = spec.collatingName;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    std::printf("Collating sequence: %s\n", name.c_str());
  }
  return 0;
}

int CmdOwner(const Args& a) {
  const bool clear = a.Has("--clear");
  if (a.positional.size() != (clear ? 1u : 2u)) return Usage("owner takes FILE and NAME, or FILE --clear");
  const std::string& file = a.positional[0];
  OpenFile f;
  int16_t s = f.Open(file, a.Get("--owner"), RM_MODE_NORMAL);
  if (s != RM_OK) return FailStatus(file, s);
  if (clear) {
    uint32_t n = 0;
    s = RecordManagerCall(RM_CLEAR_OWNER, f.block(), nullptr, &n, nullptr, 0, 0);
  } else {
    const std::string& name = a.positional[1];
    if (name.empty() || name.size() > 8) return Fail(file, "an owner name has 1 to 8 bytes");
    char data[16] = {};
    std::memcpy(data, name.data(), name.size());
    uint32_t n = static_cast<uint32_t>(name.size() + 1);
    s = RecordManagerCall(RM_SET_OWNER, f.block(), data, &n, data, static_cast<uint8_t>(name.size()),
                          a.Has("--read-only-without") ? 1 : 0);
  }
  if (s != RM_OK) return FailStatus(file, s);
  return 0;
}

bool DecodeValue(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < text.size() && text[i + 1] == 'x' &&
               std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
               std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      out += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

int CmdLock(const Args& a) {
  if (a.positional.size() != 1) return Usage("lock takes FILE");
  const std::string& file = a.positional[0];
  const int ways = a.Has("--first") + a.Has("--equal") + a.Has("--position");
  if (ways != 1) return Usage("lock takes one of --first, --equal VALUE, --position P");
  long key = 0;
  if (!ToLong(a.Get("--key", "0"), key) || key < 0 || key > 127) return Usage("--key takes a key number");
  const std::string secondsText = a.Get("--seconds", "30");
  char* end = nullptr;
  const double seconds = std::strtod(secondsText.c_str(), &end);
  if (secondsText.empty() || *end != '\0' || seconds < 0 || seconds > 86400)
    return Usage("--seconds takes a number of seconds");
  OpenFile f;
  int16_t s = f.Open(file, a.Get("--owner"), RM_MODE_NORMAL);
  if (s != RM_OK) return FailStatus(file, s);
  const uint16_t bias = a.Has("--wait") ? RM_LOCK_WAIT : RM_LOCK_NOWAIT;
  std::vector<char> data(8192);
  char keyBuffer[256] = {};
  uint32_t n = static_cast<uint32_t>(data.size());
  if (a.Has("--position")) {
    long p = 0;
    if (!ToLong(a.Get("--position"), p) || p <= 0 || p > 0x7FFFFFFF)
      return Usage("--position takes a record position");
    const int32_t position = static_cast<int32_t>(p);
    std::memcpy(data.data(), &position, 4);
    s = RecordManagerCall(RM_GET_DIRECT + bias, f.block(), data.data(), &n, keyBuffer, 0,
                          static_cast<int8_t>(key));
  } else if (a.Has("--first")) {
    s = RecordManagerCall(RM_GET_FIRST + bias, f.block(), data.data(), &n, keyBuffer, 0,
                          static_cast<int8_t>(key));
  } else {
    std::string value;
    if (!DecodeValue(a.Get("--equal"), value) || value.size() > 255) return Usage("--equal: a bad \\ escape");
    std::memcpy(keyBuffer, value.data(), value.size());
    s = RecordManagerCall(RM_GET_EQUAL + bias, f.block(), data.data(), &n, keyBuffer, 0,
                          static_cast<int8_t>(key));
  }
  if (s != RM_OK && s != RM_DATA_BUFFER_TOO_SHORT) return FailStatus(file, s);
  uint8_t pos[8] = {};
  uint32_t pn = sizeof pos;
  RecordManagerCall(RM_GET_POSITION, f.block(), pos, &pn, keyBuffer, 0, 0);
  int32_t position;
  std::memcpy(&position, pos, 4);
  std::printf("locked %d\n", position);
  std::fflush(stdout);
  const long long micros = static_cast<long long>(seconds * 1e6);
  for (long long left = micros; left > 0; left -= 1000000)
    usleep(static_cast<useconds_t>(left > 1000000 ? 1000000 : left));
  return 0;
}

int CmdCheck(const Args& a) {
  if (a.positional.size() != 1) return Usage("check takes FILE");
  const std::string& file = a.positional[0];
  OpenFile f;
  int16_t s = f.Open(file, a.Get("--owner"), RM_MODE_READ_ONLY);
  if (s != RM_OK) return FailStatus(file, s);
  std::vector<std::string> faults;
  if ((s = recmgr::CheckFile(f.block(), faults)) != RM_OK) return FailStatus(file, s);
  recmgr::FileSpec spec;
  uint32_t records = 0;
  std::vector<uint32_t> distinct;
  f.Stat(spec, records, distinct);
  for (const std::string& fault : faults)
    std::fprintf(stderr, "rmutil: %s: %s\n", file.c_str(), fault.c_str());
  if (!faults.empty()) return kFailed;
  std::printf("%s: ok, %u records\n", file.c_str(), records);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsageText, argc < 2 ? stderr : stdout);
    return argc < 2 ? kUsage : 0;
  }
  const std::string command = argv[1];
  for (int i = 2; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      for (const CommandHelp& h : kHelp)
        if (command == h.name) {
          std::fputs(h.text, stdout);
          return 0;
        }
      break;
    }
  struct Command {
    const char* name;
    int (*run)(const Args&);
    std::vector<std::string> valued, flags;
  } const commands[] = {
      {"create", CmdCreate, {}, {"--replace"}},
      {"spec", CmdSpec, {}, {"--describe"}},
      {"load", CmdLoad, {"--owner"}, {}},
      {"save", CmdSave, {"--owner", "--key"}, {"--ctrl-z"}},
      {"stat", CmdStat, {"--owner"}, {}},
      {"owner", CmdOwner, {"--owner"}, {"--clear", "--read-only-without"}},
      {"lock", CmdLock, {"--owner", "--key", "--equal", "--position", "--seconds"}, {"--first", "--wait"}},
      {"check", CmdCheck, {"--owner"}, {}},
  };
  for (const Command& c : commands) {
    if (command != c.name) continue;
    Args args;
    std::string error;
    if (!ParseArgs(argc, argv, c.valued, c.flags, args, error)) return Usage(command + ": " + error);
    const int code = c.run(args);
    uint8_t scratch[RM_POSITION_BLOCK_SIZE] = {};
    uint32_t n = 0;
    RecordManagerCall(RM_RESET, scratch, nullptr, &n, nullptr, 0, 0);
    return code;
  }
  return Usage("unknown command \"" + command + "\"");
}
