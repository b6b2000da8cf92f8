// Reads arbitrary text as a number: never outside the text, the same value as
// the C library for plain decimals, the number ends where the text read for
// it ends, and written numbers read back unchanged.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "message_stub.h"
#include "terms/terms.h"

namespace {

constexpr long kExponentCap = 9999;
// Above this the 15-digit text of a double can round past the largest double.
constexpr double kRoundTripMax = 1e308;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The decimal number at the front of the text in the C library's spelling
// ("e" for the exponent, the exponent capped); false for based numbers.
bool DecimalPrefix(std::string_view text, std::string& out) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n')) ++pos;
  if (pos < text.size() && text[pos] == '&') return false;
  std::string number;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) number += text[pos++];
  bool any_digit = false;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    if (IsDigit(text[pos])) {
      any_digit = true;
    } else if (text[pos] == '.' && !point) {
      point = true;
    } else {
      break;
    }
    number += text[pos];
  }
  if (!any_digit) {
    out = "0";
    return true;
  }
  if (pos < text.size() && std::string_view("EeDd").find(text[pos]) != std::string_view::npos) {
    ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long exponent = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
      exponent = std::min(exponent * 10 + (text[pos] - '0'), kExponentCap);
    }
    number += "e" + std::to_string(negative ? -exponent : exponent);
  }
  out = number;
  return true;
}

bool SameValue(double a, double b) {
  return a == b && std::signbit(a) == std::signbit(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = NumberValue(text);
  if (std::isnan(value)) __builtin_trap();

  // Whatever follows the number's end does not change its value.
  const std::size_t end = NumberEnd(text);
  if (end > text.size() || !SameValue(NumberValue(text.substr(0, end)), value)) __builtin_trap();

  std::string reference;
  if (DecimalPrefix(text, reference)) {
    if (!SameValue(value, std::strtod(reference.c_str(), nullptr))) __builtin_trap();
  }
  if (std::fabs(value) < kRoundTripMax) {
    const std::string written = NumberText(value);
    if (NumberText(NumberValue(written)) != written) __builtin_trap();
  }
  if (TakeMessages().count != 0) __builtin_trap();
  return 0;
}
