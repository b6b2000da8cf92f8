// Evaluation of a translated term: a walk over the postfix text that works
// each token off on a small value stack. The text is read anew at every call.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "terms/terms.h"
#include "terms/terms_internal.h"
#include "textscreen/textscreen.h"

namespace {

constexpr int kStackSize = 100;
constexpr std::int16_t kMessageSeconds = 4;
constexpr const char* kCalcMessage = " Rechenfehler ";
// Whole exponents up to this magnitude are multiplied out factor by factor;
// larger ones by squaring, which only rounds differently and always ends.
constexpr double kStepwisePowerMax = 64;
// From 2^53 on a double has no bit below 2, so every such whole number is even.
constexpr double kFirstAllEvenCount = 9007199254740992.0;

enum TokenKind : unsigned char {
  kNumber,
  kVariableX,
  kVariableY,
  kVariableZ,
  kSin,
  kCos,
  kTan,
  kAtn,
  kAbs,
  kSgn,
  kExp,
  kLog,
  kSqr,
  kNegate,
  kAdd,
  kMultiply,
  kDivide,
  kPower,
  kTokenKinds
};

// Values each kind of token takes from the stack.
constexpr int kOperands[kTokenKinds] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2};

struct TokenSpelling {
  char text;
  TokenKind kind;
};
constexpr TokenSpelling kSpellings[] = {
    {'X', kVariableX}, {'Y', kVariableY}, {'Z', kVariableZ}, {'s', kSin}, {'c', kCos},
    {'t', kTan},       {'a', kAtn},       {'b', kAbs},       {'g', kSgn}, {'e', kExp},
    {'l', kLog},       {'r', kSqr},       {'-', kNegate},    {'+', kAdd}, {'*', kMultiply},
    {'/', kDivide},    {'^', kPower},
};

// Kind of every one-character token; longer tokens are always numbers.
constexpr std::array<TokenKind, 256> MakeSingleCharKinds() {
  std::array<TokenKind, 256> kinds{};
  for (const TokenSpelling& s : kSpellings) kinds[static_cast<unsigned char>(s.text)] = s.kind;
  return kinds;
}
constexpr std::array<TokenKind, 256> kSingleCharKinds = MakeSingleCharKinds();

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

// Works one token off on the stack; false when the stack would run empty or
// over. The depth is checked before any value is touched. Every result but a
// variable and a power is stored as 0 + value, which turns -0 into +0.
bool ApplyToken(double* stack, int& depth, std::string_view token, double x, double y, double z) {
  const TokenKind kind =
      token.size() == 1 ? kSingleCharKinds[static_cast<unsigned char>(token[0])] : kNumber;
  const int operands = kOperands[kind];
  if (depth < operands) return false;
  if (operands == 0 && depth >= kStackSize) return false;
  double* const top = stack + depth - (operands == 0 ? 0 : 1);
  switch (kind) {
    case kNumber:
      *top = NumberToken(token);
      break;
    case kVariableX:
      *top = x;
      break;
    case kVariableY:
      *top = y;
      break;
    case kVariableZ:
      *top = z;
      break;
    case kSin:
      *top = 0 + std::sin(*top);
      break;
    case kCos:
      *top = 0 + std::cos(*top);
      break;
    case kTan:
      *top = 0 + std::sin(*top) / std::cos(*top);
      break;
    case kAtn:
      *top = 0 + std::atan(*top);
      break;
    case kAbs:
      *top = 0 + std::fabs(*top);
      break;
    case kSgn:
      *top = Sign(*top);
      break;
    case kExp:
      *top = Exponential(*top);
      break;
    case kLog:
      *top = *top > 0 ? 0 + std::log(*top) : 0;
      break;
    case kSqr:
      *top = *top < 0 ? *top : 0 + std::sqrt(*top);
      break;
    case kNegate:
      *top = 0 - *top;
      break;
    case kAdd:
      top[-1] = 0 + (top[-1] + *top);
      break;
    case kMultiply:
      top[-1] = 0 + top[-1] * *top;
      break;
    case kDivide:
      top[-1] = 0 + top[-1] / *top;
      break;
    case kPower:
      top[-1] = Power(top[-1], *top);
      break;
    case kTokenKinds:
      break;
  }
  depth += 1 - operands;
  return true;
}

}  // namespace

double EvaluateTerm(std::string_view translated, double x, double y, double z) {
  double stack[kStackSize];
  int depth = 0;
  const char* p = translated.data();
  const char* const end = p + translated.size();
  // At least two characters must remain for another element; a failing
  // token leaves p short of the end.
  while (end - p >= 2) {
    const char* stop = p;
    while (stop != end && !IsTerminator(*stop)) ++stop;
    if (stop == end) break;
    if (!ApplyToken(stack, depth, std::string_view(p, stop - p), x, y, z)) break;
    p = stop + 1;
  }
  // Done only when the last terminator was the last character.
  if (p == end && depth == 1) return stack[0];
  ShowMessage(kCalcMessage, kMessageSeconds);
  return 0;
}
