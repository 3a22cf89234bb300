#include "interp/nearest.hpp"

#include <algorithm>

#include "core/error.hpp"

namespace rumo {

void sort_nearest(std::vector<NearSource>& sources) {
  std::sort(sources.begin(), sources.end(), [](const NearSource& a, const NearSource& b) {
    return a.d2 < b.d2 || (a.d2 == b.d2 && a.station < b.station);
  });
}

NearestEstimate nearest_mean(std::span<const NearSource> sorted, const double* values,
                             double nodata, double reach, std::size_t limit,
                             std::vector<const NearSource*>& chosen) {
  chosen.clear();
  for (const NearSource& source : sorted) {
    if (!(source.d2 <= reach)) break;
    if (!is_present(values[source.at], nodata)) continue;
    chosen.push_back(&source);
    if (chosen.size() == limit) break;
  }
  if (chosen.empty()) return {};
  std::sort(chosen.begin(), chosen.end(),
            [](const NearSource* a, const NearSource* b) { return a->station < b->station; });
  double sum = 0.0;
  for (const NearSource* source : chosen) sum += source->weight;
  if (!usable_weight_sum(sum)) return {};
  double value = 0.0;
  for (const NearSource* source : chosen) {
    const double share = source->weight / sum;
    // A share of 0 adds nothing to a finite value; skipping it keeps an
    // infinite value from turning the mean into NaN.
    if (share != 0.0) value += share * values[source->at];
  }
  return {value, true};
}

NearestInterpolation::NearestInterpolation(const StationTable& table, int hourly, int first,
                                           int last, const IdwSettings& settings)
    : first_(first), settings_(settings) {
  const double reach = settings.max_distance * settings.max_distance;
  const WeightForm form = weight_form(settings.power);
  take_memory(exit_code::memory_weights, [&] {
    std::vector<NearSource> in_reach;
    start_.push_back(0);
    for (int target = first; target <= last; ++target) {
      in_reach.clear();
      for (int source = 1; source <= hourly; ++source) {
        const double d2 = squared_distance(table.first[source], table.second[source],
                                           table.first[target], table.second[target]);
        if (!(d2 <= reach)) continue;
        in_reach.push_back({d2, weight(d2, form, settings.power), source, source});
      }
      sort_nearest(in_reach);
      sources_.insert(sources_.end(), in_reach.begin(), in_reach.end());
      start_.push_back(sources_.size());
    }
  });
}

void NearestInterpolation::interpolate(HourWindow& window, int first_slot, int last_slot, int first,
                                       int last, WorkerPool* pool,
                                       const std::function<void(int, int)>& then) const {
  const std::size_t targets = last >= first ? static_cast<std::size_t>(last - first + 1) : 0;
  const std::size_t threads = pool != nullptr ? static_cast<std::size_t>(pool->size()) : 1;
  const std::size_t parts = std::max<std::size_t>(1, std::min(threads, targets));
  const auto limit = static_cast<std::size_t>(settings_.neighbours);
  const double reach = settings_.max_distance * settings_.max_distance;
  const auto one_part = [&](std::size_t k, int) {
    const int part_first = first + static_cast<int>(targets * k / parts);
    const int part_last = first + static_cast<int>(targets * (k + 1) / parts) - 1;
    std::vector<const NearSource*> chosen;
    for (int slot = first_slot; slot <= last_slot; ++slot) {
      HourField& field = window.field(slot);
      for (int target = part_first; target <= part_last; ++target) {
        const auto t = static_cast<std::size_t>(target - first_);
        const std::span<const NearSource> sorted(sources_.data() + start_[t],
                                                 start_[t + 1] - start_[t]);
        const NearestEstimate estimate =
            nearest_mean(sorted, field.data(), settings_.nodata, reach, limit, chosen);
        field[target] = limit_value(estimate.value, settings_);
      }
    }
    if (then) then(part_first, part_last);
  };
  if (pool == nullptr) {
    for (std::size_t k = 0; k < parts; ++k) one_part(k, 0);
  } else {
    pool->run(parts, one_part);
  }
}

}  // namespace rumo
