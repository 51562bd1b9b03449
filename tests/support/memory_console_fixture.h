// Installs a fresh memory console as the active console for one test.
#pragma once

#include <gtest/gtest.h>

#include "platform/memory_console.h"
#include "platform/system.h"

namespace testsupport {

class MemoryConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetState();
    platform::State().Sleeper = [](int) {};
    platform::SetActiveConsole(&console);
  }
  void TearDown() override { platform::SetActiveConsole(nullptr); }

  // Row text of the screen, code page 850, trimmed of trailing blanks.
  std::string Row(int16_t row) const {
    std::string text = console.RowText(row);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  platform::MemoryConsole console;
};

}  // namespace testsupport
