// Opening, creating, registering and resetting data files, against the
// recorder.
#include <gtest/gtest.h>

#include "platform/system.h"
#include "records_fixture.h"

namespace recordstest {
namespace {

using records::FindFileSlot;
using records::OpenDataFile;
using records::ResetDataFiles;

std::string Spec(uint16_t recordLength, const std::vector<std::vector<Segment>>& keys) {
  std::string spec = StatData(recordLength, keys);
  std::string file(2, '\0');
  file[0] = static_cast<char>(spec.size() & 0xFF);
  file[1] = static_cast<char>(spec.size() >> 8);
  return file + spec;
}

class OpenDataFileTest : public RecordsTest {};

TEST_F(OpenDataFileTest, OpenSendsOwnerNameAndPathThenReadsTheLayout) {
  recorder.Layout = StatData(120, {{{2, 0}, {4, 0}}, {{30, 0}}});
  std::string area(200, 'x');
  ASSERT_EQ(Open(511, area, "DADES\\FinquesH"), 0);

  ASSERT_EQ(recorder.Calls.size(), 2u);
  const RecordedCall& open = recorder.Calls[0];
  EXPECT_EQ(open.Operation, records::OpOpen);
  EXPECT_EQ(open.PositionBlock, Nuls(128));
  EXPECT_EQ(open.DataLength, 5u);
  // Four characters of owner name and a NUL, then blanks to 1536 bytes.
  EXPECT_EQ(open.Data.size(), 1536u);
  EXPECT_EQ(open.Data[4], '\0');
  for (int i = 0; i < 4; ++i) EXPECT_GT(static_cast<uint8_t>(open.Data[i]), ' ') << i;
  EXPECT_EQ(open.Data.substr(5), Blanks(1531));
  const std::string path = platform::NativePath("DADES\\FinquesH.dat");
  EXPECT_EQ(open.KeyValue(), path);
  EXPECT_EQ(open.Key[path.size()], '\0');
  EXPECT_EQ(open.KeyNumber, 0);

  const RecordedCall& stat = recorder.Calls[1];
  EXPECT_EQ(stat.Operation, records::OpStat);
  EXPECT_EQ(stat.Data, Blanks(1536));
  EXPECT_EQ(stat.DataLength, 1536u);
  EXPECT_EQ(stat.Key, Blanks(255));
  EXPECT_EQ(stat.KeyLength, 255);
  EXPECT_EQ(stat.KeyNumber, 0);

  const records::DataFileSlot& slot = SlotOf(511);
  EXPECT_EQ(FindFileSlot(511), 40);
  EXPECT_EQ(slot.FileId, 511);
  EXPECT_EQ(slot.RecordBuffer, &area);
  EXPECT_EQ(slot.RecordLength, 120);
  EXPECT_EQ(slot.KeyNumber, 0);
  EXPECT_EQ(slot.KeyValue, Nuls(6));  // key 0 of a 2-byte and a 4-byte segment
  EXPECT_EQ(slot.LockMode, 0);
  EXPECT_EQ(area, std::string(200, 'x'));  // an area long enough is left as it is
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(OpenDataFileTest, OwnerNameIsTheSameForEveryFile) {
  std::string a, b;
  Open(1, a);
  Open(2, b, "Other");
  auto opens = recorder.CallsOf(records::OpOpen);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].Data.substr(0, 5), opens[1].Data.substr(0, 5));
}

TEST_F(OpenDataFileTest, NameSplitAndDefaultExtension) {
  struct Case {
    const char* name;
    const char* opened;
    const char* specBase;
  } cases[] = {
      {"C:\\DATA\\FinquesH", "C:\\DATA\\FinquesH.dat", "FinquesH"},
      {"C:\\DATA\\Finques.DAT", "C:\\DATA\\Finques.DAT", "Finques"},
      {"C:\\V1.0\\Finques", "C:\\V1.0\\Finques.dat", "Finques"},
      {"a.b.c", "a.b.c", "a"},
      {"dir/sub.x/file", "dir/sub.x/file.dat", "file"},
      {"C:name", "C:name.dat", "name"},
      {"NAME.", "NAME.", "NAME"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    records::ResetState();
    records::State().Manager = &recorder;
    records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
    recorder.Calls.clear();
    // Not found, then created from the creation specification named by the base name.
    WriteSpecFile(c.specBase, Spec(50, {{{4, 0}}}));
    recorder.Push(12);
    recorder.Push(0);
    recorder.Push(0);
    std::string area;
    ASSERT_EQ(OpenDataFile(7, c.name, area), 0);
    auto opens = recorder.CallsOf(records::OpOpen);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].KeyValue(), platform::NativePath(c.opened));
    ASSERT_EQ(recorder.CallsOf(records::OpCreate).size(), 1u);
    std::filesystem::remove(root / "ddf" / (std::string(c.specBase) + ".xdf"));
  }
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(OpenDataFileTest, SlotsAreTakenFromTheTopAndTheTableHoldsForty) {
  std::vector<std::string> areas(41);
  for (int16_t id = 1; id <= 40; ++id) {
    ASSERT_EQ(Open(id, areas[id - 1]), 0);
    EXPECT_EQ(FindFileSlot(id), 41 - id);
  }
  recorder.Calls.clear();
  EXPECT_EQ(OpenDataFile(100, "More", areas[40]), records::StatusTableFull);
  EXPECT_EQ(FindFileSlot(100), 0);  // no free slot either
  EXPECT_TRUE(recorder.Calls.empty());

  ASSERT_EQ(ResetDataFiles(), 0);
  EXPECT_EQ(FindFileSlot(1), -40);
  EXPECT_EQ(Open(100, areas[40]), 0);
  EXPECT_EQ(FindFileSlot(100), 40);
}

TEST_F(OpenDataFileTest, AnIdentifierAlreadyOpenIsRefusedWithoutACall) {
  std::string first, second;
  ASSERT_EQ(Open(511, first, "First"), 0);
  recorder.Calls.clear();
  EXPECT_EQ(OpenDataFile(511, "Second", second), records::StatusAlreadyOpen);
  EXPECT_TRUE(recorder.Calls.empty());
  EXPECT_EQ(SlotOf(511).RecordBuffer, &first);
  EXPECT_EQ(FindFileSlot(511), 40);
  EXPECT_EQ(FindFileSlot(512), -39);
}

TEST_F(OpenDataFileTest, LockedFileIsRetriedEveryThreeSecondsWithNothingShown) {
  recorder.Push(85, "", "", 9);  // the data length returned goes into the next try
  recorder.Push(85, "", "", 7);
  recorder.Push(85);
  recorder.Push(0);
  std::string area;
  const std::string screen = console.RowText(12);
  ASSERT_EQ(OpenDataFile(3, "Locked", area), 0);
  EXPECT_EQ(sleeps, (std::vector<int>{3000, 3000, 3000}));
  auto opens = recorder.CallsOf(records::OpOpen);
  ASSERT_EQ(opens.size(), 4u);
  EXPECT_EQ(opens[1].DataLength, 9u);
  EXPECT_EQ(opens[2].DataLength, 7u);
  for (const auto& open : opens) EXPECT_EQ(open.Data.substr(0, 5), opens[0].Data.substr(0, 5));
  EXPECT_EQ(console.RowText(12), screen);
  EXPECT_EQ(console.Beeps(), 0);
}

TEST_F(OpenDataFileTest, MissingFileIsCreatedFromItsSpecificationAndOpened) {
  const std::string spec = Spec(36, {{{2, 0}, {7, 0}}});
  WriteSpecFile("CobramH", spec);
  recorder.Layout = StatData(36, {{{2, 0}, {7, 0}}});
  recorder.Push(12);
  recorder.Push(0);  // Create
  recorder.Push(0);  // Open again
  std::string area;
  ASSERT_EQ(OpenDataFile(514, "DADES\\CobramH", area), 0);

  auto ops = recorder.NonStatCalls();
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].Operation, records::OpOpen);
  EXPECT_EQ(ops[1].Operation, records::OpCreate);
  EXPECT_EQ(ops[2].Operation, records::OpOpen);
  const RecordedCall& create = ops[1];
  EXPECT_EQ(create.Data.substr(0, spec.size() - 2), spec.substr(2));
  EXPECT_EQ(create.Data.substr(spec.size() - 2), Blanks(1536 - (spec.size() - 2)));
  EXPECT_EQ(create.DataLength, 1536u);
  EXPECT_EQ(create.KeyValue(), ops[0].KeyValue());
  EXPECT_EQ(create.KeyNumber, -1);
  EXPECT_EQ(SlotOf(514).KeyValue, Nuls(9));
  EXPECT_EQ(SlotOf(514).RecordLength, 36);
  EXPECT_TRUE(exitCodes.empty());
}

TEST_F(OpenDataFileTest, ShortRecordAreaGrowsToTheRecordLength) {
  recorder.Layout = StatData(400, {{{2, 0}}});
  std::string area(388, 'e');
  ASSERT_EQ(Open(511, area), 0);
  ASSERT_EQ(area.size(), 400u);
  EXPECT_EQ(area.substr(0, 388), std::string(388, 'e'));
  EXPECT_EQ(area.substr(388), Nuls(12));
}

TEST_F(OpenDataFileTest, ResetSendsZeroBuffersOnTheScratchBlockAndEmptiesTheTable) {
  std::string area;
  ASSERT_EQ(Open(5, area), 0);
  recorder.Calls.clear();
  recorder.Push(0);
  ASSERT_EQ(ResetDataFiles(), 0);
  ASSERT_EQ(recorder.Calls.size(), 1u);
  const RecordedCall& reset = recorder.Calls[0];
  EXPECT_EQ(reset.Operation, records::OpReset);
  EXPECT_EQ(reset.PositionBlock, Blanks(128));
  EXPECT_EQ(reset.Data, Nuls(4));
  EXPECT_EQ(reset.Key, Nuls(4));
  EXPECT_EQ(reset.DataLength, 0u);
  EXPECT_EQ(reset.KeyLength, 0);
  EXPECT_EQ(reset.KeyNumber, 0);
  EXPECT_EQ(FindFileSlot(5), -40);
  for (const auto& slot : records::State().DataFileTable) {
    EXPECT_EQ(slot.FileId, 0);
    EXPECT_EQ(slot.RecordBuffer, nullptr);
  }
  EXPECT_EQ(records::State().DataFileTable[0].PositionBlock[0], 0);
}

TEST_F(OpenDataFileTest, FailedResetLeavesEverySlot) {
  std::string a, b;
  ASSERT_EQ(Open(5, a), 0);
  ASSERT_EQ(Open(6, b), 0);
  recorder.Push(2);
  EXPECT_EQ(ResetDataFiles(), 2);
  EXPECT_EQ(FindFileSlot(5), 40);
  EXPECT_EQ(FindFileSlot(6), 39);
  EXPECT_EQ(SlotOf(6).RecordBuffer, &b);
}

TEST_F(OpenDataFileTest, ReadFileLayoutSumsTheSegmentsOfTheKeyAskedFor) {
  recorder.Layout = StatData(300, {{{2, 0}, {4, 0}}, {{30, 0}}, {{1, 0}, {2, 0}, {3, 0}}});
  std::string area;
  ASSERT_EQ(Open(9, area), 0);
  struct Case {
    int16_t key, keyLength;
  } cases[] = {{0, 6}, {1, 30}, {2, 6}, {3, 0}, {-1, 0}};
  for (const Case& c : cases) {
    int16_t keyLength = -5, recordLength = -5;
    records::ReadFileLayout(9, c.key, keyLength, recordLength);
    EXPECT_EQ(keyLength, c.keyLength) << c.key;
    EXPECT_EQ(recordLength, 300) << c.key;
  }
  int16_t keyLength = -5, recordLength = -5;
  records::ReadFileLayout(10, 0, keyLength, recordLength);
  EXPECT_EQ(keyLength, 0);
  EXPECT_EQ(recordLength, 0);
}

TEST_F(OpenDataFileTest, DamagedStatAnswersGiveNoKeyAndReadNothingPastTheBuffer) {
  std::string area;
  ASSERT_EQ(Open(9, area), 0);
  // A key whose segments chain on past the answer, and a key count far
  // beyond the segments given.
  std::string chained = StatData(100, {{{5, 0x10}}});
  chained[4] = 50;
  struct Case {
    const char* what;
    std::string data;
    int64_t length;
  } cases[] = {
      {"segments run past the returned data", chained, -1},
      {"returned length cut inside the header", StatData(100, {{{5, 0}}}), 3},
      {"returned length beyond the buffer", std::string(1536, '\x10'), 100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    recorder.StatScripted = true;
    recorder.Push(0, c.data, "", c.length);
    int16_t keyLength = -5, recordLength = -5;
    records::ReadFileLayout(9, 1, keyLength, recordLength);
    EXPECT_EQ(keyLength, 0);
    recorder.Push(0, c.data, "", c.length);
    EXPECT_EQ(records::CollatingKey("ab", 9), "ab");
  }
  recorder.Push(3);  // Stat itself failing
  int16_t keyLength = -5, recordLength = -5;
  records::ReadFileLayout(9, 0, keyLength, recordLength);
  EXPECT_EQ(keyLength, 0);
  EXPECT_EQ(recordLength, 0);
}

// The open failure path: message box, bell, key, reset, exit code 0.
class OpenFailureTest : public RecordsTest {};

TEST_F(OpenFailureTest, MessageNamesTheFileAndStatusInTheSessionLanguage) {
  struct Case {
    const char* language;
    std::string text;
  } cases[] = {
      {"CAT", "NO ES POT ACCEDIR AL FITXER "},    {"SPA", "NO SE PUEDE ACCEDER AL FICHERO "},
      {"GLG", "NOM SE PODE ACEDER AO FICHEIRO "}, {"OCI", "NON SE P\xE3T ACCEDIR ATH FICH\xD4R "},
      {"XYZ", "NO ES POT ACCEDIR AL FITXER "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    records::ResetState();
    console::ResetState();
    records::State().Manager = &recorder;
    config::SessionSettings().LanguageCode = c.language;
    recorder.Push(20);
    std::string area;
    // No key scripted: the wait for a key stops the test with the box open.
    EXPECT_THROW(OpenDataFile(514, "\\R\\DADES\\CobramH", area), platform::ScriptExhausted);
    const std::string expected = c.text + "\\R\\DADES\\CobramH (20)";
    bool found = false;
    for (int16_t row = 1; row <= 25; ++row) {
      if (console.RowText(row).find(expected) != std::string::npos) {
        found = true;
        EXPECT_GE(row, 9);
        EXPECT_LE(row, 12);
      }
    }
    EXPECT_TRUE(found) << expected;
  }
}

TEST_F(OpenFailureTest, KeyClosesTheBoxThenFilesAreResetAndTheProcessEndsWithZero) {
  console.WriteText("UNDER THE BOX");
  console.MoveCursor(12, 30);
  console.WriteText("ROW TWELVE");
  const std::string row11 = console.RowText(11), row12 = console.RowText(12);
  const std::string row1 = console.RowText(1);
  bool closed = false;
  records::State().CloseOrdinaryFiles = [&] { closed = true; };
  std::string other;
  ASSERT_EQ(Open(511, other), 0);
  console.PushKey('x');  // typed ahead: discarded before the wait
  console.PushDiscardBarrier();
  console.PushKey(13);
  recorder.Push(46);  // access denied
  recorder.Push(0);   // Reset
  std::string area;
  EXPECT_EQ(OpenDataFile(513, "DADES\\PropietH", area), 46);

  EXPECT_EQ(exitCodes, std::vector<int>{0});
  EXPECT_TRUE(closed);
  EXPECT_EQ(console.Beeps(), 1);
  // The x typed ahead was discarded and Enter taken: at most Enter's release is left.
  EXPECT_LE(console.PendingEvents(), 1u);
  EXPECT_EQ(console.RowText(1), row1);
  EXPECT_EQ(console.RowText(11), row11);
  EXPECT_EQ(console.RowText(12), row12);
  ASSERT_FALSE(recorder.Calls.empty());
  EXPECT_EQ(recorder.Calls.back().Operation, records::OpReset);
  EXPECT_EQ(FindFileSlot(511), -40);  // every slot emptied by the reset
  EXPECT_EQ(FindFileSlot(513), -40);
}

TEST_F(OpenFailureTest, UnusableCreationSpecificationsEndInTheFailurePath) {
  std::string longSpec(2 + 1600, '\0');
  longSpec[0] = static_cast<char>(1600 & 0xFF);
  longSpec[1] = static_cast<char>(1600 >> 8);
  std::string shortSpec = Spec(36, {{{2, 0}}});
  shortSpec.resize(shortSpec.size() - 5);
  std::string negative = Spec(36, {{{2, 0}}});
  negative[1] = '\x80';
  struct Case {
    const char* what;
    const char* bytes;  // null: no file
    std::string content;
  } cases[] = {
      {"missing", nullptr, ""},
      {"shorter than its length prefix", "", shortSpec},
      {"longer than 1536 bytes", "", longSpec},
      {"a negative length", "", negative},
      {"only one byte", "", std::string(1, '\x10')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    records::ResetState();
    console::ResetState();
    records::State().Manager = &recorder;
    records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
    exitCodes.clear();
    recorder.Calls.clear();
    std::filesystem::remove(root / "ddf" / "Broken.xdf");
    if (c.bytes != nullptr) WriteSpecFile("Broken", c.content);
    console.PushDiscardBarrier();
    console.PushKey(27);
    recorder.Push(12);
    recorder.Push(0);  // Reset
    std::string area;
    int16_t status = OpenDataFile(8, "DADES\\Broken", area);
    EXPECT_NE(status, 0);
    EXPECT_EQ(exitCodes, std::vector<int>{0});
    EXPECT_TRUE(recorder.CallsOf(records::OpCreate).empty());
    EXPECT_EQ(recorder.Calls.back().Operation, records::OpReset);
  }
}

TEST_F(OpenFailureTest, FailedCreateEndsInTheFailurePathWithItsStatus) {
  WriteSpecFile("Bad", Spec(36, {{{2, 0}}}));
  console.PushDiscardBarrier();
  console.PushKey(13);
  recorder.Push(12);
  recorder.Push(29);  // Create refused: bad key length
  recorder.Push(0);   // Reset
  std::string area;
  EXPECT_EQ(OpenDataFile(8, "Bad", area), 29);
  EXPECT_EQ(exitCodes, std::vector<int>{0});
}

TEST_F(OpenFailureTest, FilesWhoseLayoutCannotBeUsedAreRefused) {
  struct Case {
    const char* what;
    int16_t statStatus;
    std::string layout;
    int16_t expected;
  } cases[] = {
      {"Stat fails", 2, "", 2},
      {"records longer than the data buffer", 0, StatData(1537, {{{2, 0}}}), records::StatusBadRecordLength},
      {"records of length 0", 0, StatData(0, {{{2, 0}}}), records::StatusBadRecordLength},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    records::ResetState();
    console::ResetState();
    records::State().Manager = &recorder;
    records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
    exitCodes.clear();
    recorder.StatScripted = true;
    console.PushDiscardBarrier();
    console.PushKey(13);
    recorder.Push(0);  // Open
    recorder.Push(c.statStatus, c.layout);
    recorder.Push(0);  // Reset
    std::string area(36, 'a');
    EXPECT_EQ(OpenDataFile(8, "Wide", area), c.expected);
    EXPECT_EQ(exitCodes, std::vector<int>{0});
    EXPECT_EQ(area, std::string(36, 'a'));
    EXPECT_EQ(FindFileSlot(8), -40);
  }
}

TEST_F(OpenFailureTest, PathTooLongForTheRecordManagerIsRefusedWithoutACall) {
  console.PushDiscardBarrier();
  console.PushKey(13);
  recorder.Push(0);  // Reset
  std::string area;
  EXPECT_NE(OpenDataFile(8, std::string(251, 'p'), area), 0);  // 255 with ".dat"
  EXPECT_TRUE(recorder.CallsOf(records::OpOpen).empty());
  EXPECT_EQ(exitCodes, std::vector<int>{0});
}

}  // namespace
}  // namespace recordstest
