// The receipts screen over real data files, on the memory console.
#include "app/receipts_screen.h"

#include <gtest/gtest.h>

#include <cstring>

#include "console/keyboard.h"
#include "inquiry_fixture.h"
#include "numbers/currency.h"
#include "records/record_manager.h"

namespace apptest {
namespace {

using console::KeyEsc;
using console::KeyPgDn;
using console::KeyPgUp;
using platform::ScriptExhausted;

class ReceiptsScreenTest : public InquiryTest {
 protected:
  // Receipt i of AddReceipts as the screen lists it (department 1, state P).
  static std::string Line(int i, const std::string& state = "PENDENT") {
    const int date = DateNumber(i);
    char day[16];
    std::snprintf(day, sizeof day, "%d/%d/%04d", date % 100, date / 100 % 100, date / 10000);
    char amount[16];
    std::snprintf(amount, sizeof amount, "%7d,01", i);
    return "001  " + (day + std::string(10 - std::strlen(day), ' ')) + " " + amount + "  " + state;
  }
  static std::string Total(const std::string& amount) {
    return "TOTAL           " + std::string(10 - amount.size(), ' ') + amount;
  }
  // Shows the receipts until the scripted keys run out, at a key wait.
  void ShowUntilKeysRunOut() { EXPECT_THROW(app::ShowReceipts(), ScriptExhausted); }
};

TEST_F(ReceiptsScreenTest, EstateWithoutReceiptsShowsTheZeroTotalAndTakesOnlyEsc) {
  StartInquiry();
  AddEstate(1, "FINCA BUIDA");
  AddEstate(2,
            "FINCA VE\x8E"
            "INA");
  AddReceipts(2, 3);
  ChooseEstate(1);

  // PgDn has nowhere to go and PgUp nothing to go back to: both are ignored.
  Keys({KeyPgDn, KeyPgUp, 'x', console::KeyEnter});
  ShowUntilKeysRunOut();
  EXPECT_EQ(Row(1), "") << "no page label without a receipt";
  EXPECT_EQ(At(2, 37, 32), " FINCA BUIDA" + std::string(20, ' '));
  EXPECT_EQ(Row(3), "DEP  D.EXPED.       IMPORT  ESTAT       DEP  D.EXPED.       IMPORT  ESTAT");
  EXPECT_EQ(Row(4), "---  ---------- ----------  ---------   ---  ---------- ----------  ---------");
  EXPECT_EQ(Row(5), std::string(40, ' ') + Total("0,00"));
  for (int16_t row = 6; row <= 24; ++row) EXPECT_EQ(Row(row), "") << row;
}

TEST_F(ReceiptsScreenTest, ThirtyEightReceiptsEndFullAndDoneWithTheTotalOnRow24) {
  StartInquiry();
  AddEstate(2, "TRENTA-VUIT");
  AddEstate(3,
            "LA SEG\x9A"
            "ENT");
  AddReceipts(2, 38);
  AddReceipts(3, 5);
  ChooseEstate(2);

  Keys({KeyPgDn, KeyPgUp});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
  EXPECT_EQ(At(5, 1, 40), Line(1) + std::string(40 - Line(1).size(), ' '));
  EXPECT_EQ(At(5, 41, 40).substr(0, Line(2).size()), Line(2));
  EXPECT_EQ(At(23, 1, Line(37).size()), Line(37));
  EXPECT_EQ(At(23, 41, Line(38).size()), Line(38));
  // 38 x 39 / 2 x 100 + 38 hundredths.
  EXPECT_EQ(Row(24), std::string(40, ' ') + Total("741,38"));
}

TEST_F(ReceiptsScreenTest, ThirtyNineReceiptsPageTwoAndBackToPageOne) {
  StartInquiry();
  AddEstate(3, "TRENTA-NOU");
  AddReceipts(3, 39);
  ChooseEstate(3);

  // Page 1: 38 receipts, no total, PgUp ignored, PgDn to page 2.
  Keys({KeyPgUp, KeyPgDn});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    2");
  EXPECT_EQ(Row(5), Line(39) + std::string(40 - Line(39).size(), ' ') + Total("780,39"));
  for (int16_t row = 6; row <= 24; ++row) EXPECT_EQ(Row(row), "") << row;

  // Back to page 1: from its first receipt, and no total on it.
  Keys({KeyPgDn});
  Keys({KeyPgUp});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
  EXPECT_EQ(At(5, 1, Line(1).size()), Line(1));
  EXPECT_EQ(At(23, 41, Line(38).size()), Line(38));
  EXPECT_EQ(Row(24), "");
}

TEST_F(ReceiptsScreenTest, TheTotalHoldsEveryReceiptOnceHoweverThePagesAreVisited) {
  StartInquiry();
  AddEstate(3, "TRENTA-NOU");
  AddReceipts(3, 39);
  ChooseEstate(3);

  Keys({KeyPgDn});
  Keys({KeyPgUp});
  Keys({KeyPgDn});
  Keys({KeyPgUp});
  Keys({KeyPgDn});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    2");
  EXPECT_EQ(At(5, 41, 26), Total("780,39"));
}

TEST_F(ReceiptsScreenTest, NineHundredReceiptsPageOnPastPage22AndBack) {
  StartInquiry();
  AddEstate(20, "NOU-CENTS");
  AddEstate(21, "DARRERA");
  AddReceipts(20, 900);
  AddReceipts(21, 2);
  ChooseEstate(20);

  // 23 x PgDn: page 24 holds receipts 875 to 900 and the total of all 900.
  for (int i = 0; i < 23; ++i) Keys({KeyPgDn});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA   24");
  EXPECT_EQ(At(5, 1, Line(875).size()), Line(875));
  EXPECT_EQ(At(17, 41, Line(900).size()), Line(900));
  // 900 x 901 / 2 x 100 + 900 hundredths.
  EXPECT_EQ(At(18, 41, 26), Total("405.459,00"));

  // Back from page 24 to page 23, then all the way to page 1.
  for (int i = 0; i < 23; ++i) Keys({KeyPgDn});
  Keys({KeyPgUp});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA   23");
  EXPECT_EQ(At(5, 1, Line(837).size()), Line(837));
  EXPECT_EQ(At(23, 41, Line(874).size()), Line(874));

  for (int i = 0; i < 23; ++i) Keys({KeyPgDn});
  for (int i = 0; i < 23; ++i) Keys({KeyPgUp});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
  EXPECT_EQ(At(5, 1, Line(1).size()), Line(1));
}

TEST_F(ReceiptsScreenTest, NegativeAmountsAreListedAndReduceTheTotal) {
  StartInquiry();
  AddEstate(30, "ABONAMENTS");
  AddReceipt({.Estate = 30, .Date = 20240115, .Amount = 123456, .State = 'P', .Serial = 1});
  AddReceipt({.Estate = 30, .Date = 20240215, .Amount = -2500, .State = 'D', .Serial = 2});
  AddReceipt({.Estate = 30, .Date = 20240315, .Amount = -1, .State = 'P', .Serial = 3});
  ChooseEstate(30);

  Keys({});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(5, 1, 35), "001  15/1/2024    1.234,56  PENDENT");
  const std::string second = At(5, 41, 34);
  EXPECT_EQ(second.substr(0, 16), "001  15/2/2024  ");
  EXPECT_NE(second.find('-'), std::string::npos) << second;
  EXPECT_NE(second.find("25,00"), std::string::npos) << second;
  EXPECT_EQ(second.substr(28), "TORNAT");
  // 1234,56 - 25,00 - 0,01 on the right of receipt 3's row.
  EXPECT_EQ(At(6, 41, 26), Total("1.209,55"));
}

TEST_F(ReceiptsScreenTest, OnlyStatesPAndDAreListedAndCounted) {
  StartInquiry();
  AddEstate(40, "ESTATS");
  const char states[] = {'P', 'C', ' ', 'p', 'd', 'D', 'A', '\0', 'P'};
  int serial = 0;
  for (char state : states) {
    ++serial;
    AddReceipt(
        {.Estate = 40, .Date = DateNumber(serial), .Amount = serial * 100, .State = state, .Serial = serial});
  }
  ChooseEstate(40);

  Keys({});
  ShowUntilKeysRunOut();
  // Receipts 1 (P), 6 (D) and 9 (P) take places 1 to 3.
  EXPECT_NE(At(5, 1, 40).find("1,00  PENDENT"), std::string::npos) << Row(5);
  EXPECT_NE(At(5, 41, 40).find("6,00  TORNAT"), std::string::npos) << Row(5);
  EXPECT_NE(At(6, 1, 40).find("9,00  PENDENT"), std::string::npos) << Row(6);
  EXPECT_EQ(At(6, 41, 26), Total("16,00"));
  EXPECT_EQ(Row(7), "");
}

TEST_F(ReceiptsScreenTest, TheNextEstatesReceiptsAreNeverListed) {
  StartInquiry();
  AddEstate(12, "DOTZE");
  AddEstate(13, "TRETZE");
  AddReceipts(12, 3);
  AddReceipts(13, 5);
  ChooseEstate(12);

  Keys({KeyPgDn});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(5, 1, Line(1).size()), Line(1));
  EXPECT_EQ(At(5, 41, Line(2).size()), Line(2));
  EXPECT_EQ(At(6, 1, 40), Line(3) + std::string(40 - Line(3).size(), ' '));
  EXPECT_EQ(At(6, 41, 26), Total("6,03"));
  EXPECT_EQ(Row(7), "");
}

TEST_F(ReceiptsScreenTest, ALaterPageWithNothingToListShowsItsLabelAndTheTotalOnRow5) {
  StartInquiry();
  AddEstate(5, "CINC");
  AddReceipts(5, 38);
  // After the 38 listed receipts, two more of the estate in a state that
  // is not listed: page 1 cannot know it is the last one.
  AddReceipt({.Estate = 5, .Date = DateNumber(100), .Amount = 999, .State = 'C', .Serial = 100});
  AddReceipt({.Estate = 5, .Date = DateNumber(101), .Amount = 999, .State = 'X', .Serial = 101});
  ChooseEstate(5);

  Keys({KeyPgDn});
  Keys({KeyPgDn});  // not offered on the last page
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    2");
  EXPECT_EQ(Row(5), std::string(40, ' ') + Total("741,38"));
  for (int16_t row = 6; row <= 25; ++row) EXPECT_EQ(Row(row), "") << row;

  // Back on page 1 from the empty page.
  Keys({KeyPgDn});
  Keys({KeyPgUp});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
  EXPECT_EQ(At(5, 1, Line(1).size()), Line(1));
}

TEST_F(ReceiptsScreenTest, EscReturnsWithTheReceiptRowsCleared) {
  StartInquiry();
  AddEstate(12, "DOTZE");
  AddReceipts(12, 40);
  ChooseEstate(12);

  Keys({KeyEsc});
  app::ShowReceipts();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
  EXPECT_NE(Row(3), "");
  for (int16_t row = 5; row <= 24; ++row) EXPECT_EQ(Row(row), "") << row;
}

TEST_F(ReceiptsScreenTest, ASpanishSessionShowsTheLanguageFilesTextsInTheSameColumns) {
  UseTerminal("TERM02");
  StartInquiry();
  ASSERT_EQ(config::SessionSettings().LanguageCode, "SPA");
  AddEstate(12, "DOCE");
  AddReceipt({.Estate = 12, .Date = 20240115, .Amount = 123456, .State = 'P', .Serial = 1});
  AddReceipt({.Estate = 12, .Date = 20240215, .Amount = 7000, .State = 'D', .Serial = 2});
  ChooseEstate(12);

  Keys({});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
  EXPECT_EQ(Row(3), "DEP  F.EXPED.      IMPORTE  ESTADO      DEP  F.EXPED.      IMPORTE  ESTADO");
  EXPECT_EQ(At(5, 1, 40), "001  15/1/2024    1.234,56  PENDIENTE   ");
  EXPECT_EQ(At(5, 41, 40), "001  15/2/2024       70,00  DEVUELTO    ");
  EXPECT_EQ(At(6, 41, 26), Total("1.304,56"));
}

TEST_F(ReceiptsScreenTest, LongTranslationsAreCutToTheirRoomAndMoveNothing) {
  // A language file whose texts are longer than the room the screen has.
  std::ofstream(root / "LOCALE" / "RECINQRY.LNG", std::ios::binary | std::ios::trunc)
      << "\"PENDENT\",\"\",\"\",\"PENDIENTE DE COBRO\"\r\n"
      << "\"TOTAL           \",\"\",\"\",\"TOTAL DE LOS RECIBOS LISTADOS EN PANTALLA: \"\r\n"
      << "\"PANTALLA ZZZ9\",\"\",\"\",\"PANTALLA NUMERO ZZZ9\"\r\n";
  UseTerminal("TERM02");
  StartInquiry();
  AddEstate(12, "DOCE");
  AddReceipts(12, 3);
  ChooseEstate(12);

  Keys({});
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(5, 29, 12), "PENDIENTE DE");
  EXPECT_EQ(At(5, 41, 28), Line(2).substr(0, 28)) << "the right-hand receipt keeps its columns";
  EXPECT_EQ(At(5, 69, 12), "PENDIENTE DE");
  EXPECT_EQ(At(6, 41, 40), "TOTAL DE LOS RECIBOS LISTADOS EN PANTALL");
  EXPECT_EQ(Row(7), "") << "nothing wraps onto the next row";
  EXPECT_EQ(At(1, 67, 14), "PANTALLA NUMER");
  EXPECT_EQ(At(2, 1, 36), std::string(36, ' ')) << "the page label does not wrap onto row 2";
}

TEST_F(ReceiptsScreenTest, AmountsAreShownInTheDisplayCurrency) {
  StartInquiry();
  AddEstate(12, "DOTZE");
  AddReceipt({.Estate = 12, .Date = 20240115, .Amount = 60101, .State = 'P', .Serial = 1});
  ChooseEstate(12);

  numbers::SetCurrency("?,P");  // pesetas as the alternate currency
  numbers::SetCurrency("p");
  Keys({});
  ShowUntilKeysRunOut();
  // 601,01 euros are 100.000 pesetas, without decimals.
  EXPECT_EQ(At(5, 17, 10), "   100.000");
  numbers::SetCurrency("");
}

// The record manager of the test files, except that one read of the next
// record fails with a status, as a damaged file makes it.
class FailingRead : public records::RecordManager {
 public:
  FailingRead(int failingGetNext, int16_t status) : failingGetNext_(failingGetNext), status_(status) {}
  int16_t Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
               void* keyBuffer, uint8_t keyLength, int8_t keyNumber) override {
    if (operation % records::LockBias == records::OpGetNext && ++getNexts_ == failingGetNext_) return status_;
    return records::LibraryRecordManager().Call(operation, positionBlock, dataBuffer, dataLength, keyBuffer,
                                                keyLength, keyNumber);
  }

 private:
  int failingGetNext_;
  int16_t status_;
  int getNexts_ = 0;
};

TEST_F(ReceiptsScreenTest, AFailedReadEndsTheListWithTheTotalAndANoticeOnRow25) {
  StartInquiry();
  AddEstate(20, "VINT");
  AddReceipts(20, 5);
  ChooseEstate(20);

  // The third read of the next receipt fails: three receipts are listed.
  FailingRead manager(3, 2);
  records::State().Manager = &manager;
  Keys({KeyPgDn});  // not offered: the list has ended
  ShowUntilKeysRunOut();
  EXPECT_EQ(At(5, 1, Line(1).size()), Line(1));
  EXPECT_EQ(At(6, 1, Line(3).size()), Line(3));
  EXPECT_EQ(At(6, 41, 26), Total("6,03"));
  const std::string notice =
      "ATENCI\xe0: error de lectura del fitxer de rebuts (2); la llista pot ser parcial";
  EXPECT_EQ(Row(25), notice);
  EXPECT_EQ(console.ReadCell(25, 1).Attr, console.ReadCell(5, 1).Attr) << "in the highlight style";
  EXPECT_NE(console.ReadCell(25, 1).Attr, console.ReadCell(6, 41).Attr) << "not the total's style";
  records::State().Manager = nullptr;
}

TEST_F(ReceiptsScreenTest, TheReadNoticeIsClearedOnLeavingAndOnTheNextPage) {
  StartInquiry();
  AddEstate(20, "VINT");
  AddReceipts(20, 45);
  ChooseEstate(20);

  // The read after receipt 40 fails, on page 2.
  const std::string notice =
      "ATENCI\xe0: error de lectura del fitxer de rebuts (2); la llista pot ser parcial";
  {
    FailingRead manager(40, 2);
    records::State().Manager = &manager;
    Keys({KeyPgDn});
    ShowUntilKeysRunOut();
    EXPECT_EQ(At(1, 67, 13), "PANTALLA    2");
    EXPECT_EQ(Row(25), notice);
  }
  {
    FailingRead manager(40, 2);
    records::State().Manager = &manager;
    Keys({KeyPgDn});
    Keys({KeyPgUp});
    ShowUntilKeysRunOut();
    EXPECT_EQ(At(1, 67, 13), "PANTALLA    1");
    EXPECT_EQ(Row(25), "") << "page 1 read well";
  }
  {
    FailingRead manager(40, 2);
    records::State().Manager = &manager;
    Keys({KeyPgDn});
    Keys({KeyEsc});
    app::ShowReceipts();
    EXPECT_EQ(Row(25), "") << "left with Esc";
  }
  records::State().Manager = nullptr;
}

TEST_F(ReceiptsScreenTest, TheEndOfTheFileAndTheNextEstateBringNoNotice) {
  StartInquiry();
  AddEstate(20, "VINT");
  AddEstate(21, "VINT-I-U");
  AddReceipts(20, 2);
  AddReceipts(21, 2);
  for (int estate : {20, 21}) {
    ChooseEstate(estate);
    Keys({});
    ShowUntilKeysRunOut();
    EXPECT_EQ(Row(25), "") << estate;
  }
}

TEST_F(ReceiptsScreenTest, AnEstateWithoutReceiptsKeepsNoPageLabelOfTheEstateBefore) {
  StartInquiry();
  AddEstate(1, "BUIDA");
  AddEstate(20, "VINT");
  AddReceipts(20, 40);

  ChooseEstate(20);
  Keys({KeyPgDn});
  Keys({KeyEsc});
  app::ShowReceipts();
  ASSERT_EQ(At(1, 67, 13), "PANTALLA    2");

  ChooseEstate(1);
  Keys({});
  ShowUntilKeysRunOut();
  EXPECT_EQ(Row(1), "");
  EXPECT_EQ(console.ReadCell(1, 67).Attr, console.ReadCell(3, 1).Attr) << "blanked in the normal style";
}

}  // namespace
}  // namespace apptest
