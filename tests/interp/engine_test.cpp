// The run's interpolation engine against the plain form, on random networks,
// fields and presence patterns: the results must be the same to the bit.
#include "interp/engine.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace rumo {
namespace {

struct Network {
  StationTable table;
  StationCounts counts;
};

Network random_network(std::mt19937_64& rng, int hourly, int climate, int collector) {
  Network net;
  net.counts = {hourly, climate, collector};
  net.table.make_room(net.counts.total());
  std::uniform_real_distribution<double> place(0.0, 300000.0);
  for (int i = 1; i <= net.counts.total(); ++i) {
    net.table.first[i] = std::round(place(rng));
    net.table.second[i] = std::round(place(rng));
  }
  // Some stations share a place, with each other and with hourly stations.
  for (int i = hourly + 1; i <= net.counts.total(); i += 7) {
    const int twin = 1 + static_cast<int>(rng() % static_cast<unsigned>(hourly));
    net.table.first[i] = net.table.first[twin];
    net.table.second[i] = net.table.second[twin];
  }
  return net;
}

double random_value(std::mt19937_64& rng, double nodata, bool extremes, bool gaps) {
  unsigned kind = rng() % 100;
  // Without gaps a station is missing only in its outages, so the same sets
  // of present stations come back hour after hour.
  if (!gaps && kind >= 85 && kind < 92) kind = 0;
  std::uniform_real_distribution<double> rain(0.0, 20.0);
  if (kind < 55) return 0.0;
  if (kind < 85) return std::round(rain(rng) * 10.0) / 10.0;
  if (kind < 90) return -nodata - 1.0;
  if (kind < 92) return -nodata;
  if (kind < 94) return -0.0;
  if (kind < 96) return -rain(rng);
  if (!extremes) return rain(rng) * 1e3;
  switch (kind) {
    case 96:
      return std::numeric_limits<double>::infinity();
    case 97:
      return std::numeric_limits<double>::quiet_NaN();
    case 98:
      return -std::numeric_limits<double>::infinity();
    default:
      return 1e308;
  }
}

void expect_same_bits(const HourField& fast, const HourField& plain, int first, int last,
                      const std::string& where) {
  for (int i = first; i <= last; ++i) {
    ASSERT_EQ(std::memcmp(&fast[i], &plain[i], sizeof(double)), 0)
        << where << " station " << i << ": fast " << fast[i] << " plain " << plain[i];
  }
}

struct Case {
  double power;
  double distance;
  bool extremes;
  bool gaps = true;
};

class EngineAgainstPlain : public ::testing::TestWithParam<Case> {};

TEST_P(EngineAgainstPlain, GivesTheSameBitsAsThePlainForm) {
  const Case c = GetParam();
  std::mt19937_64 rng(static_cast<unsigned>(c.power * 1000 + c.distance));
  // More than two words of 64 sources, so that remembered weight sums are
  // continued from a common leading part.
  Network net = random_network(rng, 150, 9, 23);
  IdwSettings settings;
  settings.power = c.power;
  settings.max_distance = c.distance;
  settings.nodata = 9998.0;
  settings.lower_limit = 0.05;
  settings.lower_replacement = 0.0;
  settings.upper_limit = 50.0;
  settings.upper_replacement = 50.0;
  IdwEngine engine(net.table, net.counts, settings);
  // The same with the targets cut into parts, one per thread.
  WorkerPool pool(3);
  IdwEngine split(net.table, net.counts, settings, &pool);

  HourWindow window(net.counts.total());
  window.fill(missing_marker(settings.nodata));
  HourWindow split_window = window;
  // Presence changes from hour to hour, and some sets come back, so that the
  // engine's remembered weight sums are both reused and replaced.
  std::vector<bool> outage(static_cast<std::size_t>(net.counts.hourly) + 1, false);
  for (int day = 0; day < 40; ++day) {
    if (day % 5 == 0) {
      for (std::size_t i = 1; i < outage.size(); ++i) outage[i] = rng() % 10 == 0;
    }
    HourWindow plain_window;
    for (int slot = 1; slot <= 24; ++slot) {
      for (int i = 1; i <= net.counts.hourly; ++i) {
        window.field(slot)[i] = outage[static_cast<std::size_t>(i)]
                                    ? -settings.nodata - 1.0
                                    : random_value(rng, settings.nodata, c.extremes, c.gaps);
      }
      plain_window.field(slot) = window.field(slot);
      split_window.field(slot) = window.field(slot);
    }
    const int groups[2][2] = {{net.counts.first_climate(), net.counts.last_climate()},
                              {net.counts.first_collector(), net.counts.total()}};
    for (const auto& group : groups) {
      engine.interpolate(window, 1, 24, group[0], group[1]);
      split.interpolate(split_window, 1, 24, group[0], group[1]);
      for (int slot = 1; slot <= 24; ++slot) {
        idw_interpolate(plain_window.field(slot), group[0], group[1], net.table, net.counts.hourly,
                        settings);
        const std::string where = "day " + std::to_string(day) + " slot " + std::to_string(slot);
        expect_same_bits(window.field(slot), plain_window.field(slot), 1, net.counts.total(),
                         where);
        expect_same_bits(split_window.field(slot), plain_window.field(slot), 1, net.counts.total(),
                         where + " in parts");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    PowersAndReaches, EngineAgainstPlain,
    ::testing::Values(Case{2.0, 1e6, false}, Case{2.0, 1e6, true}, Case{1.0, 1e6, true},
                      Case{1.5, 1e6, true}, Case{1.9996, 80000.0, true}, Case{2.0, 30000.0, false},
                      Case{0.0, 50000.0, true}, Case{-1.0, 1e6, false}, Case{3.0, 0.0, false},
                      Case{2.0, 1e6, false, false}, Case{1.5, 60000.0, false, false},
                      // Reaches so short that every source keeps a list of targets.
                      Case{2.0, 15000.0, false}, Case{1.0, 20000.0, true},
                      // Weights that underflow or overflow: the sums are unusable.
                      Case{400.0, 1e6, true}, Case{-400.0, 1e6, true}));

}  // namespace
}  // namespace rumo
