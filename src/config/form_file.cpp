#include "config/form_file.h"

#include <algorithm>

#include "config/field_reader.h"
#include "config/form_model.h"
#include "config/language.h"
#include "config/session.h"
#include "config/session_settings.h"
#include "platform/system.h"

namespace config {

namespace {

// Room for the values of all fields together. A real form file needs a few
// kilobytes; a damaged one could otherwise ask for gigabytes of blanks.
constexpr size_t kMaxValueBytes = 16u << 20;

// The largest screen a form is drawn on: a value longer than its cells, or a
// width whose length + 1 (the line editor's one-row width) overflows 16 bits,
// cannot be shown or edited.
constexpr int kScreenCells = 80 * 25;

bool FieldTooWide(const FormField& field) {
  for (int16_t width : {field.FieldLineWidth, field.FieldClearWidth})
    if (width < 0 || width >= 32767) return true;
  return field.FieldWidth > kScreenCells;
}

LoadFormResult Failure(int16_t status, std::string message) {
  return LoadFormResult{status, std::move(message)};
}

}  // namespace

LoadFormResult LoadForm() {
  const SessionSettingsRecord& session = SessionSettings();
  const std::string path = session.RootDir + "FORMS\\" + session.ModuleName + ".JPN";
  FormModelRecord& model = FormModel();
  model.Clear();

  TextInput file(platform::NativePath(path));
  if (!file.Ok())
    return Failure(kFormFileNotOpened,
                   TranslateText("No es pot obrir el fitxer de formularis ") + ShownPath(path));
  FieldReader reader(file);

  enum class Block { Header, Form, BrowseCount, Browse, Done };
  Block next = Block::Header;
  int form = 1;
  int browse = 1;
  size_t valueBytes = 0;
  while (next != Block::Done && !reader.Ended()) {
    reader.SkipCommentLines();
    switch (next) {
      case Block::Header: {
        int16_t formCount = reader.ReadNumber();
        int16_t maxFields = reader.ReadNumber();
        model.CreateForms(formCount, maxFields);
        next = model.FormCount() > 0 ? Block::Form : Block::BrowseCount;
        break;
      }
      case Block::Form: {
        FormScreen& screen = model.Form(form);
        screen.FormKeys = reader.ReadText();
        screen.FormFieldCount = reader.ReadNumber();
        screen.FormNext = reader.ReadNumber();
        for (int16_t& side : screen.FormWindow) side = reader.ReadNumber();
        if (screen.FormFieldCount > model.MaxFields())
          return Failure(kFormTooManyFields,
                         TranslateText("El formulari ") + std::to_string(form) +
                             TranslateText(" t\x82 m\x82s camps que el m\x85xim del fitxer de formularis ") +
                             path);
        for (int k = 1; k <= screen.FormFieldCount && !reader.Ended(); ++k) {
          FormField& field = model.Field(form, k);
          field.FieldRow = reader.ReadNumber();
          field.FieldColumn = reader.ReadNumber();
          field.FieldLabel = TranslateText(reader.ReadText());
          field.FieldWidth = reader.ReadNumber();
          field.FieldLineWidth = reader.ReadNumber();
          field.FieldClearWidth = reader.ReadNumber();
          field.FieldFlags = reader.ReadNumber();
          field.FieldType = reader.ReadNumber();
          field.FieldBrowse = reader.ReadNumber();
          field.FieldChoices = TranslateText(reader.ReadText());
          size_t width = static_cast<size_t>(std::max<int16_t>(field.FieldWidth, 0));
          valueBytes += width;
          if (valueBytes > kMaxValueBytes || FieldTooWide(field))
            return Failure(kFormFileTooLarge,
                           TranslateText("El fitxer de formularis descriu camps massa llargs: ") + path);
          field.FieldValue.assign(width, ' ');
        }
        if (++form > model.FormCount()) next = Block::BrowseCount;
        break;
      }
      case Block::BrowseCount:
        model.CreateBrowses(reader.ReadNumber());
        next = model.BrowseCount() > 0 ? Block::Browse : Block::Done;
        break;
      case Block::Browse: {
        BrowseDefinition& definition = model.Browse(browse);
        definition.BrowseFile = reader.ReadNumber();
        definition.BrowseKey = reader.ReadNumber();
        definition.BrowseTop = reader.ReadNumber();
        definition.BrowseLeft = reader.ReadNumber();
        definition.BrowseBottom = reader.ReadNumber();
        definition.BrowseRight = reader.ReadNumber();
        definition.BrowseStartForm = reader.ReadNumber();
        definition.BrowseHeader = TranslateText(reader.ReadText());
        definition.BrowseNext = reader.ReadNumber();
        if (++browse > model.BrowseCount()) next = Block::Done;
        break;
      }
      case Block::Done:
        break;
    }
  }

  if (model.FormCount() < 1)
    return Failure(kFormNoForms, TranslateText("El fitxer de formularis no descriu cap formulari: ") + path);
  return LoadFormResult{};
}

}  // namespace config
