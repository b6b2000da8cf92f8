// Evaluation of a translated term: a walk over the postfix text that works
// each token off on a small value stack. The text is read anew at every call.
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "terms/terms.h"
#include "terms/terms_internal.h"
#include "textscreen/message.h"

namespace {

constexpr int kStackSize = 100;
constexpr const char* kCalcMessage = " Rechenfehler ";
// Whole exponents up to this magnitude are multiplied out factor by factor;
// larger ones by squaring, which only rounds differently and always ends.
constexpr double kStepwisePowerMax = 64;
// From 2^53 on a double has no bit below 2, so every such whole number is even.
constexpr double kFirstAllEvenCount = 9007199254740992.0;

bool IsTerminator(char c) {
  return c == '\\' || c == '|';
}

// True for an odd whole number >= 0; cheaper than fmod, which takes long for
// huge counts and would run at every halving.
bool IsOddCount(double count) {
  return count < kFirstAllEvenCount && (static_cast<std::uint64_t>(count) & 1) == 1;
}

// base^count for a whole count >= 0.
double WholePower(double base, double count) {
  double r = 1;
  if (count <= kStepwisePowerMax) {
    for (int k = 0; k < count; ++k) r = base * r;
    return r;
  }
  double factor = base;
  while (count > 0) {
    if (IsOddCount(count)) r = factor * r;
    factor = factor * factor;
    count = std::floor(count / 2);
  }
  return r;
}

// base^exponent by the term language's own rule: a negative base never gives
// not-a-number (the exponent is rounded to a whole number instead).
double Power(double base, double exponent) {
  if (!std::isfinite(exponent)) return std::numeric_limits<double>::quiet_NaN();
  const double magnitude = std::fabs(exponent);
  double r = base;  // a zero base with a fractional exponent stays 0
  if (std::floor(exponent) == exponent) {
    r = WholePower(base, magnitude);
  } else if (base > 0) {
    r = std::pow(base, magnitude);
  } else if (base < 0) {
    // Halves go to the even neighbour (the default rounding mode).
    r = WholePower(base, std::nearbyint(magnitude));
  }
  return exponent < 0 ? 0 + 1 / r : r;
}

double Sign(double v) {
  if (v == 0 || std::isnan(v)) return 0;
  if (std::isinf(v)) return v > 0 ? 1 : -1;
  return 0 + std::fabs(v) / v;
}

double Exponential(double v) {
  if (std::isnan(v) || v == -std::numeric_limits<double>::infinity()) return 0;
  return 0 + std::exp(v);
}

// A number token: the short common form inline, anything else by the full
// reading.
double NumberToken(std::string_view token) {
  double v = 0;
  // The short form has no sign, so it never reads as -0.
  if (ReadShortDecimal(token, v)) return v;
  return 0 + NumberValue(token);
}

// The walk's stack. The topmost value lives apart in top, where the next
// token finds it without a trip through memory; the values under it lie in
// below[1] to below[depth - 1], and depth counts them all, top included.
// below[0] takes the meaningless top of an empty stack, which spares a branch
// at every push.
struct Stack {
  double below[kStackSize];
  double top;
  int depth;
};

// How many values each one-character token takes from the stack, from the
// element table; 0 for operands (variables, digits, any other number text).
constexpr std::array<std::int8_t, 256> OperandCounts() {
  std::array<std::int8_t, 256> counts{};
  for (const TermElement& e : kFunctionElements) {
    counts[static_cast<unsigned char>(e.letter)] = static_cast<std::int8_t>(e.operands);
  }
  for (const TermElement& e : kOperatorElements) {
    counts[static_cast<unsigned char>(e.letter)] = static_cast<std::int8_t>(e.operands);
  }
  return counts;
}
constexpr std::array<std::int8_t, 256> kOperandCounts = OperandCounts();

// The functions and the negation. Every result is stored as 0 + value, which
// turns -0 into +0.
inline double OneOperand(char letter, double v) {
  switch (letter) {
    case 's':
      return 0 + std::sin(v);
    case 'c':
      return 0 + std::cos(v);
    case 't':
      return 0 + std::sin(v) / std::cos(v);
    case 'a':
      return 0 + std::atan(v);
    case 'b':
      return 0 + std::fabs(v);
    case 'g':
      return Sign(v);
    case 'e':
      return Exponential(v);
    case 'l':
      return v > 0 ? 0 + std::log(v) : 0;
    case 'r':
      return v < 0 ? v : 0 + std::sqrt(v);
    default:
      assert(letter == '-');
      return 0 - v;
  }
}

// The arithmetic operators; a power is stored as its rule computes it.
inline double TwoOperands(char letter, double left, double right) {
  switch (letter) {
    case '+':
      return 0 + (left + right);
    case '*':
      return 0 + left * right;
    case '/':
      return 0 + left / right;
    default:
      assert(letter == '^');
      return Power(left, right);
  }
}

// A variable, pushed unchanged, or a number; a lone digit is its own value
// and cannot be -0.
inline double Operand(std::string_view token, double x, double y, double z) {
  if (token.size() == 1) {
    const char c = token[0];
    if (c == 'X') return x;
    if (c == 'Y') return y;
    if (c == 'Z') return z;
    if (IsDigit(c)) return c - '0';
  }
  return NumberToken(token);
}

// Works one token off on the stack; false when the stack would run empty or
// over. The depth is checked before any value is touched.
inline bool ApplyToken(Stack& s, std::string_view token, double x, double y, double z) {
  // Longer tokens are always numbers.
  const int operands = token.size() == 1 ? kOperandCounts[static_cast<unsigned char>(token[0])] : 0;
  if (operands == 1) {
    if (s.depth < 1) return false;
    s.top = OneOperand(token[0], s.top);
  } else if (operands == 2) {
    if (s.depth < 2) return false;
    const double left = s.below[--s.depth];
    s.top = TwoOperands(token[0], left, s.top);
  } else {
    if (s.depth >= kStackSize) return false;
    s.below[s.depth++] = s.top;
    s.top = Operand(token, x, y, z);
  }
  assert(s.depth >= 0 && s.depth <= kStackSize);
  return true;
}

// A walk that did not work out: the message, and 0 as the value.
double CalcFault() {
  ShowMessage(kCalcMessage, kMessageSeconds);
  return 0;
}

}  // namespace

double EvaluateTerm(std::string_view translated, double x, double y, double z) {
  Stack s;
  s.top = 0;
  s.depth = 0;
  // A walk can only work out when its last character is a terminator; that
  // one also ends every search for the next terminator.
  if (translated.empty() || !IsTerminator(translated.back())) return CalcFault();
  const char* p = translated.data();
  const char* const end = p + translated.size();
  // At least two characters must remain for another element; a failing
  // token leaves p short of the end.
  while (end - p >= 2) {
    const char* stop = p;
    while (!IsTerminator(*stop)) ++stop;
    if (!ApplyToken(s, std::string_view(p, stop - p), x, y, z)) break;
    p = stop + 1;
  }
  // Done only when the last terminator was the last character.
  if (p == end && s.depth == 1) return s.top;
  return CalcFault();
}
