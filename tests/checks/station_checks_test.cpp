#include "checks/station_checks.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace rumo {
namespace {

using Places = std::vector<std::pair<double, double>>;

// The coordinate warnings of a run whose hourly, climate and collector
// stations stand at the given places, named after their number.
std::string coordinate_warnings(const Places& hourly, const Places& climate,
                                double max_distance = 50.0) {
  StationCounts counts;
  counts.hourly = static_cast<int>(hourly.size());
  counts.climate = static_cast<int>(climate.size());
  StationTable table;
  table.make_room(counts.total());
  int m = 0;
  for (const Places* file : {&hourly, &climate}) {
    for (const auto& [x, y] : *file) {
      ++m;
      table.first[m] = x;
      table.second[m] = y;
      table.name[m] = std::string("S").append(std::to_string(m));
    }
  }
  RunParameters params;
  params.hourly_file = "h.txt";
  params.climate_file = "c.txt";
  params.max_distance = max_distance;
  std::ostringstream err;
  warn_coordinate_ranges(err, table, counts, params);
  return err.str();
}

TEST(WarnCoordinateRanges, SharedPlaces) {
  // Decimal commas: every station at the whole part of its coordinates.
  EXPECT_EQ(coordinate_warnings({{3500, 5600}, {3500, 5600}, {3500, 5600}, {3600, 5700}}, {}),
            "rumo: warning: h.txt: 3 stations share the place 3500, 5600: S1, S2, S3; are their "
            "coordinates right?\n");
  // Many stations on few places, beyond the three told.
  Places few;
  for (int i = 0; i < 10; ++i) few.emplace_back(1000 + i % 5, 2000);
  EXPECT_EQ(coordinate_warnings(few, {}),
            "rumo: warning: h.txt: 2 stations share the place 1000, 2000: S1, S6; are their "
            "coordinates right?\n"
            "rumo: warning: h.txt: 2 stations share the place 1001, 2000: S2, S7; are their "
            "coordinates right?\n"
            "rumo: warning: h.txt: 2 stations share the place 1002, 2000: S3, S8; are their "
            "coordinates right?\n"
            "rumo: warning: h.txt: 2 more places are each shared by two or more stations\n");
  // Not told: a climate station beside an hourly one, the origin (no
  // coordinates given), and a grid whose shared places are many among more.
  EXPECT_EQ(coordinate_warnings({{1000, 2000}, {0, 0}, {0, 0}}, {{1000, 2000}}), "");
  Places grid = {{1005, 2000}, {1006, 2000}, {1007, 2000}};
  for (int i = 0; i < 8; ++i) grid.emplace_back(1000 + i % 4, 2000);
  EXPECT_EQ(coordinate_warnings(grid, {}), "");
  grid.pop_back();  // three places shared: told again
  EXPECT_NE(coordinate_warnings(grid, {}), "");
}

TEST(WarnCoordinateRanges, DegreesEverywhere) {
  const Places hourly = {{9.6381, 50.5512}, {9.7012, 50.5023}};
  const Places climate = {{9.68, 50.55}};
  EXPECT_EQ(coordinate_warnings(hourly, climate, 20000),
            "rumo: warning: the coordinates of every station lie below 360 in size (9.6381 to "
            "9.7012, 50.5023 to 50.5512) while the maximum distance is 20000; distances are taken "
            "in the unit of the coordinates: are they degrees? (project them to metres, such as "
            "UTM)\n");
  EXPECT_NE(coordinate_warnings(hourly, {}, -361), "");  // only its size counts
  EXPECT_EQ(coordinate_warnings(hourly, climate, 360), "");
  EXPECT_EQ(coordinate_warnings({{9.6, 50.5}, {359.9, 3600}}, {}, 20000), "");
}

}  // namespace
}  // namespace rumo
