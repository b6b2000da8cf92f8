// The term language: numbers written as text and read back, typed terms
// translated into postfix text, and postfix text evaluated at a point.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Sign position (" " or "-") and the value to 15 significant digits, plain or
// with exponent: " 1", " .5", "-.5", " 1E+20". Infinity " 1E+9999" and
// "-1E+9999" (they read back as infinity), not-a-number " NaN".
std::string NumberText(double value);
// The number text without its sign position when that is a blank (a
// negative number keeps its "-").
inline std::string WithoutSignBlank(const std::string& number_text) {
  return !number_text.empty() && number_text[0] == ' ' ? number_text.substr(1) : number_text;
}
// Reads the number at the front of the text (decimal, or &H/&B/&O/& bases);
// the rest is ignored; no number reads as 0.
double NumberValue(std::string_view text);
// Where the number that NumberValue reads at the front of the text ends:
// past leading blanks, its sign, digits and decimal point, and an exponent
// whose letter has digits behind it.
std::size_t NumberEnd(std::string_view text);
// Postfix text of a typed term; on a character or structure fault shows
// " unzulässige Zeichen oder Strukturfehler " and returns "". An empty or
// all-blank term gives "" without a message.
std::string TranslateTerm(std::string term);
// Value of a postfix text at (x, y, z); when the text does not work out shows
// " Rechenfehler " and returns 0.
double EvaluateTerm(std::string_view translated, double x, double y, double z);
