/* The record manager: indexed files of fixed-length records with one or more
 * keys, reached through one C entry point. Safe to call from C and C++; it
 * never throws and never aborts on bad arguments. */
#ifndef RECMGR_H
#define RECMGR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Operations. */
enum {
  RM_OPEN = 0,
  RM_CLOSE = 1,
  RM_INSERT = 2,
  RM_UPDATE = 3,
  RM_DELETE = 4,
  RM_GET_EQUAL = 5,
  RM_GET_NEXT = 6,
  RM_GET_PREVIOUS = 7,
  RM_GET_GREATER = 8,
  RM_GET_GREATER_OR_EQUAL = 9,
  RM_GET_LESS = 10,
  RM_GET_LESS_OR_EQUAL = 11,
  RM_GET_FIRST = 12,
  RM_GET_LAST = 13,
  RM_CREATE = 14,
  RM_STAT = 15,
  RM_BEGIN_TRANSACTION = 19,
  RM_END_TRANSACTION = 20,
  RM_ABORT_TRANSACTION = 21,
  RM_GET_POSITION = 22,
  RM_GET_DIRECT = 23,
  RM_UNLOCK = 27,
  RM_RESET = 28,
  RM_SET_OWNER = 29,
  RM_CLEAR_OWNER = 30,
  /* Lock biases added to the read operations 5 to 13 and 23. */
  RM_LOCK_WAIT = 100,
  RM_LOCK_NOWAIT = 200
};

/* Open modes, passed as the key number of RM_OPEN. */
enum {
  RM_MODE_NORMAL = 0,
  RM_MODE_ACCELERATED = -1,
  RM_MODE_READ_ONLY = -2,
  RM_MODE_VERIFY = -3,
  RM_MODE_EXCLUSIVE = -4
};

/* Statuses. */
enum {
  RM_OK = 0,
  RM_INVALID_OPERATION = 1,
  RM_IO_ERROR = 2,
  RM_FILE_NOT_OPEN = 3,
  RM_KEY_NOT_FOUND = 4,
  RM_DUPLICATE_KEY = 5,
  RM_INVALID_KEY_NUMBER = 6,
  RM_DIFFERENT_KEY_NUMBER = 7,
  RM_INVALID_POSITIONING = 8,
  RM_END_OF_FILE = 9,
  RM_KEY_NOT_MODIFIABLE = 10,
  RM_FILE_NOT_FOUND = 12,
  RM_DISK_FULL = 18,
  RM_KEY_BUFFER_TOO_SHORT = 21,
  RM_DATA_BUFFER_TOO_SHORT = 22,
  RM_BAD_PAGE_SIZE = 24,
  RM_CREATE_IO_ERROR = 25,
  RM_BAD_KEY_COUNT = 26,
  RM_BAD_KEY_POSITION = 27,
  RM_BAD_RECORD_LENGTH = 28,
  RM_BAD_KEY_LENGTH = 29,
  RM_NOT_A_DATA_FILE = 30,
  RM_TRANSACTION_ERROR = 36,
  RM_INVALID_RECORD_ADDRESS = 43,
  RM_ACCESS_DENIED = 46,
  RM_INVALID_OWNER = 51,
  RM_FILE_EXISTS = 59,
  RM_RECORD_CHANGED = 80,
  RM_RECORD_LOCKED = 84,
  RM_FILE_LOCKED = 85
};

/* Size of the position block the caller keeps for each open file. */
#define RM_POSITION_BLOCK_SIZE 128

int16_t RecordManagerCall(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
                          void* keyBuffer, uint8_t keyLength, int8_t keyNumber);

#ifdef __cplusplus
}
#endif

#endif /* RECMGR_H */
