// The plain interpolation on hand-worked cases.
#include "interp/idw.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace rumo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLow = -1e300;
constexpr double kHigh = 1e300;

// Sources (x, y, value) around one target at (0, 0).
struct Case {
  std::vector<std::array<double, 3>> sources;
  double power, max_distance, expected;
  double lower_limit = kLow, lower_replacement = 0.0, upper_limit = kHigh, upper_replacement = 0.0;
  int neighbours = 0;
};

TEST(Idw, HandWorkedCases) {
  const double w1 = 1.0 / std::sqrt(0.1), w2 = 1.0 / 0.5;
  // Around the target: 1 and 2 equally near, 3 farther, 4 nearest but
  // missing, 5 beyond the maximum distance.
  const std::vector<std::array<double, 3>> near = {
      {0, -3, 9}, {0, 3, 3}, {4, 0, 1}, {0, 1, -9999}, {0, 5.5, 100}};
  const double all_in_reach = (9.0 / 9 + 3.0 / 9 + 1.0 / 16) / (2.0 / 9 + 1.0 / 16);
  const Case cases[] = {
      // A source at the target's place counts as 0.1 squared distance away.
      {{{0, 0, 6}, {0, 0.5, 2}}, 2, 1, (10.0 * 6.0 + 4.0 * 2.0) / 14.0},
      {{{0, 0, 6}, {0, 0.5, 2}}, 1, 1, w1 / (w1 + w2) * 6.0 + w2 / (w1 + w2) * 2.0},
      // A source at exactly the maximum distance is in reach; a negative
      // distance reaches as far as its size, 0 reaches nothing.
      {{{3, 4, 7}, {3, 4.001, 100}}, 2, 5, 7},
      {{{3, 4, 7}, {3, 4.001, 100}}, 2, -5, 7},
      {{{0, 0, 7}}, 2, 0, 0},
      // Power 0 is the plain mean of the present values; -N is absent.
      {{{0, 10, 1}, {0, 500, 2}, {0, 900, 6}, {0, 20, -9998}}, 0, 1000, 3},
      {{{0, 10, 1}, {0, 500, 2}, {0, 900, 6}, {0, 20, -9997.5}}, 0, 1000, (9 - 9997.5) / 4},
      // No present source gives 0, before the limits.
      {{{0, 1, -9999}, {0, 1, kNaN}, {0, 1, -1e9}}, 2, 1000, 0},
      {{{0, 1, -9999}, {0, 1, kNaN}, {0, 1, -1e9}}, 2, 1000, -1, 0.5, -1},
      // The limits are strict, and the lower one is tested first.
      {{{0, 0, 2}}, 2, 1000, 2, 2, -5, 2, 99},
      {{{0, 0, 2.5}}, 2, 1000, 99, 2, -5, 2, 99},
      {{{0, 0, 1.5}}, 2, 1000, -5, 2, -5, 2, 99},
      {{{0, 0, 5}}, 2, 1000, -5, 10, -5, 1, 99},
      // Weights that all underflow or overflow leave no usable sum; a share
      // that underflows beside an infinite value gives no 0 x infinity.
      {{{1000, 0, 4}, {0, 2000, kInf}}, 500, 1e6, 0},
      {{{1000, 0, 4}, {0, 2000, kInf}}, -500, 1e6, 0},
      {{{1000, 0, 4}, {0, 2000, kInf}}, kNaN, 1e6, 0},
      {{{1000, 0, 4}, {0, 2000, kInf}}, kInf, 1e6, 0},
      {{{1, 0, 4}, {0, 1e4, kInf}}, 100, 1e6, 4},
      // A neighbour limit takes the nearest present sources in reach, the
      // lower number first among equally near ones.
      {near, 2, 5, 9, kLow, 0, kHigh, 0, 1},
      {near, 2, 5, 6, kLow, 0, kHigh, 0, 2},
      {near, 2, 5, all_in_reach, kLow, 0, kHigh, 0, 3},
      {near, 2, 5, all_in_reach, kLow, 0, kHigh, 0, 4},
      {near, 2, 5, all_in_reach},
  };
  for (const Case& c : cases) {
    const int hourly = static_cast<int>(c.sources.size());
    StationTable table;
    table.make_room(hourly + 2);
    HourField field(station_entries(hourly + 2), -9999.0);
    for (int i = 1; i <= hourly; ++i) {
      std::tie(table.first[i], table.second[i], field[i]) =
          std::tuple(c.sources[i - 1][0], c.sources[i - 1][1], c.sources[i - 1][2]);
    }
    table.first[hourly + 1] = table.second[hourly + 1] = 0.0;
    field[hourly + 2] = 333.0;
    const HourField before = field;
    const IdwSettings settings{
        c.power,       c.max_distance,      9998.0,      c.lower_limit, c.lower_replacement,
        c.upper_limit, c.upper_replacement, c.neighbours};
    idw_interpolate(field, hourly + 1, hourly + 1, table, hourly, settings);
    EXPECT_DOUBLE_EQ(field[hourly + 1], c.expected)
        << c.power << " " << c.max_distance << " " << c.neighbours;
    // Only the target is written; an empty range writes nothing.
    const auto unchanged = [&] {
      return std::memcmp(field.data(), before.data(), field.size() * sizeof(double)) == 0;
    };
    field[hourly + 1] = before[hourly + 1];
    EXPECT_TRUE(unchanged());
    idw_interpolate(field, hourly + 2, hourly + 1, table, hourly, settings);
    EXPECT_TRUE(unchanged());
  }
}

TEST(Idw, PowersChooseTheirWeightForm) {
  using enum WeightForm;
  const std::pair<double, WeightForm> cases[] = {
      {1.0, inverse_distance},  {0.9995, inverse_distance}, {1.0004, inverse_distance},
      {1.0005, general},        {0.9994, general},          {2.0, inverse_square},
      {1.9995, inverse_square}, {2.0005, general},          {0.0, general},
      {-2.0, general}};
  for (const auto& [power, form] : cases) EXPECT_EQ(weight_form(power), form) << power;
  // Power 1.0004 weighs by exactly 1/d, 1.0005 through the exponential.
  EXPECT_EQ(weight(16.0, weight_form(1.0004), 1.0004), 0.25);
  EXPECT_EQ(weight(16.0, weight_form(1.0005), 1.0005),
            1.0 / std::exp(1.0005 * std::log(std::sqrt(16.0))));
}

}  // namespace
}  // namespace rumo
