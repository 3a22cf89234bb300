#include "interp/engine.hpp"

#include <algorithm>
#include <cmath>

#include "run/error.hpp"

namespace rumo {

namespace {

// How many sets of present sources are remembered per group. Stations that
// fail for days keep one set for long; a single missing value brings another
// set for an hour and back.
constexpr std::size_t kCachedSets = 8;
// The weight arrays are the interpolation's memory.
constexpr int kWeightMemoryCode = 2;

}  // namespace

IdwEngine::IdwEngine(const StationTable& table, const StationCounts& counts,
                     const IdwSettings& settings)
    : table_(table), counts_(counts), settings_(settings) {
#ifndef RUMO_PLAIN_INTERPOLATION
  take_memory(kWeightMemoryCode, [&] {
    climate_ = build_group(counts.first_climate(), counts.last_climate());
    collector_ = build_group(counts.first_collector(), counts.total());
    present_.assign(static_cast<std::size_t>(counts.hourly) / 64 + 1, 0);
    active_.reserve(static_cast<std::size_t>(counts.hourly));
    values_.assign(static_cast<std::size_t>(std::max(counts.climate, counts.collector)), 0.0);
  });
#endif
}

IdwEngine::Group IdwEngine::build_group(int first, int last) const {
  Group group;
  group.first = first;
  group.last = last;
  group.start.assign(static_cast<std::size_t>(counts_.hourly) + 2, 0);
  const double reach = settings_.max_distance * settings_.max_distance;
  const WeightForm form = weight_form(settings_.power);
  for (int source = 1; source <= counts_.hourly; ++source) {
    group.start[source] = group.reach.size();
    for (int target = first; target <= last; ++target) {
      const double d2 = squared_distance(table_.first[source], table_.second[source],
                                         table_.first[target], table_.second[target]);
      if (!(d2 <= reach)) continue;
      group.reach.push_back({target - first, weight(d2, form, settings_.power)});
    }
  }
  group.start[counts_.hourly + 1] = group.reach.size();
  return group;
}

// The sum of a target's weights runs over its present sources in ascending
// order, exactly as the plain form adds them, so the sums are kept per set of
// present sources rather than updated.
const IdwEngine::WeightSums& IdwEngine::weight_sums(Group& group,
                                                    const std::vector<std::uint64_t>& present) {
  ++clock_;
  for (auto& cached : group.sums_cache) {
    if (cached.present == present) {
      cached.last_used = clock_;
      return cached;
    }
  }
  if (group.sums_cache.size() < kCachedSets) {
    take_memory(kWeightMemoryCode, [&] { group.sums_cache.emplace_back(); });
  } else {
    auto oldest = std::min_element(
        group.sums_cache.begin(), group.sums_cache.end(),
        [](const WeightSums& a, const WeightSums& b) { return a.last_used < b.last_used; });
    std::rotate(oldest, oldest + 1, group.sums_cache.end());
  }
  WeightSums& sums = group.sums_cache.back();
  const auto targets = static_cast<std::size_t>(group.last - group.first + 1);
  sums.present = present;
  sums.sum.assign(targets, 0.0);
  std::vector<char> reached(targets, 0);
  for (int source = 1; source <= counts_.hourly; ++source) {
    if (!(present[source / 64] >> (source % 64) & 1U)) continue;
    for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
      sums.sum[group.reach[k].target] += group.reach[k].weight;
      reached[group.reach[k].target] = 1;
    }
  }
  sums.usable.assign(targets, 0);
  for (std::size_t t = 0; t < targets; ++t) {
    sums.usable[t] = reached[t] && usable_weight_sum(sums.sum[t]);
  }
  sums.last_used = clock_;
  return sums;
}

void IdwEngine::interpolate_field(Group& group, HourField& field) {
  std::fill(present_.begin(), present_.end(), 0);
  active_.clear();
  for (int source = 1; source <= counts_.hourly; ++source) {
    const double value = field[source];
    if (!is_present(value, settings_.nodata)) continue;
    present_[source / 64] |= std::uint64_t{1} << (source % 64);
    // A zero value adds an exact zero to every mean: it only counts in the
    // weight sums.
    if (value == 0.0) continue;
    // An infinite value would meet shares of zero; the plain form settles it.
    if (!std::isfinite(value)) {
      idw_interpolate(field, group.first, group.last, table_, counts_.hourly, settings_);
      return;
    }
    active_.push_back(source);
  }

  const WeightSums& sums = weight_sums(group, present_);
  const auto targets = static_cast<std::size_t>(group.last - group.first + 1);
  std::fill(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(targets), 0.0);
  // Each target's mean gathers its terms in ascending source order, as the
  // plain form does; a target out of a source's reach gets no term from it.
  for (const int source : active_) {
    const double value = field[source];
    for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
      const Reach& r = group.reach[k];
      values_[r.target] += r.weight / sums.sum[r.target] * value;
    }
  }
  for (std::size_t t = 0; t < targets; ++t) {
    const double value = sums.usable[t] ? values_[t] : 0.0;
    field[group.first + static_cast<int>(t)] = limit_value(value, settings_);
  }
}

void IdwEngine::interpolate(HourWindow& window, int first_slot, int last_slot, int first,
                            int last) {
  for (int slot = first_slot; slot <= last_slot; ++slot) {
#ifdef RUMO_PLAIN_INTERPOLATION
    idw_interpolate(window.field(slot), first, last, table_, counts_.hourly, settings_);
#else
    Group& group = first == climate_.first && last == climate_.last ? climate_ : collector_;
    if (first != group.first || last != group.last) {
      idw_interpolate(window.field(slot), first, last, table_, counts_.hourly, settings_);
      continue;
    }
    interpolate_field(group, window.field(slot));
#endif
  }
}

}  // namespace rumo
