// Inverse-distance weighting onto the cells of a grid, hour after hour, from
// sources whose values come and go. The places never change, so each cell
// keeps its candidates (the sources in reach, with their weights) for the
// whole run, and the shares of the sources it uses for as long as the same
// sources have a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/projection.hpp"
#include "core/weighting.hpp"
#include "grid/grid_geometry.hpp"

namespace rumo {

// What the estimates of the grid take from the run.
struct GridWeighting {
  double power = 0.0;
  double max_distance = 0.0;
  // The nearest sources with a value used per cell, within the maximum
  // distance, ties by source order; 0: every source in reach.
  int neighbours = 0;
};

// Which sources have a value in an hour: one bit per source.
using SourceSet = std::vector<std::uint64_t>;
// The sources of `values` that have a value (above -nodata).
SourceSet sources_with_value(std::span<const double> values, double nodata);

class GridInterpolation {
 public:
  // The rows are cut into `parts` runs of neighbouring rows; the parts share
  // nothing, so each may be worked by its own thread, and a cell's value is
  // the same whichever part holds it.
  GridInterpolation(const GridGeometry& grid, std::vector<Planar> sources,
                    const GridWeighting& weighting, std::size_t parts);

  std::size_t parts() const { return parts_.size(); }

  // Estimates the cells of `part` for one hour: `values` one per source, in
  // source order, `present` as sources_with_value gives it for them. Each
  // row's columns go to row_out(row), west to east. A cell with no source
  // in reach, or whose weights cannot be normalised, gets `fill`. The
  // estimate of a cell is the mean over the sources it uses, in source order,
  // of each weight divided by the weight sum, times the value. Returns how
  // many cells got `fill`.
  std::size_t interpolate(std::size_t part, std::span<const double> values,
                          const SourceSet& present, float fill,
                          const std::function<float*(std::size_t)>& row_out);

 private:
  struct Part {
    std::size_t first_row = 0;
    std::size_t last_row = 0;  // one past
    bool prepared = false;
    // Per cell: its candidates at start[c] .. start[c + 1], nearest first
    // with a neighbour limit, in source order without one.
    std::vector<std::size_t> start;
    std::vector<std::uint32_t> source;
    std::vector<double> weight;
    std::vector<char> complete;  // the candidates are every source in reach
    // The sources each cell uses for the set `known` and their shares, at
    // the places of its candidates; none where it gets the fill value.
    SourceSet known;
    bool known_valid = false;
    std::vector<std::uint32_t> used;
    std::vector<std::uint32_t> share_source;
    std::vector<double> share;
  };

  void prepare(Part& part) const;
  void choose(Part& part, const SourceSet& present) const;
  // The nearest `neighbours_` sources with a value in reach of cell (i, j),
  // searched among every source; into `chosen` as (source, weight).
  void search_all(std::size_t column, std::size_t row, const SourceSet& present,
                  std::vector<std::pair<std::uint32_t, double>>& chosen) const;

  GridGeometry grid_;
  std::vector<Planar> sources_;
  double reach_;  // the maximum distance squared
  double power_;
  WeightForm form_;
  std::size_t neighbours_;
  std::vector<Part> parts_;
};

}  // namespace rumo
