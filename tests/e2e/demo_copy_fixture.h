// A fresh copy of the demo installation for each end-to-end test, and the
// built inquiry started on it in a pseudo-terminal.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "pty_session.h"

namespace e2e {

class DemoCopyTest : public ::testing::Test {
 protected:
  // prefix names the copies of one suite apart from another's.
  explicit DemoCopyTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    namespace fs = std::filesystem;
    const fs::path demo = fs::path(RECINQRY_BUILD_DIR) / "demo";
    ASSERT_TRUE(fs::exists(demo / "DADES" / "CobramH.dat"))
        << "the demo installation is made by the demo_site target: " << demo;
    root = fs::path(RECINQRY_BUILD_DIR) / "test-sites" /
           (prefix_ + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root.parent_path());
    fs::copy(demo, root, fs::copy_options::recursive);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  // Starts the inquiry on the copy, as the given terminal of the installation.
  bool Start(PtySession& session, const std::string& terminal = "TERM01") {
    session.SetEnv("WRKROOT", root.string() + "/");
    session.SetEnv("WRKTMP", (root / terminal).string() + "/");
    session.SetWorkDir(root.string());
    return session.Start(BuiltProgram("recinqry"));
  }

  std::filesystem::path root;

 private:
  std::string prefix_;
};

}  // namespace e2e
