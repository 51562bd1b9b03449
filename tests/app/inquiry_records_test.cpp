// The inquiry's record layouts over real record bytes.
#include "app/inquiry_records.h"

#include <gtest/gtest.h>

#include "app/app_state.h"

namespace app {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(InquiryRecords, AreasHaveTheirFilesRecordSizes) {
  ResetState();
  EXPECT_EQ(State().Estate.Bytes.size(), 388u);
  EXPECT_EQ(State().Owner.Bytes.size(), 428u);
  EXPECT_EQ(State().Receipt.Bytes.size(), 36u);
}

TEST(InquiryRecords, EstateFieldsAtTheirOffsets) {
  EstateRecord estate;
  // Estate 0012, four bytes the inquiry does not use, the name, then more.
  estate.Bytes = Bytes({0x80, 0x8C, 1, 2, 3, 4}) + "CAL PEREMARTI, 12             " + std::string(352, 'z');
  ASSERT_EQ(estate.Bytes.size(), 388u);
  EXPECT_EQ(estate.EstateCode(), Bytes({0x80, 0x8C}));
  EXPECT_EQ(estate.EstateName(), "CAL PEREMARTI, 12             ");

  estate.SetEstateCode(Bytes({0x99, 0xE3, 0x77}));  // cut to two bytes
  estate.SetEstateName("PIS \x8A");                 // padded with blanks
  EXPECT_EQ(estate.Bytes.substr(0, 6), Bytes({0x99, 0xE3, 1, 2, 3, 4}));
  EXPECT_EQ(estate.EstateName(), "PIS \x8A" + std::string(25, ' '));
  EXPECT_EQ(estate.Bytes.substr(36), std::string(352, 'z'));
  estate.SetEstateCode(Bytes({0x81}));
  EXPECT_EQ(estate.EstateCode(), Bytes({0x81, 0}));
}

TEST(InquiryRecords, ReceiptFieldsAtTheirOffsets) {
  ReceiptRecord receipt;
  receipt.Bytes = Bytes({0x80, 0x8C,                 // estate 0012
                         0x81, 0x97,                 // department 0123
                         0x94, 0x98, 0x83, 0x8F,     // 2024-03-15
                         9,    9,    9,    9,    9,  // not used
                         0xC7, 0xCF, 0xFF, 0xFF,     // -12345
                         9,    9,    9,    9,        // not used
                         'D'}) +
                  std::string(14, '#');
  ASSERT_EQ(receipt.Bytes.size(), 36u);
  EXPECT_EQ(receipt.EstateCode(), Bytes({0x80, 0x8C}));
  EXPECT_EQ(receipt.ReceiptDepartment(), Bytes({0x81, 0x97}));
  EXPECT_EQ(receipt.ReceiptDate(), Bytes({0x94, 0x98, 0x83, 0x8F}));
  EXPECT_EQ(receipt.ReceiptAmount(), -12345);
  EXPECT_EQ(receipt.ReceiptState(), ReceiptReturned);

  const std::string before = receipt.Bytes;
  receipt.SetReceiptAmount(2147483647);
  EXPECT_EQ(receipt.Bytes.substr(13, 4), Bytes({0xFF, 0xFF, 0xFF, 0x7F}));
  EXPECT_EQ(receipt.ReceiptAmount(), 2147483647);
  receipt.SetReceiptAmount(-2147483647 - 1);
  EXPECT_EQ(receipt.ReceiptAmount(), -2147483647 - 1);
  receipt.SetReceiptState('p');
  EXPECT_EQ(receipt.ReceiptState(), 'p');
  receipt.SetReceiptDate(Bytes({0x94, 0x98, 0x8C, 0x9F}));
  receipt.SetReceiptDepartment(Bytes({0x80, 0x81}));
  receipt.SetEstateCode(Bytes({0xE3, 0xE3}));
  // Only the fields written changed.
  for (std::size_t i : {8u, 9u, 10u, 11u, 12u, 17u, 18u, 19u, 20u, 22u, 35u})
    EXPECT_EQ(receipt.Bytes[i], before[i]) << i;
  EXPECT_EQ(receipt.Bytes.substr(0, 8), Bytes({0xE3, 0xE3, 0x80, 0x81, 0x94, 0x98, 0x8C, 0x9F}));
}

TEST(InquiryRecords, ShortAreasReadAsNulAndGrowWhenWritten) {
  ReceiptRecord receipt;
  receipt.Bytes = Bytes({0x80, 0x8C, 0x81});
  EXPECT_EQ(receipt.ReceiptDepartment(), Bytes({0x81, 0}));
  EXPECT_EQ(receipt.ReceiptAmount(), 0);
  EXPECT_EQ(receipt.ReceiptState(), '\0');  // not P nor D: never listed
  receipt.SetReceiptState('P');
  EXPECT_EQ(receipt.Bytes.size(), 22u);
  EXPECT_EQ(receipt.ReceiptState(), ReceiptPending);

  EstateRecord estate;
  estate.Bytes.clear();
  EXPECT_EQ(estate.EstateName(), std::string(30, '\0'));
}

}  // namespace
}  // namespace app
