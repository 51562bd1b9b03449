// A record manager that records every call with the exact bytes it was sent
// and plays back scripted answers, for tests of the file-access layer.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "records/record_manager.h"

namespace recordstest {

struct RecordedCall {
  uint16_t Operation = 0;
  std::string PositionBlock;  // 128 bytes as sent
  std::string Data;           // the whole data buffer as sent (4 bytes for Reset, else 1536)
  uint32_t DataLength = 0;    // as sent
  std::string Key;            // the whole key buffer as sent (see KeyBufferBytes)
  uint8_t KeyLength = 0;
  int8_t KeyNumber = 0;
  // The key bytes the length covers.
  std::string KeyValue() const { return Key.substr(0, KeyLength); }
};

struct Answer {
  int16_t Status = 0;
  std::string Data;         // written at the start of the data buffer
  int64_t DataLength = -1;  // returned data length; -1: the length of Data
  std::string Key;          // written at the start of the key buffer
};

// A Stat answer (and a Create buffer): record length and keys made of
// segments.
struct Segment {
  uint16_t Length = 0;
  uint16_t Flags = 0;
  uint16_t Position = 0;  // from 1; 0: right after the key's previous segment
};
std::string StatData(uint16_t recordLength, const std::vector<std::vector<Segment>>& keys,
                     const std::string& weights = {});

class Recorder : public records::RecordManager {
 public:
  int16_t Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
               void* keyBuffer, uint8_t keyLength, int8_t keyNumber) override;

  // Size of the key buffer the layer hands over for an operation.
  static std::size_t KeyBufferBytes(uint16_t operation);
  static std::size_t DataBufferBytes(uint16_t operation);

  // Stat is answered from Layout unless a scripted answer is queued for it
  // (StatScripted); every other call takes the next scripted answer, or
  // status 0 with nothing returned when none is left.
  std::string Layout = StatData(36, {{{9, 0}}});
  bool StatScripted = false;
  std::deque<Answer> Answers;
  std::vector<RecordedCall> Calls;
  // Runs at each call before it is answered (to look at the screen, say).
  std::function<void(const RecordedCall&)> OnCall;

  void Push(int16_t status, std::string data = {}, std::string key = {}, int64_t dataLength = -1) {
    Answers.push_back(Answer{status, std::move(data), dataLength, std::move(key)});
  }
  // The calls with a given operation code.
  std::vector<RecordedCall> CallsOf(uint16_t operation) const;
  // The calls other than Stat.
  std::vector<RecordedCall> NonStatCalls() const;
};

}  // namespace recordstest
