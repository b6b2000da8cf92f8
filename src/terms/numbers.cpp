// Numbers written as text and read back from text. Both directions are shared
// by every part of the program, so a number written in one place reads back
// unchanged in another.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "terms/terms.h"
#include "terms/terms_internal.h"

namespace {

constexpr int kSignificantDigits = 15;
// Widest plain notation: digit places before and after the point.
constexpr int kPlainPlaces = 15;
constexpr int kExponentCap = 9999;
// More significant digits than any double needs for correct rounding (at most
// 767 decide a halfway case); the rest only tells whether something nonzero
// follows, which one extra nonzero digit stands for.
constexpr int kKeptDigits = 800;
// Beyond these decimal magnitudes every double reading is infinite or zero.
constexpr long kOverflowMagnitude = 310;
constexpr long kUnderflowMagnitude = -345;

struct BaseLetter {
  char letter;
  int base;
};
constexpr BaseLetter kBaseLetters[] = {{'H', 16}, {'h', 16}, {'B', 2}, {'b', 2},
                                       {'O', 8},  {'o', 8},  {'Q', 8}, {'q', 8}};
constexpr int kDefaultBase = 8;

bool IsExponentLetter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

bool IsLeadingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Value of c as a digit in the base, or -1.
int DigitIn(char c, int base) {
  int d = -1;
  if (IsDigit(c)) d = c - '0';
  if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  return d < base ? d : -1;
}

// The number at the front of a text: its value, and where it ends. The end
// lies past the blanks before it, its sign, its digits and decimal point (even
// when no digit came), and an exponent whose letter has digits after it.
struct ScannedNumber {
  double value;
  std::size_t end;
};

// A whole number in base 2, 8 or 16 after "&". All three are powers of two, so
// the first 60-odd bits are kept exactly and any further bits only count
// towards the scale and a sticky bit; the final conversion then rounds once.
ScannedNumber ReadBased(std::string_view text, std::size_t pos) {
  int base = kDefaultBase;
  if (pos < text.size()) {
    for (const BaseLetter& b : kBaseLetters) {
      if (text[pos] == b.letter) {
        base = b.base;
        ++pos;
        break;
      }
    }
  }
  const int bits = base == 16 ? 4 : base == 8 ? 3 : 1;
  const std::uint64_t full = std::uint64_t{1} << (64 - bits);
  std::uint64_t mantissa = 0;
  long dropped_bits = 0;
  bool sticky = false;
  for (; pos < text.size(); ++pos) {
    const int d = DigitIn(text[pos], base);
    if (d < 0) break;
    if (mantissa < full) {
      mantissa = (mantissa << bits) | static_cast<std::uint64_t>(d);
    } else {
      if (dropped_bits < 4096) dropped_bits += bits;
      sticky = sticky || d != 0;
    }
  }
  // The mantissa holds at least 60 bits here, so its lowest bit lies well
  // below the rounding position of a double and can carry the sticky bit.
  if (sticky) mantissa |= 1;
  return {std::ldexp(static_cast<double>(mantissa), static_cast<int>(dropped_bits)), pos};
}

// Significant digits of a decimal number and its scale: the value is
// digits x 10^scale. Only the first kKeptDigits digits are kept.
struct DecimalDigits {
  char digits[kKeptDigits + 1];
  int count = 0;
  long scale = 0;
  bool sticky = false;
};

void AddDigit(DecimalDigits& d, char c, bool after_point) {
  if (d.count == 0 && c == '0') {
    if (after_point) --d.scale;
    return;
  }
  if (d.count < kKeptDigits) {
    d.digits[d.count++] = c;
    if (after_point) --d.scale;
    return;
  }
  if (!after_point && d.scale < std::numeric_limits<int>::max()) ++d.scale;
  d.sticky = d.sticky || c != '0';
}

// The correctly rounded double of a text of digits and an exponent; false
// when it lies beyond the doubles (rounds to 0 or to infinity).
bool ParseDigits(const char* text, int n, double& value) {
#if defined(__EMSCRIPTEN__)
  // The browser build's C++ library has no from_chars for doubles. strtod
  // rounds correctly too, and the text has no decimal point for a locale to
  // misread; it reports the same range faults through errno.
  std::string copy(text, n);
  errno = 0;
  value = std::strtod(copy.c_str(), nullptr);
  return !(errno == ERANGE && (value == 0 || std::isinf(value)));
#else
  return std::from_chars(text, text + n, value).ec != std::errc::result_out_of_range;
#endif
}

// Correctly rounded double of digits x 10^scale.
double DecimalToDouble(const DecimalDigits& d) {
  if (d.count == 0) return 0.0;
  const long magnitude = d.scale + d.count;
  if (magnitude > kOverflowMagnitude) return std::numeric_limits<double>::infinity();
  if (magnitude < kUnderflowMagnitude) return 0.0;
  char text[kKeptDigits + 32];
  int n = 0;
  for (int k = 0; k < d.count; ++k) text[n++] = d.digits[k];
  long scale = d.scale;
  if (d.sticky) {
    text[n++] = '1';
    --scale;
  }
  text[n++] = 'e';
  n += std::snprintf(text + n, sizeof text - n, "%ld", scale);
  double value = 0.0;
  if (!ParseDigits(text, n, value)) {
    return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return value;
}

ScannedNumber ScanNumber(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsLeadingSpace(text[pos])) ++pos;
  if (pos < text.size() && text[pos] == '&') return ReadBased(text, pos + 1);

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  DecimalDigits d;
  bool any_digit = false;
  bool after_point = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (IsDigit(c)) {
      any_digit = true;
      AddDigit(d, c, after_point);
    } else if (c == '.' && !after_point) {
      after_point = true;
    } else {
      break;
    }
  }
  // A number without digits reads as 0 but still ends behind its exponent,
  // so that the range reading never takes the exponent's sign for the "-"
  // between the points.
  if (pos < text.size() && IsExponentLetter(text[pos])) {
    std::size_t at = pos + 1;
    bool exponent_negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
      exponent_negative = text[at] == '-';
      ++at;
    }
    long exponent = 0;
    bool exponent_digits = false;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
      exponent_digits = true;
      exponent = exponent * 10 + (text[at] - '0');
      if (exponent > kExponentCap) exponent = kExponentCap;
    }
    d.scale += exponent_negative ? -exponent : exponent;
    if (exponent_digits) pos = at;
  }
  if (!any_digit) return {0.0, pos};
  const double value = DecimalToDouble(d);
  return {negative ? -value : value, pos};
}

// Places a number needs before and after the point in plain notation, given
// its digit count and the decimal exponent of its first digit.
bool FitsPlain(int count, int exponent) {
  const int before = exponent >= 0 ? exponent + 1 : 0;
  const int after = count - 1 - exponent;
  return before <= kPlainPlaces && after <= kPlainPlaces;
}

}  // namespace

std::string NumberText(double value) {
  if (std::isnan(value)) return " NaN";
  if (std::isinf(value)) return value > 0 ? " 1E+9999" : "-1E+9999";
  if (value == 0) return " 0";

  std::string text(1, value < 0 ? '-' : ' ');
  // "%.14e" gives the 15 significant digits, rounded by the C library, as
  // "d.dddddddddddddde+XX".
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1, std::fabs(value));
  char digits[kSignificantDigits];
  int count = 0;
  const char* p = buf;
  for (; *p != 'e'; ++p) {
    if (IsDigit(*p)) digits[count++] = *p;
  }
  const int exponent = std::atoi(p + 1);
  while (count > 1 && digits[count - 1] == '0') --count;

  if (!FitsPlain(count, exponent)) {
    text += digits[0];
    if (count > 1) {
      text += '.';
      text.append(digits + 1, count - 1);
    }
    text += exponent < 0 ? "E-" : "E+";
    text += std::to_string(exponent < 0 ? -exponent : exponent);
    return text;
  }
  if (exponent < 0) {
    text += '.';
    text.append(-exponent - 1, '0');
    text.append(digits, count);
    return text;
  }
  const int before = exponent + 1;
  if (count <= before) {
    text.append(digits, count);
    text.append(before - count, '0');
    return text;
  }
  text.append(digits, before);
  text += '.';
  text.append(digits + before, count - before);
  return text;
}

double NumberValue(std::string_view text) {
  double value = 0;
  if (ReadShortDecimal(text, value)) return value;
  return ScanNumber(text).value;
}

std::size_t NumberEnd(std::string_view text) {
  return ScanNumber(text).end;
}

std::string RoundedText(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return WithoutSignBlank(NumberText(std::nearbyint(value * scale) / scale));
}
