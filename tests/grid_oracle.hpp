// The value of one grid cell as the method reads, written as plainly as it
// reads: every source with a value, its squared distance (0.1 at the centre
// itself), those within the maximum distance, the nearest K of them (ties by
// source order) where there is a limit, then the weights summed in source
// order and the mean of each weight divided by the sum, times the value.
#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "core/weighting.hpp"
#include "grid/grid_idw.hpp"

namespace rumo {

inline float plain_grid_value(double x, double y, std::span<const Planar> sources,
                              std::span<const double> values, double nodata,
                              const GridWeighting& weighting, float fill) {
  struct Used {
    double d2;
    std::size_t source;
  };
  std::vector<Used> used;
  for (std::size_t s = 0; s < sources.size(); ++s) {
    if (!(values[s] > -nodata)) continue;
    const double dx = sources[s].x - x;
    const double dy = sources[s].y - y;
    double d2 = dx * dx + dy * dy;
    if (d2 == 0.0) d2 = 0.1;
    if (d2 <= weighting.max_distance * weighting.max_distance) used.push_back({d2, s});
  }
  const auto k = static_cast<std::size_t>(weighting.neighbours);
  if (k > 0 && used.size() > k) {
    std::stable_sort(used.begin(), used.end(),
                     [](const Used& a, const Used& b) { return a.d2 < b.d2; });
    used.resize(k);
    std::sort(used.begin(), used.end(),
              [](const Used& a, const Used& b) { return a.source < b.source; });
  }
  const WeightForm form = weight_form(weighting.power);
  double sum = 0.0;
  for (const Used& u : used) sum += weight(u.d2, form, weighting.power);
  if (used.empty() || !(sum > 0.0 && sum < HUGE_VAL)) return fill;
  double value = 0.0;
  for (const Used& u : used) value += weight(u.d2, form, weighting.power) / sum * values[u.source];
  return static_cast<float>(value);
}

}  // namespace rumo
