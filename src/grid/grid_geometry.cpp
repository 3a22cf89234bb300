#include "grid/grid_geometry.hpp"

#include <algorithm>
#include <cmath>

#include "core/error.hpp"

namespace rumo {

namespace {

// Whole cells that cover `width`: a quotient a rounding step away from a
// whole number is that number.
double cells_covering(double width, double cell) {
  const double count = width / cell;
  const double nearest = std::round(count);
  return std::abs(count - nearest) <= 1e-9 * std::max(1.0, nearest) ? nearest : std::ceil(count);
}

}  // namespace

std::optional<GridGeometry> grid_geometry(double cell,
                                          const std::optional<std::array<double, 4>>& extent,
                                          std::span<const Planar> stations, std::string& reason) {
  double xmin = 0.0, ymin = 0.0, columns = 0.0, rows = 0.0;
  if (extent) {
    const auto [x0, y0, x1, y1] = *extent;
    xmin = x0;
    ymin = y0;
    columns = std::max(1.0, cells_covering(x1 - x0, cell));
    rows = std::max(1.0, cells_covering(y1 - y0, cell));
  } else {
    if (stations.empty()) {
      reason = "the run has no station to take its extent from; give --grid-extent";
      return std::nullopt;
    }
    double low_x = HUGE_VAL, low_y = HUGE_VAL, high_x = -HUGE_VAL, high_y = -HUGE_VAL;
    for (const Planar& place : stations) {
      low_x = std::min(low_x, place.x);
      low_y = std::min(low_y, place.y);
      high_x = std::max(high_x, place.x);
      high_y = std::max(high_y, place.y);
    }
    // Counted in cells, so that the extent is whole cells exactly.
    const double first_column = std::floor(low_x / cell);
    const double first_row = std::floor(low_y / cell);
    xmin = first_column * cell;
    ymin = first_row * cell;
    columns = std::max(1.0, std::ceil(high_x / cell) - first_column);
    rows = std::max(1.0, std::ceil(high_y / cell) - first_row);
  }
  if (!(columns * rows <= static_cast<double>(kMaxGridCells))) {
    reason = message_format("the grid would have %.0f x %.0f cells, more than %zu", columns, rows,
                            kMaxGridCells);
    return std::nullopt;
  }
  return GridGeometry{xmin, ymin, cell, static_cast<std::size_t>(columns),
                      static_cast<std::size_t>(rows)};
}

}  // namespace rumo
