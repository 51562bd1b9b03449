// A clean configuration state in a temporary directory that is also the
// current directory, with an environment of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "config/config_state.h"
#include "numbers/numbers_state.h"
#include "platform/system.h"

namespace configtest {

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config::ResetState();
    numbers::ResetState();
    platform::ResetState();
    platform::State().Environment = [this](const char* name) {
      auto it = env_.find(name);
      return it == env_.end() ? std::string() : it->second;
    };
    oldDir_ = std::filesystem::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("config_test_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
            std::to_string(std::random_device{}()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }

  void TearDown() override {
    std::filesystem::current_path(oldDir_);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
    config::ResetState();
    numbers::ResetState();
    platform::ResetState();
  }

  // Writes bytes to a file under the temporary directory, making its folders.
  void Write(const std::string& relative, const std::string& bytes) {
    std::filesystem::path p = dir_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::string Read(const std::string& relative) {
    std::ifstream in(dir_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Exists(const std::string& relative) { return std::filesystem::exists(dir_ / relative); }

  // The temporary directory as the system's own paths write it: ending in a
  // backslash, ready for plain concatenation.
  std::string Root() const { return dir_.string() + "\\"; }

  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }

  std::filesystem::path dir_;
  std::filesystem::path oldDir_;
  std::map<std::string, std::string> env_;
};

}  // namespace configtest
