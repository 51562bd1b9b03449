#include "app/program.h"

#include "config/session.h"
#include "config/session_settings.h"
#include "console/keyboard.h"
#include "console/style.h"
#include "platform/console.h"
#include "platform/system.h"

namespace app {

int RunProgram() {
  platform::Console& screen = platform::ActiveConsole();
  screen.SetCursor(0);
  config::StartSession();
  config::SessionSettingsRecord& session = config::SessionSettings();
  if (!session.RootDir.empty()) platform::ChangeDirectory(session.RootDir);  // a failure is ignored
  session.ModuleName = "RECINQRY";

  // Until the estate loop is in place: the blank screen in the normal
  // style, until Esc.
  console::SetStyle("n");
  screen.ClearScreen();
  int16_t key = 0;
  do {
    console::WaitKey(key);
  } while (key != console::KeyEsc);
  return 0;
}

}  // namespace app
