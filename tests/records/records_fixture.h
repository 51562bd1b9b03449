// A clean file-access layer over a memory console, with the record manager
// replaced by a recorder, the sleeps recorded instead of slept, the session
// rooted in a temporary directory and the process end observed.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "memory_console_fixture.h"
#include "recorder.h"
#include "records/data_files.h"

namespace recordstest {

class RecordsTest : public testsupport::MemoryConsoleTest {
 protected:
  void SetUp() override {
    MemoryConsoleTest::SetUp();
    records::ResetState();
    console::ResetState();
    config::ResetSessionSettings();
    root = std::filesystem::temp_directory_path() /
           ("records_test_" + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "ddf");
    config::SessionSettings().RootDir = root.string() + "/";
    config::SessionSettings().TempDir = root.string() + "/";
    config::SessionSettings().LanguageCode = "CAT";
    platform::State().Sleeper = [this](int ms) { sleeps.push_back(ms); };
    platform::State().Random = [] { return 0.5; };
    records::State().Manager = &recorder;
    records::State().EndProcess = [this](int code) { exitCodes.push_back(code); };
  }
  void TearDown() override {
    records::ResetState();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    MemoryConsoleTest::TearDown();
  }

  // A creation specification file under the root's ddf directory.
  void WriteSpecFile(const std::string& baseName, const std::string& bytes) {
    std::ofstream out(root / "ddf" / (baseName + ".xdf"), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // Opens a file the recorder answers with status 0 and its Layout.
  int16_t Open(int16_t fileId, std::string& area, const std::string& name = "DADES\\Test") {
    recorder.Push(0);
    return records::OpenDataFile(fileId, name, area);
  }

  records::DataFileSlot& SlotOf(int16_t fileId) {
    return records::State().DataFileTable[records::FindFileSlot(fileId)];
  }

  std::filesystem::path root;
  Recorder recorder;
  std::vector<int> sleeps;
  std::vector<int> exitCodes;
};

inline std::string Blanks(std::size_t n) { return std::string(n, ' '); }
inline std::string Nuls(std::size_t n) { return std::string(n, '\0'); }

}  // namespace recordstest
