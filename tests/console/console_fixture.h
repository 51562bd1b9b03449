// A memory console with clean console state, distinct colours for each style
// and a private work directory for the window stack file.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "config/session_settings.h"
#include "console/console_state.h"
#include "memory_console_fixture.h"

namespace consoletest {

// Colours of styles 0..4 in these tests: all different, so a test can tell
// which style drew a cell. Attribute = foreground + 16 x background.
inline constexpr uint8_t kAttrHighlight = 15 + 16 * 0;
inline constexpr uint8_t kAttrNormal = 7 + 16 * 1;
inline constexpr uint8_t kAttrReverse = 0 + 16 * 7;
inline constexpr uint8_t kAttrReverseNormal = 1 + 16 * 3;
inline constexpr uint8_t kAttrUnderline = 14 + 16 * 4;

class ConsoleTest : public testsupport::MemoryConsoleTest {
 protected:
  void SetUp() override {
    MemoryConsoleTest::SetUp();
    console::ResetState();
    config::ResetSessionSettings();
    auto& pairs = config::SessionSettings().ColourPairs;
    pairs[0] = {15, 0};
    pairs[1] = {7, 1};
    pairs[2] = {0, 7};
    pairs[3] = {1, 3};
    pairs[4] = {14, 4};
    static std::atomic<int> counter{0};
    workDir = std::filesystem::temp_directory_path() /
              ("console_tests_" + std::to_string(std::random_device{}()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(workDir);
    std::filesystem::create_directories(workDir);
    config::SessionSettings().TempDir = workDir.string() + "/";
  }

  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(workDir, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(workDir, ec);
    console::ResetState();
    config::ResetSessionSettings();
    MemoryConsoleTest::TearDown();
  }

  std::filesystem::path StackFile() const { return workDir / "WinPush.tmp"; }

  std::string ReadStackFile() const {
    std::ifstream in(StackFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  void WriteStackFile(const std::string& bytes) const {
    std::ofstream out(StackFile(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // Fills the screen with a pattern of characters and colours that differs
  // in every cell, so a restore that misses or moves a cell shows.
  void PaintPattern() {
    for (int16_t r = 1; r <= console.Height(); ++r) {
      for (int16_t c = 1; c <= console.Width(); ++c) {
        console.SetColours((r + c) % 16, (r * 3 + c) % 16);
        console.MoveCursor(r, c);
        char ch = static_cast<char>('!' + (r * 7 + c) % 90);
        console.WriteText(std::string_view(&ch, 1));
      }
    }
  }

  std::vector<platform::Cell> Snapshot() const { return console.Cells(); }

  std::filesystem::path workDir;
};

}  // namespace consoletest
