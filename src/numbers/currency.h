// The display currency: amounts are held in hundredths of the base currency
// and shown either in it or in an alternate currency.
#pragma once

#include <string>

namespace numbers {

// Changes the currency values:
//   "a,X"  sets the base currency to X ("E" when only blanks follow the comma)
//          and shows it;
//   "?,X"  (any other first character) sets the alternate currency to X (the
//          base currency when only blanks follow the comma);
//   "p"    shows the alternate currency, or the base one when none is set;
//   other  (the empty text among them) shows the base currency.
// Letters are stored upper-cased.
void SetCurrency(std::string command);

// The base currency ("E" after start-up), the alternate one (empty unless
// set) and the one amounts are written in ("P" means pesetas, anything else
// euros). Each is empty or a single character.
std::string CurBase();
std::string CurAlt();
std::string CurDisplay();

}  // namespace numbers
