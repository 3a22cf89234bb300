// The console's lines that name choices: the best one whose wet hours and
// peak keep the rain's shape, and the run's own pair under a neighbour limit.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "crossval/cv_output.hpp"
#include "crossval/disaggregation.hpp"

namespace rumo {
namespace {

// Limits 1 and all, patterns idw and peak-add: four choices of one pair.
CrossValidationGrid grid() {
  return {.powers = {2.0},
          .distances = {10.0},
          .neighbours = {1, 0},
          .patterns = {Pattern::idw, Pattern::peak_add},
          .names_neighbours = true,
          .names_patterns = true};
}

TEST(DisaggregationTable, NamesTheBestChoiceThatKeepsTheShape) {
  // rmse, wet hours and peak of each choice as collector days; as climate
  // halves none keeps the shape.
  const double days[4][3] = {{0.46, 0.95, 0.9}, {0.40, 1.2, 0.7}, {0.44, 1.05, 1.15}, {0.5, 1, 1}};
  std::vector<WayFigures> figures;
  for (std::size_t c = 0; c < 4; ++c) {
    WayFigures& f = figures.emplace_back();
    f.power = 2.0;
    f.distance = 10.0;
    f.neighbours = grid().neighbour_count(c / 2);
    f.pattern = grid().patterns[c % 2];
    f.day.rmse = days[c][0];
    f.day.wet_hours = days[c][1];
    f.day.peak = days[c][2];
    f.half = f.day;
    f.half.peak = 1.2;
  }
  std::ostringstream out;
  print_disaggregation(out, figures, grid(), 0.1, {});
  const std::string text = out.str();
  for (const char* line :
       {"best choice as collector days: power 2, maximum distance 10, 1 neighbour, pattern "
        "peak-add (rmse 0.4)\n",
        "best choice as collector days with wet hours and peak within 10 % of 1: power 2, maximum "
        "distance 10, 1 neighbour, pattern idw (rmse 0.46, wet hours 0.950, peak 0.900",
        "no choice as climate halves has wet hours and peak within 10 % of 1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  }
}

TEST(DisaggregationTable, TheRunsOwnPairHasItsNeighbourLimit) {
  std::vector<PairFigures> figures(2);
  for (std::size_t p = 0; p < 2; ++p) {
    figures[p].power = 2.0;
    figures[p].distance = 10.0;
    figures[p].neighbours = grid().neighbour_count(p);
    figures[p].hourly.rmse = p == 0 ? 0.3 : 0.2;
  }
  std::ostringstream out;
  print_cross_validation(out, figures, grid(), 5, 2.0, 10.0, 1);
  EXPECT_NE(out.str().find("the run's own pair: power 2, maximum distance 10, 1 neighbour, rank 2 "
                           "of 2 (hourly rmse 0.3)"),
            std::string::npos)
      << out.str();
}

}  // namespace
}  // namespace rumo
