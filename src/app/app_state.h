// Process-wide state of the inquiry: what lives from start-up to the end of
// the run. The record areas are lent to the file-access layer at the open.
#pragma once

#include "app/inquiry_records.h"

namespace app {

struct AppState {
  EstateRecord Estate;    // file 511
  OwnerRecord Owner;      // file 513
  ReceiptRecord Receipt;  // file 514
};

inline AppState& State() {
  static AppState state;
  return state;
}

inline void ResetState() { State() = AppState{}; }

}  // namespace app
