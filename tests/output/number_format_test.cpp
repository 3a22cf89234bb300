#include "output/number_format.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

namespace rumo {
namespace {

struct Form {
  const char* printf_format;
  char* (*format)(char*, double);
};

const Form kForms[] = {
    {"%lg", format_general},
    {"%.1lf", format_one_decimal},
    {"%.0lf", format_no_decimals},
};

// Every value must give exactly the text of the printf conversion; the
// first few that do not are reported.
void expect_like_printf(const Form& form, const std::vector<double>& values) {
  int mismatches = 0;
  char want[kMaxNumberText + 16];
  char got[kMaxNumberText];
  for (const double value : values) {
    const int length = std::snprintf(want, sizeof want, form.printf_format, value);
    const char* end = form.format(got, value);
    ASSERT_LE(end - got, static_cast<std::ptrdiff_t>(kMaxNumberText));
    if (std::string_view(got, end - got) != std::string_view(want, length) && ++mismatches <= 5) {
      ADD_FAILURE() << form.printf_format << " of " << std::hexfloat << value << ": wrote \""
                    << std::string_view(got, end - got) << "\", printf \"" << want << '"';
    }
  }
  EXPECT_EQ(mismatches, 0) << form.printf_format;
}

void expect_all_forms(const std::vector<double>& values) {
  for (const Form& form : kForms) expect_like_printf(form, values);
}

TEST(NumberFormat, ExtremesAndNonFiniteValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  expect_all_forms({0.0, -0.0, inf, -inf, nan, -nan, std::bit_cast<double>(0x7ff0000000000001u),
                    std::bit_cast<double>(0xfff8000000000123u), DBL_MAX, -DBL_MAX, DBL_MIN,
                    -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1e308, 1e-308, 1e-320});
}

TEST(NumberFormat, RandomBitPatterns) {
  std::mt19937_64 random(1);
  std::vector<double> values(400000);
  for (double& value : values) value = std::bit_cast<double>(random());
  expect_like_printf(kForms[0], values);
  // Half of all bit patterns have hundreds of digits before the point in
  // fixed form, which printf is slow to write: fewer values suffice there.
  values.resize(40000);
  expect_like_printf(kForms[1], values);
  expect_like_printf(kForms[2], values);
}

TEST(NumberFormat, RandomValuesOfEveryMagnitude) {
  std::mt19937_64 random(2);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::vector<double> values;
  for (int exponent = -320; exponent <= 308; ++exponent) {
    // The range where results are written gets most of the values.
    const int count = (exponent >= -8 && exponent <= 12) ? 12000 : 40;
    for (int i = 0; i < count; ++i) {
      const double value = mantissa(random) * std::pow(10.0, exponent);
      values.push_back((i % 2) != 0 ? -value : value);
    }
  }
  expect_all_forms(values);
}

TEST(NumberFormat, TiesAndNearTies) {
  std::vector<double> values;
  // Decimal fives that the rounding of one decimal, of no decimals or of six
  // significant digits meets halfway or close to it.
  for (int i = 0; i < 60000; ++i) {
    values.push_back((i * 10 + 5) / 100.0);  // x.x5
    values.push_back(i + 0.5);
    values.push_back(i / 4.0);  // exact .25 and .75
    values.push_back(-(i / 8.0));
    values.push_back(1000005.0 + 10.0 * i);  // exact ties at six digits
    values.push_back(std::nextafter(i + 0.05, 0.0));
    values.push_back(std::nextafter(i + 0.05, 1e9));
  }
  for (const double value : {0.25, 0.35, 2.5, 0.05, 0.15, 0.45, 1.45, -0.05, -0.5, -1.5, 0.5, 0.95,
                             9.95, 99.95, 999999.5, 9999995.0, 0.0000015, 1e15 + 0.5}) {
    values.push_back(value);
  }
  expect_all_forms(values);
}

TEST(NumberFormat, AroundTheMissingMarkers) {
  std::vector<double> values;
  for (const double centre : {-9999.0, -9998.0, -999.0, -998.0, 9998.0, 0.0}) {
    double below = centre;
    double above = centre;
    for (int i = 0; i < 2000; ++i) {
      values.push_back(below);
      values.push_back(above);
      below = std::nextafter(below, -INFINITY);
      above = std::nextafter(above, INFINITY);
    }
    for (int i = -1000; i <= 1000; ++i) values.push_back(centre + i / 1000.0);
  }
  expect_all_forms(values);
}

TEST(NumberFormat, IntegersLikePercentD) {
  std::mt19937 random(3);
  std::vector<int> values = {0, -1, 1, 9, 10, -10, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
  for (int i = 0; i < 100000; ++i) values.push_back(static_cast<int>(random()));
  for (const int value : values) {
    char want[16];
    char got[16];
    const int length = std::snprintf(want, sizeof want, "%d", value);
    const char* end = format_int(got, value);
    ASSERT_EQ(std::string_view(got, end - got), std::string_view(want, length));
  }
}

}  // namespace
}  // namespace rumo
