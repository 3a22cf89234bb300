// The run's interpolation engine, whole and cut into parts for threads, with
// and without a neighbour limit, against the plain form on random networks, fields and presence
// patterns: the results must be the same to the bit.
#include "interp/engine.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace rumo {
namespace {

constexpr double kOdd[] = {-9999.0,
                           -9998.0,
                           -0.0,
                           -3.5,
                           2e4,
                           std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(),
                           1e308};

struct Case {
  double power;
  double distance;
  bool extremes;  // infinities, NaN and 1e308 among the values
  bool gaps;      // single missing values beyond the outages
  int neighbours = 0;
};

class EngineAgainstPlain : public ::testing::TestWithParam<Case> {};

TEST_P(EngineAgainstPlain, GivesTheSameBitsAsThePlainForm) {
  const Case c = GetParam();
  std::mt19937_64 rng(static_cast<unsigned>(c.power * 1000 + c.distance));
  // More than two words of 64 sources, so that remembered weight sums are
  // continued from a common leading part; some stations share a place.
  const StationCounts counts{150, 9, 23};
  StationTable table;
  table.make_room(counts.total());
  for (int i = 1; i <= counts.total(); ++i) {
    const int at = i > 150 && i % 7 == 0 ? 1 + static_cast<int>(rng() % 150) : i;
    table.first[i] = at == i ? static_cast<double>(rng() % 300000) : table.first[at];
    table.second[i] = at == i ? static_cast<double>(rng() % 300000) : table.second[at];
  }
  const IdwSettings settings{.power = c.power,
                             .max_distance = c.distance,
                             .nodata = 9998.0,
                             .lower_limit = 0.05,
                             .lower_replacement = 0.0,
                             .upper_limit = 50.0,
                             .upper_replacement = 50.0,
                             .neighbours = c.neighbours};
  IdwEngine engine(table, counts, settings);
  WorkerPool pool(3);
  IdwEngine split(table, counts, settings, &pool);
  HourWindow window(counts.total());
  window.fill(missing_marker(settings.nodata));
  HourWindow split_window = window;
  // Outages change every five days, so that presence sets both come back and
  // change, and the remembered weight sums are reused and replaced.
  std::vector<bool> outage(151, false);
  for (int day = 0; day < 40; ++day) {
    if (day % 5 == 0) {
      for (std::size_t i = 1; i <= 150; ++i) outage[i] = rng() % 10 == 0;
    }
    HourWindow plain;
    for (int slot = 1; slot <= 24; ++slot) {
      for (int i = 1; i <= 150; ++i) {
        const unsigned kind = rng() % 100;
        double& v = window.field(slot)[i];
        v = kind < 55 ? 0.0 : static_cast<double>(rng() % 200) / 10.0;
        if (outage[static_cast<std::size_t>(i)]) v = -9999.0;
        const unsigned from = c.gaps ? 0 : 2;  // without gaps no single missing values
        if (kind >= 92) v = kOdd[from + rng() % ((c.extremes ? 8 : 5) - from)];
      }
      plain.field(slot) = split_window.field(slot) = window.field(slot);
    }
    const int groups[2][2] = {{counts.first_climate(), counts.last_climate()},
                              {counts.first_collector(), counts.total()}};
    for (const auto& group : groups) {
      engine.interpolate(window, 1, 24, group[0], group[1]);
      split.interpolate(split_window, 1, 24, group[0], group[1]);
      for (int slot = 1; slot <= 24; ++slot) {
        idw_interpolate(plain.field(slot), group[0], group[1], table, counts.hourly, settings);
        for (int i = 1; i <= counts.total(); ++i) {
          const double want = plain.field(slot)[i];
          ASSERT_EQ(std::memcmp(&window.field(slot)[i], &want, sizeof(double)), 0)
              << "day " << day << " slot " << slot << " station " << i;
          ASSERT_EQ(std::memcmp(&split_window.field(slot)[i], &want, sizeof(double)), 0)
              << "in parts: day " << day << " slot " << slot << " station " << i;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    PowersAndReaches, EngineAgainstPlain,
    ::testing::Values(Case{2.0, 1e6, false, true}, Case{2.0, 1e6, true, true},
                      Case{1.0, 1e6, true, true}, Case{1.5, 1e6, true, true},
                      Case{1.9996, 80000.0, true, true}, Case{2.0, 30000.0, false, true},
                      Case{0.0, 50000.0, true, true}, Case{-1.0, 1e6, false, true},
                      Case{3.0, 0.0, false, true}, Case{2.0, 1e6, false, false},
                      Case{1.5, 60000.0, false, false},
                      // Reaches so short that every source keeps a list of targets.
                      Case{2.0, 15000.0, false, true}, Case{1.0, 20000.0, true, true},
                      // Weights that underflow or overflow: the sums are unusable.
                      Case{400.0, 1e6, true, true}, Case{-400.0, 1e6, true, true},
                      // Neighbour limits: the nearest present sources in reach.
                      Case{2.0, 1e6, true, true, 8}, Case{1.5, 60000.0, false, true, 1},
                      Case{2.5, 40000.0, true, true, 3}, Case{2.0, 1e6, false, false, 150}));

}  // namespace
}  // namespace rumo
