#include "grid/grid_idw.hpp"

#include <algorithm>
#include <utility>

#include "core/error.hpp"
#include "core/window.hpp"

namespace rumo {

namespace {

// Candidates kept beyond the neighbour limit, so that a cell finds its
// nearest sources with a value among its own candidates when a few of them
// have none; where too many have none, it searches every source.
constexpr std::size_t kSpareCandidates = 8;

bool has_value(const SourceSet& set, std::uint32_t source) {
  return ((set[source / 64] >> (source % 64)) & 1U) != 0;
}

}  // namespace

SourceSet sources_with_value(std::span<const double> values, double nodata) {
  SourceSet set((values.size() + 63) / 64, 0);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (is_present(values[i], nodata)) set[i / 64] |= std::uint64_t{1} << (i % 64);
  }
  return set;
}

GridInterpolation::GridInterpolation(const GridGeometry& grid, std::vector<Planar> sources,
                                     const GridWeighting& weighting, std::size_t parts)
    : grid_(grid),
      sources_(std::move(sources)),
      reach_(weighting.max_distance * weighting.max_distance),
      power_(weighting.power),
      form_(weight_form(weighting.power)),
      neighbours_(static_cast<std::size_t>(std::max(weighting.neighbours, 0))) {
  parts = std::clamp<std::size_t>(parts, 1, std::max<std::size_t>(grid.rows, 1));
  parts_.resize(parts);
  for (std::size_t k = 0; k < parts; ++k) {
    parts_[k].first_row = grid.rows * k / parts;
    parts_[k].last_row = grid.rows * (k + 1) / parts;
  }
}

void GridInterpolation::prepare(Part& part) const {
  const std::size_t cells = (part.last_row - part.first_row) * grid_.columns;
  std::vector<std::pair<double, std::uint32_t>> in_reach;
  take_memory(exit_code::memory_weights, [&] {
    part.start.reserve(cells + 1);
    part.complete.reserve(cells);
    part.start.push_back(0);
    for (std::size_t row = part.first_row; row < part.last_row; ++row) {
      const double y = grid_.y(row);
      for (std::size_t column = 0; column < grid_.columns; ++column) {
        const double x = grid_.x(column);
        in_reach.clear();
        for (std::size_t s = 0; s < sources_.size(); ++s) {
          const double d2 = squared_distance(sources_[s].x, sources_[s].y, x, y);
          if (d2 <= reach_) in_reach.emplace_back(d2, static_cast<std::uint32_t>(s));
        }
        std::size_t keep = in_reach.size();
        if (neighbours_ > 0) {
          // Nearest first; of two at the same distance the earlier source.
          keep = std::min(keep, neighbours_ + kSpareCandidates);
          std::partial_sort(in_reach.begin(), in_reach.begin() + static_cast<long>(keep),
                            in_reach.end());
        }
        part.complete.push_back(keep == in_reach.size());
        for (std::size_t k = 0; k < keep; ++k) {
          part.source.push_back(in_reach[k].second);
          part.weight.push_back(weight(in_reach[k].first, form_, power_));
        }
        part.start.push_back(part.source.size());
      }
    }
    part.used.assign(cells, 0);
    part.share_source.resize(part.source.size());
    part.share.resize(part.source.size());
    return 0;
  });
  part.prepared = true;
}

void GridInterpolation::search_all(std::size_t column, std::size_t row, const SourceSet& present,
                                   std::vector<std::pair<std::uint32_t, double>>& chosen) const {
  const double x = grid_.x(column);
  const double y = grid_.y(row);
  std::vector<std::pair<double, std::uint32_t>> in_reach;
  for (std::size_t s = 0; s < sources_.size(); ++s) {
    const auto source = static_cast<std::uint32_t>(s);
    if (!has_value(present, source)) continue;
    const double d2 = squared_distance(sources_[s].x, sources_[s].y, x, y);
    if (d2 <= reach_) in_reach.emplace_back(d2, source);
  }
  const std::size_t keep = std::min(in_reach.size(), neighbours_);
  std::partial_sort(in_reach.begin(), in_reach.begin() + static_cast<long>(keep), in_reach.end());
  chosen.clear();
  for (std::size_t k = 0; k < keep; ++k) {
    chosen.emplace_back(in_reach[k].second, weight(in_reach[k].first, form_, power_));
  }
}

void GridInterpolation::choose(Part& part, const SourceSet& present) const {
  std::vector<std::pair<std::uint32_t, double>> chosen;
  std::size_t c = 0;
  for (std::size_t row = part.first_row; row < part.last_row; ++row) {
    for (std::size_t column = 0; column < grid_.columns; ++column, ++c) {
      const std::size_t begin = part.start[c];
      const std::size_t end = part.start[c + 1];
      chosen.clear();
      for (std::size_t k = begin; k < end; ++k) {
        if (!has_value(present, part.source[k])) continue;
        chosen.emplace_back(part.source[k], part.weight[k]);
        if (chosen.size() == neighbours_) break;
      }
      if (neighbours_ > 0) {
        if (chosen.size() < neighbours_ && !part.complete[c]) {
          search_all(column, row, present, chosen);
        }
        // The sums run in source order, whichever source is nearest.
        std::sort(chosen.begin(), chosen.end());
      }
      double sum = 0.0;
      for (const auto& [source, w] : chosen) sum += w;
      if (chosen.empty() || !usable_weight_sum(sum)) {
        part.used[c] = 0;
        continue;
      }
      for (std::size_t k = 0; k < chosen.size(); ++k) {
        part.share_source[begin + k] = chosen[k].first;
        part.share[begin + k] = chosen[k].second / sum;
      }
      part.used[c] = static_cast<std::uint32_t>(chosen.size());
    }
  }
}

std::size_t GridInterpolation::interpolate(std::size_t index, std::span<const double> values,
                                           const SourceSet& present, float fill,
                                           const std::function<float*(std::size_t)>& row_out) {
  Part& part = parts_[index];
  if (!part.prepared) prepare(part);
  if (!part.known_valid || part.known != present) {
    choose(part, present);
    part.known = present;
    part.known_valid = true;
  }
  const std::size_t columns = grid_.columns;
  const std::uint32_t* const used = part.used.data();
  const std::uint32_t* const sources = part.share_source.data();
  const double* const shares = part.share.data();
  const std::size_t* const start = part.start.data();
  std::size_t c = 0;
  std::size_t filled = 0;
  for (std::size_t row = part.first_row; row < part.last_row; ++row) {
    float* const out = row_out(row);
    for (std::size_t column = 0; column < columns; ++column, ++c) {
      const std::size_t begin = start[c];
      const std::size_t end = begin + used[c];
      if (begin == end) {
        out[column] = fill;
        ++filled;
        continue;
      }
      double value = 0.0;
      for (std::size_t k = begin; k < end; ++k) value += shares[k] * values[sources[k]];
      out[column] = static_cast<float>(value);
    }
  }
  return filled;
}

}  // namespace rumo
