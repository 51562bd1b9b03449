// The form model: the program's forms, their fields and its browse
// definitions, loaded once from the module's form file (LoadForm) and kept for
// the whole run. Only FieldValue changes after loading.
//
// Forms, fields and browse definitions are numbered from 1. The tables have
// the sizes the form file declares (FormCount forms of MaxFields fields each,
// BrowseCount definitions); entries the file does not fill are 0 or empty.
// Access outside those sizes is safe: it gives an empty scratch entry, cleared
// at every such access, so a damaged file or a wrong number never reaches
// outside the tables.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace config {

// Indexes of FormWindow.
inline constexpr int kWindowTop = 0;
inline constexpr int kWindowLeft = 1;
inline constexpr int kWindowBottom = 2;
inline constexpr int kWindowRight = 3;

// FieldFlags bits.
inline constexpr int16_t kFieldStartBlank = 1;   // edit starts blank; blank keeps the stored value
inline constexpr int16_t kFieldSecret = 2;       // as 1, and typed characters masked, never drawn
inline constexpr int16_t kFieldDisplayOnly = 4;  // never edited, skipped by navigation
inline constexpr int16_t kFieldCursorAtEnd = 8;  // cursor starts after the last non-blank

// FieldType 1 is numeric; any other value is text.
inline constexpr int16_t kFieldNumeric = 1;

struct FormScreen {
  std::string FormKeys;  // keys that end a field's editing: comma-separated hexadecimal codes
  int16_t FormFieldCount = 0;
  int16_t FormNext = 0;                 // form chained after this one; 0 for none
  std::array<int16_t, 4> FormWindow{};  // top, left, bottom, right; top 0: no window of its own
};

struct FormField {
  int16_t FieldRow = 0;
  int16_t FieldColumn = 0;
  std::string FieldLabel;  // already in the session's language
  int16_t FieldWidth = 0;
  int16_t FieldLineWidth = 0;
  int16_t FieldClearWidth = 0;
  int16_t FieldFlags = 0;
  int16_t FieldType = 0;
  int16_t FieldBrowse = 0;   // browse definition opened by F4; 0 or less for none
  std::string FieldChoices;  // "|code,description|code,description..." or empty; translated
  std::string FieldValue;    // FieldWidth blanks after loading
};

struct BrowseDefinition {
  int16_t BrowseFile = 0;  // file identifier; 0 for list mode
  int16_t BrowseKey = 0;
  int16_t BrowseTop = 0;
  int16_t BrowseLeft = 0;
  int16_t BrowseBottom = 0;
  int16_t BrowseRight = 0;
  int16_t BrowseStartForm = 0;  // form entered before the browse; 0 for none
  std::string BrowseHeader;     // column titles, translated
  int16_t BrowseNext = 0;       // browse offered on F4 from this one; 0 for none
};

class FormModelRecord {
 public:
  int16_t FormCount() const { return formCount_; }
  int16_t MaxFields() const { return maxFields_; }
  int16_t BrowseCount() const { return browseCount_; }

  bool HasForm(int form) const { return form >= 1 && form <= formCount_; }
  bool HasField(int form, int field) const { return HasForm(form) && field >= 1 && field <= maxFields_; }
  bool HasBrowse(int browse) const { return browse >= 1 && browse <= browseCount_; }

  // References stay valid until the tables are created anew.
  FormScreen& Form(int form);
  FormField& Field(int form, int field);
  BrowseDefinition& Browse(int browse);

  // Empty tables of the given sizes (negative sizes count as 0). LoadForm
  // uses these; tests may build a model with them directly.
  void CreateForms(int16_t formCount, int16_t maxFields);
  void CreateBrowses(int16_t browseCount);
  void Clear();

 private:
  int16_t formCount_ = 0;
  int16_t maxFields_ = 0;
  int16_t browseCount_ = 0;
  std::vector<FormScreen> forms_;
  std::map<int32_t, FormField> fields_;  // made on first access: form * 65536 + field
  std::vector<BrowseDefinition> browses_;
  FormScreen scratchForm_;
  FormField scratchField_;
  BrowseDefinition scratchBrowse_;
};

// The program's one form model.
FormModelRecord& FormModel();

}  // namespace config
