#include "app/inquiry_records.h"

namespace app {

namespace {

// Field offsets and sizes.
constexpr std::size_t EstateCodeOffset = 0, EstateCodeSize = 2;
constexpr std::size_t EstateNameOffset = 6, EstateNameSize = 30;
constexpr std::size_t DepartmentOffset = 2, DepartmentSize = 2;
constexpr std::size_t DateOffset = 4, DateSize = 4;
constexpr std::size_t AmountOffset = 13, AmountSize = 4;
constexpr std::size_t StateOffset = 21;

// A field's bytes; bytes past the end of a short area read as NUL.
std::string Field(const std::string& bytes, std::size_t offset, std::size_t size) {
  std::string field(size, '\0');
  for (std::size_t i = 0; i < size && offset + i < bytes.size(); ++i) field[i] = bytes[offset + i];
  return field;
}

// Writes a field, cut or padded to its size; the area grows to hold it.
void SetField(std::string& bytes, std::size_t offset, std::size_t size, std::string_view value, char pad) {
  if (bytes.size() < offset + size) bytes.resize(offset + size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[offset + i] = i < value.size() ? value[i] : pad;
}

}  // namespace

std::string EstateRecord::EstateCode() const { return Field(Bytes, EstateCodeOffset, EstateCodeSize); }
void EstateRecord::SetEstateCode(std::string_view code) {
  SetField(Bytes, EstateCodeOffset, EstateCodeSize, code, '\0');
}
std::string EstateRecord::EstateName() const { return Field(Bytes, EstateNameOffset, EstateNameSize); }
void EstateRecord::SetEstateName(std::string_view name) {
  SetField(Bytes, EstateNameOffset, EstateNameSize, name, ' ');
}

std::string ReceiptRecord::EstateCode() const { return Field(Bytes, EstateCodeOffset, EstateCodeSize); }
void ReceiptRecord::SetEstateCode(std::string_view code) {
  SetField(Bytes, EstateCodeOffset, EstateCodeSize, code, '\0');
}
std::string ReceiptRecord::ReceiptDepartment() const {
  return Field(Bytes, DepartmentOffset, DepartmentSize);
}
void ReceiptRecord::SetReceiptDepartment(std::string_view department) {
  SetField(Bytes, DepartmentOffset, DepartmentSize, department, '\0');
}
std::string ReceiptRecord::ReceiptDate() const { return Field(Bytes, DateOffset, DateSize); }
void ReceiptRecord::SetReceiptDate(std::string_view date) {
  SetField(Bytes, DateOffset, DateSize, date, '\0');
}

int32_t ReceiptRecord::ReceiptAmount() const {
  std::string field = Field(Bytes, AmountOffset, AmountSize);
  uint32_t value = 0;
  for (std::size_t i = 0; i < AmountSize; ++i)
    value |= static_cast<uint32_t>(static_cast<uint8_t>(field[i])) << (8 * i);
  return static_cast<int32_t>(value);
}
void ReceiptRecord::SetReceiptAmount(int32_t amount) {
  const auto value = static_cast<uint32_t>(amount);
  std::string field(AmountSize, '\0');
  for (std::size_t i = 0; i < AmountSize; ++i) field[i] = static_cast<char>(value >> (8 * i));
  SetField(Bytes, AmountOffset, AmountSize, field, '\0');
}

char ReceiptRecord::ReceiptState() const { return Field(Bytes, StateOffset, 1)[0]; }
void ReceiptRecord::SetReceiptState(char state) {
  SetField(Bytes, StateOffset, 1, std::string_view(&state, 1), '\0');
}

}  // namespace app
