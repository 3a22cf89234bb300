#include "checks/station_checks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace rumo {
namespace {

using Places = std::vector<std::pair<double, double>>;

// Stations at x = 1000 + i % places for i below n, after `apart` others.
Places row(int n, int places, int apart = 0) {
  Places row;
  for (int i = -apart; i < n; ++i) row.emplace_back(i < 0 ? 900 + i : 1000 + i % places, 2000);
  return row;
}

// How many lines of warning each network of hourly and climate stations gets
// (their wording shows in the end-to-end cases warn_decimal_comma and
// warn_degrees_all_files).
TEST(WarnCoordinateRanges, SharedPlacesAndDegrees) {
  const Places degrees = {{9.6381, 50.5512}, {9.7012, 50.5023}};
  const struct {
    Places hourly;
    Places climate;
    double max_distance;
    long lines;
  } cases[] = {
      {row(3, 1, 1), {}, 50, 1},  // decimal commas: three stations on one place
      {row(10, 5), {}, 50, 4},    // ten on five: three places told, the rest counted
      {row(8, 4, 3), {}, 50, 0},  // a grid: four places shared among seven
      {row(7, 4, 3), {}, 50, 3},  // three places shared are told again
      {{{1000, 2000}, {0, 0}, {0, 0}}, {{1000, 2000}}, 50, 0},  // another file; the origin
      {degrees, {{9.68, 50.55}}, 20000, 1},
      {degrees, {}, -361, 1},  // only the size of the maximum distance counts
      {degrees, {}, 360, 0},
      {{{9.6, 50.5}, {359.9, 3600}}, {}, 20000, 0},
  };
  for (const auto& c : cases) {
    const StationCounts counts{int(c.hourly.size()), int(c.climate.size()), 0};
    StationTable table;
    table.make_room(counts.total());
    Places all = c.hourly;  // hourly stations first, as a run numbers them
    all.insert(all.end(), c.climate.begin(), c.climate.end());
    for (std::size_t m = 1; m <= all.size(); ++m) {
      std::tie(table.first[m], table.second[m]) = all[m - 1];
    }
    RunParameters params;
    params.max_distance = c.max_distance;
    std::ostringstream err;
    warn_coordinate_ranges(err, table, counts, params);
    const std::string told = err.str();
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), c.lines) << told;
  }
}

}  // namespace
}  // namespace rumo
