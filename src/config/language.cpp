#include "config/language.h"

#include <fstream>
#include <system_error>

#include "config/config_state.h"
#include "config/field_reader.h"
#include "platform/system.h"

namespace config {

namespace {

namespace fs = std::filesystem;

// A file changed this close to the moment it was read may change again within
// the same time stamp; such a reading is not trusted for long.
constexpr auto kStampMargin = std::chrono::seconds(2);

int LanguageColumn(const std::string& code) {
  if (code == "GLG") return 0;
  if (code == "OCI") return 1;
  if (code == "SPA") return 2;
  return -1;
}

// Brings the cache up to the file as it is now. False when the file can be
// neither read nor created.
bool RefreshLanguageFile(LanguageFileCache& cache, const std::string& path) {
  std::error_code ec;
  if (cache.Path != path) {
    cache = LanguageFileCache{};
    cache.Path = path;
  }
  fs::file_time_type changedAt{};
  if (!cache.NativePath.empty()) changedAt = fs::last_write_time(cache.NativePath, ec);
  if (cache.NativePath.empty() || ec) {
    // Not found where it was: look the path up again (its case may differ),
    // and create the file empty, as an installation without translations has
    // it.
    cache.Valid = false;
    cache.NativePath = platform::NativePath(path);
    ec.clear();
    if (!fs::exists(cache.NativePath, ec)) {
      std::ofstream create(cache.NativePath, std::ios::binary | std::ios::app);
      if (!create) return false;
    }
    changedAt = fs::last_write_time(cache.NativePath, ec);
    if (ec) return false;
  }
  std::uintmax_t size = fs::file_size(cache.NativePath, ec);
  if (ec) return false;
  if (cache.Valid && !cache.Racy && changedAt == cache.ChangedAt && size == cache.Size) return true;

  auto readAt = fs::file_time_type::clock::now();
  TextInput file(cache.NativePath);
  if (!file.Ok()) {
    cache.Valid = false;
    return false;
  }
  cache.Entries.clear();
  FieldReader reader(file);
  while (!reader.Ended()) {
    std::string catalan = reader.ReadText();
    if (reader.Ended()) break;
    std::array<std::string, 3> texts;
    for (std::string& text : texts) text = reader.ReadText();
    cache.Entries.try_emplace(std::move(catalan), std::move(texts));  // the first entry wins
  }
  cache.Valid = true;
  cache.ChangedAt = changedAt;
  cache.Size = size;
  cache.Racy = changedAt + kStampMargin >= readAt;
  ++cache.Reads;
  return true;
}

}  // namespace

std::string TranslateText(std::string text) {
  ConfigState& state = State();
  const SessionSettingsRecord& session = state.Session;
  if (session.LanguageCode == "CAT") return text;
  if (state.LanguageModule.empty()) state.LanguageModule = session.ModuleName;

  const std::string path = session.RootDir + "LOCALE\\" + state.LanguageModule + ".LNG";
  if (!RefreshLanguageFile(state.Language, path)) return text;

  int column = LanguageColumn(session.LanguageCode);
  if (column < 0) return text;
  auto entry = state.Language.Entries.find(text);
  if (entry == state.Language.Entries.end()) return text;
  return entry->second[column];
}

}  // namespace config
