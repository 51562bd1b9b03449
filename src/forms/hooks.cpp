#include "forms/hooks.h"

#include "forms/forms_state.h"

namespace forms {

int16_t CheckForm(int16_t form, int16_t key) {
  const auto& hook = State().Hooks.CheckForm;
  return hook ? hook(form, key) : 0;
}

int16_t BrowseRange(int16_t definition, std::string& startKey, std::string& endKey) {
  const auto& hook = State().Hooks.BrowseRange;
  if (!hook) {
    startKey.clear();
    endKey.clear();
    return 0;
  }
  return hook(definition, startKey, endKey);
}

std::string BrowseLine(int16_t definition) {
  const auto& hook = State().Hooks.BrowseLine;
  return hook ? hook(definition) : std::string();
}

void BrowseChosen(int16_t& definition, int16_t& form, int16_t& field) {
  const auto& hook = State().Hooks.BrowseChosen;
  if (hook) hook(definition, form, field);
}

}  // namespace forms
