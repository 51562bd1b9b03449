// The browse over a real data file of the record manager, with a counting
// pass-through in front of the library.
#include <gtest/gtest.h>

#include <cstring>

#include "console/keyboard.h"
#include "forms/browse.h"
#include "forms_fixture.h"
#include "recmgr.h"

namespace formstest {
namespace {

using namespace console;

class CountingManager : public records::RecordManager {
 public:
  int16_t Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
               void* keyBuffer, uint8_t keyLength, int8_t keyNumber) override {
    if (operation == records::OpGetGreaterOrEqual || operation == records::OpGetNext) ++Reads;
    if (operation == records::OpGetDirect) ++DirectReads;
    return records::LibraryRecordManager().Call(operation, positionBlock, dataBuffer, dataLength, keyBuffer,
                                                keyLength, keyNumber);
  }
  int Reads = 0;
  int DirectReads = 0;
};

class FormsRealFileBrowseTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    std::filesystem::create_directories(root / "DADES");
    const std::string path = (root / "DADES" / "FinquesH.dat").string();
    // Creation specification: 32-byte records, one key of 2 plain bytes.
    std::string spec(32, '\0');
    spec[0] = 32;
    spec[3] = 4;
    spec[4] = 1;
    spec[16] = 1;
    spec[18] = 2;
    std::string block(RM_POSITION_BLOCK_SIZE, '\0');
    std::string data = spec;
    data.resize(1536, ' ');
    std::string key = path;
    uint32_t length = static_cast<uint32_t>(spec.size());
    ASSERT_EQ(RecordManagerCall(RM_CREATE, block.data(), data.data(), &length, key.data(),
                                static_cast<uint8_t>(key.size()), -1),
              0);
    std::string owner(5, '\0');
    length = 0;
    ASSERT_EQ(RecordManagerCall(RM_OPEN, block.data(), owner.data(), &length, key.data(),
                                static_cast<uint8_t>(key.size()), 0),
              0);
    // Inserted out of order: the list comes in key order all the same.
    for (int i = 25; i >= 1; --i) {
      char name[16];
      std::snprintf(name, sizeof name, "ESTATE %02d", i);
      std::string record = EstateFile::Record(i, name);
      std::string keyBuffer(255, '\0');
      length = static_cast<uint32_t>(record.size());
      ASSERT_EQ(RecordManagerCall(RM_INSERT, block.data(), record.data(), &length, keyBuffer.data(), 255, 0),
                0);
    }
    length = 0;
    RecordManagerCall(RM_CLOSE, block.data(), nullptr, &length, nullptr, 0, 0);
    records::State().Manager = &counting;
    ASSERT_EQ(records::OpenDataFile(511, root.string() + "/DADES\\FinquesH", area), 0);
    DefineBrowse(3, 10, 14, 71);
    UseEstateLines();
  }
  void TearDown() override {
    records::ResetDataFiles();
    FormsTest::TearDown();
  }
  std::string ListRow(int r) const {
    std::string text = Cells(static_cast<int16_t>(3 + r), 11, 60);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }
  CountingManager counting;
};

TEST_F(FormsRealFileBrowseTest, PagesThroughTheFileAndReadsTheChosenRecordAgain) {
  std::vector<std::string> first, second;
  std::string bytes;
  int readsAtFirstWait = 0;
  int waits = 0;
  console.OnWait = [&] {
    ++waits;
    if (waits == 1) {
      readsAtFirstWait = counting.Reads;
      bytes = ReadBytes(LineFile());
      for (int r = 1; r <= 10; ++r) first.push_back(ListRow(r));
    }
    if (waits == 4) {
      for (int r = 1; r <= 10; ++r) second.push_back(ListRow(r));
    }
  };
  for (int key : {KeyDown, KeyDown, KeyPgDn, KeyEnter}) console.PushKey(key);
  EXPECT_EQ(forms::RunBrowse(1), 0);
  EXPECT_EQ(readsAtFirstWait, 11);
  ASSERT_EQ(first.size(), 10u);
  EXPECT_EQ(first[0], "001  ESTATE 01");
  EXPECT_EQ(first[9], "010  ESTATE 10");
  EXPECT_EQ(second[0], "011  ESTATE 11");
  EXPECT_EQ(second[9], "020  ESTATE 20");
  EXPECT_EQ(counting.DirectReads, 1);
  EXPECT_EQ(area.substr(0, 11), EstateFile::Record(13, "ESTATE 13").substr(0, 11));
  // Each line record carries the position that Get Direct takes back.
  ASSERT_EQ(bytes.size(), 240u);
  int32_t position = 0;
  std::memcpy(&position, bytes.data() + 4, 4);
  EXPECT_NE(position, 0);
  EXPECT_EQ(records::RecordPosition(511, position), 0);
  EXPECT_EQ(area.substr(2, 9), "ESTATE 01");
  EXPECT_FALSE(std::filesystem::exists(LineFile()));
}

}  // namespace
}  // namespace formstest
