// Process-wide state of the session and configuration subsystem.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>

#include "config/form_model.h"
#include "config/session_settings.h"

namespace config {

// The language file as last read: its entries by Catalan text (the first
// entry of a text wins), and the file's size and time of change when read, so
// that an unchanged file is not parsed again.
struct LanguageFileCache {
  bool Valid = false;
  std::string Path;        // the code page 850 path the entries belong to
  std::string NativePath;  // the same path as the file system names it
  std::filesystem::file_time_type ChangedAt{};
  std::uintmax_t Size = 0;
  bool Racy = true;  // changed too close to the reading to trust the time stamp
  std::unordered_map<std::string, std::array<std::string, 3>> Entries;  // GLG, OCI, SPA
  std::uintmax_t Reads = 0;  // times the file was parsed (for tests)
};

struct ConfigState {
  SessionSettingsRecord Session;
  std::string LanguageModule;  // fixed at the first TranslateText that finds ModuleName set
  FormModelRecord Forms;
  LanguageFileCache Language;
};

ConfigState& State();
// Everything back to the state before start-up: session, form model, language.
void ResetState();

}  // namespace config
