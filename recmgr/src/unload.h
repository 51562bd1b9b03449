// The unload format: for each record its length in decimal digits, a comma,
// the record's bytes, CR and LF; after the last record an optional Ctrl-Z.
#ifndef RECMGR_UNLOAD_H
#define RECMGR_UNLOAD_H

#include <cstdio>
#include <string>
#include <vector>

#include "engine.h"

namespace recmgr {

// Reads records in the unload format from a stream, with a large buffer.
class UnloadReader : public RecordSource {
 public:
  explicit UnloadReader(std::FILE* in) : in_(in), buffer_(1 << 20) {}
  bool Next(std::string& record, std::string& fault) override;

 private:
  int Peek();
  int Take();
  bool Fill();

  std::FILE* in_;
  std::vector<char> buffer_;
  size_t at_ = 0, end_ = 0;
  bool eof_ = false;
};

// One record in the unload format.
void AppendUnloadRecord(std::string& out, const char* data, size_t length);

constexpr size_t kMaxUnloadRecord = 65535;

}  // namespace recmgr

#endif
