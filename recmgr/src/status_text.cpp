#include "status_text.h"

#include "recmgr.h"

namespace recmgr {

const char* StatusText(int16_t status) {
  switch (status) {
    case RM_OK:
      return "success";
    case RM_INVALID_OPERATION:
      return "invalid operation";
    case RM_IO_ERROR:
      return "I/O error";
    case RM_FILE_NOT_OPEN:
      return "file not open";
    case RM_KEY_NOT_FOUND:
      return "key value not found";
    case RM_DUPLICATE_KEY:
      return "duplicate key value";
    case RM_INVALID_KEY_NUMBER:
      return "invalid key number";
    case RM_DIFFERENT_KEY_NUMBER:
      return "different key number";
    case RM_INVALID_POSITIONING:
      return "invalid positioning";
    case RM_END_OF_FILE:
      return "end of file";
    case RM_KEY_NOT_MODIFIABLE:
      return "key not modifiable";
    case RM_FILE_NOT_FOUND:
      return "file not found";
    case RM_DISK_FULL:
      return "disk full";
    case RM_KEY_BUFFER_TOO_SHORT:
      return "key buffer too short";
    case RM_DATA_BUFFER_TOO_SHORT:
      return "data buffer too short";
    case RM_BAD_PAGE_SIZE:
      return "invalid page size";
    case RM_CREATE_IO_ERROR:
      return "cannot create the file";
    case RM_BAD_KEY_COUNT:
      return "invalid number of keys";
    case RM_BAD_KEY_POSITION:
      return "invalid key position";
    case RM_BAD_RECORD_LENGTH:
      return "invalid record length";
    case RM_BAD_KEY_LENGTH:
      return "invalid key definition";
    case RM_NOT_A_DATA_FILE:
      return "not a data file, or damaged";
    case RM_TRANSACTION_ERROR:
      return "transaction error";
    case RM_INVALID_RECORD_ADDRESS:
      return "invalid record address";
    case RM_ACCESS_DENIED:
      return "access denied";
    case RM_INVALID_OWNER:
      return "invalid owner name";
    case RM_FILE_EXISTS:
      return "file already exists";
    case RM_RECORD_CHANGED:
      return "record changed since it was read";
    case RM_RECORD_LOCKED:
      return "record locked";
    case RM_FILE_LOCKED:
      return "file locked";
    default:
      return "unknown status";
  }
}

}  // namespace recmgr
