// The calculator's tape file: its whole state as text records of
// comma-separated fields, texts in double quotes, each record ending in CR LF.
// docs/formats/calculator_tape.md describes the layout.
#pragma once

#include <string>
#include <string_view>

#include "numbers/calculator_engine.h"

namespace numbers {

// The file's bytes for the record.
std::string WriteCalculatorTape(const CalculatorRecord& record);

// Reads the file's bytes into record. An empty file gives the defaults.
// False when the bytes are not a tape the calculator wrote (damaged,
// truncated, more than 22 slot records, values outside their ranges): record
// then holds the defaults too.
bool ReadCalculatorTape(std::string_view bytes, CalculatorRecord& record);

}  // namespace numbers
