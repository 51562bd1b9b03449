// The help of a topic: under the "WIN" run mode the topic's document
// AJUDA\<topic>.HTM through the document opener; otherwise the text file
// AJUDA\<topic>.HLP in a scrolling window of its own.
#pragma once

#include <string_view>

namespace console {

// Shows the topic's help and returns when the operator has closed it (Esc).
// In the viewer: Up, Down, PgUp, PgDn, Home and End scroll; F1 opens the
// general help "TOOLMENU" on top.
void ShowHelp(std::string_view topic);

}  // namespace console
