// The estate form's check and the estates browse's hooks, alone and inside
// the form entry and the browse, over real data files.
#include "app/estate_hooks.h"

#include <gtest/gtest.h>

#include "config/form_model.h"
#include "console/keyboard.h"
#include "forms/form_entry.h"
#include "inquiry_fixture.h"

namespace apptest {
namespace {

class EstateHooksTest : public InquiryTest {
 protected:
  void SetUp() override {
    InquiryTest::SetUp();
    StartInquiry();
    AddEstate(1, "PRIMERA");
    AddEstate(12, "CAL MASOVER");
    AddEstate(50, "");
    AddEstate(130, "LA TERCERA");
  }
  std::string& CodeField() { return config::FormModel().Field(1, 1).FieldValue; }
  app::EstateRecord& Estate() { return app::State().Estate; }
};

TEST_F(EstateHooksTest, AnExistingCodeIsLookedUpPackedAndLeavesItsRecord) {
  // However the operator typed 12, the code looked up is 0012: 0x80 0x8C.
  for (const char* typed : {"12 ", " 12", "012"}) {
    Estate() = app::EstateRecord{};
    CodeField() = typed;
    EXPECT_EQ(app::CheckForm(1, console::KeyEnter), 0) << typed;
    EXPECT_EQ(Estate().EstateCode(), "\x80\x8C") << typed;
    EXPECT_EQ(Estate().EstateName(), "CAL MASOVER" + std::string(19, ' ')) << typed;
  }
  CodeField() = "130";
  EXPECT_EQ(app::CheckForm(1, console::KeyDown), 0);
  EXPECT_EQ(Estate().EstateName().substr(0, 10), "LA TERCERA");
  EXPECT_EQ(console.Beeps(), 0);
}

TEST_F(EstateHooksTest, ACodeThatNamesNoEstateBeepsAndKeepsTheOperatorInTheForm) {
  struct Case {
    const char* typed;
    const char* why;
  } cases[] = {
      {"77 ", "no such estate"}, {"0  ", "estate 0 does not exist"}, {"1 2", "a blank inside"},
      {"1A ", "a letter"},       {"   ", "nothing typed"},           {"-12", "a sign"},
  };
  int beeps = 0;
  for (const Case& c : cases) {
    CodeField() = c.typed;
    EXPECT_NE(app::CheckForm(1, console::KeyEnter), 0) << c.why;
    EXPECT_EQ(console.Beeps(), ++beeps) << c.why;
    EXPECT_EQ(CodeField(), c.typed) << "the typed code stays";
  }
}

TEST_F(EstateHooksTest, EscAndOtherFormsAreLetGoWithoutReadingAFile) {
  records::ResetDataFiles();  // a read now would fail, and the check with it
  Estate().SetEstateName("DEL CAMP ANTERIOR");
  CodeField() = "77 ";
  EXPECT_EQ(app::CheckForm(1, console::KeyEsc), 0);
  EXPECT_EQ(app::CheckForm(2, console::KeyEnter), 0);
  EXPECT_EQ(Estate().EstateName().substr(0, 17), "DEL CAMP ANTERIOR");
  EXPECT_EQ(console.Beeps(), 0);
  // With the file closed, a real look-up is refused.
  CodeField() = "12 ";
  EXPECT_NE(app::CheckForm(1, console::KeyEnter), 0);
}

TEST_F(EstateHooksTest, BrowseLinesShowTheThreeDigitCodeAndTheName) {
  ChooseEstate(12);
  EXPECT_EQ(app::BrowseLine(1), "012  CAL MASOVER" + std::string(19, ' '));
  // A blank name still leaves the code: the line is not empty once trimmed.
  ChooseEstate(50);
  const std::string blank = app::BrowseLine(1);
  EXPECT_EQ(blank, "050" + std::string(32, ' '));
  EXPECT_EQ(app::BrowseLine(2), "");
}

TEST_F(EstateHooksTest, AChoiceStoresTheCodeIntoTheFieldThatOpenedTheBrowse) {
  ChooseEstate(12);
  int16_t definition = 1, form = 1, field = 1;
  app::BrowseChosen(definition, form, field);
  EXPECT_EQ(CodeField(), "012");
  EXPECT_EQ(definition, 1);

  // After a chained browse (form 0) and for other definitions: nothing.
  ChooseEstate(130);
  int16_t noForm = 0, noField = 0;
  app::BrowseChosen(definition, noForm, noField);
  int16_t other = 2;
  app::BrowseChosen(other, form, field);
  EXPECT_EQ(CodeField(), "012");

  std::string start = "x", end = "y";
  EXPECT_EQ(app::BrowseRange(1, start, end), 0);
  EXPECT_EQ(start, "");
  EXPECT_EQ(end, "");
}

// The hooks as the form entry and the browse call them.
class EstateFormTest : public EstateHooksTest {
 protected:
  void SetUp() override {
    EstateHooksTest::SetUp();
    app::InstallHooks();
  }
  int16_t Enter() {
    int16_t form = 1, key = 0;
    forms::EnterForm(form, 0, 0, key);
    return key;
  }
};

TEST_F(EstateFormTest, TypingAnExistingCodeLeavesTheFormWithEnter) {
  console.PushText("12");
  console.PushKey(console::KeyEnter);
  EXPECT_EQ(Enter(), console::KeyEnter);
  EXPECT_EQ(Estate().EstateName().substr(0, 11), "CAL MASOVER");
  EXPECT_EQ(console.Beeps(), 0);
  EXPECT_EQ(Row(2).substr(1), "Codi de finca: 12");
}

TEST_F(EstateFormTest, AnUnknownCodeBeepsAndTheFormGoesOnWithTheTypedCode) {
  console.PushText("77");
  console.PushKey(console::KeyEnter);
  EXPECT_THROW(Enter(), platform::ScriptExhausted);
  EXPECT_EQ(console.Beeps(), 1);
  EXPECT_EQ(CodeField(), "77 ");
  EXPECT_EQ(Row(2).substr(1), "Codi de finca: 77");
}

TEST_F(EstateFormTest, F4PicksAnEstateFromTheBrowseAndEndsTheForm) {
  // Keys typed while the browse reads ahead are taken by it: the operator
  // moves once the list is shown.
  StagedConsole staged;
  platform::SetActiveConsole(&staged);
  staged.Stage({console::KeyF4});
  staged.Stage({console::KeyDown});
  staged.Stage({console::KeyEnter});
  EXPECT_EQ(Enter(), console::KeyEnter);
  EXPECT_EQ(CodeField(), "012");
  EXPECT_EQ(Estate().EstateCode(), "\x80\x8C");
  EXPECT_EQ(staged.RowText(2).substr(1, 18), "Codi de finca: 012");
  EXPECT_EQ(staged.Beeps(), 0);
  platform::SetActiveConsole(&console);
}

TEST_F(EstateFormTest, TheBrowseListsEveryEstateWithItsHeader) {
  console.PushKey(console::KeyF4);
  EXPECT_THROW(Enter(), platform::ScriptExhausted);
  // The window's top frame line names the columns; the lines follow.
  EXPECT_NE(console.RowText(5).find("Codi Nom de la finca"), std::string::npos) << console.RowText(5);
  EXPECT_EQ(At(6, 21, 16), "001  PRIMERA    ");
  EXPECT_EQ(At(7, 21, 16), "012  CAL MASOVER");
  EXPECT_EQ(At(8, 21, 16), "050             ");
  EXPECT_EQ(At(9, 21, 16), "130  LA TERCERA ");
}

TEST_F(EstateFormTest, EscLeavesAtOnce) {
  Estate().SetEstateName("ABANS");
  console.PushText("77");
  console.PushKey(console::KeyEsc);
  EXPECT_EQ(Enter(), console::KeyEsc);
  EXPECT_EQ(console.Beeps(), 0);
  EXPECT_EQ(Estate().EstateName().substr(0, 5), "ABANS");
}

}  // namespace
}  // namespace apptest
