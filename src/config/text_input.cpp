#include "config/text_input.h"

#include <filesystem>
#include <system_error>

namespace config {

TextInput::TextInput(const std::string& nativePath) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(nativePath, ec)) return;
  try {
    if (file_.open(nativePath, std::ios::in | std::ios::binary)) in_ = &file_;
  } catch (...) {
    in_ = nullptr;
  }
}

}  // namespace config
