// Test support for the form entry and the browse: a console that delivers
// keys only while the program waits for one, an estates file in memory behind
// the record manager's entry point, and a fixture that starts every subsystem
// the forms reach from a clean state.
#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "config/form_model.h"
#include "config/session_settings.h"
#include "console/console_state.h"
#include "entry/entry_state.h"
#include "forms/forms_state.h"
#include "memory_console_fixture.h"
#include "records/data_files.h"
#include "records/record_manager.h"
#include "records/records_state.h"

namespace formstest {

// Keys typed "after the screen is drawn": a key press reaches the program
// only once it waits for input, so polls made while it works (the browse's
// look for Esc while reading ahead) find nothing unless a test opens the
// gate on purpose. OnWait runs at every wait, before the key is delivered.
class GatedConsole : public platform::MemoryConsole {
 public:
  bool PollEvent(platform::InputEvent& event) override {
    if (!open_) return false;
    if (!MemoryConsole::PollEvent(event)) return false;
    if (event.Type == platform::InputEvent::Kind::KeyPress ||
        event.Type == platform::InputEvent::Kind::MouseRelease) {
      open_ = false;
    }
    return true;
  }
  bool WaitInput(int timeoutMs) override {
    if (OnWait) OnWait();
    open_ = true;
    return MemoryConsole::WaitInput(timeoutMs);
  }
  // Lets the next key through without a wait (typed while the program works).
  void OpenGate() { open_ = true; }
  std::function<void()> OnWait;

 private:
  bool open_ = false;
};

// One file of estates: 32-byte records, key 0 = the first 2 bytes (a packed
// digit string of the code), plain. Physical positions are 100 x (index + 1).
class EstateFile : public records::RecordManager {
 public:
  static constexpr int RecordLength = 32;

  explicit EstateFile(int count = 0) { Fill(count); }

  static std::string Code(int code) {
    return std::string{static_cast<char>(128 + code / 100), static_cast<char>(128 + code % 100)};
  }
  static std::string Record(int code, const std::string& name) {
    std::string record = Code(code) + name;
    record.resize(RecordLength, ' ');
    return record;
  }
  void Fill(int count) {
    Records.clear();
    char name[40];
    for (int i = 1; i <= count; ++i) {
      std::snprintf(name, sizeof name, "ESTATE %02d", i);
      Records.push_back(Record(i, name));
    }
  }

  int16_t Call(uint16_t operation, void* positionBlock, void* dataBuffer, uint32_t* dataLength,
               void* keyBuffer, uint8_t keyLength, int8_t keyNumber) override;

  std::vector<std::string> Records;  // in key order
  int Current = -1;
  int Reads = 0;        // records read along the key (Get Equal / Greater or Equal / Next)
  int DirectReads = 0;  // Get Direct
  std::vector<int32_t> DirectPositions;
  std::vector<uint16_t> Operations;
};

inline int16_t EstateFile::Call(uint16_t operation, void* /*positionBlock*/, void* dataBuffer,
                                uint32_t* dataLength, void* keyBuffer, uint8_t keyLength,
                                int8_t /*keyNumber*/) {
  auto* data = static_cast<uint8_t*>(dataBuffer);
  auto* key = static_cast<uint8_t*>(keyBuffer);
  Operations.push_back(operation);
  auto give = [&](int index) {
    Current = index;
    std::memcpy(data, Records[index].data(), RecordLength);
    *dataLength = RecordLength;
    std::memcpy(key, Records[index].data(), 2);
    return int16_t{0};
  };
  switch (operation) {
    case records::OpOpen:
    case records::OpReset:
      return 0;
    case records::OpStat: {
      std::string stat(32, '\0');
      stat[0] = RecordLength;
      stat[2] = 0;
      stat[3] = 4;   // page size 1024
      stat[4] = 1;   // one key
      stat[16] = 1;  // segment at position 1
      stat[18] = 2;  // 2 bytes long, no flags
      std::memcpy(data, stat.data(), stat.size());
      *dataLength = static_cast<uint32_t>(stat.size());
      return 0;
    }
    case records::OpGetEqual:
    case records::OpGetGreaterOrEqual: {
      const std::string wanted(reinterpret_cast<char*>(key), keyLength);
      for (size_t i = 0; i < Records.size(); ++i) {
        const std::string k = Records[i].substr(0, 2);
        if (operation == records::OpGetEqual ? k == wanted : k >= wanted) {
          ++Reads;
          return give(static_cast<int>(i));
        }
      }
      return operation == records::OpGetEqual ? 4 : 9;
    }
    case records::OpGetNext:
      if (Current < 0) return 8;
      if (Current + 1 >= static_cast<int>(Records.size())) return 9;
      ++Reads;
      return give(Current + 1);
    case records::OpGetPosition: {
      if (Current < 0) return 8;
      const int32_t position = 100 * (Current + 1);
      std::memcpy(data, &position, 4);
      *dataLength = 4;
      return 0;
    }
    case records::OpGetDirect: {
      int32_t position = 0;
      std::memcpy(&position, data, 4);
      DirectPositions.push_back(position);
      const int index = position / 100 - 1;
      if (position % 100 != 0 || index < 0 || index >= static_cast<int>(Records.size())) return 43;
      ++DirectReads;
      return give(index);
    }
    default:
      return 1;
  }
}

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetState();
    platform::State().Sleeper = [](int) {};
    platform::SetActiveConsole(&console);
    console::ResetState();
    entry::ResetState();
    forms::ResetState();
    records::ResetState();
    config::ResetSessionSettings();
    config::FormModel().Clear();
    root = std::filesystem::temp_directory_path() /
           ("forms_test_" + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    auto& session = config::SessionSettings();
    session.RootDir = root.string() + "/";
    session.TempDir = root.string() + "/";
    session.TerminalDir = root.string() + "/";
    session.LanguageCode = "CAT";
    // The default colour string: highlight 15 on 0, normal 7 on 0, the
    // reverse and underline styles 0 on 7.
    session.ColourPairs = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}}};
    records::State().Manager = &estates;
    records::State().EndProcess = [](int) {};
  }
  void TearDown() override {
    records::ResetState();
    forms::ResetState();
    config::FormModel().Clear();
    platform::SetActiveConsole(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  std::string Row(int16_t row) const {
    std::string text = console.RowText(row);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }
  // Columns [left, left + width) of a row, as they are.
  std::string Cells(int16_t row, int16_t left, int16_t width) const {
    return console.RowText(row).substr(static_cast<size_t>(left - 1), static_cast<size_t>(width));
  }

  std::filesystem::path LineFile() const { return root / "Browse.tmp"; }
  static std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Opens the estates file as identifier 511 with its record area.
  void OpenEstates() { ASSERT_EQ(records::OpenDataFile(511, "DADES\\FinquesH", area), 0); }

  // The estate line of a record: its 3-digit code, two blanks, its name.
  static std::string EstateLine(const std::string& record) {
    const int code = (static_cast<uint8_t>(record[0]) - 128) * 100 + (static_cast<uint8_t>(record[1]) - 128);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", code);
    return std::string(digits) + "  " + record.substr(2, 30);
  }

  // Browse definition 1 over file 511, key 0, frame rows top..bottom and
  // columns left..right.
  void DefineBrowse(int16_t top, int16_t left, int16_t bottom, int16_t right,
                    const std::string& header = "CODI__NOM", int16_t count = 1) {
    auto& model = config::FormModel();
    if (model.BrowseCount() < count) model.CreateBrowses(count);
    auto& b = model.Browse(1);
    b.BrowseFile = 511;
    b.BrowseKey = 0;
    b.BrowseTop = top;
    b.BrowseLeft = left;
    b.BrowseBottom = bottom;
    b.BrowseRight = right;
    b.BrowseHeader = header;
  }
  void UseEstateLines() {
    forms::State().Hooks.BrowseLine = [this](int16_t definition) {
      return definition == 1 ? EstateLine(area) : std::string();
    };
  }

  GatedConsole console;
  EstateFile estates;
  std::string area;
  std::filesystem::path root;
};

}  // namespace formstest
