#include "output/number_format.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
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
const Form kGeneral{"%lg", format_general};
const Form kOneDecimal{"%.1lf", format_one_decimal};
const Form kNoDecimals{"%.0lf", format_no_decimals};

// Every value must give exactly the text of the printf conversion.
void expect_like_printf(const Form& form, const std::vector<double>& values) {
  char want[kMaxNumberText + 16];
  char got[kMaxNumberText];
  for (const double value : values) {
    const int length = std::snprintf(want, sizeof want, form.printf_format, value);
    const std::string_view wrote(got, form.format(got, value) - got);
    ASSERT_LE(wrote.size(), kMaxNumberText);
    ASSERT_EQ(wrote, std::string_view(want, length))
        << form.printf_format << " of " << std::hexfloat << value;
  }
}

void expect_all_forms(const std::vector<double>& values) {
  for (const Form& form : {kGeneral, kOneDecimal, kNoDecimals}) expect_like_printf(form, values);
}

TEST(NumberFormat, ExtremesAndRandomBitPatterns) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  expect_all_forms({0.0, -0.0, inf, -inf, nan, -nan, std::bit_cast<double>(0x7ff0000000000001u),
                    std::bit_cast<double>(0xfff8000000000123u), DBL_MAX, -DBL_MAX, DBL_MIN,
                    -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1e308, 1e-308, 1e-320});
  std::mt19937_64 random(1);
  std::vector<double> values(400000);
  for (double& value : values) value = std::bit_cast<double>(random());
  expect_like_printf(kGeneral, values);
  // Half of all bit patterns have hundreds of digits before the point in
  // fixed form, which printf is slow to write: fewer values suffice there.
  values.resize(40000);
  expect_like_printf(kOneDecimal, values);
  expect_like_printf(kNoDecimals, values);
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

TEST(NumberFormat, TiesAndValuesAroundTheMissingMarkers) {
  // Decimal fives that the rounding of one decimal, of no decimals or of six
  // significant digits meets halfway or close to it.
  std::vector<double> values = {0.25, 0.35,  2.5,      0.05,      0.15,      0.45,
                                1.45, -0.05, -0.5,     -1.5,      0.5,       0.95,
                                9.95, 99.95, 999999.5, 9999995.0, 0.0000015, 1e15 + 0.5};
  for (int i = 0; i < 60000; ++i) {
    values.push_back((i * 10 + 5) / 100.0);  // x.x5
    values.push_back(i + 0.5);
    values.push_back(i / 4.0);  // exact .25 and .75
    values.push_back(-(i / 8.0));
    values.push_back(1000005.0 + 10.0 * i);  // exact ties at six digits
    values.push_back(std::nextafter(i + 0.05, 0.0));
    values.push_back(std::nextafter(i + 0.05, 1e9));
  }
  // Neighbours of the markers and of zero, by the last bit and by thousandths.
  for (const double centre : {-9999.0, -9998.0, -999.0, -998.0, 9998.0, 0.0}) {
    double below = centre;
    double above = centre;
    for (int i = 0; i < 2000; ++i) {
      values.push_back(below = std::nextafter(below, -INFINITY));
      values.push_back(above = std::nextafter(above, INFINITY));
    }
    for (int i = -1000; i <= 1000; ++i) values.push_back(centre + i / 1000.0);
  }
  expect_all_forms(values);
}

// The result file's decimals as asked: "%.Nlf" for N = 0..6; values of
// results' size, decimal ties and the extremes.
TEST(NumberFormat, AnyDecimalsLikePrintf) {
  std::mt19937_64 random(4);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::vector<double> values = {0.0,      -0.0,   INFINITY, -INFINITY, NAN,       DBL_MAX,
                                -DBL_MIN, 0.0005, 0.00015,  2.5e-7,    1e15 + 0.5};
  for (int exponent = -9; exponent <= 12; ++exponent) {
    for (int i = 0; i < 3000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent));
  }
  for (int i = 0; i < 20000; ++i) values.push_back((i * 10 + 5) / 1e5);  // x.xxxx5
  char want[kMaxNumberText + 16];
  char got[kMaxNumberText];
  for (int decimals = 0; decimals <= 6; ++decimals) {
    for (const double value : values) {
      const int length = std::snprintf(want, sizeof want, "%.*f", decimals, value);
      ASSERT_EQ(std::string_view(got, format_decimals(got, value, decimals) - got),
                std::string_view(want, length))
          << decimals << " decimals of " << std::hexfloat << value;
    }
  }
}

TEST(NumberFormat, IntegersLikePercentD) {
  std::mt19937 random(3);
  std::vector<int> values = {0, -1, 1, 9, 10, -10, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
  for (int i = 0; i < 100000; ++i) values.push_back(static_cast<int>(random()));
  for (const int value : values) {
    char want[16];
    char got[16];
    const int length = std::snprintf(want, sizeof want, "%d", value);
    ASSERT_EQ(std::string_view(got, format_int(got, value) - got), std::string_view(want, length));
  }
}

}  // namespace
}  // namespace rumo
