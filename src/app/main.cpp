// Entry point of the receipts inquiry: takes the terminal and runs the
// program on it.
#include <cstdio>
#include <string>

#include "app/program.h"
#include "platform/terminal_console.h"

int main() {
  platform::TerminalConsole terminal;
  std::string error;
  if (!terminal.Open(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  platform::SetActiveConsole(&terminal);
  int code = app::RunProgram();
  terminal.Close();
  platform::SetActiveConsole(nullptr);
  return code;
}
