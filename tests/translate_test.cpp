// Translation of typed terms into postfix text, and the one message for a
// term that cannot be translated.
#include <gtest/gtest.h>

#include <string>

#include "display/display.h"
#include "display/headless/headless.h"
#include "terms/terms.h"
#include "terms/terms_internal.h"
#include "test_screen.h"

namespace {

const std::string kFaultMessage = " unzul\xE4ssige Zeichen oder Strukturfehler ";

struct TranslationCase {
  const char* term;
  const char* translated;
};

TEST(TranslateTerm, TranslatesTermsOfTheLanguage) {
  const TranslationCase cases[] = {
      // The default terms of the program.
      {"y-abs(-0.3*x-0.2)*sgn(x)", "Y\\.3\\X\\*|-|.2\\-|+|b|X\\g|*|-|+|"},
      {"0.5*x+0.25", ".5\\X\\*|.25\\+|"},
      {"2-x", "2\\X\\-|+|"},
      {"0.5*x+0.5", ".5\\X\\*|.5\\+|"},
      {"0.5*x", ".5\\X\\*|"},
      {"0.5*y", ".5\\Y\\*|"},
      {"0.5*y+0.5", ".5\\Y\\*|.5\\+|"},
      // Variables, constants and the decimal comma.
      {"X*Y+z", "X\\Y\\*|Z\\+|"},
      {"0,5*x", ".5\\X\\*|"},
      {"pi*x", "3.14159265\\X\\*|"},
      {"p*x", "3.14159265\\X\\*|"},
      {"2*pi", "2\\3.14159265\\*|"},
      {"\xE3", "3.14159265\\"},
      {"e^x", "2.71828183\\X\\^|"},
      {"ex", "2.71828183\\X\\"},
      // Functions, with or without parentheses.
      {"exp(x)", "X\\e|"},
      {"sin(x)", "X\\s|"},
      {"sin x", "X\\s|"},
      {"sinx", "X\\s|"},
      {"sin(cos(x))", "X\\c|s|"},
      {"sqr(x*x+y*y)", "X\\X\\*|Y\\Y\\*|+|r|"},
      {"atn(y/x)", "Y\\X\\/|a|"},
      {"tan(log(abs(x)))", "X\\b|l|t|"},
      // Grouping and precedence.
      {"x-y-z", "X\\Y\\-|+|Z\\-|+|"},
      {"x/y/z", "X\\Y\\/|Z\\/|"},
      {"x^y^z", "X\\Y\\^|Z\\^|"},
      {"(x+y)*2", "X\\Y\\+|2\\*|"},
      {"-x^2", "X\\2\\^|-|"},
      {"-x+y", "X\\-|Y\\+|"},
      {"x*(-y)", "X\\Y\\-|*|"},
      {"x^(-2)", "X\\2\\-|^|"},
      {"x+-y", "X\\Y\\-|+|"},
      {"x++-y", "X\\+|Y\\-|+|"},
      // Numbers: the reading and the scan end at different places.
      {"2E3*x", "2000\\X\\*|"},
      {"2e3*x", "2000\\2.71828183\\3\\X\\*|"},
      {"2E-3", ".002\\3\\-|+|"},
      {"0.1", ".1\\"},
      {"123456789012345678", "1.23456789012346E+17\\"},
      {"1E999", "1E+9999\\"},
      {"1.2.3", "1.2\\"},
      {"2#x", "2\\X\\"},
      {"2y", "2\\"},
      // Translated although operators and operands do not fit together.
      {"+x", "X\\+|"},
      {"x*-y", "X\\*|Y\\-|+|"},
      {"x^-2", "X\\^|2\\-|+|"},
      {"x^sin(y)", "X\\^|Y\\s|"},
      {"sin sin x", "s|X\\s|"},
      {"2x", "2\\X\\"},
      {")x(", "X\\("},
      // Every character of the number end set stops a number after a digit;
      // what follows is handled on its own.
      {"2+x", "2\\X\\+|"},
      {"2*x", "2\\X\\*|"},
      {"2-x", "2\\X\\-|+|"},
      {"2/x", "2\\X\\/|"},
      {"2^x", "2\\X\\^|"},
      {"2atn x", "2\\X\\a|"},
      {"2cos x", "2\\X\\c|"},
      {"2e", "2\\2.71828183\\"},
      {"2log x", "2\\X\\l|"},
      {"2sin x", "2\\X\\s|"},
      {"2tan x", "2\\X\\t|"},
      {"2(x)", "2\\X\\"},
      {"(2)", "2\\"},
      {"2 x", "2\\X\\"},
  };
  OpenTextScreen();
  for (const TranslationCase& c : cases) EXPECT_EQ(TranslateTerm(c.term), c.translated) << c.term;
  EXPECT_EQ(TimesPrinted(kFaultMessage), 0);
}

// Every pair of operators in x op1 y op2 z. The second operator moves the
// first one out to the output unless the first is among its stop characters,
// that is unless the first binds less tightly; a minus after an operand is
// an added negation.
TEST(TranslateTerm, EveryPairOfOperatorsGroupsByItsStops) {
  const TranslationCase cases[] = {
      {"x+y+z", "X\\Y\\+|Z\\+|"},     {"x+y-z", "X\\Y\\+|Z\\-|+|"}, {"x+y*z", "X\\Y\\Z\\*|+|"},
      {"x+y/z", "X\\Y\\Z\\/|+|"},     {"x+y^z", "X\\Y\\Z\\^|+|"},   {"x-y+z", "X\\Y\\-|+|Z\\+|"},
      {"x-y-z", "X\\Y\\-|+|Z\\-|+|"}, {"x-y*z", "X\\Y\\Z\\*|-|+|"}, {"x-y/z", "X\\Y\\Z\\/|-|+|"},
      {"x-y^z", "X\\Y\\Z\\^|-|+|"},   {"x*y+z", "X\\Y\\*|Z\\+|"},   {"x*y-z", "X\\Y\\*|Z\\-|+|"},
      {"x*y*z", "X\\Y\\*|Z\\*|"},     {"x*y/z", "X\\Y\\*|Z\\/|"},   {"x*y^z", "X\\Y\\Z\\^|*|"},
      {"x/y+z", "X\\Y\\/|Z\\+|"},     {"x/y-z", "X\\Y\\/|Z\\-|+|"}, {"x/y*z", "X\\Y\\/|Z\\*|"},
      {"x/y/z", "X\\Y\\/|Z\\/|"},     {"x/y^z", "X\\Y\\Z\\^|/|"},   {"x^y+z", "X\\Y\\^|Z\\+|"},
      {"x^y-z", "X\\Y\\^|Z\\-|+|"},   {"x^y*z", "X\\Y\\^|Z\\*|"},   {"x^y/z", "X\\Y\\^|Z\\/|"},
      {"x^y^z", "X\\Y\\^|Z\\^|"},
  };
  OpenTextScreen();
  for (const TranslationCase& c : cases) EXPECT_EQ(TranslateTerm(c.term), c.translated) << c.term;
}

TEST(TranslateTerm, FaultyTermShowsOneMessageAndGivesNothing) {
  const char* faulty[] = {"SIN(x)", "ln(x)",  "co", "(x", "x)",        "x#", "q",
                          "ln(x",   "x))(((", "a",  "()", " ( ( ) ) ", "2n"};
  OpenTextScreen();
  int expected = 0;
  for (const char* term : faulty) {
    EXPECT_EQ(TranslateTerm(term), "") << term;
    ++expected;
    EXPECT_EQ(TimesPrinted(kFaultMessage), expected) << term;
  }
}

TEST(TranslateTerm, EmptyTermGivesNothingWithoutMessage) {
  OpenTextScreen();
  EXPECT_EQ(TranslateTerm(""), "");
  EXPECT_EQ(TranslateTerm("   "), "");
  EXPECT_TRUE(HeadlessPrintLog().empty());
}

struct FlushCase {
  const char* stack;
  const char* stops;
  const char* moved;
  const char* left;
};

TEST(FlushUntil, MovesTheFrontUpToAStop) {
  const FlushCase cases[] = {
      {"*|-|(b|-|+|", "(", "*|-|", "(b|-|+|"},
      {"b|-|+|", "(*/+-", "b|", "-|+|"},
      {"-|+|(b|", "(*/+-", "", "-|+|(b|"},
      {"g|*|-|+|", "(*/+-", "g|", "*|-|+|"},
      {"^|s|", "(", "^|s|", ""},
      {"", "(", "", ""},
      {"(", "(", "", "("},
  };
  for (const FlushCase& c : cases) {
    std::string output = "Y\\";
    std::string stack = c.stack;
    FlushUntil(output, stack, c.stops);
    EXPECT_EQ(output, std::string("Y\\") + c.moved) << c.stack;
    EXPECT_EQ(stack, c.left) << c.stack;
  }
}

}  // namespace
