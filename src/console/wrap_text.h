// Paragraph formatting: breaks a text into lines of a width and lays each
// line out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace console {

// Replaces text by its lines, one after another without separators. A
// positive indent indents the first line, a negative one every later line by
// -indent. Control characters (below 32) take no column and stay inside the
// lines. Modes, in either case: E, L, I left (padded with blanks); N left,
// padded with "-"; D, R right; C centred; A, B justified (every line but the
// last); any other leaves each line as it was cut.
void WrapText(std::string& text, int16_t indent, int16_t width, std::string_view mode);

}  // namespace console
