// Short English descriptions of the record manager's statuses, for messages.
#ifndef RECMGR_STATUS_TEXT_H
#define RECMGR_STATUS_TEXT_H

#include <cstdint>

namespace recmgr {

const char* StatusText(int16_t status);

}  // namespace recmgr

#endif
