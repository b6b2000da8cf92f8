// What translation, evaluation and number reading share, and helpers that
// the tests reach directly; not for use outside terms/.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The elements of a translated term besides operands: the letter written
// before "|" and how many values it takes from the stack. The functions have
// the name a term writes them by; the operators are their own letter.
struct TermElement {
  std::string_view name;
  char letter;
  int operands;
};
constexpr TermElement kFunctionElements[] = {
    {"atn", 'a', 1}, {"cos", 'c', 1}, {"sin", 's', 1}, {"tan", 't', 1}, {"exp", 'e', 1},
    {"log", 'l', 1}, {"sqr", 'r', 1}, {"abs", 'b', 1}, {"sgn", 'g', 1},
};
constexpr TermElement kOperatorElements[] = {
    {"-", '-', 1}, {"+", '+', 2}, {"*", '*', 2}, {"/", '/', 2}, {"^", '^', 2},
};

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Moves the longest front part of the stack that holds no stop character to
// the end of the output.
void FlushUntil(std::string& output, std::string& stack, std::string_view stops);
// Number text, without its sign blank, of the value rounded to that many
// decimal places.
std::string RoundedText(double value, int decimals);

// Exact powers of ten as doubles: 10^22 is the largest one.
constexpr int kExactPowerMax = 22;
constexpr double kExactPowers[kExactPowerMax + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kShortDigitsMax = 15;

// Fast reading of the common short number: it starts with a digit or ".", has
// at most 15 digits and a power-of-ten scale of at most 22. Both the digits and
// the power are then exact doubles, so one multiplication or division gives the
// correctly rounded value. False when the text needs the full reading.
inline bool ReadShortDecimal(std::string_view text, double& value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  std::uint64_t digits = 0;
  int count = 0;
  int scale = 0;
  for (; p < end && IsDigit(*p); ++p, ++count) {
    if (count == kShortDigitsMax) return false;
    digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  if (p < end && *p == '.') {
    for (++p; p < end && IsDigit(*p); ++p, ++count, --scale) {
      if (count == kShortDigitsMax) return false;
      digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
  }
  if (count == 0) return false;
  if (p < end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
    ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int exponent = 0;
    for (; p < end && IsDigit(*p); ++p) {
      exponent = exponent * 10 + (*p - '0');
      if (exponent > 2 * kExactPowerMax + kShortDigitsMax) return false;
    }
    scale += negative ? -exponent : exponent;
  }
  if (scale < -kExactPowerMax || scale > kExactPowerMax) return false;
  const double v = static_cast<double>(digits);
  value = scale < 0 ? v / kExactPowers[-scale] : v * kExactPowers[scale];
  return true;
}
