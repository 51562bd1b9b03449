// The browse over an indexed data file: one line of text per record, in key
// order, in a framed window with a highlighted bar, paged and scrolled
// sideways; records are read only as the operator moves past the lines
// already shown, and every line made is kept in the line file (browse_file.h)
// so that moving back never touches the data file.
#pragma once

#include <cstdint>
#include <string>

namespace forms {

// Runs browse definition `definition`. 0: the operator chose a line; with a
// data file the chosen record is in the file's record area and the file is
// positioned on it; in list mode (BrowseFile 0) the chosen line's value and
// text are kept (BrowseListValue, BrowseListText). Any other value: no
// choice (-1 when the operator left, or the record manager's status when
// the chosen record could not be read again).
int16_t RunBrowse(int16_t definition);

// The line chosen by the last list-mode browse: bytes 4-7 of its header and
// its text; 0 and empty when none was chosen.
int32_t BrowseListValue();
const std::string& BrowseListText();

}  // namespace forms
