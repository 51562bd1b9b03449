// A site root of its own for each test: WRKROOT points at a fresh folder,
// where a test may write Dorv.ini; the dates state and the session's
// language start clean.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "config/session_settings.h"
#include "dates/dates_state.h"
#include "platform/system.h"

class DateSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::path(RECINQRY_BUILD_DIR) / "test-sites" /
            ("dates-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    const std::string wrkroot = root_.string() + "/";
    platform::State().Environment = [wrkroot](const char* name) {
      return std::string(name) == "WRKROOT" ? wrkroot : std::string();
    };
    dates::ResetState();
    config::ResetSessionSettings();
  }
  void TearDown() override {
    dates::ResetState();
    config::ResetSessionSettings();
    platform::ResetState();
    std::filesystem::remove_all(root_);
  }
  // Writes Dorv.ini with CR LF line ends.
  void WriteDorvIni(const std::string& lines) {
    std::ofstream out(root_ / "Dorv.ini", std::ios::binary);
    for (size_t at = 0; at < lines.size();) {
      const size_t end = lines.find('\n', at);
      out << lines.substr(at, end - at) << "\r\n";
      if (end == std::string::npos) break;
      at = end + 1;
    }
  }
  void UseSettings(const std::string& lines) {
    WriteDorvIni(lines);
    dates::ResetState();
  }
  std::filesystem::path root_;
};

// The tables write a blank as a middle dot.
inline std::string Blanks(std::string text) {
  for (size_t at; (at = text.find("\xC2\xB7")) != std::string::npos;) text.replace(at, 2, " ");
  return text;
}
