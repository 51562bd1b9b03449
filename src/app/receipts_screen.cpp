#include "app/receipts_screen.h"

#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/inquiry_records.h"
#include "config/language.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "dates/date_text.h"
#include "numbers/number_format.h"
#include "numbers/packed_digits.h"
#include "platform/console.h"
#include "records/data_files.h"

namespace app {

namespace {

// Length of the key values kept for the page starts.
constexpr std::size_t PageKeyLength = 9;

constexpr int16_t FirstReceiptRow = 5;
constexpr int16_t LastClearedRow = 24;
// The row left free by the receipts, for a notice about the listing.
constexpr int16_t NoticeRow = 25;
// Room for the notice: short of the last cell, whose writing would scroll.
constexpr std::size_t NoticeWidth = 79;
constexpr int16_t LeftColumn = 1;
constexpr int16_t RightColumn = 41;
constexpr int16_t ScreenColumns = 80;
// Room for the state word: up to the right-hand receipt, or the screen edge.
constexpr std::size_t StateWidth = 12;
// Room for the total line: the right half of the row.
constexpr std::size_t TotalWidth = 40;

const char* const ColumnTitles = "DEP  D.EXPED.       IMPORT  ESTAT       DEP  D.EXPED.       IMPORT  ESTAT";
const char* const ColumnRules =
    "---  ---------- ----------  ---------   ---  ---------- ----------  ---------";
const char* const AmountMask = "ZZ,ZZZ,ZZ9";

platform::Console& Screen() { return platform::ActiveConsole(); }

void WriteAt(int16_t row, int16_t column, const std::string& text, std::size_t width) {
  Screen().MoveCursor(row, column);
  Screen().WriteText(text.size() > width ? text.substr(0, width) : text);
}

bool Listed(char state) { return state == ReceiptPending || state == ReceiptReturned; }

// A status that ends the list for a reason other than its end: not found and
// end of file are how a listing ends, any other is a failed read.
bool ReadFailed(int16_t status) { return status != 0 && status != 4 && status != 9; }

// Screen position of receipt k (1 to 38) of a page.
int16_t ReceiptRow(int16_t k) { return static_cast<int16_t>((k - 1) / 2 + FirstReceiptRow); }
int16_t ReceiptColumn(int16_t k) { return k % 2 == 1 ? LeftColumn : RightColumn; }

// Department, issue date, amount and state, laid out from the receipt's column.
std::string ReceiptLine(const ReceiptRecord& receipt) {
  const std::string digits = numbers::UnpackDigits(receipt.Bytes.substr(0, 4));
  std::string line = digits.substr(digits.size() - 3);
  line += "  ";
  std::string date = dates::FormatDate(receipt.ReceiptDate(), 0, "dma");
  date.resize(10, ' ');
  line += date;
  line += ' ';
  line += numbers::FormatAmount(AmountMask, receipt.ReceiptAmount());
  line += "  ";
  std::string state = config::TranslateText(receipt.ReceiptState() == ReceiptPending ? "PENDENT" : "TORNAT");
  if (state.size() > StateWidth) state.resize(StateWidth);
  line += state;
  return line;
}

constexpr int16_t PageLabelColumn = 67;
constexpr std::size_t PageLabelWidth = ScreenColumns - PageLabelColumn + 1;

void WritePageLabel(int16_t page) {
  console::SetStyle("n");
  WriteAt(1, PageLabelColumn, numbers::FormatNumber(config::TranslateText("PANTALLA ZZZ9"), page),
          PageLabelWidth);
}

// Blanks the page label's place, so that no label of an estate shown before
// stays over one without receipts.
void ClearPageLabel() {
  console::SetStyle("n");
  Screen().MoveCursor(1, PageLabelColumn);
  Screen().WriteBlanks(PageLabelWidth);
}

void WriteHeader(const EstateRecord& estate) {
  console::SetStyle("rh");
  std::string name = " ";
  name += estate.EstateName();
  name += ' ';
  WriteAt(2, 37, name, 32);
  console::SetStyle("n");
  WriteAt(3, 1, config::TranslateText(ColumnTitles), ScreenColumns);
  WriteAt(4, 1, ColumnRules, ScreenColumns);
}

// The total stands in the right half of the last receipt's row when that
// receipt is on the left, else in the right half of the row below it; with
// nothing listed on the page, at the first receipt row.
void WriteTotal(int16_t count, int64_t total) {
  int16_t row = FirstReceiptRow;
  if (count > 0) row = static_cast<int16_t>(ReceiptRow(count) + (count % 2 == 0 ? 1 : 0));
  console::SetStyle("n");
  WriteAt(row, RightColumn,
          config::TranslateText("TOTAL           ") +
              numbers::FormatAmount(AmountMask, static_cast<double>(total)),
          TotalWidth);
}

// Tells on the notice row that reading the receipts failed with |status|, so
// that a short list and its total are not taken for the whole.
void WriteReadFault(int16_t status) {
  std::string text = config::TranslateText(
      "ATENCI\xe0: error de lectura del fitxer de rebuts (NN); la llista pot ser parcial");
  const std::size_t at = text.find("NN");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(status));
  console::SetStyle("h");
  WriteAt(NoticeRow, 1, text, NoticeWidth);
  console::SetStyle("n");
}

void ClearNoticeRow() {
  console::SetStyle("n");
  Screen().MoveCursor(NoticeRow, 1);
  Screen().WriteBlanks(NoticeWidth);
}

void ClearReceiptRows() {
  console::SetStyle("n");
  Screen().MoveCursor(FirstReceiptRow, 1);
  for (int16_t row = FirstReceiptRow; row <= LastClearedRow; ++row) Screen().WriteBlanks(ScreenColumns);
}

std::string PageKey(std::string key) {
  key.resize(PageKeyLength, ' ');
  return key;
}

// Waits for Esc, or PgUp and PgDn when they lead somewhere; other keys are
// ignored.
int16_t WaitAcceptedKey(bool mayPageUp, bool mayPageDown) {
  console::FlushKeys();
  for (;;) {
    const int16_t key = console::WaitKey();
    if (key == console::KeyEsc) return key;
    if (key == console::KeyPgUp && mayPageUp) return key;
    if (key == console::KeyPgDn && mayPageDown) return key;
  }
}

}  // namespace

void ShowReceipts() {
  AppState& app = State();
  const std::string estateCode = app.Estate.EstateCode();

  int16_t page = 1;
  int16_t countedPages = 0;  // pages 1 to this one are in the total
  int64_t total = 0;
  // Where each page starts along key 0, by page number from 1. Page 1 starts
  // at the lowest key of the estate: its code followed by NUL bytes, the
  // value from which its receipts were first read.
  std::vector<std::optional<std::string>> pageStarts(1, estateCode + std::string(PageKeyLength - 2, '\0'));

  ClearPageLabel();
  WriteHeader(app.Estate);
  int16_t status = records::FindRecord(CollectionsFile, 0, estateCode, 1);

  bool noticeShown = false;
  for (;;) {
    const bool adding = page > countedPages;
    int16_t count = 0;
    bool done = false;
    // The first failed read of this page: the one that positioned it or the
    // one that ended it.
    int16_t fault = ReadFailed(status) ? status : 0;
    do {
      const ReceiptRecord& receipt = app.Receipt;
      if (status == 0 && receipt.EstateCode() == estateCode && Listed(receipt.ReceiptState())) {
        if (count == 0) {
          WritePageLabel(page);
          console::SetStyle("h");
          if (page > 1) {
            if (pageStarts.size() < static_cast<std::size_t>(page)) pageStarts.resize(page);
            pageStarts[page - 1] = PageKey(records::CurrentKey(CollectionsFile));
          }
        }
        ++count;
        WriteAt(ReceiptRow(count), ReceiptColumn(count), ReceiptLine(receipt), ScreenColumns);
        if (adding) total += receipt.ReceiptAmount();
      }
      status = records::SkipRecords(CollectionsFile, 1);
      if (fault == 0 && ReadFailed(status)) fault = status;
      done = status != 0 || app.Receipt.EstateCode() != estateCode;
    } while (count < ReceiptsPerPage && !done);
    if (adding) countedPages = page;

    if (done) {
      // A later page with nothing left to list still says which page it is.
      if (count == 0 && page > 1) WritePageLabel(page);
      WriteTotal(count, total);
    }
    if (fault != 0) {
      WriteReadFault(fault);
      noticeShown = true;
    }

    const int16_t key = WaitAcceptedKey(page > 1, !done);
    ClearReceiptRows();
    if (noticeShown) {
      ClearNoticeRow();
      noticeShown = false;
    }
    if (key == console::KeyEsc) return;
    if (key == console::KeyPgUp) {
      --page;
      status = records::FindRecord(CollectionsFile, 0, pageStarts[page - 1].value_or(*pageStarts[0]), 1);
    } else {
      ++page;
      // A page never shown starts with the record after the last one listed,
      // which is in the record area already.
      if (pageStarts.size() >= static_cast<std::size_t>(page) && pageStarts[page - 1])
        status = records::FindRecord(CollectionsFile, 0, *pageStarts[page - 1], 1);
    }
  }
}

}  // namespace app
