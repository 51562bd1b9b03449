// CPU time of the estates browse's first page over a file of 10,000 estates
// in the record manager: open the window, read eleven records, write ten
// lines to the line file, draw, take Esc, close. Goal: 1 ms of CPU or less.
//
//   cmake -S . -B build-bench -DRECINQRY_BENCH=ON -DRECINQRY_TESTS=OFF
//   cmake --build build-bench --target forms_bench
//   build-bench/forms_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "config/form_model.h"
#include "config/session_settings.h"
#include "console/console_state.h"
#include "console/keyboard.h"
#include "forms/browse.h"
#include "forms/forms_state.h"
#include "platform/memory_console.h"
#include "platform/system.h"
#include "recmgr.h"
#include "records/data_files.h"

namespace {

constexpr int EstateCount = 10000;

// Keys reach the program only while it waits, as typed after the screen is
// drawn (the browse's look for Esc while reading ahead finds nothing).
class GatedConsole : public platform::MemoryConsole {
 public:
  bool PollEvent(platform::InputEvent& event) override {
    if (!open_ || !MemoryConsole::PollEvent(event)) return false;
    if (event.Type == platform::InputEvent::Kind::KeyPress) open_ = false;
    return true;
  }
  bool WaitInput(int timeoutMs) override {
    open_ = true;
    return MemoryConsole::WaitInput(timeoutMs);
  }

 private:
  bool open_ = false;
};

std::string Code(int code) {
  // 4-digit packed code: two bytes of 128 + two digits.
  return std::string{static_cast<char>(128 + code / 100), static_cast<char>(128 + code % 100)};
}

struct Installation {
  Installation() {
    root = std::filesystem::temp_directory_path() / ("forms_bench_" + std::to_string(std::random_device{}()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "DADES");
    const std::string path = (root / "DADES" / "FinquesH.dat").string();
    std::string spec(32, '\0');
    spec[0] = 40;  // record length
    spec[3] = 4;   // page size 1024
    spec[4] = 1;   // one key
    spec[16] = 1;  // at position 1
    spec[18] = 2;  // 2 bytes
    std::string block(RM_POSITION_BLOCK_SIZE, '\0');
    std::string data = spec;
    data.resize(1536, ' ');
    std::string key = path;
    uint32_t length = static_cast<uint32_t>(spec.size());
    if (RecordManagerCall(RM_CREATE, block.data(), data.data(), &length, key.data(),
                          static_cast<uint8_t>(key.size()), -1) != 0)
      std::exit(1);
    std::string owner(5, '\0');
    length = 0;
    if (RecordManagerCall(RM_OPEN, block.data(), owner.data(), &length, key.data(),
                          static_cast<uint8_t>(key.size()), 0) != 0)
      std::exit(1);
    length = 0;
    RecordManagerCall(RM_BEGIN_TRANSACTION, block.data(), nullptr, &length, nullptr, 0, 0);
    for (int i = 0; i < EstateCount; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "FINCA NUMERO %05d", i);
      std::string record = Code(i) + name;
      record.resize(40, ' ');
      std::string keyBuffer(255, '\0');
      length = static_cast<uint32_t>(record.size());
      if (RecordManagerCall(RM_INSERT, block.data(), record.data(), &length, keyBuffer.data(), 255, 0) != 0)
        std::exit(1);
    }
    length = 0;
    RecordManagerCall(RM_END_TRANSACTION, block.data(), nullptr, &length, nullptr, 0, 0);
    RecordManagerCall(RM_CLOSE, block.data(), nullptr, &length, nullptr, 0, 0);

    platform::SetActiveConsole(&console);
    auto& session = config::SessionSettings();
    session.RootDir = root.string() + "/";
    session.TempDir = root.string() + "/";
    session.ColourPairs = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}}};
    if (records::OpenDataFile(511, session.RootDir + "DADES\\FinquesH", area) != 0) std::exit(1);
    auto& model = config::FormModel();
    model.CreateBrowses(1);
    auto& b = model.Browse(1);
    b.BrowseFile = 511;
    b.BrowseTop = 3;
    b.BrowseLeft = 10;
    b.BrowseBottom = 14;
    b.BrowseRight = 71;
    b.BrowseHeader = "CODI NOM";
    forms::State().Hooks.BrowseLine = [this](int16_t) {
      const int code = (static_cast<uint8_t>(area[0]) - 128) * 100 + (static_cast<uint8_t>(area[1]) - 128);
      char digits[8];
      std::snprintf(digits, sizeof digits, "%03d", code % 1000);
      return std::string(digits) + "  " + area.substr(2, 30);
    };
  }
  ~Installation() {
    records::ResetDataFiles();
    platform::SetActiveConsole(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::filesystem::path root;
  GatedConsole console;
  std::string area;
};

void BM_BrowseFirstPage(benchmark::State& state) {
  static Installation site;
  for (auto _ : state) {
    site.console.PushKey(console::KeyEsc);
    benchmark::DoNotOptimize(forms::RunBrowse(1));
  }
}
BENCHMARK(BM_BrowseFirstPage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
