// Opens a help document for the operator and waits until it is closed.
#pragma once

#include <string_view>

namespace platform {

// Suspends the active console, shows the document (an .HTM file) with
// $BROWSER or the first text browser found, waits for it to end, and resumes
// the console with a full redraw. False when no browser could be started.
bool OpenDocument(std::string_view cp850Path);

}  // namespace platform
