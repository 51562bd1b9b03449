#include "config/form_model.h"

#include <algorithm>

namespace config {

FormScreen& FormModelRecord::Form(int form) {
  if (!HasForm(form)) {
    scratchForm_ = FormScreen{};
    return scratchForm_;
  }
  return forms_[form - 1];
}

FormField& FormModelRecord::Field(int form, int field) {
  if (!HasField(form, field)) {
    scratchField_ = FormField{};
    return scratchField_;
  }
  // Made on first access: a form file may declare far more fields than it
  // fills, and a map keeps references to its entries valid as it grows.
  return fields_[form * 65536 + field];
}

BrowseDefinition& FormModelRecord::Browse(int browse) {
  if (!HasBrowse(browse)) {
    scratchBrowse_ = BrowseDefinition{};
    return scratchBrowse_;
  }
  return browses_[browse - 1];
}

void FormModelRecord::CreateForms(int16_t formCount, int16_t maxFields) {
  formCount_ = std::max<int16_t>(formCount, 0);
  maxFields_ = std::max<int16_t>(maxFields, 0);
  forms_.assign(formCount_, FormScreen{});
  fields_.clear();
}

void FormModelRecord::CreateBrowses(int16_t browseCount) {
  browseCount_ = std::max<int16_t>(browseCount, 0);
  browses_.assign(browseCount_, BrowseDefinition{});
}

void FormModelRecord::Clear() {
  CreateForms(0, 0);
  CreateBrowses(0);
}

}  // namespace config
