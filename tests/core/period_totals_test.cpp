// Rounding a period's hours to its reading and choosing the nearest wet
// station, on hand-worked tables; the run's use of them is checked over
// random runs in the report's tests.
#include "core/period_totals.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;

TEST(PeriodTotals, DecimalUnitsAreTheDigitsTheWriterPrints) {
  struct Case {
    double value;
    int decimals;
    std::int64_t units;
  };
  // 0.25 and 0.125 are exact halves and go to the even digit, as "%.Nf"
  // does; 0.05 lies a little above its decimal; -0.04 prints as "-0.0".
  for (const Case& c : {Case{0.25, 1, 2}, Case{0.125, 2, 12}, Case{0.05, 1, 1}, Case{-0.04, 1, 0},
                        Case{-0.3, 1, -3}, Case{2.5, 0, 2}, Case{1.2346, 3, 1235},
                        Case{123456.7, 6, 123456700000}}) {
    EXPECT_EQ(decimal_units(c.value, c.decimals), c.units) << c.value << " " << c.decimals;
  }
  EXPECT_FALSE(decimal_units(1e300, 1));
  EXPECT_FALSE(decimal_units(std::numeric_limits<double>::infinity(), 0));
  EXPECT_FALSE(decimal_units(std::nan(""), 0));
}

TEST(PeriodTotals, LargestRemaindersGetTheMissingUnits) {
  struct Case {
    const char* what;
    std::vector<double> values;
    std::int64_t total;
    int decimals;
    std::vector<double> units;
  };
  const double missing = -9999.0;
  const Case cases[] = {
      {"ten hours of 0.04: the first four",
       std::vector<double>(10, 0.04),
       4,
       1,
       {1, 1, 1, 1, 0, 0, 0, 0, 0, 0}},
      {"largest first, then the earlier of equal ones; zeros get nothing",
       {0.1375, 0.1375, 0.1375, 0.0, 0.275, 0.4125},
       11,
       1,
       {2, 1, 1, 0, 3, 4}},
      {"a reading that rounds to 0", std::vector<double>(12, 0.04 / 12), 0, 1,
       std::vector<double>(12, 0.0)},
      {"negative hours lose units at their most negative remainders",
       {-0.025, -0.025, 0.0, -0.05, -0.075, -0.025},
       -2,
       1,
       {0, 0, 0, -1, -1, 0}},
      {"missing hours take no part", {0.5, missing, 0.5, missing}, 1, 0, {1, 0, 0, 0}},
      {"no decimals", {1.4, 1.4, 1.2}, 4, 0, {2, 1, 1}},
      {"three decimals: cut values that already make the total",
       {0.0004, 0.0004, 0.0013},
       1,
       3,
       {0, 0, 1}},
  };
  for (const Case& c : cases) {
    std::vector<double> units(c.values.size(), -77.0);
    ASSERT_TRUE(round_keeping_total(c.values, c.total, c.decimals, kNodata, units)) << c.what;
    EXPECT_EQ(units, c.units) << c.what;
  }
  // Cuts near 1e15 units of both signs (a missing marker far below them):
  // their sum is -1 although its parts pass 2^53, so a total of 2 takes
  // three of the six equal halves, the earliest.
  std::vector<double> large(24);
  std::vector<double> expected(24);
  for (std::size_t k = 0; k < 24; ++k) {
    large[k] = k % 4 == 0   ? (k == 20 ? 999999999999998.5 : 999999999999999.5)
               : k % 4 == 1 ? 999999999999999.0
                            : -999999999999999.0;
    expected[k] = std::trunc(large[k]) + (k == 0 || k == 4 || k == 8 ? 1.0 : 0.0);
  }
  std::vector<double> units(24);
  ASSERT_TRUE(round_keeping_total(large, 2, 0, 1e16, units));
  EXPECT_EQ(units, expected);
}

// The rounding done the plain way, to check the fast one against: every
// present value cut towards 0, then a unit each for the hours in the order of
// their remainders in the shortfall's direction, largest first and the
// earlier first among equal ones.
bool plain_rounding(const std::vector<double>& values, std::int64_t total, int decimals,
                    std::vector<double>& units) {
  const double scales[] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  std::vector<double> remainders(values.size(), 0.0);
  units.assign(values.size(), 0.0);
  std::int64_t shortfall = total;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (!(values[k] > -kNodata)) continue;
    const double scaled = values[k] * scales[decimals];
    if (!(std::fabs(scaled) < 1e15)) return false;
    units[k] = std::trunc(scaled);
    remainders[k] = scaled - std::trunc(scaled);
    shortfall -= static_cast<std::int64_t>(units[k]);
  }
  const int unit = shortfall > 0 ? 1 : -1;
  std::vector<std::size_t> order;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (remainders[k] * unit > 0.0) order.push_back(k);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return remainders[a] * unit > remainders[b] * unit;
  });
  const auto wanted = static_cast<std::size_t>(shortfall * unit);
  if (wanted > order.size()) return false;
  for (std::size_t i = 0; i < wanted; ++i) units[order[i]] += unit;
  return true;
}

TEST(PeriodTotals, RoundingAgreesWithThePlainWayOverRandomPeriods) {
  // Values from a few steps, so that equal remainders are common, with dry,
  // missing and negative hours; totals near the sum and beyond reach.
  std::mt19937 random(26);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  int rounded = 0;
  for (int run = 0; run < 20000; ++run) {
    const int decimals = below(4);
    std::vector<double> values(static_cast<std::size_t>(1 + below(24)));
    for (double& v : values) {
      const int kind = below(10);
      v = kind < 3   ? 0.0
          : kind < 4 ? -9999.0
          : kind < 5 ? -below(40) / 80.0
                     : below(400) / (kind < 8 ? 160.0 : 7.0);
    }
    double sum = 0.0;
    for (const double v : values) sum += v > -kNodata ? v : 0.0;
    const std::int64_t total = *decimal_units(sum, decimals) + below(5) - 2;
    std::vector<double> expected;
    std::vector<double> units(values.size());
    const bool plain = plain_rounding(values, total, decimals, expected);
    ASSERT_EQ(round_keeping_total(values, total, decimals, kNodata, units), plain) << run;
    if (plain) {
      ASSERT_EQ(units, expected) << run;
      // A unit of 0 is +0, which "%.Nf" never writes as "-0".
      for (const double u : units) ASSERT_FALSE(u == 0.0 && std::signbit(u)) << run;
      ++rounded;
    }
  }
  EXPECT_GT(rounded, 10000);
  std::vector<double> units(25);
  EXPECT_FALSE(round_keeping_total(std::vector<double>(25, 0.0), 0, 1, kNodata, units));
}

TEST(PeriodTotals, RoundingRefusesWhatItCannotKeep) {
  std::vector<double> units(3);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(round_keeping_total(std::vector<double>{1.0, inf, 0.0}, 1, 1, kNodata, units));
  EXPECT_FALSE(round_keeping_total(std::vector<double>{1e15, 0.0, 0.0}, 1, 1, kNodata, units));
  // A total that no remainder can make up (the hours do not add up to it).
  EXPECT_FALSE(round_keeping_total(std::vector<double>{0.1, 0.2, 0.0}, 9, 1, kNodata, units));
}

TEST(PeriodTotals, NearestWetStationAtAnyDistance) {
  // Station 4 is the target at (0, 0); 1 and 3 are equally near, 2 nearer
  // but dry.
  StationTable table;
  table.make_room(4);
  const double coordinates[][2] = {{0, 0}, {300, 400}, {3, 4}, {-500, 0}, {0, 0}};
  for (int m = 1; m <= 4; ++m) {
    table.first[m] = coordinates[m][0];
    table.second[m] = coordinates[m][1];
  }
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 2.0, 0.0, 5.0}), 1);
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 0.0, 5.0}), 3);
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 1.0, 5.0}), 2);
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 0.0, 0.0}), 0);
  table.first[2] = std::nan("");
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 1.0, 0.0}), 0);
}

TEST(PeriodTotals, WetSumsNeedEveryHourPresentAndRain) {
  HourWindow window(3);
  for (int slot = 1; slot <= 12; ++slot) {
    HourField& field = window.field(slot);
    field[1] = slot == 5 ? 2.0 : 0.0;      // wet
    field[2] = slot == 6 ? -9999.0 : 1.0;  // a missing hour
    field[3] = 0.0;                        // dry
  }
  std::vector<double> sums;
  wet_sums(window, 1, 12, 3, kNodata, sums);
  EXPECT_EQ(sums, (std::vector<double>{0.0, 2.0, 0.0, 0.0}));

  // The reading follows the pattern, or spreads evenly; missing hours stay.
  std::vector<double> hours = {0.0, 0.0, -9999.0, 0.0};
  spread_period(hours, 6.0, std::vector<double>{1.0, 0.0, 1.0, 2.0}, 4.0, kNodata);
  EXPECT_EQ(hours, (std::vector<double>{1.5, 0.0, -9999.0, 3.0}));
  hours = {0.0, 0.0, -9999.0, 0.0};
  spread_period(hours, 6.0, {}, 0.0, kNodata);
  EXPECT_EQ(hours, (std::vector<double>{1.5, 1.5, -9999.0, 1.5}));
}

}  // namespace
}  // namespace rumo
