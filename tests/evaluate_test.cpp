// Evaluation of translated terms: values, the arithmetic rules of the term
// language, and the message for a walk that does not work out.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "display/display.h"
#include "display/headless/headless.h"
#include "terms/terms.h"
#include "test_screen.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::string kCalcMessage = " Rechenfehler ";

// Equal values, with NaN equal to NaN and the sign of zero counted.
bool SameValue(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b && std::signbit(a) == std::signbit(b);
}

struct ValueCase {
  const char* translated;
  double x;
  double y;
  double value;
};

TEST(EvaluateTerm, ComputesByTheTokenTable) {
  const double half_pi = std::acos(0.0);
  const ValueCase cases[] = {
      {"X\\", 0.25, 0, 0.25},
      {".5\\Y\\*|.25\\+|", 0, 0.5, 0.5},
      {"2\\X\\-|+|", 0.5, 0, 1.5},
      {"Y\\.3\\X\\*|-|.2\\-|+|b|X\\g|*|-|+|", 1, 2, 1.5},
      {"2\\", 0, 0, 2},
      {"X\\\\+|", 7, 0, 7},
      {"3.14159265\\", 0, 0, 3.14159265},
      {"1E+20\\", 0, 0, 1e20},
      {"1.23456789012346E+17\\", 0, 0, 1.23456789012346e17},
      {"x\\", 5, 0, 0},  // lower case is no variable but a number reading as 0
      {"Xs\\", 5, 0, 0},
      // Functions and their special cases.
      {"X\\s|", half_pi, 0, 1},
      {"X\\c|", 0, 0, 1},
      {"X\\a|", kInf, 0, half_pi},
      {"X\\b|", -3, 0, 3},
      {"X\\e|", 0, 0, 1},
      {"X\\e|", kNaN, 0, 0},
      {"X\\e|", -kInf, 0, 0},
      {"X\\l|", 1, 0, 0},
      {"X\\l|", 0, 0, 0},
      {"X\\l|", -1, 0, 0},
      {"X\\l|", kNaN, 0, 0},
      {"X\\r|", 16, 0, 4},
      {"X\\r|", -4, 0, -4},
      {"X\\g|", 0, 0, 0},
      {"X\\g|", -3, 0, -1},
      {"X\\g|", 2, 0, 1},
      {"X\\g|", kNaN, 0, 0},
      {"X\\g|", kInf, 0, 1},
      {"X\\g|", -kInf, 0, -1},
      // Arithmetic faults are values, not errors.
      {"1\\X\\/|", 0, 0, kInf},
      {"0\\X\\/|", 0, 0, kNaN},
      {"X\\Y\\+|", kNaN, 1, kNaN},
      // No token stores a negative zero.
      {"1\\0\\-|/|", 0, 0, kInf},
      {"0\\-|", 0, 0, 0},
      {"X\\Y\\*|", -1, 0, 0},
      {"X\\Y\\+|", -0.0, -0.0, 0},
      {"X\\b|", -0.0, 0, 0},
      {"X\\", -0.0, 0, -0.0},
      // The power rule.
      {"0\\0\\^|", 0, 0, 1},
      {"X\\0\\^|", kNaN, 0, 1},
      {"2\\2\\-|^|", 0, 0, 0.25},
      {"0\\1\\-|^|", 0, 0, kInf},
      {"0\\.5\\^|", 0, 0, 0},
      {"0\\.5\\-|^|", 0, 0, kInf},
      {"8\\-|1\\3\\/|^|", 0, 0, 1},
      {"2\\-|1.5\\^|", 0, 0, 4},
      {"2\\-|2.5\\^|", 0, 0, 4},
      {"2\\-|3.5\\^|", 0, 0, 16},
      {"2\\-|.5\\^|", 0, 0, 1},
      {"2\\-|1.5\\-|^|", 0, 0, 0.25},
      {"2\\-|3\\^|", 0, 0, -8},
      {"4\\.5\\^|", 0, 0, 2},
      {"2\\100\\^|", 0, 0, std::ldexp(1, 100)},
      {"2\\-|65\\^|", 0, 0, -std::ldexp(1, 65)},
      {"2\\1100\\-|^|", 0, 0, 0},
      {"1\\1E+300\\^|", 0, 0, 1},
      {"1.5\\1E+300\\^|", 0, 0, kInf},
      {".5\\1E+300\\^|", 0, 0, 0},
      // By squaring: the parity of huge counts, odd just below 2^53, even above.
      {"X\\Y\\^|", -1, 9007199254740991.0, -1},
      {"X\\Y\\^|", -1, 9007199254740994.0, 1},
      {"X\\Y\\^|", -1, 1e300, 1},
      {"X\\Y\\^|", 2, 0x1p60, kInf},
      {"X\\Y\\^|", 2, kInf, kNaN},
      {"X\\Y\\^|", 1, kInf, kNaN},
      {"X\\Y\\^|", 2, kNaN, kNaN},
      {"X\\1\\X\\/|^|", 0, 0, kNaN},
  };
  OpenTextScreen();
  for (const ValueCase& c : cases) {
    EXPECT_PRED2(SameValue, EvaluateTerm(c.translated, c.x, c.y, 0), c.value)
        << c.translated << " at x=" << c.x << " y=" << c.y;
  }
  EXPECT_EQ(TimesPrinted(kCalcMessage), 0);
}

TEST(EvaluateTerm, VariablesTakeTheirArguments) {
  OpenTextScreen();
  EXPECT_EQ(EvaluateTerm("Z\\", 1, 2, 0), 0);
  EXPECT_EQ(EvaluateTerm("Z\\", 1, 2, 3), 3);
  EXPECT_EQ(EvaluateTerm("X\\Y\\-|+|Z\\*|", 5, 2, 10), 30);
}

TEST(EvaluateTerm, TangentNearHalfPiIsLargeAndFinite) {
  OpenTextScreen();
  const double v = EvaluateTerm("X\\t|", std::acos(0.0), 0, 0);
  EXPECT_TRUE(std::isfinite(v));
  EXPECT_GT(v, 1e16);
  EXPECT_EQ(TimesPrinted(kCalcMessage), 0);
}

TEST(EvaluateTerm, TranslatedTermsEvaluate) {
  const struct {
    const char* term;
    double x;
    double y;
    double value;
  } cases[] = {
      {"-x^2", 3, 0, -9},        {"x-y-z", 5, 2, 3}, {"x/y/2", 8, 2, 2},   {"2^3^2", 0, 0, 64},
      {"sqr(x*x+y*y)", 3, 4, 5}, {"2y", 0, 9, 2},    {"x*(-y)", 2, 3, -6}, {"x^(-2)", 2, 0, 0.25},
  };
  OpenTextScreen();
  for (const auto& c : cases) {
    EXPECT_EQ(EvaluateTerm(TranslateTerm(c.term), c.x, c.y, 0), c.value) << c.term;
  }
  EXPECT_TRUE(HeadlessPrintLog().empty());
}

// A text of `values` operands followed by the additions that sum them.
std::string PendingValues(int values) {
  std::string text;
  for (int k = 0; k < values; ++k) text += "1\\";
  for (int k = 1; k < values; ++k) text += "+|";
  return text;
}

TEST(EvaluateTerm, HoldsAHundredPendingValues) {
  OpenTextScreen();
  EXPECT_EQ(EvaluateTerm(PendingValues(100), 0, 0, 0), 100);
  EXPECT_EQ(TimesPrinted(kCalcMessage), 0);
  EXPECT_EQ(EvaluateTerm(PendingValues(101), 0, 0, 0), 0);
  EXPECT_EQ(TimesPrinted(kCalcMessage), 1);
  EXPECT_EQ(EvaluateTerm(PendingValues(5000), 0, 0, 0), 0);
  EXPECT_EQ(TimesPrinted(kCalcMessage), 2);
}

TEST(EvaluateTerm, FailedWalkShowsItsMessageAtEveryCall) {
  const std::string failing[] = {
      "X\\+|",         // +x: addition on one value
      "X\\*|Y\\-|+|",  // x*-y
      "2\\X\\",        // 2x: two values left
      "X\\(",          // )x(: text after the last element
      "X\\Y",          // no terminator at the end
      "X\\Y\\+||",     // two terminators at the end
      "",              // nothing at all
      "\\",            // one terminator alone
      "|",             //
      "X",             //
      "X\\Y\\(+|",     // )+(: "(+" reads as 0, three values left
      "s|X\\s|",       // sin sin x: a function on an empty stack
      "X\\^|Y\\s|",    // x^sin(y): a power with one value
      "-|",            //
      "+|",            //
      std::string(300, '|'),
  };
  OpenTextScreen();
  int expected = 0;
  for (const std::string& text : failing) {
    for (int call = 0; call < 2; ++call) {
      EXPECT_EQ(EvaluateTerm(text, 1, 2, 0), 0) << text;
      ++expected;
      EXPECT_EQ(TimesPrinted(kCalcMessage), expected) << text;
    }
  }
}

}  // namespace
