#include "app/estate_hooks.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/inquiry_records.h"
#include "config/form_model.h"
#include "console/keyboard.h"
#include "forms/form_entry.h"
#include "forms/forms_state.h"
#include "numbers/packed_digits.h"
#include "platform/console.h"
#include "records/data_files.h"

namespace app {

namespace {

// The estate code as three digits: the last three of its four.
std::string CodeText(const std::string& estateCode) {
  const std::string digits = numbers::UnpackDigits(estateCode);
  return digits.size() >= 3 ? digits.substr(digits.size() - 3) : digits;
}

// Estate codes have four digits.
constexpr std::size_t EstateCodeDigits = 4;

// The typed code without the blanks around it and its leading zeros, when
// it is a whole number that an estate code can hold; empty otherwise.
std::string TypedDigits(const std::string& value) {
  const auto begin = value.find_first_not_of(' ');
  if (begin == std::string::npos) return std::string();
  const auto end = value.find_last_not_of(' ');
  std::string digits = value.substr(begin, end - begin + 1);
  for (char c : digits) {
    if (c < '0' || c > '9') return std::string();
  }
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  return digits.size() <= EstateCodeDigits ? digits : std::string();
}

}  // namespace

int16_t CheckForm(int16_t form, int16_t key) {
  if (form != EstateForm || key == console::KeyEsc) return 0;
  const std::string digits = TypedDigits(config::FormModel().Field(EstateForm, EstateCodeField).FieldValue);
  if (digits.empty()) {
    platform::ActiveConsole().Beep();
    return -1;
  }
  std::string code = numbers::PackDottedCode("0" + digits);
  code.resize(2, '\0');
  EstateRecord& estate = State().Estate;
  estate.SetEstateCode(code);
  if (records::FindRecord(EstatesFile, 0, code, 0) == 0) return 0;
  platform::ActiveConsole().Beep();
  return -1;
}

std::string BrowseLine(int16_t definition) {
  if (definition != EstatesBrowse) return std::string();
  const EstateRecord& estate = State().Estate;
  return CodeText(estate.EstateCode()) + "  " + estate.EstateName();
}

void BrowseChosen(int16_t& definition, int16_t& form, int16_t& field) {
  if (definition != EstatesBrowse || form <= 0 || field <= 0) return;
  forms::StoreFieldValue(form, CodeText(State().Estate.EstateCode()), field, 0);
}

int16_t BrowseRange(int16_t, std::string& startKey, std::string& endKey) {
  startKey.clear();
  endKey.clear();
  return 0;
}

void InstallHooks() {
  forms::FormHooks& hooks = forms::State().Hooks;
  hooks.CheckForm = CheckForm;
  hooks.BrowseLine = BrowseLine;
  hooks.BrowseChosen = BrowseChosen;
  hooks.BrowseRange = BrowseRange;
}

}  // namespace app
