// An installation of the inquiry in a temporary directory for one test: the
// demo installation's text files (settings, form and language files, help),
// the creation specifications of the three data files, and data files made
// through the record manager, on a fresh memory console.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/inquiry_records.h"
#include "app/program.h"
#include "config/config_state.h"
#include "config/form_file.h"
#include "config/session.h"
#include "console/console_state.h"
#include "dates/dates_state.h"
#include "entry/entry_state.h"
#include "forms/forms_state.h"
#include "memory_console_fixture.h"
#include "numbers/numbers_state.h"
#include "numbers/packed_digits.h"
#include "recmgr.h"
#include "records/data_files.h"
#include "records/records_state.h"

namespace apptest {

namespace fs = std::filesystem;

inline std::string Packed(uint64_t value, int digits) {
  std::string text = std::to_string(value);
  text.insert(0, static_cast<size_t>(digits) - std::min<size_t>(text.size(), digits), '0');
  return numbers::PackDigits(text.substr(text.size() - digits));
}

// A receipt of the collections file, 36 bytes.
struct Receipt {
  int Estate = 0;
  int Department = 1;
  int Date = 20240101;  // CCYYMMDD
  int32_t Amount = 0;   // hundredths
  char State = 'P';
  int Serial = 0;  // the bytes after the date, so that keys differ
};

// A date n steps after 1 January 1990, one a day on days 1 to 28: dates
// that grow with n.
inline int DateNumber(int n) {
  const int year = 1990 + n / (12 * 28);
  const int month = 1 + (n / 28) % 12;
  const int day = 1 + n % 28;
  return year * 10000 + month * 100 + day;
}

// A memory console whose keys come in stages: each stage is delivered only
// when the program waits for input with nothing pending, as keys typed by a
// person who looks at the screen first. (Polls without a wait, such as the
// browse's look for Esc while it reads ahead, see nothing of later stages.)
class StagedConsole : public platform::MemoryConsole {
 public:
  void Stage(std::initializer_list<int> codes) { stages_.emplace_back(codes); }
  bool WaitInput(int timeoutMs) override {
    if (PendingEvents() == 0 && !stages_.empty()) {
      for (int code : stages_.front()) PushKey(code);
      stages_.pop_front();
      return true;
    }
    return MemoryConsole::WaitInput(timeoutMs);
  }

 private:
  std::deque<std::vector<int>> stages_;
};

class InquiryTest : public testsupport::MemoryConsoleTest {
 protected:
  void SetUp() override {
    MemoryConsoleTest::SetUp();
    ResetAll();
    cwd_ = fs::current_path();
    root = fs::path(RECINQRY_BUILD_DIR) / "test-sites" /
           ("app-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "DADES");
    const fs::path site = fs::path(RECINQRY_SOURCE_DIR) / "site";
    for (const char* item : {"Dorv.ini", "FORMS", "LOCALE", "AJUDA", "TERM01", "TERM02"}) {
      fs::copy(site / item, root / item, fs::copy_options::recursive);
    }
    WriteSpecs();
    UseTerminal("TERM01");
    records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
  }

  void TearDown() override {
    records::ResetDataFiles();
    ResetAll();
    fs::current_path(cwd_);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    MemoryConsoleTest::TearDown();
  }

  static void ResetAll() {
    app::ResetState();
    records::ResetState();
    console::ResetState();
    config::ResetState();
    forms::ResetState();
    numbers::ResetState();
    dates::ResetState();
    entry::ResetState();
  }

  // The environment of a terminal of the installation: WRKROOT and WRKTMP.
  void UseTerminal(const std::string& terminal) {
    env["WRKROOT"] = root.string() + "/";
    env["WRKTMP"] = (root / terminal).string() + "/";
    auto values = env;
    platform::State().Environment = [values](const char* name) {
      auto it = values.find(name);
      return it == values.end() ? std::string() : it->second;
    };
  }

  // The session as the program starts it, without the form or the files.
  void StartSession() {
    config::StartSession();
    config::SessionSettings().ModuleName = "RECINQRY";
  }

  // The session, the form model and the three files, as at start-up.
  void StartInquiry() {
    StartSession();
    ASSERT_EQ(config::LoadForm().Status, 0);
    ASSERT_TRUE(app::OpenInquiryFiles());
  }

  // Creation specifications: estates by a 2-byte code, owners by 3 bytes,
  // collections by the first 9 bytes with duplicates, as the suite has them.
  void WriteSpecs() {
    fs::create_directories(root / "ddf");
    WriteSpec("FinquesH", 388, 2, 0);
    WriteSpec("PropietH", 428, 3, 0);
    WriteSpec("CobramH", 36, 9, 0x01);
  }
  void WriteSpec(const std::string& base, uint16_t recordLength, uint16_t keyLength, uint16_t flags) {
    std::string spec;
    auto u16 = [&](uint16_t v) {
      spec.push_back(static_cast<char>(v & 0xFF));
      spec.push_back(static_cast<char>(v >> 8));
    };
    u16(recordLength);
    u16(1024);
    u16(1);
    spec.append(4, '\0');  // records
    u16(0);                // flags
    spec.append(4, '\0');
    u16(1);  // position
    u16(keyLength);
    u16(flags);
    spec.append(10, '\0');
    std::string file;
    const uint16_t n = static_cast<uint16_t>(spec.size());
    file.push_back(static_cast<char>(n & 0xFF));
    file.push_back(static_cast<char>(n >> 8));
    file += spec;
    std::ofstream(root / "ddf" / (base + ".xdf"), std::ios::binary) << file;
  }

  // Inserts a record into an open file through the record manager.
  void Insert(int16_t fileId, std::string record) {
    const int16_t slot = records::FindFileSlot(fileId);
    ASSERT_GT(slot, 0) << "file " << fileId << " is not open";
    auto& block = records::State().DataFileTable[slot].PositionBlock;
    uint32_t length = static_cast<uint32_t>(record.size());
    char key[255] = {};
    ASSERT_EQ(RecordManagerCall(RM_INSERT, block.data(), record.data(), &length, key, sizeof key, -1), 0);
  }
  void Transaction(bool begin) {
    const int16_t slot = records::FindFileSlot(app::CollectionsFile);
    auto& block = records::State().DataFileTable[slot].PositionBlock;
    uint32_t length = 0;
    char key[255] = {};
    ASSERT_EQ(RecordManagerCall(begin ? RM_BEGIN_TRANSACTION : RM_END_TRANSACTION, block.data(), nullptr,
                                &length, key, 0, 0),
              0);
  }

  void AddEstate(int code, const std::string& name) {
    app::EstateRecord estate;
    estate.Bytes.assign(388, ' ');
    estate.SetEstateCode(Packed(code, 4));
    estate.SetEstateName(name);
    Insert(app::EstatesFile, estate.Bytes);
  }

  void AddReceipt(const Receipt& r) {
    app::ReceiptRecord receipt;
    receipt.SetEstateCode(Packed(r.Estate, 4));
    receipt.SetReceiptDepartment(Packed(r.Department, 4));
    receipt.SetReceiptDate(Packed(r.Date, 8));
    const std::string serial = Packed(r.Serial, 10);
    receipt.Bytes.replace(8, 5, serial);
    receipt.SetReceiptAmount(r.Amount);
    receipt.SetReceiptState(r.State);
    Insert(app::CollectionsFile, receipt.Bytes);
  }

  // Receipts 1 to n of an estate, in key order: department 1, one date
  // after the other, amount i x 100 + 1 hundredths.
  void AddReceipts(int estate, int n, char state = 'P') {
    Transaction(true);
    for (int i = 1; i <= n; ++i) {
      Receipt r;
      r.Estate = estate;
      r.Date = DateNumber(i);
      r.Amount = i * 100 + 1;
      r.State = state;
      r.Serial = i;
      AddReceipt(r);
    }
    Transaction(false);
  }

  // The estate the operator has chosen, as the estate check leaves it.
  void ChooseEstate(int code) { ASSERT_EQ(records::FindRecord(app::EstatesFile, 0, Packed(code, 4), 0), 0); }

  // Keys read by the next wait: after the keys already typed are flushed.
  void Keys(std::initializer_list<int> codes) {
    console.PushDiscardBarrier();
    for (int code : codes) console.PushKey(code);
  }

  // The text of the screen at a row and column, n characters.
  std::string At(int16_t row, int16_t column, size_t n) const {
    return console.RowText(row).substr(static_cast<size_t>(column - 1), n);
  }

  fs::path root;
  std::map<std::string, std::string> env;
  std::vector<int> exitCodes;

 private:
  fs::path cwd_;
};

}  // namespace apptest
