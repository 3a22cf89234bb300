#include "interp/idw.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/error.hpp"

namespace rumo {

void idw_interpolate(HourField& field, int first, int last, const StationTable& table,
                     int hourly_count, const IdwSettings& settings) {
  std::vector<double> weights = take_memory(exit_code::memory_weights, [&] {
    return std::vector<double>(station_entries(hourly_count), 0.0);
  });
  std::vector<char> included =
      take_memory(exit_code::memory_weights, [&] { return std::vector<char>(weights.size(), 0); });
  const double reach = settings.max_distance * settings.max_distance;
  const WeightForm form = weight_form(settings.power);
  const auto limit = static_cast<std::size_t>(settings.neighbours);
  std::vector<std::pair<double, int>> in_reach;  // squared distance, source
  take_memory(exit_code::memory_weights, [&] { in_reach.reserve(weights.size()); });

  for (int target = first; target <= last; ++target) {
    in_reach.clear();
    for (int source = 1; source <= hourly_count; ++source) {
      included[source] = 0;
      if (!is_present(field[source], settings.nodata)) continue;
      const double d2 = squared_distance(table.first[source], table.second[source],
                                         table.first[target], table.second[target]);
      if (!(d2 <= reach)) continue;
      weights[source] = weight(d2, form, settings.power);
      included[source] = 1;
      in_reach.emplace_back(d2, source);
    }
    // Under a neighbour limit the nearest stay, the lower number first among
    // equally near ones.
    if (limit > 0 && in_reach.size() > limit) {
      const auto kept = in_reach.begin() + static_cast<std::ptrdiff_t>(limit);
      std::nth_element(in_reach.begin(), kept, in_reach.end());
      for (auto left_out = kept; left_out != in_reach.end(); ++left_out) {
        included[left_out->second] = 0;
      }
    }
    double sum = 0.0;
    const bool any = !in_reach.empty();
    for (int source = 1; source <= hourly_count; ++source) {
      if (included[source]) sum += weights[source];
    }
    double value = 0.0;
    if (any && usable_weight_sum(sum)) {
      for (int source = 1; source <= hourly_count; ++source) {
        if (!included[source]) continue;
        const double share = weights[source] / sum;
        // A share of 0 adds nothing to a finite value; skipping it keeps an
        // infinite value from turning the mean into NaN.
        if (share != 0.0) value += share * field[source];
      }
    }
    field[target] = limit_value(value, settings);
  }
}

}  // namespace rumo
