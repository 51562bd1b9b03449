// The readable description of a creation specification (rmutil spec):
// parsed into the Create layout, and written back from it.
#ifndef RECMGR_SPEC_TEXT_H
#define RECMGR_SPEC_TEXT_H

#include <string>

#include "file_spec.h"

namespace recmgr {

// Parses a description; on failure answers false with `error` naming the line.
bool ParseSpecText(const std::string& text, std::string& specBytes, std::string& error);

// The description of a parsed specification (ParseSpecText gives it back).
std::string DescribeSpec(const FileSpec& spec);

}  // namespace recmgr

#endif
