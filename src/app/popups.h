// The hot-key pop-ups of the program: the console owns the hooks, the
// program fills them at start-up.
#pragma once

namespace app {

// Alt+X opens the calculator and Alt+C the calendar from every key wait.
void InstallPopups();

}  // namespace app
