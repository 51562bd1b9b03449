#include "config/form_file.h"

#include <random>

#include "config/form_model.h"
#include "config_fixture.h"

namespace {

using config::FormModel;
using config::LoadForm;

class LoadFormTest : public configtest::ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    config::SessionSettings().RootDir = Root();
    config::SessionSettings().ModuleName = "RECINQRY";
    config::SessionSettings().LanguageCode = "CAT";
  }
  void WriteForm(const std::string& text) { Write("FORMS/RECINQRY.JPN", text); }
};

// Two forms (the second without fields) and one browse definition, with
// comments between the blocks.
const char* const kForm =
    "' Formularis de la consulta de rebuts\r\n"
    "2,2\r\n"
    "' Formulari 1: la finca\r\n"
    "   ' sagnat\r\n"
    "\"1b,0d,5000,4800\",2,0,0,0,0,0\r\n"
    "3,2,Codi de la finca: ,6,0,30,8,1,1,\"\"\r\n"
    "4,2,\"  Estat: \",1,0,20,0,0,0,\"|P,Pendent|D,Tornat\"\r\n"
    "' Formulari 2\r\n"
    "\"1b\",0,0,5,10,20,70\r\n"
    "' Llistes\r\n"
    "1\r\n"
    "511,0,3,10,20,70,0,\"Codi  Nom\",0\r\n";

TEST_F(LoadFormTest, ReadsFormsFieldsAndBrowses) {
  WriteForm(kForm);
  config::LoadFormResult result = LoadForm();
  EXPECT_EQ(result.Status, config::kFormLoaded);
  EXPECT_EQ(result.Message, "");
  auto& model = FormModel();
  EXPECT_EQ(model.FormCount(), 2);
  EXPECT_EQ(model.MaxFields(), 2);
  EXPECT_EQ(model.BrowseCount(), 1);

  const config::FormScreen& f1 = model.Form(1);
  EXPECT_EQ(f1.FormKeys, "1b,0d,5000,4800");
  EXPECT_EQ(f1.FormFieldCount, 2);
  EXPECT_EQ(f1.FormNext, 0);
  EXPECT_EQ(f1.FormWindow, (std::array<int16_t, 4>{0, 0, 0, 0}));

  const config::FormField& code = model.Field(1, 1);
  EXPECT_EQ(code.FieldRow, 3);
  EXPECT_EQ(code.FieldColumn, 2);
  EXPECT_EQ(code.FieldLabel, "Codi de la finca: ");
  EXPECT_EQ(code.FieldWidth, 6);
  EXPECT_EQ(code.FieldLineWidth, 0);
  EXPECT_EQ(code.FieldClearWidth, 30);
  EXPECT_EQ(code.FieldFlags, config::kFieldCursorAtEnd);
  EXPECT_EQ(code.FieldType, config::kFieldNumeric);
  EXPECT_EQ(code.FieldBrowse, 1);
  EXPECT_EQ(code.FieldChoices, "");
  EXPECT_EQ(code.FieldValue, "      ");

  const config::FormField& state = model.Field(1, 2);
  EXPECT_EQ(state.FieldLabel, "  Estat: ");
  EXPECT_EQ(state.FieldChoices, "|P,Pendent|D,Tornat");
  EXPECT_EQ(state.FieldValue, " ");

  const config::FormScreen& f2 = model.Form(2);
  EXPECT_EQ(f2.FormKeys, "1b");
  EXPECT_EQ(f2.FormFieldCount, 0);
  EXPECT_EQ(f2.FormWindow, (std::array<int16_t, 4>{5, 10, 20, 70}));
  EXPECT_EQ(model.Field(2, 1).FieldWidth, 0);  // within the table, not filled
  EXPECT_TRUE(model.HasField(2, 2));

  const config::BrowseDefinition& b = model.Browse(1);
  EXPECT_EQ(b.BrowseFile, 511);
  EXPECT_EQ(b.BrowseKey, 0);
  EXPECT_EQ(b.BrowseTop, 3);
  EXPECT_EQ(b.BrowseLeft, 10);
  EXPECT_EQ(b.BrowseBottom, 20);
  EXPECT_EQ(b.BrowseRight, 70);
  EXPECT_EQ(b.BrowseStartForm, 0);
  EXPECT_EQ(b.BrowseHeader, "Codi  Nom");
  EXPECT_EQ(b.BrowseNext, 0);
}

TEST_F(LoadFormTest, LineFeedLineEndsReadTheSame) {
  std::string lf;
  for (char c : std::string(kForm))
    if (c != '\r') lf.push_back(c);
  WriteForm(lf);
  EXPECT_EQ(LoadForm().Status, config::kFormLoaded);
  EXPECT_EQ(FormModel().Field(1, 2).FieldChoices, "|P,Pendent|D,Tornat");
  EXPECT_EQ(FormModel().Browse(1).BrowseHeader, "Codi  Nom");
}

TEST_F(LoadFormTest, TextsInTheSessionLanguage) {
  Write("LOCALE/RECINQRY.LNG",
        "\"Codi de la finca: \",x,x,\"C\xA2"
        "digo de la finca: \"\r\n"
        "\"|P,Pendent|D,Tornat\",x,x,\"|P,Pendiente|D,Devuelto\"\r\n"
        "\"Codi  Nom\",x,x,\"C\xA2"
        "d.  Nombre\"\r\n");
  config::SessionSettings().LanguageCode = "SPA";
  WriteForm(kForm);
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  EXPECT_EQ(FormModel().Field(1, 1).FieldLabel,
            "C\xA2"
            "digo de la finca: ");
  EXPECT_EQ(FormModel().Field(1, 2).FieldLabel, "  Estat: ");
  EXPECT_EQ(FormModel().Field(1, 2).FieldChoices, "|P,Pendiente|D,Devuelto");
  EXPECT_EQ(FormModel().Browse(1).BrowseHeader,
            "C\xA2"
            "d.  Nombre");
}

TEST_F(LoadFormTest, CommentInsideAFieldListIsAField) {
  WriteForm(
      "1,1\r\n"
      "\"1b\",1,0,0,0,0,0\r\n"
      "3\r\n"
      "' no comment here\r\n"
      "2,Label,6,0,0,0,0,0,\"\"\r\n");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  const config::FormField& f = FormModel().Field(1, 1);
  EXPECT_EQ(f.FieldRow, 3);
  // The apostrophe, ended as a number by the blank after it, then the rest
  // of the comment line as the label: every later value shifts.
  EXPECT_EQ(f.FieldColumn, 0);
  EXPECT_EQ(f.FieldLabel, "no comment here");
  EXPECT_EQ(f.FieldWidth, 2);
  EXPECT_EQ(f.FieldLineWidth, 0);  // "Label"
  EXPECT_EQ(f.FieldClearWidth, 6);
  EXPECT_EQ(f.FieldChoices, "0");
}

TEST_F(LoadFormTest, CommaBeforeALineEndMakesAnEmptyField) {
  WriteForm("1,1\r\n\"1b\",1,0,0,0,0,0\r\n3,\r\n2,Label,6,0,0,0,0,0,\"\"\r\n");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  EXPECT_EQ(FormModel().Field(1, 1).FieldColumn, 0);
  EXPECT_EQ(FormModel().Field(1, 1).FieldLabel, "2");
}

TEST_F(LoadFormTest, EmptyLineAtTheStartOfABlockIsAField) {
  WriteForm(
      "1,1\r\n"
      "\r\n"
      "1,0,0,0,0,0\r\n");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  EXPECT_EQ(FormModel().Form(1).FormKeys, "");
  EXPECT_EQ(FormModel().Form(1).FormFieldCount, 1);
  EXPECT_EQ(FormModel().Form(1).FormWindow, (std::array<int16_t, 4>{0, 0, 0, 0}));
}

struct DamagedCase {
  const char* name;
  std::string file;
  int16_t status;
};

TEST_F(LoadFormTest, Failures) {
  const DamagedCase cases[] = {
      {"more fields than the largest count", "1,1\r\n\"1b\",2,0,0,0,0,0\r\n", config::kFormTooManyFields},
      {"negative largest count", "1,-1\r\n\"1b\",0,0,0,0,0,0\r\n", config::kFormLoaded},
      {"empty file", "", config::kFormNoForms},
      {"no forms", "0,0\r\n1\r\n511,0,1,1,10,10,0,\"\",0\r\n", config::kFormNoForms},
      {"negative form count", "-3,2\r\n", config::kFormNoForms},
      {"field width 32767", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",32767,0,0,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"field width 40000", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",40000,0,0,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"field width 100000", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",100000,0,0,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"value beyond a whole screen", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n1,1,\"X\",2001,80,0,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"value filling a whole screen", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n1,1,\"\",2000,80,0,0,1,1,\"\"\r\n",
       config::kFormLoaded},
      {"line width 32767", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",10,32767,0,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"negative line width", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",10,-5,0,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"clear width 32767", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",10,0,32767,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"negative clear width", "1,1\r\n\"0d\",1,0,0,0,0,0\r\n2,2,\"X\",10,0,-1,0,1,1,\"\"\r\n",
       config::kFormFileTooLarge},
      {"Ctrl-Z at the start",
       "\x1A"
       "1,1\r\n",
       config::kFormNoForms},
  };
  for (const DamagedCase& c : cases) {
    WriteForm(c.file);
    config::LoadFormResult result = LoadForm();
    EXPECT_EQ(result.Status, c.status) << c.name;
    EXPECT_EQ(result.Message.empty(), c.status == config::kFormLoaded) << c.name;
  }
}

TEST_F(LoadFormTest, FileThatCannotBeOpened) {
  config::LoadFormResult result = LoadForm();
  EXPECT_EQ(result.Status, config::kFormFileNotOpened);
  EXPECT_NE(result.Message.find("FORMS/RECINQRY.JPN"), std::string::npos) << result.Message;
  EXPECT_EQ(FormModel().FormCount(), 0);
  std::filesystem::create_directories(dir_ / "FORMS/RECINQRY.JPN");  // a folder of that name
  EXPECT_EQ(LoadForm().Status, config::kFormFileNotOpened);
}

TEST_F(LoadFormTest, TooManyFieldsKeepsWhatWasRead) {
  WriteForm("2,1\r\n\"1b\",1,0,0,0,0,0\r\n1,1,A,3,0,0,0,0,0,\r\n\"0d\",5,0,0,0,0,0\r\n");
  config::LoadFormResult result = LoadForm();
  EXPECT_EQ(result.Status, config::kFormTooManyFields);
  EXPECT_NE(result.Message.find("2"), std::string::npos);
  EXPECT_EQ(FormModel().Field(1, 1).FieldLabel, "A");
  EXPECT_EQ(FormModel().Form(2).FormFieldCount, 5);
  EXPECT_EQ(FormModel().Field(2, 1).FieldWidth, 0);
}

TEST_F(LoadFormTest, EarlyEndLeavesTheRestEmpty) {
  WriteForm("3,2\r\n\"1b\",2,2,1,1,9,9\r\n4,5,\"Nom: \",10");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  auto& model = FormModel();
  EXPECT_EQ(model.Form(1).FormNext, 2);
  EXPECT_EQ(model.Field(1, 1).FieldLabel, "Nom: ");
  EXPECT_EQ(model.Field(1, 1).FieldWidth, 10);
  EXPECT_EQ(model.Field(1, 1).FieldValue, std::string(10, ' '));
  EXPECT_EQ(model.Field(1, 1).FieldClearWidth, 0);
  EXPECT_EQ(model.Field(1, 2).FieldRow, 0);
  EXPECT_EQ(model.Field(1, 2).FieldValue, "");
  EXPECT_EQ(model.Form(3).FormKeys, "");
  EXPECT_EQ(model.BrowseCount(), 0);
}

TEST_F(LoadFormTest, ReadingStopsAfterTheLastBrowse) {
  WriteForm("1,0\r\n\"1b\",0,0,0,0,0,0\r\n1\r\n514,1,2,3,4,5,6,\"H\",7\r\nsoroll,\"sense final\r\n");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  EXPECT_EQ(FormModel().Browse(1).BrowseNext, 7);
  EXPECT_EQ(FormModel().BrowseCount(), 1);
}

TEST_F(LoadFormTest, OddValues) {
  WriteForm(
      "1,1\r\n"
      "\"1b,0d\"  ignored,1 ,0,0,0,0,0\r\n"
      "99999,-99999,Etiqueta\tamb\ttabs  ,-4,0,0,0,0,0,\"|A,Un\r\n|B,Dos\"\r\n"
      "0\r\n");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  EXPECT_EQ(FormModel().Form(1).FormKeys, "1b,0d");
  const config::FormField& f = FormModel().Field(1, 1);
  EXPECT_EQ(f.FieldRow, 32767);
  EXPECT_EQ(f.FieldColumn, -32768);
  EXPECT_EQ(f.FieldLabel, "Etiquetaambtabs  ");
  EXPECT_EQ(f.FieldWidth, -4);
  EXPECT_EQ(f.FieldValue, "");  // a negative width holds no characters
  EXPECT_EQ(f.FieldChoices, "|A,Un\r\n|B,Dos");
}

TEST_F(LoadFormTest, HugeCountsWithoutTheFieldsToMatch) {
  WriteForm("32767,32767\r\n\"1b\",32767,0,0,0,0,0\r\n1,1,A,1,0,0,0,0,0,\"\"\r\n");
  ASSERT_EQ(LoadForm().Status, config::kFormLoaded);
  auto& model = FormModel();
  EXPECT_EQ(model.FormCount(), 32767);
  EXPECT_EQ(model.Field(1, 1).FieldLabel, "A");
  EXPECT_EQ(model.Field(32767, 32767).FieldWidth, 0);
  EXPECT_EQ(model.Form(32767).FormFieldCount, 0);
}

TEST_F(LoadFormTest, FieldWidthsBeyondAnyScreen) {
  std::string file = "1,2000\r\n\"1b\",2000,0,0,0,0,0\r\n";
  for (int i = 0; i < 2000; ++i) file += "1,1,A,32767,0,0,0,0,0,\"\"\r\n";
  WriteForm(file);
  config::LoadFormResult result = LoadForm();
  EXPECT_EQ(result.Status, config::kFormFileTooLarge);
  EXPECT_FALSE(result.Message.empty());
}

TEST_F(LoadFormTest, ArbitraryBytes) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::string alphabet = "0123456789,,,\"\"\r\n\r\n '-x\x1A";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (int round = 0; round < 200; ++round) {
    std::string noise;
    // Half the rounds from the field syntax's own characters, half from any byte.
    for (int i = 0; i < 2000; ++i)
      noise.push_back(round % 2 ? static_cast<char>(byte(gen)) : alphabet[pick(gen)]);
    WriteForm(noise);
    config::LoadFormResult result = LoadForm();
    auto& model = FormModel();
    EXPECT_EQ(result.Status == config::kFormNoForms, model.FormCount() == 0);
    if (result.Status == config::kFormLoaded) {
      for (int form = 1; form <= model.FormCount(); ++form)
        ASSERT_LE(model.Form(form).FormFieldCount, model.MaxFields());
    }
  }
}

TEST(FormModel, AccessOutsideTheTables) {
  config::FormModelRecord model;
  model.CreateForms(2, 3);
  model.CreateBrowses(1);
  model.Field(1, 3).FieldValue = "kept";
  config::FormField& kept = model.Field(1, 3);
  for (auto [form, field] : {std::pair{0, 1}, {3, 1}, {1, 0}, {1, 4}, {-1, -1}}) {
    EXPECT_FALSE(model.HasField(form, field));
    model.Field(form, field).FieldValue = "scratch";
    EXPECT_EQ(model.Field(form, field).FieldValue, "");
  }
  for (int i = 1; i <= 3; ++i) model.Field(2, i).FieldWidth = 1;  // more entries made
  EXPECT_EQ(&kept, &model.Field(1, 3));
  EXPECT_EQ(kept.FieldValue, "kept");
  model.Form(9).FormNext = 4;
  EXPECT_EQ(model.Form(9).FormNext, 0);
  model.Browse(2).BrowseFile = 5;
  EXPECT_EQ(model.Browse(2).BrowseFile, 0);
  EXPECT_FALSE(model.HasBrowse(0));
  EXPECT_TRUE(model.HasBrowse(1));
}

}  // namespace
