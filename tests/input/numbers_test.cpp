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

// Every token is one that "%lf" reads to its end, and must convert to
// exactly what the C library makes of it.
TEST(ParseDoubleToken, EqualsTheCLibrary) {
  // clang-format off
  std::vector<std::string> tokens = {
      "0", "-0", "+0.0e-0", "+.5", "5.", "00012.5000", "1E+05", "1e400", "-1e-400", "-inf",
      "1.7976931348623159e308", "2.4703282292062328e-324", "2.2250738585072011e-308", "INF",
      "9007199254740993", "-Infinity", "nan", "-nan", "0X1.8P3", "-0x.8p1", "0x1p-1080",
      "0x1p1024", "0xA", "0.1000000000000000055511151231257827021181583404541015625"};
  // clang-format on
  tokens.push_back("1" + std::string(400, '0'));
  tokens.push_back("0." + std::string(400, '0') + "1");
  tokens.push_back("1." + std::string(800, '9') + "e-5");
  std::mt19937_64 random(20240229);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-330, 310);
  const char* const formats[] = {"%.17g", "%g", "%a", "%.3f", "%+.25e"};
  for (int i = 0; i < 40000; ++i) {
    // Half of them any bit pattern (subnormals, infinities and NaNs included),
    // half spread evenly over the decimal magnitudes.
    const double value = (i % 2 == 0) ? std::bit_cast<double>(random())
                                      : mantissa(random) * std::pow(10.0, exponent(random)) *
                                            ((random() & 1) != 0 ? -1.0 : 1.0);
    char text[64];
    std::snprintf(text, sizeof text, formats[i % 5], value);
    tokens.push_back(text);
  }
  for (const std::string& token : tokens) {
    double expected = 0.0;
    int used = -1;
    ASSERT_EQ(std::sscanf(token.c_str(), "%lf%n", &expected, &used), 1) << token;
    ASSERT_EQ(used, static_cast<int>(token.size())) << token;
    const auto parsed = parse_double_token(token);
    ASSERT_TRUE(parsed && same(*parsed, expected)) << token;
  }
}

TEST(ParseToken, RejectsWhatIsNotOneWholeNumber) {
  for (const char* token : {"", "+", ".", "+.", "1.5x", "1,5", "--1", "+-1", "-+1", "1.5.2", "e5",
                            "1e", "1e+", "1e5.0", "0x", "0x+1", "0xp3", "0x1p", "0xg", "0x0x1",
                            "inf5", "infinit", "nanx", "x1", "1 ", " 1", "1\t", "1e400x", "0x1p3x",
                            // The C library's "%lf" reads neither of these to its end.
                            "0xinf", "0xnan", "nan(12)"}) {
    EXPECT_FALSE(parse_double_token(token).has_value()) << '"' << token << '"';
  }
  for (const char* token : {"", "+", "-", "+-1", "--1", "2147483648", "-2147483649", "2003.0",
                            "12a", "1e3", "0x10", " 1", "1 "}) {
    EXPECT_FALSE(parse_int_token(token).has_value()) << '"' << token << '"';
  }
}

TEST(ParseIntToken, ReadsWholeDecimalIntegersWithinRange) {
  const std::pair<const char*, int> cases[] = {{"0", 0},
                                               {"-0", 0},
                                               {"+7", 7},
                                               {"0099", 99},
                                               {"-2003", -2003},
                                               {"2147483647", INT32_MAX},
                                               {"-2147483648", INT32_MIN}};
  for (const auto& [token, value] : cases) EXPECT_EQ(parse_int_token(token), value) << token;
}

TEST(ParseHeaderNumber, EqualsAtof) {
  for (const char* token : {"12.5", "12.5abc", "-3e2x", "1,5", "+-1", ".5.5", "YY", "", "  7",
                            "\t\n-4", "0x1p3z", "-Infinity", "nan", "1e400", "1e", "-0"}) {
    EXPECT_TRUE(same(parse_header_number(token), std::atof(token))) << '"' << token << '"';
  }
}

}  // namespace
}  // namespace rumo
