// The document opener without a console: which browser it starts and when
// it reports that none could be started.
#include "platform/document.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/system.h"

namespace {

namespace fs = std::filesystem;

class OpenDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(RECINQRY_BUILD_DIR) / "test-sites" / ("document-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "bin");
    std::ofstream(dir / "Help.htm") << "<p>help</p>";
    platform::ResetState();
    savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir / "bin").string().c_str(), 1);  // no text browser here
  }
  void TearDown() override {
    ::setenv("PATH", savedPath.c_str(), 1);
    platform::ResetState();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  void Browser(const std::string& value) {
    platform::State().Environment = [value](const char* name) {
      return std::string(name) == "BROWSER" ? value : std::string();
    };
  }
  fs::path Script(const std::string& name) {
    fs::path p = dir / "bin" / name;
    std::ofstream(p) << "#!/bin/sh\necho \"$@\" > '" << (dir / (name + ".ran")).string() << "'\n";
    fs::permissions(p, fs::perms::owner_all);
    return p;
  }
  std::string Ran(const std::string& name) {
    std::ifstream in(dir / (name + ".ran"));
    std::string line;
    std::getline(in, line);
    return line;
  }
  fs::path dir;
  std::string savedPath;
};

TEST_F(OpenDocumentTest, NoBrowserOrNoDocumentIsFalse) {
  Browser("");
  EXPECT_FALSE(platform::OpenDocument((dir / "Help.htm").string()));
  Browser("/no/such/browser");
  EXPECT_FALSE(platform::OpenDocument((dir / "Help.htm").string()));
  Browser(Script("viewer").string());
  EXPECT_FALSE(platform::OpenDocument((dir / "Missing.htm").string()));
  EXPECT_EQ(Ran("viewer"), "");
}

TEST_F(OpenDocumentTest, BrowserListWithPlaceholderAndTextBrowsers) {
  fs::path viewer = Script("viewer");
  // The first command cannot be started; the second gets the document in
  // place of %s, found without regard to case.
  Browser("/no/such/browser:" + viewer.string() + " --view %s --end");
  EXPECT_TRUE(platform::OpenDocument((dir / "HELP.HTM").string()));
  EXPECT_EQ(Ran("viewer"), "--view " + (dir / "Help.htm").string() + " --end");

  // Without BROWSER, the first text browser on the PATH.
  Script("links");
  Script("lynx");
  Browser("");
  EXPECT_TRUE(platform::OpenDocument((dir / "Help.htm").string()));
  EXPECT_EQ(Ran("lynx"), (dir / "Help.htm").string());
  EXPECT_EQ(Ran("links"), "");
}

}  // namespace
