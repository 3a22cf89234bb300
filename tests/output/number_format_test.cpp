#include "output/number_format.hpp"

#include <gtest/gtest.h>

#include "core/number_text.hpp"

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rumo {
namespace {

// Extremes, random bit patterns, random values of every magnitude (most where
// results lie), decimal ties and the neighbours of the missing markers.
std::vector<double> values() {
  std::vector<double> v = {0.0,     -0.0,    INFINITY, -INFINITY, NAN,        -NAN,
                           DBL_MAX, DBL_MIN, -DBL_MIN, 1e-320,    1e15 + 0.5, 999999.5,
                           9999995, 1.5e-6,  2.5e-7,   0.00015};
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  for (int i = 0; i < 20000; ++i) v.push_back(std::bit_cast<double>(random()));
  for (int exponent = -320; exponent <= 308; ++exponent) {
    const int count = (exponent >= -9 && exponent <= 12) ? 2000 : 20;
    for (int i = 0; i < count; ++i)
      v.push_back((i % 2 ? -1 : 1) * mantissa(random) * std::pow(10.0, exponent));
  }
  for (int i = 0; i < 20000; ++i) {
    v.insert(v.end(),
             {(i * 10 + 5) / 100.0, (i * 10 + 5) / 1e5, i + 0.5, i / 4.0, -(i / 8.0),
              1000005.0 + 10.0 * i, std::nextafter(i + 0.05, 0.0), std::nextafter(i + 0.05, 1e9)});
  }
  for (const double centre : {-9999.0, -9998.0, -999.0, -998.0, 9998.0, 0.0}) {
    double below = centre, above = centre;
    for (int i = 0; i < 1000; ++i) {
      v.insert(v.end(), {below = std::nextafter(below, -INFINITY),
                         above = std::nextafter(above, INFINITY), centre + (i - 500) / 1000.0});
    }
  }
  return v;
}

// Every form gives exactly the text of its printf conversion, "%.Nf" for
// each number of decimals the result file may have among them.
TEST(NumberFormat, EveryFormLikePrintf) {
  using Format = std::function<char*(char*, double)>;
  std::vector<std::pair<std::string, Format>> forms = {{"%lg", format_general},
                                                       {"%.0lf", format_no_decimals}};
  for (int n = 0; n <= 6; ++n) {
    forms.emplace_back("%." + std::to_string(n) + "f",
                       [n](char* out, double value) { return format_decimals(out, value, n); });
  }
  char want[kMaxNumberText + 16];
  char got[kMaxNumberText];
  for (const double value : values()) {
    for (const auto& [printf_format, format] : forms) {
      const int length = std::snprintf(want, sizeof want, printf_format.c_str(), value);
      const std::string_view wrote(got, static_cast<std::size_t>(format(got, value) - got));
      ASSERT_LE(wrote.size(), kMaxNumberText);
      ASSERT_EQ(wrote, std::string_view(want, static_cast<std::size_t>(length)))
          << printf_format << " of " << std::hexfloat << value;
    }
  }
}

TEST(NumberFormat, IntegersLikePercentD) {
  std::mt19937 random(3);
  std::vector<int> values = {0, -1, 9, 10, -10, INT_MAX, INT_MIN, INT_MIN + 1};
  for (int i = 0; i < 20000; ++i) values.push_back(static_cast<int>(random()));
  for (const int value : values) {
    // The stamps' numbers, written by the one stamp writer.
    char want[24], got[24];
    const int length = std::snprintf(want, sizeof want, "%d", value);
    ASSERT_EQ(std::string_view(got, write_integer(got, value) - got),
              std::string_view(want, length));
  }
}

}  // namespace
}  // namespace rumo
