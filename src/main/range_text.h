// The display range as the text offered for editing, and the reading of an
// edited range text. Internal to the main flow; declared here for its tests.
#pragma once

#include <string>

#include "main/program.h"

// "(x1,y1) - (x2,y2)", each number as NumberText writes it, without the
// blank that stands for a plus sign.
std::string RangeText(const DisplayRange& range);
// Reads "x1,y1-x2,y2" after dropping parentheses and blanks; the "-" between
// the points is looked for only behind y1, so a negative y1 is no separator.
// Values behind a missing "," or "-" read as 0.
DisplayRange ReadRangeText(std::string text);
