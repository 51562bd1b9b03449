#include "recorder.h"

namespace recordstest {

namespace {
void PutU16(std::string& s, std::size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}
}  // namespace

std::string StatData(uint16_t recordLength, const std::vector<std::vector<Segment>>& keys,
                     const std::string& weights) {
  std::string data(16, '\0');
  PutU16(data, 0, recordLength);
  PutU16(data, 2, 1024);
  PutU16(data, 4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys) {
    uint16_t position = 1;
    for (std::size_t i = 0; i < key.size(); ++i) {
      std::string spec(16, '\0');
      if (key[i].Position != 0) position = key[i].Position;
      PutU16(spec, 0, position);
      position = static_cast<uint16_t>(position + key[i].Length);
      PutU16(spec, 2, key[i].Length);
      PutU16(spec, 4, static_cast<uint16_t>(key[i].Flags | (i + 1 < key.size() ? 0x10 : 0)));
      data += spec;
    }
  }
  if (!weights.empty()) {
    data += '\xAC';
    data += "ALTCOLL ";
    data += weights;
  }
  return data;
}

std::size_t Recorder::KeyBufferBytes(uint16_t operation) {
  if (operation == records::OpReset || operation == records::OpGetPosition) return 4;
  if (operation == records::OpStat) return 255;
  return 256;
}

std::size_t Recorder::DataBufferBytes(uint16_t operation) {
  return operation == records::OpReset ? 4 : records::DataBufferSize;
}

int16_t Recorder::Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
                       void* keyBuffer, uint8_t keyLength, int8_t keyNumber) {
  RecordedCall call;
  call.Operation = operation;
  call.PositionBlock.assign(static_cast<const char*>(positionBlock), records::PositionBlockSize);
  call.Data.assign(static_cast<const char*>(dataBuffer), DataBufferBytes(operation));
  call.DataLength = *dataLength;
  call.Key.assign(static_cast<const char*>(keyBuffer), KeyBufferBytes(operation));
  call.KeyLength = keyLength;
  call.KeyNumber = keyNumber;
  Calls.push_back(call);
  if (OnCall) OnCall(call);

  Answer answer;
  if (operation == records::OpStat && !StatScripted) {
    answer.Data = Layout;
  } else if (!Answers.empty()) {
    answer = Answers.front();
    Answers.pop_front();
  } else {
    answer.DataLength = 0;
  }
  std::memcpy(dataBuffer, answer.Data.data(), std::min(answer.Data.size(), DataBufferBytes(operation)));
  std::memcpy(keyBuffer, answer.Key.data(), std::min(answer.Key.size(), KeyBufferBytes(operation)));
  *dataLength = static_cast<uint32_t>(answer.DataLength >= 0 ? answer.DataLength : answer.Data.size());
  return answer.Status;
}

std::vector<RecordedCall> Recorder::CallsOf(uint16_t operation) const {
  std::vector<RecordedCall> out;
  for (const auto& call : Calls)
    if (call.Operation == operation) out.push_back(call);
  return out;
}

std::vector<RecordedCall> Recorder::NonStatCalls() const {
  std::vector<RecordedCall> out;
  for (const auto& call : Calls)
    if (call.Operation != records::OpStat) out.push_back(call);
  return out;
}

}  // namespace recordstest
