#include "input/numbers.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace rumo {
namespace {

// Bit for bit, except that NaNs only need to agree in their sign.
bool same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) {
    return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  }
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The token must be one that "%lf" reads to its end, and must convert to
// exactly what the C library makes of it.
void expect_like_c_library(const std::string& token) {
  double expected = 0.0;
  int used = -1;
  ASSERT_EQ(std::sscanf(token.c_str(), "%lf%n", &expected, &used), 1) << token;
  ASSERT_EQ(used, static_cast<int>(token.size())) << "not a whole number for sscanf: " << token;
  const auto parsed = parse_double_token(token);
  ASSERT_TRUE(parsed.has_value()) << token;
  ASSERT_TRUE(same(*parsed, expected)) << token << ": " << *parsed << " vs " << expected;
}

TEST(ParseDoubleToken, EqualsTheCLibraryOnRandomDoublesInEveryPrintedForm) {
  std::mt19937_64 random(20240229);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-330, 310);
  for (int i = 0; i < 40000; ++i) {
    // Half of them any bit pattern (subnormals, infinities and NaNs included),
    // half spread evenly over the decimal magnitudes.
    const double value = (i % 2 == 0) ? std::bit_cast<double>(random())
                                      : mantissa(random) * std::pow(10.0, exponent(random)) *
                                            ((random() & 1) != 0 ? -1.0 : 1.0);
    for (const char* format : {"%.17g", "%g", "%e", "%a", "%.3f", "%+.25e"}) {
      char text[64];
      std::snprintf(text, sizeof text, format, value);
      expect_like_c_library(text);
    }
  }
}

TEST(ParseDoubleToken, EqualsTheCLibraryOnWrittenForms) {
  // clang-format off
  for (const std::string token :
       {"0", "-0", "+0.0e-0", "+.5", "-.5", "5.", "00012.5000", "1E+05", "1e308", "1e400",
        "-1e400", "1e-400", "-1e-400", "1.7976931348623157e308", "1.7976931348623159e308",
        "4.9e-324", "2.4e-324", "2.4703282292062328e-324", "2.2250738585072011e-308",
        "9007199254740993", "inf", "-inf", "INF", "infinity", "-Infinity", "+INFINITY", "nan",
        "NAN", "-nan", "NaN", "0x1p3", "0X1.8P3", "-0x.8p1", "0x1p-1074", "0x1p-1080", "0x1p1024",
        "0xA", "0x1.fffffffffffffp1023",
        "0.1000000000000000055511151231257827021181583404541015625"}) {
    // clang-format on
    expect_like_c_library(token);
  }
  expect_like_c_library("1" + std::string(400, '0'));
  expect_like_c_library("0." + std::string(400, '0') + "1");
  expect_like_c_library("1." + std::string(800, '9') + "e-5");
}

TEST(ParseDoubleToken, RejectsTokensThatAreNotWholeNumbers) {
  for (const char* token :
       {"", "+", "-", ".", "+.", "1.5x", "1,5", "--1", "++1", "+-1", "-+1", "1.5.2", "e5", "1e",
        "1e+", "1e5.0", "0x", "-0x", "0x+1", "0x-1", "0xp3", "0x1p", "0xg", "0x0x1", "inf5",
        "infinit", "nanx", "x1", "1 ", " 1", "1\t", "1e400x", "0x1p3x",
        // The C library's "%lf" reads neither of these to its end.
        "0xinf", "0xnan", "nan(12)"}) {
    EXPECT_FALSE(parse_double_token(token).has_value()) << '"' << token << '"';
  }
}

TEST(ParseIntToken, ReadsWholeDecimalIntegersWithinRange) {
  std::mt19937 random(7);
  std::vector<int> values = {0, INT32_MAX, INT32_MIN};
  for (int i = 0; i < 20000; ++i) values.push_back(static_cast<int>(random()));
  for (const int value : values) {
    for (const char* format : {"%d", "%+d", "%06d"}) {
      char text[32];
      std::snprintf(text, sizeof text, format, value);
      EXPECT_EQ(parse_int_token(text), value) << text;
    }
  }
  EXPECT_EQ(parse_int_token("-0"), 0);
  for (const char* token : {"", "+", "-", "+-1", "-+1", "--1", "++1", "2147483648", "-2147483649",
                            "99999999999", "2003.0", "12a", "1e3", "0x10", " 1", "1 ", "a"}) {
    EXPECT_FALSE(parse_int_token(token).has_value()) << '"' << token << '"';
  }
}

TEST(ParseHeaderNumber, EqualsAtof) {
  for (const char* token :
       {"12.5",  "12.5abc", "-3e2x",  "1,5",  "+-1",    ".5.5", "abc",       "YY",
        "",      "  7",     "\t\n-4", "0x10", "0x1p3z", "inf",  "-Infinity", "nan",
        "1e400", "1e-400",  "1e",     "5.",   "+.5",    "000",  "-0"}) {
    EXPECT_TRUE(same(parse_header_number(token), std::atof(token))) << '"' << token << '"';
  }
}

}  // namespace
}  // namespace rumo
