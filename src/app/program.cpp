#include "app/program.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/app_state.h"
#include "app/estate_hooks.h"
#include "app/inquiry_records.h"
#include "app/popups.h"
#include "app/receipts_screen.h"
#include "config/form_file.h"
#include "config/form_model.h"
#include "config/language.h"
#include "config/session.h"
#include "config/session_settings.h"
#include "console/keyboard.h"
#include "console/message_box.h"
#include "console/style.h"
#include "console/window_stack.h"
#include "forms/browse_file.h"
#include "forms/form_entry.h"
#include "numbers/currency.h"
#include "platform/console.h"
#include "platform/shutdown.h"
#include "platform/system.h"
#include "platform/terminal_console.h"
#include "records/data_files.h"

namespace app {

namespace {

// The estate form needs a field that the operator can edit.
bool HasEditableField(int16_t form) {
  config::FormModelRecord& model = config::FormModel();
  if (!model.HasForm(form)) return false;
  const int16_t count = std::min(model.Form(form).FormFieldCount, model.MaxFields());
  for (int16_t field = 1; field <= count; ++field) {
    if ((model.Field(form, field).FieldFlags & config::kFieldDisplayOnly) == 0) return true;
  }
  return false;
}

// Tells the operator why the program cannot go on and waits for a key.
void ShowFault(const std::string& message) {
  console::ShowMessage(12, message);
  platform::ActiveConsole().Beep();
  console::FlushKeys();
  console::WaitKey();
  console::PopWindow();
}

// The form model, checked for what the estate loop needs. Empty when usable,
// else the message for the operator.
std::string LoadForms() {
  const config::LoadFormResult loaded = config::LoadForm();
  if (loaded.Status != config::kFormLoaded) return loaded.Message;
  if (!HasEditableField(EstateForm)) {
    const config::SessionSettingsRecord& session = config::SessionSettings();
    return config::TranslateText("El fitxer de formularis no descriu el formulari de la finca: ") +
           config::ShownPath(session.RootDir + "FORMS\\" + session.ModuleName + ".JPN");
  }
  return std::string();
}

bool Open(int16_t fileId, std::string_view path, std::string& area) {
  return records::OpenDataFile(fileId, config::SessionSettings().RootDir + std::string(path), area) == 0;
}

// Ended from outside (hang-up, SIGTERM), the program still resets its files
// and removes the files of this run in the terminal directory: the browse's
// line file and the window stack, whose frames belong to the windows this run
// had open. A file that is not there is no fault.
void ShutDown() {
  CloseInquiryFiles();
  for (const std::string& path : {forms::BrowseFilePath(), console::WindowStackPath()}) {
    std::error_code ignored;
    std::filesystem::remove(platform::NativePath(path), ignored);
  }
}

}  // namespace

std::string SmallWindowNoticeText(const std::string& languageCode) {
  if (languageCode == "SPA") return "La ventana debe medir como m\xA1nimo 80 \x9E 25 (ahora {W} \x9E {H}).";
  if (languageCode == "GLG") return "A janela deve medir polo menos 80 \x9E 25 (agora {W} \x9E {H}).";
  if (languageCode == "OCI") return "Era fin\x8Astra a de h\x8Ar coma minim 80 \x9E 25 (ara {W} \x9E {H}).";
  return "La finestra ha de fer com a m\xA1nim 80 \x9E 25 (ara {W} \x9E {H}).";
}

bool OpenInquiryFiles() {
  AppState& app = State();
  return Open(EstatesFile, EstatesPath, app.Estate.Bytes) && Open(OwnersFile, OwnersPath, app.Owner.Bytes) &&
         Open(CollectionsFile, CollectionsPath, app.Receipt.Bytes);
}

void CloseInquiryFiles() { records::ResetDataFiles(); }

void EstateLoop() {
  console::SetStyle("n");
  platform::ActiveConsole().ClearScreen();
  int16_t key = 0;
  for (;;) {
    int16_t form = EstateForm;
    forms::EnterForm(form, 0, 0, key);
    if (key == console::KeyEsc) return;
    numbers::SetCurrency("p");
    ShowReceipts();
    numbers::SetCurrency("");
  }
}

int RunProgram() {
  platform::ActiveConsole().SetCursor(0);
  config::StartSession();
  config::SessionSettingsRecord& session = config::SessionSettings();
  platform::SetSmallWindowNotice(SmallWindowNoticeText(session.LanguageCode));
  if (!session.RootDir.empty()) platform::ChangeDirectory(session.RootDir);  // a failure is ignored
  session.ModuleName = "RECINQRY";
  InstallHooks();
  InstallPopups();

  const std::string fault = LoadForms();
  if (!fault.empty()) {
    ShowFault(fault);
    return ExitFormFileFault;
  }

  platform::SetShutdownHook(ShutDown);
  if (!OpenInquiryFiles()) {
    platform::SetShutdownHook(nullptr);
    return 0;
  }
  EstateLoop();
  CloseInquiryFiles();
  platform::SetShutdownHook(nullptr);
  return 0;
}

}  // namespace app
