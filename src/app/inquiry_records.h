// The inquiry's three data files: their identifiers, paths, record areas
// and the fields of their records. Numbers and dates in these records are
// packed digit strings (two digits a byte, each byte 128 + the value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// File identifiers of the inquiry's data files.
constexpr int16_t EstatesFile = 511;
constexpr int16_t OwnersFile = 513;
constexpr int16_t CollectionsFile = 514;

// Paths relative to RootDir, without an extension.
inline constexpr std::string_view EstatesPath = "DADES\\FinquesH";
inline constexpr std::string_view OwnersPath = "DADES\\PropietH";
inline constexpr std::string_view CollectionsPath = "DADES\\CobramH";

// Sizes of the record areas. The file-access layer grows an area to its
// file's record length when the file's records are longer.
constexpr std::size_t EstateRecordSize = 388;
constexpr std::size_t OwnerRecordSize = 428;
constexpr std::size_t ReceiptRecordSize = 36;

// A record of the estates file. Key 0 is EstateCode.
struct EstateRecord {
  std::string Bytes = std::string(EstateRecordSize, '\0');

  // Offset 0, 2 bytes: the estate number, packed digits 0000 to 9999.
  std::string EstateCode() const;
  void SetEstateCode(std::string_view code);  // cut or padded with NUL to 2 bytes
  // Offset 6, 30 bytes: the estate's name, padded with blanks.
  std::string EstateName() const;
  void SetEstateName(std::string_view name);  // cut or padded with blanks
};

// A record of the owners file: registered at the open, never read.
struct OwnerRecord {
  std::string Bytes = std::string(OwnerRecordSize, '\0');
};

// A record of the collections file. Key 0 begins with EstateCode, so the
// receipts of one estate follow each other along key 0.
struct ReceiptRecord {
  std::string Bytes = std::string(ReceiptRecordSize, '\0');

  // Offset 0, 2 bytes: the estate, as in EstateRecord.
  std::string EstateCode() const;
  void SetEstateCode(std::string_view code);
  // Offset 2, 2 bytes: the department, packed digits (shown as its last 3).
  std::string ReceiptDepartment() const;
  void SetReceiptDepartment(std::string_view department);
  // Offset 4, 4 bytes: the issue date, packed CCYYMMDD.
  std::string ReceiptDate() const;
  void SetReceiptDate(std::string_view date);
  // Offset 13, 4 bytes: signed little-endian, hundredths of the base currency.
  int32_t ReceiptAmount() const;
  void SetReceiptAmount(int32_t amount);
  // Offset 21, 1 byte: 'P' pending, 'D' returned; anything else is not listed.
  char ReceiptState() const;
  void SetReceiptState(char state);
};

// Receipt states that the inquiry lists.
constexpr char ReceiptPending = 'P';
constexpr char ReceiptReturned = 'D';

}  // namespace app
