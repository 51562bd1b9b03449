// A site root of its own for each test: WRKROOT points at a fresh folder,
// where a test may write Dorv.ini, and the suite's state starts clean.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/system.h"

namespace testsupport {

class SiteRootTest : public ::testing::Test {
 protected:
  // The folder prefix that keeps each suite's sites apart.
  virtual const char* SiteName() const = 0;
  // Clears the state that reads the settings, before and after each test.
  virtual void ResetSuiteState() = 0;

  void SetUp() override {
    root_ = std::filesystem::path(RECINQRY_BUILD_DIR) / "test-sites" /
            (std::string(SiteName()) + "-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    const std::string wrkroot = root_.string() + "/";
    platform::State().Environment = [wrkroot](const char* name) {
      return std::string(name) == "WRKROOT" ? wrkroot : std::string();
    };
    ResetSuiteState();
  }
  void TearDown() override {
    ResetSuiteState();
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
  std::filesystem::path root_;
};

// The tables write a blank as a middle dot.
inline std::string Blanks(std::string text) {
  for (size_t at; (at = text.find("\xC2\xB7")) != std::string::npos;) text.replace(at, 2, " ");
  return text;
}

}  // namespace testsupport
