// The demo installation's module and settings files read through the same
// code as any other installation's.
#include <gtest/gtest.h>

#include "config/form_file.h"
#include "config/form_model.h"
#include "config/language.h"
#include "config/settings.h"
#include "config_fixture.h"

namespace {

class DemoFilesTest : public configtest::ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    config::SessionSettings().RootDir = std::string(RECINQRY_SOURCE_DIR) + "/site/";
    config::SessionSettings().ModuleName = "RECINQRY";
  }
};

TEST_F(DemoFilesTest, EstateFormAndBrowse) {
  config::SessionSettings().LanguageCode = "CAT";
  config::LoadFormResult result = config::LoadForm();
  ASSERT_EQ(result.Status, config::kFormLoaded) << result.Message;
  auto& model = config::FormModel();
  ASSERT_GE(model.FormCount(), 1);
  const config::FormScreen& form = model.Form(1);
  ASSERT_GE(form.FormFieldCount, 1);
  EXPECT_LE(form.FormFieldCount, model.MaxFields());
  const config::FormField& field = model.Field(1, 1);
  EXPECT_GT(field.FieldWidth, 0);
  EXPECT_EQ(field.FieldValue, std::string(field.FieldWidth, ' '));
  ASSERT_TRUE(model.HasBrowse(field.FieldBrowse));
  EXPECT_EQ(model.Browse(field.FieldBrowse).BrowseFile, 511);
}

TEST_F(DemoFilesTest, TranslationsOfTheScreenTexts) {
  // The file lives in the source tree: a session of another language must
  // find it there and never need to create it.
  ASSERT_TRUE(std::filesystem::exists(std::string(RECINQRY_SOURCE_DIR) + "/site/LOCALE/RECINQRY.LNG"));
  const std::pair<const char*, const char*> spanish[] = {
      {"PENDENT", "PENDIENTE"}, {"TORNAT", "DEVUELTO"}, {"TOTAL           ", "TOTAL           "}};
  config::SessionSettings().LanguageCode = "SPA";
  for (const auto& [catalan, text] : spanish) EXPECT_EQ(config::TranslateText(catalan), text);
  config::SessionSettings().LanguageCode = "GLG";
  EXPECT_EQ(config::TranslateText("TORNAT"), "DEVOLVIDO");
  config::SessionSettings().LanguageCode = "SPA";
  config::LoadFormResult result = config::LoadForm();
  ASSERT_EQ(result.Status, config::kFormLoaded) << result.Message;
  EXPECT_EQ(config::FormModel().Field(1, 1).FieldLabel,
            "C\xA2"
            "digo de finca: ");
}

TEST_F(DemoFilesTest, TerminalSettings) {
  const std::string term = std::string(RECINQRY_SOURCE_DIR) + "/site/TERM01/";
  EXPECT_EQ(config::ReadSetting(term + "Sessio.ini", "Terminal", "Dir"), "TERM01\\");
  EXPECT_EQ(config::ReadSetting(term + "DorvTerm.ini", "pantalla", "SELECCIO"), "1");
}

}  // namespace
