// Record operations, lock modes and waits, positions and collating keys,
// against the recorder.
#include <gtest/gtest.h>

#include <random>

#include "records_fixture.h"

namespace recordstest {
namespace {

using records::CollatingKey;
using records::CurrentKey;
using records::FindRecord;
using records::RecordPosition;
using records::SetLockMode;
using records::SkipRecords;

// A collections-like file: 36-byte records, key 0 of 2 + 7 bytes, key 1 of 4.
class RecordOperationsTest : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    recorder.Layout = StatData(36, {{{2, 0}, {7, 0}}, {{4, 0}}});
    area = std::string(40, '.');
    area.replace(0, 36, std::string(36, 'r'));
    ASSERT_EQ(Open(514, area), 0);
    recorder.Calls.clear();
  }
  std::string area;
};

TEST_F(RecordOperationsTest, FindRecordSendsTheAreaAndThePaddedKeyPerMode) {
  struct Case {
    int16_t mode;
    uint16_t operation;
    char fill;  // after the key, in the 256-byte key buffer
  } cases[] = {{0, 5, ' '}, {1, 9, '\0'}, {7, 9, '\0'}, {-1, 11, '\xFF'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    recorder.Calls.clear();
    recorder.Push(0);
    ASSERT_EQ(FindRecord(514, 0, "\x80\x8C", c.mode), 0);
    auto ops = recorder.NonStatCalls();
    ASSERT_EQ(ops.size(), 1u);
    const RecordedCall& op = ops[0];
    EXPECT_EQ(op.Operation, c.operation);
    EXPECT_EQ(op.Data.substr(0, 36), std::string(36, 'r'));  // RecordLength bytes, not the whole area
    EXPECT_EQ(op.Data.substr(36), Blanks(1500));
    EXPECT_EQ(op.DataLength, 36u);
    // The short value is filled with NUL bytes to the key's 9 bytes.
    EXPECT_EQ(op.KeyLength, 9);
    EXPECT_EQ(op.KeyValue(), std::string("\x80\x8C") + Nuls(7));
    EXPECT_EQ(op.Key.substr(9), std::string(247, c.fill));
    EXPECT_EQ(op.KeyNumber, 0);
  }
}

TEST_F(RecordOperationsTest, FindRecordCutsALongValueAndFollowsTheKeyGiven) {
  recorder.Push(0);
  ASSERT_EQ(FindRecord(514, 1, "ABCDEFGH", 1), 0);
  const RecordedCall op = recorder.NonStatCalls().at(0);
  EXPECT_EQ(op.KeyValue(), "ABCD");
  EXPECT_EQ(op.KeyNumber, 1);
  EXPECT_EQ(SlotOf(514).KeyNumber, 1);
  // Later moves follow key 1.
  recorder.Push(0);
  ASSERT_EQ(SkipRecords(514, 1), 0);
  EXPECT_EQ(recorder.Calls.back().KeyNumber, 1);
}

TEST_F(RecordOperationsTest, RecordAndKeyComeBackFromTheRecordManager) {
  const std::string record = "\x80\x8C" + std::string(34, 'n');
  recorder.Push(0, record, std::string("\x80\x8C\x81\x97\x80\x80\x80\x80\x81"));
  ASSERT_EQ(FindRecord(514, 0, "\x80\x8C", 1), 0);
  EXPECT_EQ(area.substr(0, 36), record);
  EXPECT_EQ(area.substr(36), "....");  // nothing past RecordLength
  EXPECT_EQ(SlotOf(514).KeyValue, std::string("\x80\x8C\x81\x97\x80\x80\x80\x80\x81"));
  EXPECT_EQ(CurrentKey(514), SlotOf(514).KeyValue);  // plain segments: unchanged
}

TEST_F(RecordOperationsTest, StatusesOfFindRecord) {
  // 22: the record manager had more than RecordLength bytes; the area takes
  // RecordLength of them and the caller sees success.
  recorder.Push(22, std::string(100, 'L'));
  EXPECT_EQ(FindRecord(514, 0, "A", 0), 0);
  EXPECT_EQ(area, std::string(36, 'L') + "....");

  // A failure is handed back unchanged; with no data returned the area keeps
  // what it had.
  recorder.Push(9);
  EXPECT_EQ(FindRecord(514, 0, "\xFF\xFF", 1), 9);
  EXPECT_EQ(area, std::string(36, 'L') + "....");

  // Data returned with a failure still reaches the area, at most the
  // returned length.
  recorder.Push(4, "xyz");
  EXPECT_EQ(FindRecord(514, 0, "A", 0), 4);
  EXPECT_EQ(area.substr(0, 5), "xyzLL");

  // An undefined key: 1004, only Stat sent, the key number kept.
  recorder.Calls.clear();
  EXPECT_EQ(FindRecord(514, 2, "A", 0), records::StatusNoSuchKey);
  EXPECT_TRUE(recorder.NonStatCalls().empty());
  EXPECT_EQ(SlotOf(514).KeyNumber, 0);

  // A file not open: 3, nothing sent.
  recorder.Calls.clear();
  EXPECT_EQ(FindRecord(600, 0, "A", 0), records::StatusFileNotOpen);
  EXPECT_EQ(SkipRecords(600, 1), records::StatusFileNotOpen);
  EXPECT_TRUE(recorder.Calls.empty());
}

TEST_F(RecordOperationsTest, SkipRecordsMovesOneAtATimeAndOnlyTheLastReachesTheArea) {
  EXPECT_EQ(SkipRecords(514, 0), 0);
  EXPECT_TRUE(recorder.Calls.empty());

  recorder.Push(0, std::string(36, '1'), std::string("K1"));
  recorder.Push(22, std::string(36, '2'), std::string("K2\0zz", 5));
  recorder.Push(0, std::string(36, '3'), std::string("K3"));
  ASSERT_EQ(SkipRecords(514, 3), 0);
  ASSERT_EQ(recorder.Calls.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(recorder.Calls[i].Operation, records::OpGetNext) << i;
  // The intermediate moves: a blank 1536-byte buffer, the key buffer sent
  // back with its length up to the first NUL byte.
  EXPECT_EQ(recorder.Calls[0].Data, Blanks(1536));
  EXPECT_EQ(recorder.Calls[0].DataLength, 1536u);
  EXPECT_EQ(recorder.Calls[0].KeyLength, 0);
  EXPECT_EQ(recorder.Calls[0].Key, Nuls(256));
  EXPECT_EQ(recorder.Calls[1].KeyLength, 2);
  EXPECT_EQ(recorder.Calls[1].KeyValue(), "K1");
  // The last one through the record operation: the area and the key value.
  EXPECT_EQ(recorder.Calls[2].DataLength, 36u);
  EXPECT_EQ(recorder.Calls[2].Data.substr(0, 36), std::string(36, 'r'));
  // The intermediate move's key, read up to its NUL byte, shortened the key
  // value that the last move sends.
  EXPECT_EQ(recorder.Calls[2].KeyLength, 2);
  EXPECT_EQ(recorder.Calls[2].KeyValue(), "K2");
  EXPECT_EQ(area.substr(0, 36), std::string(36, '3'));

  recorder.Calls.clear();
  recorder.Push(0);
  ASSERT_EQ(SkipRecords(514, -1), 0);
  ASSERT_EQ(recorder.Calls.size(), 1u);
  EXPECT_EQ(recorder.Calls[0].Operation, records::OpGetPrevious);
  EXPECT_EQ(recorder.Calls[0].DataLength, 36u);
}

TEST_F(RecordOperationsTest, SkipRecordsStopsAtTheFirstFailure) {
  recorder.Push(9);
  EXPECT_EQ(SkipRecords(514, -4), 9);
  ASSERT_EQ(recorder.Calls.size(), 1u);
  EXPECT_EQ(recorder.Calls[0].Operation, records::OpGetPrevious);
  EXPECT_EQ(area.substr(0, 36), std::string(36, 'r'));
}

TEST_F(RecordOperationsTest, LockModesAddTheBiasOnlyToTheLockedReads) {
  int16_t status = 99;
  SetLockMode(514, "b", status);
  EXPECT_EQ(status, 99);  // written only for a file not open
  recorder.Push(0);
  FindRecord(514, 0, "A", 0);
  recorder.Push(0);
  recorder.Push(0);
  recorder.Push(0);
  SkipRecords(514, 3);
  recorder.Push(0, "\x05\0\0\0");
  RecordPosition(514, 0);
  recorder.Push(0);
  RecordPosition(514, 5);
  std::vector<uint16_t> sent;
  for (const auto& call : recorder.NonStatCalls()) sent.push_back(call.Operation);
  // Get Equal and the last move are biased; the intermediate moves and the
  // position calls are not.
  EXPECT_EQ(sent, (std::vector<uint16_t>{205, 6, 6, 206, 22, 23}));

  SetLockMode(514, "d", status);
  recorder.Calls.clear();
  recorder.Push(0);
  FindRecord(514, 0, "A", -1);
  EXPECT_EQ(recorder.NonStatCalls().at(0).Operation, 11);
}

TEST_F(RecordOperationsTest, BiasedCodesTakeBlankKeyFill) {
  // The fill after the key follows the code as sent: 209 is neither 8 nor 9.
  int16_t status = 0;
  SetLockMode(514, "A", status);
  recorder.Push(0);
  ASSERT_EQ(FindRecord(514, 0, "A", 1), 0);
  const RecordedCall op = recorder.NonStatCalls().at(0);
  EXPECT_EQ(op.Operation, 209);
  EXPECT_EQ(op.KeyValue(), "A" + Nuls(8));
  EXPECT_EQ(op.Key.substr(9), Blanks(247));
}

TEST_F(RecordOperationsTest, LockWaitShowsItsMessageOnceAndRemovesIt) {
  console.MoveCursor(23, 1);
  console.WriteText(std::string(80, '#'));
  console.MoveCursor(24, 1);
  console.WriteText(std::string(80, '='));
  const std::string row23 = console.RowText(23), row24 = console.RowText(24);
  int16_t status = 0;
  SetLockMode(514, "a", status);
  const std::string message = "FITXER BLOQUEJAT. ESPEREU UN MOMENT.";
  std::vector<bool> shown;
  recorder.OnCall = [&](const RecordedCall& call) {
    if (call.Operation == records::OpStat) return;
    bool onScreen = false;
    for (int16_t row = 20; row <= 25; ++row)
      if (console.RowText(row).find(message) != std::string::npos) onScreen = true;
    shown.push_back(onScreen);
  };
  int pauses = 0;
  double draws[] = {0.0, 0.5, 0.99999};
  platform::State().Random = [&] { return draws[pauses++ % 3]; };
  recorder.Push(84);
  recorder.Push(85);
  recorder.Push(84);
  recorder.Push(0, std::string(36, 'g'));
  ASSERT_EQ(FindRecord(514, 0, "A", 0), 0);

  EXPECT_EQ(shown, (std::vector<bool>{false, true, true, true}));
  EXPECT_EQ(sleeps, (std::vector<int>{1, 5001, 10001}));
  auto ops = recorder.NonStatCalls();
  ASSERT_EQ(ops.size(), 4u);
  for (const auto& op : ops) EXPECT_EQ(op.Operation, 205);
  EXPECT_EQ(console.RowText(23), row23);
  EXPECT_EQ(console.RowText(24), row24);
  EXPECT_EQ(area.substr(0, 36), std::string(36, 'g'));
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(RecordOperationsTest, LockMessageInEachLanguage) {
  struct Case {
    const char* language;
    const char* text;
  } cases[] = {
      {"CAT", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},   {"SPA", "FICHERO BLOQUEADO. ESPERE UN MOMENTO."},
      {"GLG", "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO."}, {"OCI", "FICH\xD4R BLOQUEJAT. ESPERATZ UN MOMENT."},
      {"", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},
  };
  int16_t status = 0;
  SetLockMode(514, "a", status);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    config::SessionSettings().LanguageCode = c.language;
    bool seen = false;
    recorder.OnCall = [&](const RecordedCall& call) {
      for (int16_t row = 20; row <= 25; ++row)
        if (call.Operation != records::OpStat && console.RowText(row).find(c.text) != std::string::npos)
          seen = true;
    };
    recorder.Push(84);
    recorder.Push(0);
    EXPECT_EQ(SkipRecords(514, 1), 0);
    EXPECT_TRUE(seen);
  }
}

TEST_F(RecordOperationsTest, LockStatusesComeBackAtOnceInModesZeroAndTwo) {
  for (const char* mode : {"d", "b"}) {
    SCOPED_TRACE(mode);
    int16_t status = 0;
    SetLockMode(514, mode, status);
    const std::string row24 = console.RowText(24);
    recorder.Push(84);
    EXPECT_EQ(FindRecord(514, 0, "A", 0), 84);
    recorder.Push(85);
    EXPECT_EQ(SkipRecords(514, 1), 85);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(console.RowText(24), row24);
    EXPECT_EQ(console::State().WindowDepth, 0);
  }
}

TEST_F(RecordOperationsTest, LockModeCommandsSaveAndRestorePerFile) {
  std::string other;
  ASSERT_EQ(Open(511, other), 0);
  int16_t status = 0;
  SetLockMode(514, "a", status);
  SetLockMode(514, "+d", status);  // what the browse does at its start
  EXPECT_EQ(SlotOf(514).LockMode, 0);
  SetLockMode(514, "-", status);  // and at its end
  EXPECT_EQ(SlotOf(514).LockMode, 1);

  // Two saves restored in reverse order, with another file's pair between.
  SetLockMode(514, "+B", status);
  SetLockMode(511, "+a", status);
  SetLockMode(514, "+d", status);
  SetLockMode(514, "-", status);
  EXPECT_EQ(SlotOf(514).LockMode, 2);
  SetLockMode(514, "-", status);
  EXPECT_EQ(SlotOf(514).LockMode, 1);
  SetLockMode(514, "-", status);  // nothing saved for this file any more
  EXPECT_EQ(SlotOf(514).LockMode, 1);
  EXPECT_EQ(SlotOf(511).LockMode, 1);
  SetLockMode(511, "-", status);
  EXPECT_EQ(SlotOf(511).LockMode, 0);
  EXPECT_TRUE(records::State().LockModeStack.empty());

  SetLockMode(514, "xyz?b!", status);  // only the B counts
  EXPECT_EQ(SlotOf(514).LockMode, 2);
  EXPECT_EQ(status, 0);
  SetLockMode(700, "a", status);
  EXPECT_EQ(status, records::StatusFileNotOpen);

  // The saved modes outlive a reset of the files.
  SetLockMode(514, "+", status);
  recorder.Push(0);
  ASSERT_EQ(records::ResetDataFiles(), 0);
  EXPECT_EQ(records::State().LockModeStack.size(), 2u);
}

TEST_F(RecordOperationsTest, RecordPositionReadsAndReturnsPositions) {
  recorder.Push(0, std::string("\x2A\x01\0\0", 4), "", 4);
  EXPECT_EQ(RecordPosition(514, 0), 298);
  const RecordedCall pos = recorder.Calls.back();
  EXPECT_EQ(pos.Operation, records::OpGetPosition);
  EXPECT_EQ(pos.Data.substr(0, 4), Nuls(4));
  EXPECT_EQ(pos.Data.substr(4), Blanks(1532));
  EXPECT_EQ(pos.DataLength, 1536u);
  EXPECT_EQ(pos.Key, Nuls(4));
  EXPECT_EQ(pos.KeyLength, 0);
  EXPECT_EQ(pos.KeyNumber, 0);

  recorder.Push(0, std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(RecordPosition(514, 0), -2);  // signed
  recorder.Push(8, std::string("\x05\0\0\0", 4));
  EXPECT_EQ(RecordPosition(514, 0), 0);

  // Get Direct on the current key, the area not sent.
  recorder.Push(0);
  ASSERT_EQ(FindRecord(514, 1, "KEY1", 0), 0);
  recorder.Push(0, std::string(36, 'd'), std::string("K\0YZ", 4));
  EXPECT_EQ(RecordPosition(514, 0x01020304), 0);
  const RecordedCall direct = recorder.Calls.back();
  EXPECT_EQ(direct.Operation, records::OpGetDirect);
  EXPECT_EQ(direct.Data.substr(0, 4), "\x04\x03\x02\x01");
  EXPECT_EQ(direct.Data.substr(4), Blanks(1532));
  EXPECT_EQ(direct.DataLength, 1536u);
  EXPECT_EQ(direct.Key, Nuls(256));
  EXPECT_EQ(direct.KeyLength, 0);
  EXPECT_EQ(direct.KeyNumber, 1);
  EXPECT_EQ(area.substr(0, 36), std::string(36, 'd'));
  EXPECT_EQ(SlotOf(514).KeyValue, "K");  // read up to the first NUL byte

  recorder.Push(22, std::string(80, 'e'));
  EXPECT_EQ(RecordPosition(514, 7), 0);
  EXPECT_EQ(area, std::string(36, 'e') + "....");

  recorder.Push(43, std::string(36, 'f'));
  EXPECT_EQ(RecordPosition(514, 7), 43);
  EXPECT_EQ(area, std::string(36, 'e') + "....");  // not copied on failure

  EXPECT_EQ(RecordPosition(600, 0), 0);
  EXPECT_EQ(RecordPosition(600, 5), 0);
}

TEST_F(RecordOperationsTest, CollatingKeyConvertsByTheSegmentsOfTheCurrentKey) {
  std::string weights(256, '\0');
  for (int b = 0; b < 256; ++b) weights[b] = static_cast<char>(255 - b);
  recorder.Layout = StatData(36, {{{2, 0x04}, {3, 0x20}, {2, 0}}, {{3, 0}}}, weights);
  EXPECT_EQ(CollatingKey(std::string("\x01\x02"
                                     "abc"
                                     "xy"),
                         514),
            std::string("\x02\x01\x9E\x9D\x9C"
                        "xy"));
  // A short value: the integer segment is filled out with NUL bytes first,
  // a weighted segment stops at the value's end.
  EXPECT_EQ(CollatingKey(std::string("\x01"), 514), std::string("\0\x01", 2));
  EXPECT_EQ(CollatingKey(std::string("\x01\x02"
                                     "a"),
                         514),
            std::string("\x02\x01\x9E"));
  recorder.Push(0);
  ASSERT_EQ(FindRecord(514, 1, "abc", 0), 0);
  EXPECT_EQ(CollatingKey("abc", 514), "abc");  // key 1 is plain
  EXPECT_EQ(CollatingKey("abc", 600), "abc");
  EXPECT_EQ(CurrentKey(600), "");

  recorder.Push(0);
  ASSERT_EQ(FindRecord(514, 0,
                       std::string("\x01\x02"
                                   "abc"
                                   "xy"),
                       0),
            0);
  EXPECT_EQ(CurrentKey(514), std::string("\x02\x01\x9E\x9D\x9C"
                                         "xy"));
  EXPECT_EQ(SlotOf(514).KeyValue, std::string("\x01\x02"
                                              "abc"
                                              "xy"));
}

TEST_F(RecordOperationsTest, RandomStatAnswersAreReadWithinTheirBounds) {
  // Hostile layouts: random bytes with random returned lengths. Every key
  // length stays within a key buffer and no conversion reads past the data
  // (the sanitizer build checks the latter).
  std::mt19937 random(12345);
  recorder.StatScripted = true;
  for (int round = 0; round < 400; ++round) {
    std::string data(1536, '\0');
    const int filled = static_cast<int>(random() % 1537);
    for (int i = 0; i < filled; ++i) data[i] = static_cast<char>(random() % 4 == 0 ? 0x10 : random() & 0xFF);
    data[4] = static_cast<char>(random() % 6);  // a few keys, so that walks go deep
    data[5] = 0;
    const int64_t length = static_cast<int64_t>(random() % 2000);
    recorder.Push(0, data, "", length);
    int16_t keyLength = -1, recordLength = -1;
    records::ReadFileLayout(514, static_cast<int16_t>(random() % 6), keyLength, recordLength);
    EXPECT_GE(keyLength, 0);
    EXPECT_LE(keyLength, 255);
    recorder.Push(0, data, "", length);
    const std::string value(random() % 40, 'v');
    EXPECT_GE(CollatingKey(value, 514).size(), value.size());
  }
}

TEST_F(RecordOperationsTest, AlternateSegmentWithoutAWeightTableIsLeftAsStored) {
  recorder.Layout = StatData(36, {{{3, 0x20}}});  // no collating block follows
  EXPECT_EQ(CollatingKey("abc", 514), "abc");
}

}  // namespace
}  // namespace recordstest
