#include "grid/grid_idw.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "grid_oracle.hpp"

namespace rumo {
namespace {

// The cells of one hour, every part of the grid in turn.
std::vector<float> hour(GridInterpolation& grid, const GridGeometry& geometry,
                        const std::vector<double>& values, double nodata) {
  std::vector<float> cells(geometry.cells());
  const SourceSet present = sources_with_value(values, nodata);
  for (std::size_t part = 0; part < grid.parts(); ++part) {
    grid.interpolate(part, values, present, -9999.0f,
                     [&](std::size_t row) { return cells.data() + row * geometry.columns; });
  }
  return cells;
}

// Three cells in a row, power 2, maximum distance 1. Cell 0 has source A at
// its centre (weight 1 / 0.1 = 10) and B half a cell away (weight 4); cell 1
// has B at 0.5 and A and C at exactly the maximum distance (weight 1 each);
// cell 2 has C at its centre. With two neighbours, cell 1 takes B and, of A
// and C at the same distance, A, the earlier source.
TEST(GridInterpolation, HandWorkedCells) {
  const GridGeometry geometry{0.0, 0.0, 1.0, 3, 1};
  const std::vector<Planar> sources = {{0.5, 0.5}, {1.0, 0.5}, {2.5, 0.5}};
  const struct {
    int neighbours;
    std::vector<double> values;
    std::vector<float> cells;
  } cases[] = {
      {0, {6, 2, 9}, {68.0f / 14, 23.0f / 6, 9}}, {1, {6, 2, 9}, {6, 2, 9}},
      {2, {6, 2, 9}, {68.0f / 14, 14.0f / 5, 9}}, {2, {6, -9999, 9}, {6, 15.0f / 2, 9}},
      {0, {-9998, 2, -9999}, {2, 2, -9999}},
  };
  for (const auto& c : cases) {
    GridInterpolation grid(geometry, sources, {2.0, 1.0, c.neighbours}, 1);
    const std::vector<float> cells = hour(grid, geometry, c.values, 9998.0);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(cells[i], c.cells[i], 1e-6)
          << "cell " << i << ", " << c.neighbours << " neighbours";
    }
  }
}

// Many sources, some at the same place, most of them without a value in many
// hours, after one another in hours whose sources come and go and come back:
// every cell as the plain method gives it, in any number of parts.
TEST(GridInterpolation, RandomHoursAgainstThePlainMethod) {
  std::mt19937 random(38);
  const auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  for (int round = 0; round < 60; ++round) {
    std::vector<Planar> sources(static_cast<std::size_t>(pick(1, 50)));
    for (Planar& place : sources) place = {pick(0, 40) * 0.5, pick(0, 30) * 0.5};
    const GridGeometry geometry{-2.0, -1.0, 1.5, static_cast<std::size_t>(pick(1, 17)),
                                static_cast<std::size_t>(pick(1, 13))};
    const GridWeighting weighting{pick(0, 6) * 0.5, pick(1, 12) * 1.5, pick(0, 4) * pick(0, 1)};
    GridInterpolation grid(geometry, sources, weighting, static_cast<std::size_t>(pick(1, 5)));
    const int gaps = pick(0, 9);
    std::vector<double> values(sources.size());
    for (int h = 0; h < 8; ++h) {
      for (double& v : values) v = pick(0, 9) < gaps ? -9999.0 : pick(0, 80) / 10.0;
      if (h == 5) values.assign(values.size(), 0.5);
      const std::vector<float> cells = hour(grid, geometry, values, 9998.0);
      for (std::size_t j = 0; j < geometry.rows; ++j) {
        for (std::size_t i = 0; i < geometry.columns; ++i) {
          const float expected = plain_grid_value(geometry.x(i), geometry.y(j), sources, values,
                                                  9998.0, weighting, -9999.0f);
          ASSERT_EQ(cells[j * geometry.columns + i], expected)
              << "round " << round << ", hour " << h << ", cell " << i << ", " << j;
        }
      }
    }
  }
}

// The default extent is the stations' bounding box widened to whole cells,
// below zero too; an extent of a fraction of a cell more gets one more
// column; one a rounding step off whole cells does not.
TEST(GridGeometry, ExtentsAndCentres) {
  const std::vector<Planar> stations = {{-2500.0, 1000.0}, {1200.0, 2999.0}, {300.0, 1000.0}};
  std::string reason;
  const auto grid = grid_geometry(1000.0, std::nullopt, stations, reason);
  ASSERT_TRUE(grid);
  EXPECT_EQ(std::tuple(grid->xmin, grid->ymin, grid->columns, grid->rows),
            std::tuple(-3000.0, 1000.0, 5u, 2u));
  EXPECT_EQ(std::tuple(grid->x(0), grid->x(4), grid->y(0), grid->y(1)),
            std::tuple(-2500.0, 1500.0, 1500.0, 2500.0));
  const std::vector<Planar> one = {{2000.0, 5000.0}};
  const auto single = grid_geometry(1000.0, std::nullopt, one, reason);
  EXPECT_EQ(std::tuple(single->xmin, single->ymin, single->columns, single->rows),
            std::tuple(2000.0, 5000.0, 1u, 1u));
  const auto partial = grid_geometry(0.1, std::array{0.0, 0.0, 0.35, 0.3}, {}, reason);
  EXPECT_EQ(std::tuple(partial->columns, partial->rows), std::tuple(4u, 3u));
  EXPECT_FALSE(grid_geometry(1000.0, std::nullopt, {}, reason));
  EXPECT_FALSE(grid_geometry(1.0, std::array{0.0, 0.0, 1e5, 1e4}, {}, reason));
  EXPECT_EQ(reason, "the grid would have 100000 x 10000 cells, more than 100000000");
}

}  // namespace
}  // namespace rumo
