// Number text and number reading: the written forms, the reading rules, and
// that what one writes the other reads back unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "terms/terms.h"
#include "terms/terms_internal.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct TextCase {
  double value;
  const char* text;
};

TEST(NumberText, WritesPlainAndExponentForms) {
  const TextCase cases[] = {
      {1, " 1"},
      {3, " 3"},
      {0.5, " .5"},
      {-0.5, "-.5"},
      {2.5, " 2.5"},
      {-2.5, "-2.5"},
      {123.456, " 123.456"},
      {0.001, " .001"},
      {0, " 0"},
      {-0.0, " 0"},
      {1e20, " 1E+20"},
      {123456789012345678.0, " 1.23456789012346E+17"},
      {1e-20, " 1E-20"},
      {-1e300, "-1E+300"},
      // The edges of plain notation: 15 places before and after the point.
      {999999999999999, " 999999999999999"},
      {1e15, " 1E+15"},
      {1e-15, " .000000000000001"},
      {1e-16, " 1E-16"},
      {1.25e-14, " 1.25E-14"},
      {0.123456789012345, " .123456789012345"},
      // Rounding to 15 significant digits, with a carry into a new digit.
      {0.1 + 0.2, " .3"},
      {2.0 / 3.0, " .666666666666667"},
      {123456.7890123456, " 123456.789012346"},
      {999999999999999.9, " 1E+15"},
      {5e-324, " 4.94065645841247E-324"},
      {kInf, " 1E+9999"},
      {-kInf, "-1E+9999"},
      {std::numeric_limits<double>::quiet_NaN(), " NaN"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(NumberText(c.value), c.text) << c.text;
}

struct ValueCase {
  const char* text;
  double value;
};

TEST(NumberValue, ReadsTheFrontOfTheText) {
  const ValueCase cases[] = {
      {" 3", 3},
      {"\t\n 7", 7},
      {"2.5abc", 2.5},
      {"abc", 0},
      {"", 0},
      {".5", 0.5},
      {"-3.5", -3.5},
      {"+2", 2},
      {"2E3", 2000},
      {"2d3", 2000},
      {"1D2", 100},
      {"1e-3", 0.001},
      {"2.5E+1x", 25},
      {"1,5", 1},
      {"2.5.3", 2.5},
      {"2E", 2},
      {"2E+", 2},
      {".E5", 0},
      {"E5", 0},
      {"-", 0},
      {"- 3", 0},
      {"1E+9999", kInf},
      {"-1E+9999", -kInf},
      {"1E99999999999999999999", kInf},
      {"1E-9999", 0},
      {"0.1", 0.1},
      {"12345678901234567890", 12345678901234567890.0},
      {"&H1F", 31},
      {"&h1f", 31},
      {"&B101", 5},
      {"&b102", 2},
      {"&O17", 15},
      {"&o17", 15},
      {"&Q17", 15},
      {"&q17", 15},
      {"&17", 15},
      {"&18", 1},
      {"&", 0},
      {"&H", 0},
      {"&Hg", 0},
      {"  &HFF ", 255},
  };
  for (const ValueCase& c : cases) EXPECT_EQ(NumberValue(c.text), c.value) << c.text;
}

TEST(NumberValue, StopsAtTheEndOfTheView) {
  const std::string text = "12345";
  EXPECT_EQ(NumberValue(std::string_view(text).substr(0, 2)), 12);
  EXPECT_EQ(NumberValue(std::string_view(text).substr(1, 0)), 0);
  const std::string based = "&HFF";
  EXPECT_EQ(NumberValue(std::string_view(based).substr(0, 3)), 15);
}

// Reference reading of a plain decimal text by the C library.
double LibraryValue(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

TEST(NumberValue, RoundsLikeTheLibraryOnHardCases) {
  const std::string long_ones(100000, '1');
  const std::string tie = "9007199254740993";  // 2^53 + 1: halfway, goes to even
  const std::string cases[] = {
      tie,
      tie + std::string(1000, '0') + "1",  // just above halfway: goes up
      tie + std::string(1000, '0'),
      "2.2250738585072011e-308",
      "2.2250738585072014e-308",
      "4.9e-324",
      "2.4703282292062327e-324",
      "2.4703282292062328e-324",
      "1.7976931348623157e308",
      "1.7976931348623158e308",
      "1.7976931348623159e308",
      "8.98846567431158e307",
      "0." + std::string(400, '0') + "1",
      long_ones,
      "." + long_ones + "e-5",
      "0." + std::string(5000, '0') + long_ones + "e+5300",
      "123456789012345678901234567890e-50",
      "0.30000000000000004",
      "1e23",
      "8.589973e9",
  };
  for (const std::string& c : cases) {
    EXPECT_EQ(NumberValue(c), LibraryValue(c)) << c.substr(0, 60);
  }
}

TEST(NumberValue, RoundsLikeTheLibraryOnRandomLongDigits) {
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(16, 40);
  std::uniform_int_distribution<int> exponent(-330, 310);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    const int count = length(random);
    for (int k = 0; k < count; ++k) text += static_cast<char>('0' + digit(random));
    text.insert(static_cast<std::size_t>(count / 2), ".");
    text += "e" + std::to_string(exponent(random));
    ASSERT_EQ(NumberValue(text), LibraryValue(text)) << text;
  }
}

TEST(NumberValue, BasedNumbersRoundOnce) {
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {"&HFFFFFFFFFFFFFFFFFFFF", std::ldexp(1, 80)},
      {"&H10000000000000001", std::ldexp(1, 64)},
      {"&H20000000000001", std::ldexp(1, 53)},      // halfway, goes to even
      {"&H20000000000003", std::ldexp(1, 53) + 4},  // halfway, goes to even
      {"&H2000000000000100000000000000000001", std::ldexp(1, 133) + std::ldexp(1, 81)},
      {"&B" + std::string(2000, '1'), kInf},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberValue(c.text), c.value) << c.text.substr(0, 40);
}

// Doubles nearest to decimals of at most 15 significant digits survive the way
// out to text and back, over the whole range of magnitudes.
TEST(NumberTextAndValue, RoundTripFifteenDigits) {
  std::mt19937_64 random(1030630);
  std::uniform_int_distribution<long long> mantissa(1, 999999999999999LL);
  std::uniform_int_distribution<int> exponent(-320, 300);
  std::uniform_int_distribution<int> small_exponent(-20, 5);
  for (int n = 0; n < 50000; ++n) {
    const int e = n % 2 ? exponent(random) : small_exponent(random);
    char text[64];
    std::snprintf(text, sizeof text, "%llde%d", mantissa(random), e);
    double value = std::strtod(text, nullptr);
    if (n % 3 == 0) value = -value;
    const std::string written = NumberText(value);
    ASSERT_EQ(NumberValue(written), value) << text << " -> " << written;
  }
}

TEST(NumberTextAndValue, InfinityReadsBack) {
  EXPECT_EQ(NumberValue(NumberText(kInf)), kInf);
  EXPECT_EQ(NumberValue(NumberText(-kInf)), -kInf);
}

struct RoundedCase {
  double value;
  int decimals;
  const char* text;
};

TEST(RoundedText, RoundsToDecimalPlaces) {
  const RoundedCase cases[] = {
      {4 * std::atan(1.0), 8, "3.14159265"},
      {std::exp(1.0), 8, "2.71828183"},
      {2.5, 0, "2"},
      {3.5, 0, "4"},
      {-1.23456, 2, "-1.23"},
  };
  for (const RoundedCase& c : cases) EXPECT_EQ(RoundedText(c.value, c.decimals), c.text);
}

}  // namespace
