// The session's settings, gathered once at start-up and read by every
// subsystem.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace config {

struct ColourPair {
  int16_t Foreground = 0;
  int16_t Background = 0;
};

struct SessionSettingsRecord {
  std::string RootDir;      // WRKROOT, unchanged (carries its own trailing backslash)
  std::string TempDir;      // ends in a backslash when not empty
  std::string TerminalDir;  // ends in a backslash when not empty
  std::string MenuTitle;
  std::string MenuName;
  std::array<ColourPair, 5> ColourPairs{};
  std::string WorkDate;              // packed digit string of CCYYMMDD, or empty
  std::string LanguageCode = "   ";  // "CAT", "SPA", "GLG", "OCI", or anything else
  std::string RunMode = "DOS";       // "CGI", "WIN" or "DOS"
  std::string ModuleName;
};

// The one record of the process.
SessionSettingsRecord& SessionSettings();
// Back to the state before StartSession, for tests.
void ResetSessionSettings();

}  // namespace config
