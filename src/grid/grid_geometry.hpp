// A regular grid of square cells in the stations' coordinates: columns along
// the first coordinate (x, easting), rows along the second (y, northing),
// row 0 at the south, so that y ascends with the row.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "core/projection.hpp"

namespace rumo {

struct GridGeometry {
  double xmin = 0.0;
  double ymin = 0.0;
  double cell = 1.0;  // the cells' side
  std::size_t columns = 0;
  std::size_t rows = 0;

  std::size_t cells() const { return columns * rows; }
  // The centres: cell (i, j) lies at (x(i), y(j)).
  double x(std::size_t column) const { return xmin + (static_cast<double>(column) + 0.5) * cell; }
  double y(std::size_t row) const { return ymin + (static_cast<double>(row) + 0.5) * cell; }
};

// The most cells one grid file holds; a larger grid is refused before any
// data is read.
inline constexpr std::size_t kMaxGridCells = std::size_t{100'000'000};

// The grid over `extent` (XMIN, YMIN, XMAX, YMAX) in cells of side `cell`:
// whole cells from XMIN and YMIN that cover the extent (a width that is not
// a whole number of cells gets one more column, reaching past XMAX; a width
// within a billionth of whole cells is taken as whole). Without an extent,
// the stations' bounding box widened to whole cells: XMIN = floor(min x /
// cell) * cell, XMAX = ceil(max x / cell) * cell, the same for y, and at
// least one cell each way. Nothing, with `reason` set, where there is no
// grid: no extent and no station, or more than kMaxGridCells cells.
std::optional<GridGeometry> grid_geometry(double cell,
                                          const std::optional<std::array<double, 4>>& extent,
                                          std::span<const Planar> stations, std::string& reason);

}  // namespace rumo
