// The file-access layer over the real record manager, on files made in a
// temporary directory.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "recmgr.h"
#include "records_fixture.h"

namespace recordstest {
namespace {

using records::FindRecord;
using records::OpenDataFile;
using records::RecordPosition;
using records::SkipRecords;

// A collections file: 36-byte records, key 0 = estate (2) + department and
// date (7), unique.
const std::vector<std::vector<Segment>> kCollectionKeys = {{{2, 0}, {7, 0}}};

std::string SpecFile(const std::string& spec) {
  std::string file(2, '\0');
  file[0] = static_cast<char>(spec.size() & 0xFF);
  file[1] = static_cast<char>(spec.size() >> 8);
  return file + spec;
}

std::string Receipt(const std::string& estate, char department, char day, char state) {
  std::string r = estate + std::string("\x80") + department + "\x94\x98\x83" + day;
  r.resize(36, ' ');
  r[21] = state;
  return r;
}

// A second user of a data file, calling the record manager directly with a
// position block of its own.
struct OtherUser {
  uint8_t block[RM_POSITION_BLOCK_SIZE] = {};
  int16_t Open(const std::string& path, int8_t mode = RM_MODE_NORMAL) {
    uint8_t data[8] = {0};
    uint32_t length = 0;
    std::string key = path;
    key.push_back('\0');
    return RecordManagerCall(RM_OPEN, block, data, &length, key.data(), static_cast<uint8_t>(path.size()),
                             mode);
  }
  int16_t Insert(std::string record) {
    uint32_t length = static_cast<uint32_t>(record.size());
    char key[256] = {0};
    return RecordManagerCall(RM_INSERT, block, record.data(), &length, key, 255, 0);
  }
  // Reads the record of a key with a record lock, without waiting.
  int16_t LockRecord(std::string keyValue) {
    std::string data(1536, ' ');
    uint32_t length = 1536;
    keyValue.resize(255, '\0');
    return RecordManagerCall(RM_GET_EQUAL + RM_LOCK_NOWAIT, block, data.data(), &length, keyValue.data(), 9,
                             0);
  }
  int16_t Close() {
    uint8_t data[4] = {0}, key[4] = {0};
    uint32_t length = 0;
    return RecordManagerCall(RM_CLOSE, block, data, &length, key, 0, 0);
  }
};

class RealManagerTest : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    records::State().Manager = nullptr;  // the library
    std::filesystem::create_directories(root / "DADES");
    rootDir = config::SessionSettings().RootDir;
    dataPath = (root / "DADES" / "CobramH.dat").string();
  }
  void TearDown() override {
    records::State().Manager = nullptr;
    records::State().EndProcess = nullptr;
    records::ResetDataFiles();
    RecordsTest::TearDown();
  }
  // Opens the collections file, creating it from its specification.
  int16_t OpenCollections() {
    WriteSpecFile("CobramH", SpecFile(StatData(36, kCollectionKeys)));
    return OpenDataFile(514, rootDir + "DADES\\CobramH", area);
  }
  std::string rootDir, dataPath;
  std::string area = std::string(36, '\0');
};

TEST_F(RealManagerTest, FirstOpenCreatesTheFileFromItsSpecificationAndReadsFollowKeyZero) {
  ASSERT_FALSE(std::filesystem::exists(dataPath));
  ASSERT_EQ(OpenCollections(), 0);
  EXPECT_TRUE(std::filesystem::exists(dataPath));
  EXPECT_EQ(SlotOf(514).RecordLength, 36);
  EXPECT_EQ(SlotOf(514).KeyValue, Nuls(9));
  EXPECT_TRUE(exitCodes.empty());

  OtherUser writer;
  ASSERT_EQ(writer.Open(dataPath), 0);
  const std::string r1 = Receipt("\x80\x8C", '\x81', '\x8F', 'P');
  const std::string r2 = Receipt("\x80\x8C", '\x82', '\x90', 'D');
  const std::string r3 = Receipt("\x80\x8C", '\x83', '\x91', 'P');
  const std::string r4 = Receipt("\x80\x8D", '\x81', '\x8F', 'P');
  for (const std::string& r : {r3, r1, r4, r2}) ASSERT_EQ(writer.Insert(r), 0);
  ASSERT_EQ(writer.Close(), 0);

  // The estate's code alone, filled with NUL bytes, finds its first receipt.
  ASSERT_EQ(FindRecord(514, 0, "\x80\x8C", 1), 0);
  EXPECT_EQ(area, r1);
  EXPECT_EQ(records::CurrentKey(514), r1.substr(0, 9));
  ASSERT_EQ(SkipRecords(514, 1), 0);
  EXPECT_EQ(area, r2);
  ASSERT_EQ(SkipRecords(514, 1), 0);
  EXPECT_EQ(area, r3);
  ASSERT_EQ(SkipRecords(514, 1), 0);
  EXPECT_EQ(area, r4);
  EXPECT_EQ(SkipRecords(514, 1), RM_END_OF_FILE);
  EXPECT_EQ(area, r4);

  // An estate without receipts reaches the next estate's first one.
  ASSERT_EQ(FindRecord(514, 0, "\x80\x8B", 1), 0);
  EXPECT_EQ(area, r1);
  // Three at once: only the third reaches the area.
  ASSERT_EQ(SkipRecords(514, 3), 0);
  EXPECT_EQ(area, r4);
  ASSERT_EQ(SkipRecords(514, -2), 0);
  EXPECT_EQ(area, r2);

  // A position read back gives the same record.
  const int32_t position = RecordPosition(514, 0);
  EXPECT_NE(position, 0);
  ASSERT_EQ(FindRecord(514, 0, "\x80\x8D", 1), 0);
  EXPECT_EQ(area, r4);
  EXPECT_EQ(RecordPosition(514, position), 0);
  EXPECT_EQ(area, r2);

  // Beyond every key: the record manager's status, the area as it was.
  EXPECT_EQ(FindRecord(514, 0, "\xFF\xFF", 1), RM_END_OF_FILE);
  EXPECT_EQ(area, r2);
  EXPECT_EQ(FindRecord(514, 0, r2.substr(0, 9), 0), 0);
  EXPECT_EQ(FindRecord(514, 1, "x", 0), records::StatusNoSuchKey);
  EXPECT_EQ(FindRecord(514, 0, "\x80\x8C\x80\x99", 0), RM_KEY_NOT_FOUND);
}

TEST_F(RealManagerTest, ReopenAfterResetUsesTheExistingFile) {
  ASSERT_EQ(OpenCollections(), 0);
  OtherUser writer;
  ASSERT_EQ(writer.Open(dataPath), 0);
  const std::string r1 = Receipt("\x80\x8C", '\x81', '\x8F', 'P');
  ASSERT_EQ(writer.Insert(r1), 0);
  writer.Close();
  ASSERT_EQ(records::ResetDataFiles(), 0);
  EXPECT_EQ(records::FindFileSlot(514), -40);

  std::filesystem::remove(root / "ddf" / "CobramH.xdf");
  ASSERT_EQ(OpenDataFile(514, rootDir + "DADES\\CobramH", area), 0);
  ASSERT_EQ(FindRecord(514, 0, "", 1), 0);
  EXPECT_EQ(area, r1);
}

TEST_F(RealManagerTest, ExclusivelyOpenedFileIsRetriedUntilItIsFree) {
  ASSERT_EQ(OpenCollections(), 0);
  ASSERT_EQ(records::ResetDataFiles(), 0);
  OtherUser holder;
  ASSERT_EQ(holder.Open(dataPath, RM_MODE_EXCLUSIVE), 0);
  platform::State().Sleeper = [&](int ms) {
    sleeps.push_back(ms);
    if (sleeps.size() == 2) holder.Close();
  };
  ASSERT_EQ(OpenDataFile(514, rootDir + "DADES\\CobramH", area), 0);
  EXPECT_EQ(sleeps, (std::vector<int>{3000, 3000}));
  EXPECT_EQ(console.RowText(12), std::string(80, ' '));
}

TEST_F(RealManagerTest, LockedRecordIsWaitedOutInLockModeOne) {
  ASSERT_EQ(OpenCollections(), 0);
  OtherUser other;
  ASSERT_EQ(other.Open(dataPath), 0);
  const std::string r1 = Receipt("\x80\x8C", '\x81', '\x8F', 'P');
  ASSERT_EQ(other.Insert(r1), 0);
  ASSERT_EQ(other.LockRecord(r1.substr(0, 9)), 0);

  int16_t status = 0;
  records::SetLockMode(514, "b", status);
  EXPECT_EQ(FindRecord(514, 0, r1.substr(0, 9), 0), RM_RECORD_LOCKED);  // mode 2: at once
  EXPECT_TRUE(sleeps.empty());

  records::SetLockMode(514, "a", status);
  std::vector<bool> messageShown;
  platform::State().Sleeper = [&](int ms) {
    sleeps.push_back(ms);
    bool shown = false;
    for (int16_t row = 20; row <= 25; ++row)
      if (console.RowText(row).find("FITXER BLOQUEJAT. ESPEREU UN MOMENT.") != std::string::npos)
        shown = true;
    messageShown.push_back(shown);
    if (sleeps.size() == 3) other.Close();
  };
  const std::string row24 = console.RowText(24);
  ASSERT_EQ(FindRecord(514, 0, r1.substr(0, 9), 0), 0);
  EXPECT_EQ(area, r1);
  EXPECT_EQ(sleeps.size(), 3u);
  // Shown after the first pause, on the screen through the later ones.
  EXPECT_EQ(messageShown, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(console.RowText(24), row24);
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(RealManagerTest, UnsignedKeySegmentsComeBackInCollatingForm) {
  WriteSpecFile("Numbers", SpecFile(StatData(8, {{{2, 0x04}}})));
  std::string numbers(8, '\0');
  ASSERT_EQ(OpenDataFile(20, rootDir + "DADES\\Numbers", numbers), 0);
  OtherUser writer;
  ASSERT_EQ(writer.Open((root / "DADES" / "Numbers.dat").string()), 0);
  ASSERT_EQ(writer.Insert(std::string("\x01\x02"
                                      "abcdef")),
            0);
  writer.Close();
  ASSERT_EQ(FindRecord(20, 0, "", 1), 0);
  EXPECT_EQ(numbers, std::string("\x01\x02"
                                 "abcdef"));
  EXPECT_EQ(records::CurrentKey(20), std::string("\x02\x01"));
}

TEST_F(RealManagerTest, FileThatCannotBeOpenedShowsItsMessageAndEndsWithZero) {
  // No data file and no creation specification: status 12.
  const std::string name = rootDir + "DADES\\FinquesH";
  std::string estates(388, '\0');
  EXPECT_THROW(OpenDataFile(511, name, estates), platform::ScriptExhausted);  // waiting for the key
  // The message is longer than a line of the box: compare the box's text
  // with the frame and the blanks taken out.
  // The root is written with slashes: so is the whole path the message shows.
  ASSERT_NE(rootDir.find('/'), std::string::npos);
  std::string expected = "NO ES POT ACCEDIR AL FITXER " + rootDir + "DADES/FinquesH (12)";
  std::erase(expected, ' ');
  std::string boxText;
  for (int16_t row = 1; row <= 25; ++row) {
    for (char c : console.RowText(row)) {
      const auto byte = static_cast<uint8_t>(c);
      if (c != ' ' && byte != 0xB3 && byte != 0xC4 && byte != 0xDA && byte != 0xBF && byte != 0xC0 &&
          byte != 0xD9)
        boxText.push_back(c);
    }
  }
  EXPECT_NE(boxText.find(expected), std::string::npos) << boxText;

  console::ResetState();
  console.ClearScreen();
  records::ResetState();
  records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
  console.PushDiscardBarrier();
  console.PushKey(27);
  EXPECT_EQ(OpenDataFile(511, name, estates), RM_FILE_NOT_FOUND);
  EXPECT_EQ(exitCodes, std::vector<int>{0});
  EXPECT_EQ(console.RowText(10), std::string(80, ' '));
  EXPECT_EQ(records::FindFileSlot(511), -40);
}

TEST_F(RealManagerTest, SpecificationTheRecordManagerRefusesEndsInTheFailurePath) {
  std::string spec = StatData(36, kCollectionKeys);
  spec[2] = spec[3] = 0;  // page size 0
  WriteSpecFile("CobramH", SpecFile(spec));
  console.PushDiscardBarrier();
  console.PushKey(13);
  EXPECT_EQ(OpenDataFile(514, rootDir + "DADES\\CobramH", area), RM_BAD_PAGE_SIZE);
  EXPECT_EQ(exitCodes, std::vector<int>{0});
  EXPECT_FALSE(std::filesystem::exists(dataPath));
}

TEST_F(RealManagerTest, DamagedDataFileIsRefusedAndLeftAsItWas) {
  const std::string garbage = "this is not a data file\r\n" + std::string(3000, '\x5A');
  {
    std::ofstream out(root / "DADES" / "FinquesH.dat", std::ios::binary);
    out << garbage;
  }
  WriteSpecFile("FinquesH", SpecFile(StatData(388, {{{2, 0}}})));
  console.PushDiscardBarrier();
  console.PushKey(13);
  std::string estates(388, '\0');
  const int16_t status = OpenDataFile(511, rootDir + "DADES\\FinquesH", estates);
  EXPECT_NE(status, 0);
  EXPECT_EQ(exitCodes, std::vector<int>{0});
  std::ifstream in(root / "DADES" / "FinquesH.dat", std::ios::binary);
  std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, garbage);
}

}  // namespace
}  // namespace recordstest
