// The C entry point: nothing thrown inside ever crosses it.
#include <new>

#include "engine.h"
#include "recmgr.h"

extern "C" int16_t RecordManagerCall(uint16_t operation, void* positionBlock, void* dataBuffer,
                                     uint32_t* dataLength, void* keyBuffer, uint8_t keyLength,
                                     int8_t keyNumber) {
  try {
    return recmgr::Dispatch(operation, positionBlock, dataBuffer, dataLength, keyBuffer, keyLength,
                            keyNumber);
  } catch (const std::bad_alloc&) {
    return RM_DISK_FULL;
  } catch (...) {
    return RM_IO_ERROR;
  }
}
