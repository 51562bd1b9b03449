// The receipts inquiry from start to end: the session, the form model, the
// three data files, the estate loop and the shut-down, run on the console
// installed by main.
#pragma once

#include <string>

namespace app {

// Exit code when the program stops before the estate loop because its form
// file cannot be used.
constexpr int ExitFormFileFault = 1;

// Runs the program on the active console and returns its exit code: 0 after
// Esc on the estate form (and after a data file that cannot be opened, whose
// message the file-access layer shows before it ends the process);
// ExitFormFileFault when the form file cannot be opened, holds a form with
// more fields than it declares, or has no estate form to edit (a message
// says which, and the program waits for a key before it stops).
int RunProgram();

// The terminal's notice for a window smaller than the screen in a session
// language (SPA, GLG, OCI; Catalan for any other): code page 850, {W} and {H}
// for the window's columns and rows. RunProgram hands it to the console.
std::string SmallWindowNoticeText(const std::string& languageCode);

// Opens the estates, owners and collections files with their record areas,
// in that order. False when one could not be opened (the file-access layer
// has then told the operator and ended the process, unless a test keeps it
// running).
bool OpenInquiryFiles();

// Resets every data file of the program; it keeps no ordinary file open.
void CloseInquiryFiles();

// Form 1 until Esc, the receipts of the chosen estate after every other way
// out of it.
void EstateLoop();

}  // namespace app
