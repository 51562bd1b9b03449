// Loading the module's form file, RootDir + "FORMS\" + ModuleName + ".JPN",
// into the form model (form_model.h).
#pragma once

#include <cstdint>
#include <string>

namespace config {

// LoadForm statuses. Anything but kFormLoaded leaves the program without a
// usable estate form: it shows the message and stops.
inline constexpr int16_t kFormLoaded = 0;
inline constexpr int16_t kFormFileNotOpened = 1;  // the form file cannot be opened
inline constexpr int16_t kFormTooManyFields = 2;  // a form has more fields than MaxFields
inline constexpr int16_t kFormNoForms = 3;        // the file declares no form at all
inline constexpr int16_t kFormFileTooLarge = 4;   // its field widths add up to far more than a screen holds

struct LoadFormResult {
  int16_t Status = kFormLoaded;
  std::string Message;  // for the operator, in the session's language; empty when loaded
};

// Reads the form file once into FormModel(): the header (form count, largest
// field count), the forms with their fields, the browse count and the browse
// definitions, with comment lines (first non-blank character an apostrophe)
// allowed between blocks. Labels, choices and browse headers pass through
// TranslateText. A file that ends early leaves the rest 0 or empty; reading
// stops after the last browse definition. On a failure the model holds what
// was read before it.
LoadFormResult LoadForm();

}  // namespace config
