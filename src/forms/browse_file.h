// The browse's line file: TempDir + "Browse.tmp", line records one after the
// other with no header, positions counted in bytes from 1, little-endian:
//   0  4  signed 32-bit position of the previous line record, 0 for the first
//   4  4  signed 32-bit physical position of the line's record in the data
//         file (in list mode a value of the caller's choosing)
//   8  2  signed 16-bit length N of the text
//  10  N  the line text, without trailing blanks
// Lines are only appended, so the file order is the list order and the next
// record starts right after the text.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace forms {

struct LineHeader {
  int32_t Previous = 0;
  int32_t RecordPosition = 0;
  int16_t Length = 0;
};

constexpr int32_t LineHeaderSize = 10;

// Path of the line file: TempDir + "Browse.tmp" (a system path, CP850).
std::string BrowseFilePath();

class BrowseLineFile {
 public:
  BrowseLineFile() = default;
  BrowseLineFile(const BrowseLineFile&) = delete;
  BrowseLineFile& operator=(const BrowseLineFile&) = delete;
  ~BrowseLineFile() { Close(); }

  // Creates the file empty (discarding an old one) and opens it for reading
  // and writing. False when it cannot be created.
  bool Create(const std::string& path);
  // Opens an existing file (list mode: lines put there by the caller).
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return stream_.is_open(); }

  // Position just after the last byte: where the next line goes.
  int32_t End() const { return size_ + 1; }

  // Appends a line record (the text cut to 32767 bytes) and returns its
  // position; 0 when it could not be written.
  int32_t Append(int32_t previous, int32_t recordPosition, std::string_view text);

  // Reads the line record at position. False, with nothing changed, when the
  // record is not whole there: a damaged or truncated file.
  bool ReadAt(int32_t position, LineHeader& header, std::string& text);

 private:
  std::fstream stream_;
  int32_t size_ = 0;
};

// Removes the line file; no error when it is not there.
void RemoveBrowseFile(const std::string& path);

}  // namespace forms
