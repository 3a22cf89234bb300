// Hours without data against the plain count: for every target and hour,
// whether some hourly station stands in reach and none of those has a value.
#include "interp/hourly_coverage.hpp"

#include <gtest/gtest.h>

#include <random>

namespace rumo {
namespace {

TEST(HourlyCoverage, CountsAsThePlainWayOverRandomNetworks) {
  std::mt19937 random(35);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  long without = 0;
  for (int run = 0; run < 400; ++run) {
    // Places on a grid of whole numbers, so that stations share places and
    // stand exactly at the maximum distance; few or most values present.
    const StationCounts counts{1 + below(12), below(3), 1 + below(3)};
    const double distance = 1 + below(5);
    const int present_in_20 = std::array{2, 10, 18}[below(3)];
    StationTable table;
    table.make_room(counts.total());
    for (int m = 1; m <= counts.total(); ++m) {
      table.first[m] = below(8);
      table.second[m] = below(8);
    }
    HourWindow window(counts.total());
    for (int slot = 1; slot <= 24; ++slot) {
      for (int s = 1; s <= counts.hourly; ++s) {
        window.field(slot)[s] = below(20) < present_in_20 ? below(3) : -9999.0;
      }
    }
    HourlyCoverage coverage(table, counts, distance);
    const int first = 1 + below(13), last = first + below(12);
    coverage.note_slots(window, first, last, 9998.0);
    for (int m = counts.first_climate(); m <= counts.total(); ++m) {
      int expected = 0;
      for (int slot = first; slot <= last; ++slot) {
        bool reached = false, told = false;
        for (int s = 1; s <= counts.hourly; ++s) {
          const double dx = table.first[s] - table.first[m], dy = table.second[s] - table.second[m];
          if (dx * dx + dy * dy > distance * distance) continue;
          reached = true;
          told = told || window.field(slot)[s] > -9998.0;
        }
        expected += reached && !told ? 1 : 0;
      }
      ASSERT_EQ(coverage.hours_without_data(m), expected) << run << " " << m;
      without += expected;
    }
  }
  EXPECT_GT(without, 1000);
}

}  // namespace
}  // namespace rumo
