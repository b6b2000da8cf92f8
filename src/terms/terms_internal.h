// Helpers of the term translation that the tests reach directly; not for use
// outside terms/.
#pragma once

#include <string>
#include <string_view>

// Moves the longest front part of the stack that holds no stop character to
// the end of the output.
void FlushUntil(std::string& output, std::string& stack, std::string_view stops);
// Number text, without a leading blank, of the value rounded to that many
// decimal places.
std::string RoundedText(double value, int decimals);
