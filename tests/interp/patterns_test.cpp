// The patterns, through the spreading function: each by a hand-worked period,
// and over random periods what must hold of any of them.
#include "interp/patterns.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "interp/spreading.hpp"

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;

using Values = std::vector<double>;

// A period of rain spread under `pattern`, the neighbours' peak share `f`.
Values spread(Pattern pattern, double reading, const Values& estimates, double f) {
  Values hours(estimates.size(), 77.0);
  const auto peak = [&] { return f; };
  const PeriodToSpread period{reading,  estimates,       kNodata,
                              -kNodata, PatternLookup(), Lookup<double>(peak)};
  SpreadingChoices choices;
  choices.pattern = pattern;
  spread_reading(period, choices, hours);
  return hours;
}

// Hours of `count` with the given values first, dry after them.
Values hours_of(std::size_t count, const Values& first) {
  Values values(count, 0.0);
  std::copy(first.begin(), first.end(), values.begin());
  return values;
}

TEST(Patterns, HandWorkedPeriods) {
  using enum Pattern;
  const struct Row {
    const char* what;
    Pattern pattern;
    double reading;
    Values estimates;
    double f;
    Values hours;
  } rows[] = {
      // clang-format off
      {"idw: in proportion", idw, 4, hours_of(24, {2, 1, 1}), 0.9, hours_of(24, {2, 1, 1})},
      // 32^1.2 = 64: the shares 1, 64, 0, 1 of 66.
      {"sharpen", sharpen, 6.6, {1, 32, 0, 1}, NAN, {0.1, 6.4, 0, 0.1}},
      // n1 = 0.5; t = min(0.9, 0.5 + 0.8 / 4) = 0.7; the others 0.25 x 0.3 / 0.5.
      {"peak-add, a day: raised by δ", peak_add, 4, hours_of(24, {2, 1, 1}), 0.9,
       hours_of(24, {2.8, 0.6, 0.6})},
      // t = min(0.9, 0.5 + 0.8 / 1) = 0.9; the others 0.25 x 0.1 / 0.5.
      {"peak-add, a day: raised to f", peak_add, 1, hours_of(24, {2, 1, 1}), 0.9,
       hours_of(24, {0.9, 0.05, 0.05})},
      // A half: t = min(0.9, 0.5 + 0.5 / 2.5) = 0.7.
      {"peak-add, a half", peak_add, 2.5, hours_of(12, {2, 1, 1}), 0.9,
       hours_of(12, {1.75, 0.375, 0.375})},
      {"peak-add: f at n1 changes nothing", peak_add, 4, hours_of(24, {2, 1, 1}), 0.5,
       hours_of(24, {2, 1, 1})},
      {"peak-add: no neighbour, no change", peak_add, 4, hours_of(24, {2, 1, 1}), NAN,
       hours_of(24, {2, 1, 1})},
      {"peak-add: one wet hour stays as it is", peak_add, 4, hours_of(24, {0, 3}), 0.9,
       hours_of(24, {0, 4})},
      {"peak-add: a negative estimate, no change", peak_add, 8, hours_of(24, {3, 2, -1}), 0.9,
       hours_of(24, {6, 4, -2})},
      // n1 = 0.25 (the first of the equal largest); t = 0.25 + 0.75 x 0.25^1.5
      // = 0.34375; the others 0.25 x 0.65625 / 0.75 = 0.21875.
      {"peak-align", peak_align, 8, hours_of(24, {1, 1, 1, 1}), 1,
       hours_of(24, {2.75, 1.75, 1.75, 1.75})},
      // clang-format on
  };
  for (const Row& row : rows) {
    const Values hours = spread(row.pattern, row.reading, row.estimates, row.f);
    for (std::size_t k = 0; k < hours.size(); ++k) {
      EXPECT_NEAR(hours[k], row.hours[k], 1e-12) << row.what << ", hour " << k;
    }
  }
}

// Random periods of 12 and 24 hours with dry hours, readings and neighbours'
// peak shares: under every pattern the hours add up to the reading, an hour
// without interpolated rain stays dry, the wet hours keep their order, and
// the largest hour is never lowered nor, under the peak patterns, raised
// beyond the reading times the larger of f and its share.
TEST(Patterns, RandomPeriodsKeepTheirReadingTheirDryHoursAndTheirOrder) {
  std::mt19937 random(37);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  int shaped = 0;
  for (int run = 0; run < 20000; ++run) {
    const auto pattern = static_cast<Pattern>(1 + below(3));
    Values estimates(below(2) == 0 ? 12 : 24, 0.0);
    for (double& value : estimates) value = below(3) == 0 ? below(1000) / 100.0 : 0.0;
    estimates[static_cast<std::size_t>(below(static_cast<int>(estimates.size())))] += 0.01;
    const double reading = (1 + below(5000)) / 100.0;
    const double f = below(10) == 0 ? NAN : (1 + below(100)) / 100.0;
    const Values hours = spread(pattern, reading, estimates, f);
    const Values plain = spread(Pattern::idw, reading, estimates, f);

    double sum = 0.0;
    for (const double value : hours) sum += value;
    ASSERT_NEAR(sum, reading, 1e-12 * reading) << run;
    for (std::size_t a = 0; a < hours.size(); ++a) {
      ASSERT_TRUE(estimates[a] != 0.0 || hours[a] == 0.0) << run;
      for (std::size_t b = 0; b < hours.size(); ++b) {
        // A peak raised to the whole reading leaves the other hours 0.
        ASSERT_TRUE(estimates[a] <= estimates[b] || hours[a] >= hours[b]) << run;
      }
    }
    const double largest = *std::max_element(hours.begin(), hours.end());
    const double before = *std::max_element(plain.begin(), plain.end());
    ASSERT_GE(largest, before * (1 - 1e-12)) << run;
    if (pattern != Pattern::sharpen) {
      ASSERT_LE(largest, std::max(before, reading * f) * (1 + 1e-12)) << run;
    }
    shaped += hours != plain;
  }
  EXPECT_GT(shaped, 12000);
}

}  // namespace
}  // namespace rumo
