#include "interp/idw.hpp"

#include <cmath>
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

  for (int target = first; target <= last; ++target) {
    double sum = 0.0;
    bool any = false;
    for (int source = 1; source <= hourly_count; ++source) {
      included[source] = 0;
      if (!is_present(field[source], settings.nodata)) continue;
      const double d2 = squared_distance(table.first[source], table.second[source],
                                         table.first[target], table.second[target]);
      if (!(d2 <= reach)) continue;
      weights[source] = weight(d2, form, settings.power);
      included[source] = 1;
      any = true;
      sum += weights[source];
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
