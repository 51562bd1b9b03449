#include "forms/form_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "console/keyboard.h"
#include "entry/line_editor.h"
#include "forms/forms_state.h"
#include "forms_fixture.h"
#include "platform/system.h"

namespace formstest {
namespace {

using namespace console;

// Keys that end a field in the test forms: Enter, Esc, Up, Down, PgUp, PgDn,
// F4, F2, End and key 2. Forms that want Enter to stay Enter leave End out.
constexpr const char* kFormKeys = "d,1b,4800,5000,4900,5100,3e00,3c00,2";

class FormsEntryTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    console.SetInsertToggle(true);
    forms::State().Hooks.CheckForm = [this](int16_t form, int16_t key) {
      checks.emplace_back(form, key);
      return int16_t{0};
    };
    console.OnWait = [this] {
      rows.push_back(console.CursorRow());
      depths.push_back(console::State().WindowDepth);
    };
  }
  void Forms(int16_t count, int16_t maxFields) { config::FormModel().CreateForms(count, maxFields); }
  config::FormScreen& Form(int16_t form, int16_t fields, int16_t next = 0,
                           std::array<int16_t, 4> window = {}) {
    auto& f = config::FormModel().Form(form);
    f.FormKeys = kFormKeys;
    f.FormFieldCount = fields;
    f.FormNext = next;
    f.FormWindow = window;
    return f;
  }
  config::FormField& Field(int16_t form, int16_t field, int16_t row, int16_t column, const std::string& label,
                           int16_t width, int16_t flags = 0) {
    auto& f = config::FormModel().Field(form, field);
    f.FieldRow = row;
    f.FieldColumn = column;
    f.FieldLabel = label;
    f.FieldWidth = width;
    f.FieldFlags = flags;
    f.FieldValue = std::string(static_cast<size_t>(width), ' ');
    return f;
  }
  const std::string& Value(int16_t form, int16_t field) {
    return config::FormModel().Field(form, field).FieldValue;
  }
  void Keys(std::initializer_list<int> keys) {
    for (int key : keys) console.PushKey(key);
  }
  int16_t Enter(int16_t form, int16_t mayUp = 0, int16_t mayDown = 0, int16_t key = 0) {
    forms::EnterForm(form, mayUp, mayDown, key);
    return key;
  }

  std::vector<std::pair<int, int>> checks;  // CheckForm calls: form, key
  std::vector<int> rows;                    // cursor row at each key wait: the field being edited
  std::vector<int> depths;                  // windows open at each key wait
};

TEST_F(FormsEntryTest, DisplayOnlyFieldsAreSkippedInTheDirectionOfTheMove) {
  Forms(1, 4);
  Form(1, 4);
  Field(1, 1, 5, 1, "U: ", 5);
  Field(1, 2, 6, 1, "D: ", 5, config::kFieldDisplayOnly).FieldValue = "SHOWN";
  Field(1, 3, 7, 1, "T: ", 5);
  Field(1, 4, 8, 1, "Q: ", 5, config::kFieldDisplayOnly);
  Keys({KeyDown, 'X', KeyUp, 'Y', KeyEnter, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  // Down from 1 lands on 3, Up from 3 on 1, Enter passes 2 and leaves after 3.
  EXPECT_EQ(rows, (std::vector<int>{5, 7, 7, 5, 5, 7}));
  EXPECT_EQ(Value(1, 1), "Y    ");
  EXPECT_EQ(Value(1, 2), "SHOWN");
  EXPECT_EQ(Value(1, 3), "X    ");
  EXPECT_EQ(Row(6), "D: SHOWN");
  EXPECT_EQ(checks, (std::vector<std::pair<int, int>>{{1, KeyEnter}}));
}

TEST_F(FormsEntryTest, DownOnTheLastFieldStaysAndEnterLeaves) {
  Forms(1, 2);
  Form(1, 2);
  Field(1, 1, 5, 1, "A: ", 3);
  Field(1, 2, 6, 1, "B: ", 3);
  Keys({KeyDown, KeyDown, KeyUp, KeyUp, KeyDown, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(rows, (std::vector<int>{5, 6, 6, 5, 5, 6}));
}

TEST_F(FormsEntryTest, MoveTableLeavesOrMovesByKey) {
  struct Case {
    const char* name;
    std::vector<int> keys;
    int16_t mayUp, mayDown;
    int16_t left;  // key that ends the form
    std::vector<int> rows;
    int16_t resume;
  };
  const Case cases[] = {
      {"PgDn to the last field, then out when allowed", {KeyPgDn, KeyPgDn}, 0, 1, KeyPgDn, {5, 7}, 1},
      {"PgDn stays on the last field when not allowed",
       {KeyPgDn, KeyPgDn, KeyEsc, KeyEsc},
       0,
       0,
       KeyEsc,
       {5, 7, 7, 5},
       0},
      {"PgUp leaves from the first field when allowed",
       {KeyDown, KeyPgUp, KeyPgUp},
       1,
       0,
       KeyPgUp,
       {5, 6, 5},
       1},
      {"Esc goes to the first field, then leaves",
       {KeyDown, KeyDown, KeyEsc, KeyEsc},
       0,
       0,
       KeyEsc,
       {5, 6, 7, 5},
       0},
      {"End leaves from any field", {KeyDown, 2}, 0, 0, 2, {5, 6}, 0},
      {"Up on the first field of a form entered directly stays",
       {KeyUp, KeyEnter, KeyEnter, KeyEnter},
       0,
       0,
       KeyEnter,
       {5, 5, 6, 7},
       0},
      {"a key outside the table leaves with it", {KeyF2 + 0x100}, 0, 0, KeyF2 + 0x100, {5}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    forms::ResetState();
    forms::State().Hooks.CheckForm = [](int16_t, int16_t) { return int16_t{0}; };
    Forms(1, 3);
    Form(1, 3).FormKeys = std::string(kFormKeys) + ",3d00";
    Field(1, 1, 5, 1, "A: ", 3);
    Field(1, 2, 6, 1, "B: ", 3);
    Field(1, 3, 7, 1, "C: ", 3);
    rows.clear();
    for (int key : c.keys) console.PushKey(key);
    EXPECT_EQ(Enter(1, c.mayUp, c.mayDown), c.left);
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(forms::State().ResumeForm, c.resume);
  }
}

TEST_F(FormsEntryTest, ChainedFormContinuesAndUpOnItsFirstFieldComesBack) {
  Forms(2, 2);
  Form(1, 1, 2);
  Field(1, 1, 5, 1, "A: ", 3);
  Form(2, 2);
  Field(2, 1, 10, 1, "B: ", 3);
  Field(2, 2, 11, 1, "C: ", 3);
  Keys({KeyEnter, KeyUp, KeyEnter, KeyEnter, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(rows, (std::vector<int>{5, 10, 5, 10, 11}));
  EXPECT_EQ(checks, (std::vector<std::pair<int, int>>{{2, KeyEsc}, {2, KeyEnter}, {1, KeyEnter}}));
}

TEST_F(FormsEntryTest, ChainLeftByPagingIsResumedWhereItWasLeft) {
  Forms(2, 2);
  Form(1, 1, 2);
  Field(1, 1, 5, 1, "A: ", 3);
  Form(2, 2);
  Field(2, 1, 10, 1, "B: ", 3);
  Field(2, 2, 11, 1, "C: ", 3);
  Keys({KeyEnter, KeyPgDn, KeyPgDn});
  EXPECT_EQ(Enter(1, 1, 1), KeyPgDn);
  EXPECT_EQ(rows, (std::vector<int>{5, 10, 11}));
  EXPECT_EQ(forms::State().ResumeForm, 2);
  rows.clear();
  Keys({KeyDown, 2});
  EXPECT_EQ(Enter(1, 1, 1), 2);
  EXPECT_EQ(rows, (std::vector<int>{10, 11}));  // straight into form 2
  EXPECT_EQ(forms::State().ResumeForm, 0);
}

TEST_F(FormsEntryTest, ChainThatLoopsBackIsNotFollowedAgain) {
  Forms(2, 1);
  Form(1, 1, 2);
  Field(1, 1, 5, 1, "A: ", 3);
  Form(2, 1, 1);
  Field(2, 1, 10, 1, "B: ", 3);
  Keys({KeyEnter, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(rows, (std::vector<int>{5, 10}));
}

TEST_F(FormsEntryTest, ClicksMoveToTheFieldUnderThemUnlessDisplayOnly) {
  Forms(1, 3);
  Form(1, 3);
  Field(1, 1, 5, 1, "NOM: ", 10);
  Field(1, 2, 6, 1, "REF: ", 10, config::kFieldDisplayOnly);
  Field(1, 3, 7, 1, "CIUTAT: ", 10).FieldClearWidth = 4;
  console.PushClick(7, 2);    // the label of field 3
  console.PushClick(6, 8);    // the display-only field
  console.PushClick(20, 70);  // no field
  console.PushClick(7, 21);   // field 3's room after the value
  console.PushClick(5, 18);   // beyond field 1's label and value: outside
  Keys({KeyEsc, KeyEsc});
  EXPECT_EQ(Enter(1), KeyEsc);
  // A click reaches the editor as a mouse move and a release, two waits.
  EXPECT_EQ(rows, (std::vector<int>{5, 5, 7, 7, 7, 7, 7, 7, 7, 7, 7, 5}));
}

TEST_F(FormsEntryTest, ClicksCountFromTheFormsOwnWindow) {
  Forms(1, 2);
  Form(1, 2, 0, {4, 10, 12, 60});
  Field(1, 1, 2, 3, "A: ", 5);
  Field(1, 2, 4, 3, "B: ", 5);
  console.PushClick(8, 13);  // relative row 4, column 3: field 2's label
  Keys({KeyEsc, KeyEsc});
  EXPECT_EQ(Enter(1), KeyEsc);
  EXPECT_EQ(rows, (std::vector<int>{6, 6, 8, 6}));  // the click takes two waits
  EXPECT_EQ(depths, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_EQ(Row(4), "");  // the screen under the window is back
}

TEST_F(FormsEntryTest, F1ShowsTheMenuHelpAndDropsWhatWasTyped) {
  std::filesystem::create_directories(root / "AJUDA");
  const std::filesystem::path before = std::filesystem::current_path();
  ASSERT_TRUE(platform::ChangeDirectory(root.string()));
  for (const std::string name : {"AJUDAFORM   ", ""}) {
    SCOPED_TRACE(name);
    config::SessionSettings().MenuName = name;
    Forms(1, 1);
    Form(1, 1);
    Field(1, 1, 5, 1, "A: ", 5).FieldValue = "OLD  ";
    depths.clear();
    Keys({'N', 'E', 'W', KeyF1});
    if (!name.empty()) Keys({KeyEsc});  // closes the help viewer
    Keys({KeyEnter});
    EXPECT_EQ(Enter(1), KeyEnter);
    EXPECT_EQ(Value(1, 1), "OLD  ");
    const int helpWaits = static_cast<int>(std::count(depths.begin(), depths.end(), 1));
    EXPECT_EQ(helpWaits, name.empty() ? 0 : 1);
  }
  EXPECT_TRUE(std::filesystem::exists(root / "AJUDA" / "AJUDAFORM.HLP"));
  std::filesystem::current_path(before);
}

class FormsEntryBrowseTest : public FormsEntryTest {
 protected:
  void SetUp() override {
    FormsEntryTest::SetUp();
    estates.Fill(25);
    OpenEstates();
    Forms(1, 1);
    Form(1, 1);
    Field(1, 1, 5, 1, "FINCA: ", 3).FieldBrowse = 1;
    DefineBrowse(3, 10, 14, 71);
    UseEstateLines();
    forms::State().Hooks.BrowseChosen = [this](int16_t& definition, int16_t& form, int16_t& field) {
      chosen.emplace_back(definition, form, field);
      if (definition == 1) forms::StoreFieldValue(form, EstateLine(area).substr(0, 3), field, 0);
    };
  }
  std::vector<std::tuple<int, int, int>> chosen;
};

TEST_F(FormsEntryBrowseTest, ChoosingAnEstateFillsTheFieldAndEndsTheForm) {
  console::SetKeySet("ea", "1b");
  const std::string keysBefore = console::State().ExitKeys;
  Keys({KeyF4, KeyDown, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(Value(1, 1), "002");
  EXPECT_EQ(Row(5), "FINCA: 002");
  EXPECT_EQ(chosen, (std::vector<std::tuple<int, int, int>>{{1, 1, 1}}));
  EXPECT_EQ(checks, (std::vector<std::pair<int, int>>{{1, KeyEnter}}));
  EXPECT_EQ(depths, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(console.Beeps(), 0);
  // Exit keys, value stack and windows are as they were.
  EXPECT_EQ(console::State().ExitKeys, keysBefore);
  EXPECT_EQ(console::State().SavedExitKeyDepth, 0);
  EXPECT_TRUE(forms::State().ValueStack.empty());
  EXPECT_EQ(console::State().WindowDepth, 0);
}

TEST_F(FormsEntryBrowseTest, BrowseLeftWithoutAChoiceRingsAndKeepsTheTypedText) {
  console::SetKeySet("ea", "1b");
  // After the browse the field still ends on the form's keys (Enter here).
  Keys({'7', KeyF4, KeyEsc, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(console.Beeps(), 1);
  EXPECT_EQ(Value(1, 1), "7  ");
  EXPECT_TRUE(chosen.empty());
  EXPECT_EQ(rows.back(), 5);
}

TEST_F(FormsEntryBrowseTest, LineFileThatCannotBeCreatedIsNamedToTheOperator) {
  // A work directory under a regular file: nothing can be created in it.
  { std::ofstream(root / "NOTADIR") << "x"; }
  config::SessionSettings().TempDir = (root / "NOTADIR").string() + "/";
  console::SetKeySet("ea", "1b");
  std::vector<std::string> screens;  // the whole screen at each key wait
  console.OnWait = [this, &screens] {
    std::string text;
    for (int16_t r = 1; r <= 25; ++r) text += console.RowText(r) + "\n";
    screens.push_back(text);
  };
  Keys({'7', KeyF4, 'x', KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(console.Beeps(), 1);
  EXPECT_EQ(Value(1, 1), "7  ");
  EXPECT_TRUE(chosen.empty());
  // The message is on the screen while a key is awaited, and gone once the
  // field is edited again.
  auto message = std::find_if(screens.begin(), screens.end(), [](const std::string& text) {
    return text.find("No es pot crear el fitxer de treball ") != std::string::npos;
  });
  ASSERT_NE(message, screens.end());
  EXPECT_NE(message->find("DIR/Browse.tmp"), std::string::npos) << *message;  // the path may wrap
  EXPECT_EQ(screens.back().find("No es pot crear"), std::string::npos) << screens.back();
  EXPECT_EQ(console::State().WindowDepth, 0);
  EXPECT_FALSE(std::filesystem::exists(root / "Browse.tmp"));
}

TEST_F(FormsEntryBrowseTest, HookThatClearsTheDefinitionRunsTheBrowseAgain) {
  int calls = 0;
  forms::State().Hooks.BrowseChosen = [&](int16_t& definition, int16_t& form, int16_t& field) {
    if (++calls == 1) {
      definition = 0;
      return;
    }
    forms::StoreFieldValue(form, EstateLine(area).substr(0, 3), field, 0);
  };
  Keys({KeyF4, KeyEnter, KeyDown, KeyDown, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Value(1, 1), "003");
  EXPECT_TRUE(forms::State().ValueStack.empty());
}

TEST_F(FormsEntryBrowseTest, F4OnAFieldWithoutBrowseDoesNothing) {
  config::FormModel().Field(1, 1).FieldBrowse = 0;
  Keys({'5', KeyF4, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(Value(1, 1), "   ");  // F4 started the field again from its stored value
  EXPECT_EQ(console.Beeps(), 0);
  EXPECT_EQ(estates.Reads, 0);
}

TEST_F(FormsEntryTest, NumericFieldRejectsLettersWithTheBell) {
  Forms(1, 1);
  Form(1, 1);
  auto& field = Field(1, 1, 5, 1, "N: ", 3);
  field.FieldType = config::kFieldNumeric;
  field.FieldValue = "9  ";
  std::vector<std::string> shown;
  console.OnWait = [&] { shown.push_back(Row(5)); };
  Keys({KeyCtrlHome, 'A', KeyEnter, KeyDel, '1', '2', KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(console.Beeps(), 1);
  EXPECT_EQ(shown.at(3), "N: A");  // still in the field with the rejected text
  EXPECT_EQ(Value(1, 1), "12 ");
}

TEST_F(FormsEntryTest, RefusedFormStartsAgainAtItsFirstField) {
  Forms(1, 2);
  Form(1, 2);
  Field(1, 1, 5, 1, "A: ", 3);
  Field(1, 2, 6, 1, "B: ", 3);
  int refusals = 1;
  forms::State().Hooks.CheckForm = [&](int16_t form, int16_t key) {
    checks.emplace_back(form, key);
    return static_cast<int16_t>(refusals-- > 0 ? -1 : 0);
  };
  Keys({KeyEnter, KeyEnter, KeyEnter, KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(rows, (std::vector<int>{5, 6, 5, 6}));
  EXPECT_EQ(checks.size(), 2u);
}

TEST_F(FormsEntryTest, FormWithoutEditableFieldsIsLeftAtOnce) {
  Forms(1, 1);
  Form(1, 1);
  Field(1, 1, 5, 1, "A: ", 3, config::kFieldDisplayOnly);
  forms::State().Hooks.CheckForm = [&](int16_t form, int16_t key) {
    checks.emplace_back(form, key);
    return int16_t{-1};  // a refusal cannot keep the operator in a form with nothing to edit
  };
  EXPECT_EQ(Enter(1, 0, 0, 0x1234), 0x1234);
  EXPECT_EQ(checks, (std::vector<std::pair<int, int>>{{1, 0x1234}}));
  EXPECT_EQ(console.WaitCalls(), 0);
  // A form number the model does not hold behaves the same.
  EXPECT_EQ(Enter(9, 0, 0, 5), 5);
}

TEST_F(FormsEntryTest, SecretFieldShowsNothingStartsBlankAndKeepsItsValueWhenLeftBlank) {
  Forms(1, 1);
  Form(1, 1);
  auto& field = Field(1, 1, 5, 1, "CLAU: ", 4, config::kFieldSecret);
  field.FieldValue = "PASS";
  field.FieldClearWidth = 2;
  forms::DrawForm(1);
  EXPECT_EQ(Row(5), "CLAU:");
  std::vector<int16_t> masks;
  console.OnWait = [&] { masks.push_back(console::State().MaskChar); };
  Keys({KeyEnter});
  EXPECT_EQ(Enter(1), KeyEnter);
  EXPECT_EQ(Value(1, 1), "PASS");
  EXPECT_EQ(masks, std::vector<int16_t>{88});
  EXPECT_EQ(console::State().MaskChar, 0);
  // Typed text and then Esc: nothing is stored, and what was typed is not
  // printed back over the field.
  Keys({'A', 'B', KeyEsc});
  EXPECT_EQ(Enter(1), KeyEsc);
  EXPECT_EQ(Value(1, 1), "PASS");
  EXPECT_EQ(console.RowText(5).find("AB"), std::string::npos);
  Keys({'X', 'Y', KeyEnter});
  Enter(1);
  EXPECT_EQ(Value(1, 1), "XY  ");
}

TEST_F(FormsEntryTest, ValuesDrawAsChoiceDescriptionsOrInLines) {
  config::SessionSettings().MenuTitle = "ABC";
  Forms(1, 3);
  Form(1, 3);
  auto& choice = Field(1, 1, 5, 1, "Q: ", 2);
  choice.FieldClearWidth = 3;
  choice.FieldChoices = "|1 ,UN|2 ,DOS";
  choice.FieldValue = "2 ";
  auto& none = Field(1, 2, 6, 1, "R: ", 2);
  none.FieldChoices = "|1 ,UN|2 ,DOS";
  none.FieldValue = "3 ";
  auto& lines = Field(1, 3, 8, 1, "S: ", 6);
  lines.FieldLineWidth = 3;
  lines.FieldValue = "ABCDEF";
  console.WriteText("");
  for (int16_t r = 5; r <= 6; ++r) {
    platform::ActiveConsole().MoveCursor(r, 4);
    platform::ActiveConsole().WriteText("#####");
  }
  forms::DrawForm(1);
  EXPECT_EQ(Cells(5, 1, 9), "Q: DOS   ");
  EXPECT_EQ(Cells(6, 1, 8), "R: #####");  // no choice matches: nothing printed
  EXPECT_EQ(Row(8), "S: ABC");
  EXPECT_EQ(Row(9), "   DEF");
  // The title of form 1 on row 1, centred on column 41 (39.5 rounds to 40).
  EXPECT_EQ(console.RowText(1).find("ABC"), 39u);
  config::SessionSettings().MenuTitle = "ABCD";
  forms::DrawForm(1);
  EXPECT_EQ(console.RowText(1).find("ABCD"), 38u);
}

TEST_F(FormsEntryTest, TitleLabelsAndValuesAreCutAtTheScreenEdge) {
  config::SessionSettings().MenuTitle = std::string(300, 'X');
  Forms(1, 3);
  Form(1, 3);
  Field(1, 1, 5, 70, "Etiqueta: ", 20).FieldValue = std::string(20, 'V');  // value runs past column 80
  Field(1, 2, 40, 90, "Fora: ", 5).FieldValue = "FFFFF";                    // wholly off the screen
  Field(1, 3, 7, 75, "Etiqueta llarga: ", 3).FieldValue = "LLL";            // label runs past column 80
  forms::DrawForm(1);
  EXPECT_EQ(console.RowText(1), std::string(80, 'X'));
  for (int16_t r = 2; r <= 4; ++r) EXPECT_EQ(Row(r), "") << r;
  EXPECT_EQ(Cells(5, 70, 11), "Etiqueta: V");
  EXPECT_EQ(Row(6), "");
  EXPECT_EQ(Cells(7, 75, 6), "Etique");
  EXPECT_EQ(Row(8), "");
  for (int16_t r = 1; r <= 25; ++r) EXPECT_EQ(console.RowText(r).find('F'), std::string::npos) << r;
}

TEST_F(FormsEntryTest, StoreFieldValueCutsOrPadsToTheWidth) {
  Forms(1, 2);
  Form(1, 2);
  Field(1, 1, 5, 1, "A: ", 3);
  Field(1, 2, 6, 1, "B: ", 3).FieldType = config::kFieldNumeric;
  EXPECT_EQ(forms::StoreFieldValue(1, "ABCDE", 1, 0), 0);
  EXPECT_EQ(Value(1, 1), "ABC");
  EXPECT_EQ(forms::StoreFieldValue(1, "7", 1, 0), 0);
  EXPECT_EQ(Value(1, 1), "7  ");
  EXPECT_NE(forms::StoreFieldValue(1, "1x", 2, 0), 0);
  EXPECT_EQ(Value(1, 2), "   ");
  EXPECT_EQ(forms::StoreFieldValue(1, " 42", 2, 0), 0);
  EXPECT_EQ(Value(1, 2), " 42");
  EXPECT_NE(forms::StoreFieldValue(1, "1", 9, 0), 0);  // no such field
}

}  // namespace
}  // namespace formstest
