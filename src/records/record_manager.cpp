#include "records/record_manager.h"

#include "recmgr.h"
#include "records/records_state.h"

namespace records {

namespace {

class LibraryBinding final : public RecordManager {
 public:
  int16_t Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
               void* keyBuffer, uint8_t keyLength, int8_t keyNumber) override {
    return RecordManagerCall(operation, positionBlock, dataBuffer, dataLength, keyBuffer, keyLength,
                             keyNumber);
  }
};

}  // namespace

RecordManager& LibraryRecordManager() {
  static LibraryBinding binding;
  return binding;
}

RecordManager& ActiveRecordManager() {
  RecordManager* manager = State().Manager;
  return manager != nullptr ? *manager : LibraryRecordManager();
}

}  // namespace records
