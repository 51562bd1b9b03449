#include "forms/form_entry.h"

#include <algorithm>
#include <cstdlib>

#include "config/form_model.h"
#include "config/session_settings.h"
#include "console/help_viewer.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "entry/line_editor.h"
#include "forms/browse.h"
#include "forms/form_moves.h"
#include "forms/forms_state.h"
#include "forms/hooks.h"
#include "forms/value_stack.h"
#include "numbers/number_format.h"
#include "platform/console.h"

namespace forms {

namespace {

using config::FormField;
using config::FormModel;

void Write(std::string_view text) { platform::ActiveConsole().WriteText(text); }
void WriteBlanks(int n) { platform::ActiveConsole().WriteBlanks(n); }

// Writes text at (row, column), relative to the innermost window, cut at the
// screen's edges instead of wrapping onto the next row; nothing of a row
// outside the screen.
void WriteAt(int row, int column, std::string_view text) {
  const int absRow = console::FirstRow() + row - 1;
  int absColumn = console::FirstColumn() + column - 1;
  const int screenWidth = console::ScreenWidth();
  if (absRow < 1 || absRow > console::ScreenHeight() || absColumn > screenWidth) return;
  if (absColumn < 1) {
    const size_t skip = static_cast<size_t>(1 - absColumn);
    if (skip >= text.size()) return;
    text.remove_prefix(skip);
    column += static_cast<int>(skip);
    absColumn = 1;
  }
  text = text.substr(0, std::min(text.size(), static_cast<size_t>(screenWidth - absColumn + 1)));
  if (text.empty()) return;
  console::Locate(static_cast<int16_t>(row), static_cast<int16_t>(column));
  Write(text);
}

std::string FitTo(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

int16_t FieldCount(int16_t form) {
  auto& model = FormModel();
  if (!model.HasForm(form)) return 0;
  return std::min(model.Form(form).FormFieldCount, model.MaxFields());
}

int16_t ValueColumn(const FormField& field) {
  return static_cast<int16_t>(field.FieldColumn + static_cast<int16_t>(field.FieldLabel.size()));
}

bool DisplayOnly(const FormField& field) { return (field.FieldFlags & config::kFieldDisplayOnly) != 0; }
bool StartsBlank(const FormField& field) {
  return (field.FieldFlags & (config::kFieldStartBlank | config::kFieldSecret)) != 0;
}
bool Secret(const FormField& field) { return (field.FieldFlags & config::kFieldSecret) != 0; }

// Prints a value in pieces of lineWidth characters, one under the other, or
// whole on one row when lineWidth is 0.
void PrintValue(int16_t row, int16_t column, const std::string& text, int16_t lineWidth) {
  if (lineWidth <= 0) {
    WriteAt(row, column, text);
    return;
  }
  for (size_t k = 0; k < text.size(); k += static_cast<size_t>(lineWidth))
    WriteAt(row + static_cast<int>(k / static_cast<size_t>(lineWidth)), column,
            std::string_view(text).substr(k, static_cast<size_t>(lineWidth)));
}

// Where the blanks after the value start: right of the value's last line.
void LocateAfterValue(const FormField& field) {
  const int16_t column = ValueColumn(field);
  if (field.FieldLineWidth > 0) {
    const int16_t lines = std::max<int16_t>(1, static_cast<int16_t>(field.FieldWidth / field.FieldLineWidth));
    console::Locate(static_cast<int16_t>(field.FieldRow + lines - 1),
                    static_cast<int16_t>(column + field.FieldLineWidth));
  } else {
    console::Locate(field.FieldRow, static_cast<int16_t>(column + field.FieldWidth));
  }
}

// The edit value and the blanks after it, printed again after the editor's
// underline. A secret field shows blanks instead of what was typed.
void ReprintEditValue(const FormField& field, const std::string& editValue) {
  const std::string shown = Secret(field) ? std::string(editValue.size(), ' ') : editValue;
  PrintValue(field.FieldRow, ValueColumn(field), shown, field.FieldLineWidth);
  LocateAfterValue(field);
  WriteBlanks(field.FieldClearWidth);
}

// The key list of a field visit: the form's keys and F1, with no empty item
// (which would read as key 0).
std::string VisitKeys(const std::string& formKeys) {
  std::string keys = formKeys;
  while (!keys.empty() && (keys.back() == ',' || keys.back() == ' ')) keys.pop_back();
  return keys.empty() ? std::string("3b00") : keys + ",3b00";
}

// The field whose area holds a click, relative to the form's window; 0 for
// none. Clicks come as -(column * 100 + row), absolute.
int16_t ClickedField(int16_t form, int16_t key) {
  auto& model = FormModel();
  const int32_t code = -static_cast<int32_t>(key);
  const auto& window = model.Form(form).FormWindow;
  const int32_t row = code % 100 - window[config::kWindowTop];
  const int32_t column = code / 100 - window[config::kWindowLeft];
  const int16_t count = FieldCount(form);
  for (int16_t f = 1; f <= count; ++f) {
    const FormField& field = model.Field(form, f);
    if (DisplayOnly(field)) continue;
    const int32_t lineWidth = field.FieldLineWidth != 0 ? field.FieldLineWidth : field.FieldWidth;
    const int32_t rows = field.FieldLineWidth != 0 ? field.FieldWidth / field.FieldLineWidth : 1;
    const int32_t width = static_cast<int32_t>(field.FieldLabel.size()) + lineWidth + field.FieldClearWidth;
    if (row >= field.FieldRow && row < field.FieldRow + rows && column >= field.FieldColumn &&
        column < field.FieldColumn + width) {
      return f;
    }
  }
  return 0;
}

// The rectangle PushWindow accepts: every edge on the screen.
bool FitsScreen(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  const int16_t height = console::ScreenHeight();
  const int16_t width = console::ScreenWidth();
  return top >= 1 && top <= height && bottom >= 1 && bottom <= height && left >= 1 && left <= width &&
         right >= 1 && right <= width;
}

// Marks a form as being entered for as long as the call runs.
class ActiveForm {
 public:
  explicit ActiveForm(int16_t form) { State().ActiveForms.push_back(form); }
  ~ActiveForm() {
    auto& active = State().ActiveForms;
    if (!active.empty()) active.pop_back();
  }
  ActiveForm(const ActiveForm&) = delete;
  ActiveForm& operator=(const ActiveForm&) = delete;
};

// The form chained after this one, 0 for none. A chain that leads back to a
// form being entered right now (a loop in a damaged form file) ends here.
int16_t NextForm(int16_t form) {
  auto& model = FormModel();
  if (!model.HasForm(form)) return 0;
  const int16_t next = model.Form(form).FormNext;
  if (!model.HasForm(next)) return 0;
  const auto& active = State().ActiveForms;
  if (std::find(active.begin(), active.end(), next) != active.end()) return 0;
  return next;
}

void FirstAndLast(int16_t form, int16_t& first, int16_t& last) {
  first = 0;
  last = 0;
  const int16_t count = FieldCount(form);
  for (int16_t f = 1; f <= count; ++f) {
    if (DisplayOnly(FormModel().Field(form, f))) continue;
    if (first == 0) first = f;
    last = f;
  }
}

// Whether ResumeForm lies on this form's chain; clears it when it does not.
void CheckResumeForm(int16_t form) {
  auto& state = State();
  if (state.ResumeForm <= 0) return;
  auto& model = FormModel();
  int16_t f = form;
  for (int steps = 0; f > 0 && steps <= model.FormCount(); ++steps) {
    if (f == state.ResumeForm) return;
    f = model.HasForm(f) ? model.Form(f).FormNext : 0;
  }
  state.ResumeForm = 0;
}

// Runs the field's browse until it ends: true when a record was chosen and
// the hook accepted it, with field and key set for the move that follows.
bool BrowseForField(int16_t form, int16_t definition, int16_t& field, int16_t last, bool hasNext,
                    int16_t& key, const std::string& visitKeys, bool secret) {
  auto& model = FormModel();
  for (;;) {
    const int16_t result = RunBrowse(definition);
    // The browse saves and restores the exit-key set with the one save slot
    // this visit already holds: set the visit's keys up again.
    console::SetKeySet("+ea", visitKeys);
    if (secret) console::SetKeySet("h", "");
    if (result != 0) return false;
    PushInt16(field);
    PushInt16(definition);
    int16_t chosenDefinition = definition;
    int16_t chosenForm = form;
    int16_t chosenField = field;
    BrowseChosen(chosenDefinition, chosenForm, chosenField);
    if (chosenDefinition == 0) {
      definition = PopInt16();
      PopInt16();
      continue;
    }
    PopInt16();
    const int16_t savedField = PopInt16();
    if (chosenField < 1 || chosenField > FieldCount(form)) chosenField = savedField;
    if (chosenField == savedField) {
      key = (savedField == last && !hasNext) ? console::KeyEnter : console::KeyDown;
    } else {
      field = chosenField;
      key = (chosenField < last && DisplayOnly(model.Field(form, chosenField))) ? console::KeyDown : 0;
    }
    return true;
  }
}

}  // namespace

void SetFieldChoices(const std::string& choices) { entry::SetChoiceList(choices); }

void DrawFieldValue(int16_t form, int16_t field) {
  auto& model = FormModel();
  if (!model.HasField(form, field)) return;
  const FormField& f = model.Field(form, field);
  if (Secret(f)) return;
  const int16_t column = ValueColumn(f);
  if (!f.FieldChoices.empty()) {
    // Items: "|" code "," description.
    size_t start = 0;
    while ((start = f.FieldChoices.find('|', start)) != std::string::npos) {
      ++start;
      size_t end = f.FieldChoices.find('|', start);
      if (end == std::string::npos) end = f.FieldChoices.size();
      const std::string item = f.FieldChoices.substr(start, end - start);
      const size_t comma = item.find(',');
      const std::string code = item.substr(0, comma);
      if (code == f.FieldValue) {
        const std::string description = comma == std::string::npos ? std::string() : item.substr(comma + 1);
        console::Locate(f.FieldRow, column);
        Write(FitTo(description, static_cast<size_t>(std::max(0, f.FieldWidth + f.FieldClearWidth))));
        return;
      }
      start = end;
    }
    return;
  }
  PrintValue(f.FieldRow, column, f.FieldValue, f.FieldLineWidth);
}

int16_t StoreFieldValue(int16_t form, const std::string& text, int16_t field, int16_t /*key*/) {
  auto& model = FormModel();
  if (!model.HasField(form, field)) return -1;
  FormField& f = model.Field(form, field);
  if (f.FieldType == config::kFieldNumeric) {
    const int16_t bad = numbers::IsBadNumberText(text, "");
    if (bad != 0) return bad;
  }
  f.FieldValue = FitTo(text, static_cast<size_t>(std::max<int16_t>(0, f.FieldWidth)));
  DrawFieldValue(form, field);
  return 0;
}

void DrawForm(int16_t form) {
  auto& model = FormModel();
  console::SetStyle("rh");
  if (form == 1) {
    // Centred on column 41; an exact half goes to the even column.
    // A title wider than the screen is cut to it.
    const std::string title = config::SessionSettings().MenuTitle.substr(
        0, static_cast<size_t>(std::max<int>(0, console::ScreenWidth())));
    const int twice = 82 - static_cast<int>(title.size());
    int column = twice / 2;
    if (twice % 2 != 0) {
      const int below = (twice - 1) / 2;
      column = below % 2 == 0 ? below : below + 1;
    }
    platform::ActiveConsole().MoveCursor(1, static_cast<int16_t>(std::max(column, 1)));
    Write(title);
  }
  const int16_t count = FieldCount(form);
  console::SetStyle("n");
  for (int16_t f = 1; f <= count; ++f) {
    const FormField& field = model.Field(form, f);
    WriteAt(field.FieldRow, field.FieldColumn, field.FieldLabel);
  }
  console::SetStyle("h");
  for (int16_t f = 1; f <= count; ++f) DrawFieldValue(form, f);
}

void EnterForm(int16_t& formNumber, int16_t mayLeaveUp, int16_t mayLeaveDown, int16_t& key) {
  using namespace console;
  const bool chained = formNumber < 0;
  const int16_t form = static_cast<int16_t>(std::abs(static_cast<int>(formNumber)));
  formNumber = form;
  auto& model = FormModel();
  auto& state = State();
  ActiveForm active(form);

  std::array<int16_t, 4> window{};
  std::string formKeys;
  if (model.HasForm(form)) {
    window = model.Form(form).FormWindow;
    formKeys = model.Form(form).FormKeys;
  }
  const bool ownWindow = window[config::kWindowTop] != 0 &&
                         FitsScreen(window[config::kWindowTop], window[config::kWindowLeft],
                                    window[config::kWindowBottom], window[config::kWindowRight]);
  if (ownWindow) {
    SetStyle("+n");
    PushWindow(window[config::kWindowTop], window[config::kWindowLeft], window[config::kWindowBottom],
               window[config::kWindowRight]);
    DrawFrame(FrameDouble);
    SetStyle("-");
  }
  DrawForm(form);

  int16_t first = 0;
  int16_t last = 0;
  FirstAndLast(form, first, last);
  const int16_t next = NextForm(form);
  const std::string visitKeys = VisitKeys(formKeys);

  if (first == 0) {
    // Nothing to edit: left at once with the key received, whatever the check.
    CheckForm(form, key);
    if (ownWindow) PopWindow();
    return;
  }

  bool skipFields = false;
  CheckResumeForm(form);
  if (state.ResumeForm > 0 && state.ResumeForm != form && next != 0) {
    int16_t chainedForm = static_cast<int16_t>(-next);
    EnterForm(chainedForm, mayLeaveUp, mayLeaveDown, key);
    skipFields = LeavesChain(key);
  } else {
    state.ResumeForm = 0;
  }

  for (;;) {
    if (!skipFields) {
      int16_t current = first;
      while (current >= first && current <= last) {
        FormField& field = model.Field(form, current);
        const bool secret = Secret(field);
        SetKeySet("+ea", visitKeys);
        std::string editValue =
            StartsBlank(field)
                ? std::string(static_cast<size_t>(std::max<int16_t>(0, field.FieldWidth)), ' ')
                : FitTo(field.FieldValue, static_cast<size_t>(std::max<int16_t>(0, field.FieldWidth)));
        if (secret) SetKeySet("h", "");
        if (field.FieldClearWidth != 0 && !DisplayOnly(field)) {
          LocateAfterValue(field);
          WriteBlanks(field.FieldClearWidth);
        }
        bool rejected = false;
        int16_t visited = current;
        do {
          rejected = false;
          if (DisplayOnly(field)) {
            editValue.clear();
            if (secret) SetKeySet("v", "");
            SetKeySet("-", "");
            break;
          }
          SetFieldChoices(field.FieldChoices);
          int16_t pos = 1;
          if (field.FieldFlags & config::kFieldCursorAtEnd) {
            pos = static_cast<int16_t>(TrimRight(editValue).size() + 1);
          }
          int16_t row = field.FieldRow;
          int16_t column = ValueColumn(field);
          int16_t width = field.FieldLineWidth;
          entry::EditLine(row, column, width, editValue, pos, key);

          if (key == KeyF1) {
            const std::string topic = TrimRight(config::SessionSettings().MenuName);
            if (!topic.empty()) ShowHelp(topic);
            key = 0;
          } else if (key == KeyF4) {
            key = 0;
            if (field.FieldBrowse > 0) {
              rejected =
                  !BrowseForField(form, field.FieldBrowse, current, last, next != 0, key, visitKeys, secret);
            }
          } else if (key == KeyEsc) {
            if (field.FieldClearWidth != 0) ReprintEditValue(field, editValue);
            DrawFieldValue(form, current);
          } else {
            if (field.FieldClearWidth != 0) ReprintEditValue(field, editValue);
            if (StartsBlank(field) && IsAllChar(editValue, ' ')) editValue = field.FieldValue;
            rejected = StoreFieldValue(form, editValue, current, key) != 0;
          }
          FirstAndLast(form, first, last);
          if (rejected) {
            platform::ActiveConsole().Beep();
            continue;
          }
          editValue.clear();
          if (secret) SetKeySet("v", "");
          SetKeySet("-", "");
        } while (rejected);

        MoveContext context;
        context.Current = current;
        context.First = first;
        context.Last = last;
        context.MayLeaveUp = mayLeaveUp != 0;
        context.MayLeaveDown = mayLeaveDown != 0;
        context.Chained = chained;
        context.HasNext = next != 0;
        if (key < 0) context.ClickField = ClickedField(form, key);
        const Move move = MoveByKey(context, key);
        key = move.Key;
        if (move.Resume == ResumeChange::Clear) state.ResumeForm = 0;
        if (move.Resume == ResumeChange::SetThisForm) state.ResumeForm = form;
        bool leave = false;
        switch (move.Kind) {
          case MoveKind::ToField:
            current = move.Field;
            break;
          case MoveKind::Stay:
            break;
          case MoveKind::Leave:
            leave = true;
            break;
          case MoveKind::RunNext: {
            int16_t chainedForm = static_cast<int16_t>(-next);
            EnterForm(chainedForm, mayLeaveUp, mayLeaveDown, key);
            leave = LeavesChain(key);
            break;
          }
        }
        if (leave) break;
        // A display-only field passes the key on; one that the key would
        // leave where it is hands the cursor to the next field instead.
        if (current == visited && DisplayOnly(model.Field(form, current))) ++current;
      }
    }
    skipFields = false;
    if (CheckForm(form, key) == 0) break;
  }
  if (ownWindow) PopWindow();
}

}  // namespace forms
