// The cross-validation against the plain interpolation: every estimate it
// writes must be, to the bit, what the plain form (and so the run's engine)
// gives for the field with the station removed, with and without a neighbour
// limit, on random networks, fields and presence patterns.
#include "crossval/cross_validation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "core/files.hpp"
#include "crossval/cv_output.hpp"
#include "interp/idw.hpp"

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;

struct Scenario {
  StationTable table;
  int hourly = 0;
  std::vector<HourField> fields;
  CrossValidationGrid grid{.powers = {0.0, 0.5, 1.0, 1.7, 2.0, 3.0},
                           .distances = {30.0, 150.0, 400.0, 1000.0, HUGE_VAL},
                           .neighbours = {1, 0},
                           .names_neighbours = true};
  IdwSettings settings;
};

// Stations on a plane, some sharing a place; hours mostly dry, with stations
// that fail for days and values that go missing for an hour.
Scenario random_scenario(std::mt19937_64& rng, int hourly, int hours) {
  Scenario s;
  s.hourly = hourly;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  s.table.make_room(hourly);
  for (int i = 1; i <= hourly; ++i) {
    const int twin = i > 1 && unit(rng) < 0.1 ? 1 + static_cast<int>(rng() % (i - 1)) : 0;
    s.table.first[i] = twin ? s.table.first[twin] : std::round(unit(rng) * 1000.0);
    s.table.second[i] = twin ? s.table.second[twin] : std::round(unit(rng) * 1000.0);
    s.table.name[i] = std::to_string(1000 + i);
  }
  std::vector<int> outage(static_cast<std::size_t>(hourly) + 1, 0);
  for (int h = 0; h < hours; ++h) {
    HourField field(station_entries(hourly), -9999.0);
    const bool wet_hour = unit(rng) < 0.5;
    for (int i = 1; i <= hourly; ++i) {
      outage[i] = outage[i] > 0 ? outage[i] - 1 : unit(rng) < 0.002 ? int(rng() % 120) : 0;
      const double roll = unit(rng);
      if (outage[i] > 0 || roll < 0.03) {
        field[i] = roll < 0.01 ? -kNodata : -kNodata - 1.0;
      } else if (wet_hour && roll < 0.0305) {
        field[i] = HUGE_VAL;  // a present value all the same
      } else {
        field[i] = wet_hour && roll < 0.4 ? std::round(unit(rng) * unit(rng) * 300.0) / 10.0 : 0.0;
      }
    }
    s.fields.push_back(field);
  }
  s.settings.nodata = kNodata;
  s.settings.lower_limit = 0.037;
  s.settings.upper_limit = s.settings.upper_replacement = 25.0;
  return s;
}

struct Outcome {
  std::vector<PairFigures> figures;
  std::string details;
};

Outcome cross_validate(const Scenario& s, int threads) {
  MemoryFiles files;
  DetailsWriter details(files.open_output("details"), "details", s.table, s.hourly, s.grid);
  WorkerPool pool(threads);
  CrossValidator validator(s.table, s.hourly, s.grid, s.settings, &pool, &details);
  for (int h = 0; h < static_cast<int>(s.fields.size()); ++h) {
    validator.add_hour(HourStamp{.year = 2004, .month = 3, .day = 1 + h / 24, .hour = 1 + h % 24},
                       s.fields[h]);  // from 1 March
  }
  Outcome outcome{validator.finish(), {}};
  details.close();
  outcome.details = files.outputs["details"];
  return outcome;
}

TEST(CrossValidation, EveryEstimateIsThePlainInterpolationWithoutTheStation) {
  std::mt19937_64 rng(16);
  for (const auto& [hourly, hours] : {std::pair{3, 60}, {25, 200}, {60, 400}}) {
    const Scenario s = random_scenario(rng, hourly, hours);
    const Outcome outcome = cross_validate(s, 2);
    // Nothing that comes out depends on how many threads share the work.
    const Outcome one = cross_validate(s, 1);
    EXPECT_EQ(one.details, outcome.details);
    EXPECT_EQ(std::memcmp(one.figures.data(), outcome.figures.data(),
                          one.figures.size() * sizeof(PairFigures)),
              0);

    std::istringstream lines(outcome.details);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line,
              "power\tdistance\tneighbours\tstation\tname\tyear\tmonth\tday\thour\tobserved\t"
              "estimated");
    long long written = 0;
    std::size_t last = 0;
    // The left-out station's place as one more target behind the hourly stations.
    StationTable table = s.table;
    const int target = s.hourly + 1;
    table.make_room(target);
    for (; std::getline(lines, line); ++written) {
      std::vector<double> cells;
      std::istringstream split(line);
      for (std::string cell; std::getline(split, cell, '\t');) {
        cells.push_back(cell == "all" ? 0.0 : std::stod(cell));
      }
      ASSERT_EQ(cells.size(), 11U) << line;
      const int neighbours = static_cast<int>(cells[2]);
      cells.erase(cells.begin() + 2);
      ASSERT_EQ(std::tie(cells[4], cells[5]), std::tuple(2004, 3)) << line;
      const auto h = static_cast<std::size_t>(24 * (cells[6] - 1) + cells[7] - 1);
      ASSERT_TRUE(h < s.fields.size() && h >= last) << line;  // in time order
      last = h;
      const int station = static_cast<int>(cells[2]);
      ASSERT_EQ(std::to_string(int(cells[3])), s.table.name[station]);
      ASSERT_EQ(cells[8], s.fields[h][station]);

      HourField field = s.fields[h];
      field.resize(station_entries(target), 0.0);
      field[station] = -kNodata - 1.0;
      table.first[target] = s.table.first[station];
      table.second[target] = s.table.second[station];
      IdwSettings settings = s.settings;
      settings.power = cells[0];
      settings.max_distance = cells[1];
      settings.neighbours = neighbours;
      idw_interpolate(field, target, target, table, s.hourly, settings);
      ASSERT_EQ(cells[9], field[target]) << line;
    }
    long long present = 0;
    for (const HourField& field : s.fields) {
      for (int i = 1; i <= s.hourly; ++i) present += field[i] > -kNodata;
    }
    EXPECT_EQ(written, present * static_cast<long long>(s.grid.pairs()));
    for (const PairFigures& figures : outcome.figures) EXPECT_EQ(figures.hourly.count, present);
  }
}

TEST(CrossValidation, DefaultGridHoldsTheRunsOwnPairAndUserListsAreSortedOnce) {
  const struct {
    std::vector<double> powers, distances;
    double power, distance;
    std::vector<double> grid_powers, grid_distances;
  } cases[] = {
      {{}, {}, 2.0, 40.0, {0.5, 1, 1.5, 2, 2.5, 3, 4}, {10, 20, 40, 80, 160}},
      {{}, {}, 1.7, -40.0, {0.5, 1, 1.5, 1.7, 2, 2.5, 3, 4}, {10, 20, 40, 80, 160}},
      {{}, {}, 2.0, HUGE_VAL, {0.5, 1, 1.5, 2, 2.5, 3, 4}, {HUGE_VAL}},
      {{3, 1, 3}, {HUGE_VAL, 5, 5}, 2.0, 40.0, {1, 3}, {5, HUGE_VAL}},
  };
  for (const auto& c : cases) {
    CrossValidationRequest request;
    request.powers = c.powers;
    request.distances = c.distances;
    const CrossValidationGrid grid = make_grid(request, c.power, c.distance);
    EXPECT_EQ(grid.powers, c.grid_powers);
    EXPECT_EQ(grid.distances, c.grid_distances);
  }
  // Neighbour limits ascending with all last, patterns in their order, each
  // once; the tables name them where they were asked for.
  CrossValidationRequest request;
  request.neighbour_counts = {0, 8, 2, 8};
  request.patterns = {Pattern::sharpen, Pattern::idw, Pattern::sharpen};
  CrossValidationGrid grid = make_grid(request, 2.0, 40.0, 3, Pattern::peak_add);
  EXPECT_EQ(grid.neighbours, (std::vector<int>{2, 8, 0}));
  EXPECT_EQ(grid.patterns, (std::vector{Pattern::idw, Pattern::sharpen}));
  EXPECT_TRUE(grid.names_neighbours && grid.names_patterns);
  EXPECT_EQ(grid.choices(), 7U * 5U * 3U * 2U);
  grid = make_grid({}, 2.0, 40.0, 3, Pattern::idw);
  EXPECT_EQ(grid.neighbours, (std::vector<int>{3}));
  EXPECT_EQ(grid.patterns, (std::vector{Pattern::idw}));
  EXPECT_TRUE(grid.names_neighbours && !grid.names_patterns);
}

}  // namespace
}  // namespace rumo
