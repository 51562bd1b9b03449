// The receipts status screen: the receipts of the estate in EstateRecord,
// two to a row and 38 to a page, with the total after the last one.
#pragma once

#include <cstdint>

namespace app {

// Receipts listed on one page, two to a screen row from row 5.
constexpr int16_t ReceiptsPerPage = 38;

// Lists the receipts of the estate in the estates file's record area and
// pages through them with PgUp and PgDn until the operator presses Esc. The
// collections file is read along key 0 from the estate's first receipt;
// only receipts in state "P" or "D" are listed. The total holds every
// receipt listed once, however often its page is shown again; there is no
// limit to the number of pages.
void ShowReceipts();

}  // namespace app
