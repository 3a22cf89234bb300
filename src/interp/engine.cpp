#include "interp/engine.hpp"

#include <algorithm>
#include <cmath>

#include "core/error.hpp"

namespace rumo {

namespace {

// How many sets of present sources are remembered per group. Stations that
// fail for days keep one set for long; a single missing value brings another
// set for an hour and back.
constexpr std::size_t kCachedSets = 8;
// The weight arrays are the interpolation's memory.
constexpr int kWeightMemoryCode = 2;
// A set of present sources used this often gets its shares worked out, and
// so many sets per group keep them (each as large as the group's weights).
constexpr int kUsesBeforeShares = 3;
constexpr std::size_t kSetsWithShares = 2;

// The loops over all targets of a group run on the widest vector unit the
// processor has. Each target is its own lane, so the operations on every
// target, and their order, are those of the plain form.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define RUMO_VECTOR_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define RUMO_VECTOR_LOOP
#endif

RUMO_VECTOR_LOOP void add_weights(double* __restrict sums, const double* __restrict row,
                                  std::size_t count) {
  for (std::size_t t = 0; t < count; ++t) sums[t] += row[t];
}

RUMO_VECTOR_LOOP void add_terms(double* __restrict values, const double* __restrict row,
                                const double* __restrict sums, double value, std::size_t count) {
  for (std::size_t t = 0; t < count; ++t) values[t] += row[t] / sums[t] * value;
}

RUMO_VECTOR_LOOP void divide_row(double* __restrict shares, const double* __restrict row,
                                 const double* __restrict sums, std::size_t count) {
  for (std::size_t t = 0; t < count; ++t) shares[t] = row[t] / sums[t];
}

RUMO_VECTOR_LOOP void add_shared_terms(double* __restrict values, const double* __restrict shares,
                                       double value, std::size_t count) {
  for (std::size_t t = 0; t < count; ++t) values[t] += shares[t] * value;
}

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
  group.targets = last >= first ? static_cast<std::size_t>(last - first + 1) : 0;
  const auto sources = static_cast<std::size_t>(counts_.hourly) + 2;
  group.row.assign(sources, kNoRow);
  group.start.assign(sources, 0);
  const double reach = settings_.max_distance * settings_.max_distance;
  const WeightForm form = weight_form(settings_.power);
  std::vector<Reach> reached;
  for (int source = 1; source <= counts_.hourly; ++source) {
    group.start[source] = group.reach.size();
    reached.clear();
    for (int target = first; target <= last; ++target) {
      const double d2 = squared_distance(table_.first[source], table_.second[source],
                                         table_.first[target], table_.second[target]);
      if (!(d2 <= reach)) continue;
      reached.push_back({target - first, weight(d2, form, settings_.power)});
    }
    // A full row costs 8 bytes a target, a list 16 bytes a reached target;
    // full rows also run on the vector unit.
    if (reached.size() * 3 >= group.targets && !reached.empty()) {
      group.row[source] = group.rows.size() / group.targets;
      group.rows.resize(group.rows.size() + group.targets, 0.0);
      double* row = group.rows.data() + group.row[source] * group.targets;
      for (const Reach& r : reached) row[r.target] = r.weight;
    } else {
      group.reach.insert(group.reach.end(), reached.begin(), reached.end());
    }
  }
  group.start[counts_.hourly + 1] = group.reach.size();
  return group;
}

// The sum of a target's weights runs over its present sources in ascending
// order, exactly as the plain form adds them, so the sums are kept per set of
// present sources rather than updated. Adding the zero weight of a source
// out of reach leaves a sum as it is.
IdwEngine::WeightSums& IdwEngine::weight_sums(Group& group,
                                              const std::vector<std::uint64_t>& present) {
  ++clock_;
  // The remembered set that agrees with this one in the most leading words.
  WeightSums* closest = nullptr;
  std::size_t agreeing = 0;
  for (auto& cached : group.sums_cache) {
    const auto differ = std::mismatch(present.begin(), present.end(), cached.present.begin());
    const auto words = static_cast<std::size_t>(differ.first - present.begin());
    if (words == present.size()) {
      cached.last_used = clock_;
      if (++cached.uses == kUsesBeforeShares) share_out(group, cached);
      return cached;
    }
    if (closest == nullptr || words > agreeing) {
      closest = &cached;
      agreeing = words;
    }
  }

  const std::size_t targets = group.targets;
  WeightSums fresh;
  take_memory(kWeightMemoryCode, [&] {
    fresh.present = present;
    fresh.sum.assign(targets, 0.0);
    fresh.before_word.assign(present.size() * targets, 0.0);
  });
  if (closest != nullptr && agreeing > 0) {
    const auto kept = static_cast<std::ptrdiff_t>((agreeing)*targets);
    std::copy(closest->before_word.begin(), closest->before_word.begin() + kept,
              fresh.before_word.begin());
    std::copy(closest->before_word.begin() + kept,
              closest->before_word.begin() + kept + static_cast<std::ptrdiff_t>(targets),
              fresh.sum.begin());
  }
  for (std::size_t word = agreeing; word < present.size(); ++word) {
    std::copy(fresh.sum.begin(), fresh.sum.end(),
              fresh.before_word.begin() + static_cast<std::ptrdiff_t>(word * targets));
    const int first_source = std::max(1, static_cast<int>(word * 64));
    const int last_source = std::min(counts_.hourly, static_cast<int>(word * 64 + 63));
    for (int source = first_source; source <= last_source; ++source) {
      if (!(present[word] >> (source % 64) & 1U)) continue;
      if (group.row[source] != kNoRow) {
        add_weights(fresh.sum.data(), group.rows.data() + group.row[source] * targets, targets);
        continue;
      }
      for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
        fresh.sum[group.reach[k].target] += group.reach[k].weight;
      }
    }
  }
  // A sum above 0 means a source in reach; one that is 0, infinite or not a
  // number cannot normalise the weights.
  fresh.usable.resize(targets);
  for (std::size_t t = 0; t < targets; ++t) fresh.usable[t] = usable_weight_sum(fresh.sum[t]);
  fresh.last_used = clock_;

  if (group.sums_cache.size() < kCachedSets) {
    take_memory(kWeightMemoryCode, [&] { group.sums_cache.push_back(std::move(fresh)); });
    return group.sums_cache.back();
  }
  auto oldest = std::min_element(
      group.sums_cache.begin(), group.sums_cache.end(),
      [](const WeightSums& a, const WeightSums& b) { return a.last_used < b.last_used; });
  *oldest = std::move(fresh);
  return *oldest;
}

// A share is the weight divided by the sum, the very division each term of
// a mean starts with; dividing once per set gives the same numbers.
void IdwEngine::share_out(Group& group, WeightSums& sums) {
  std::vector<WeightSums*> sharing;
  for (auto& cached : group.sums_cache) {
    if (!cached.row_shares.empty() || !cached.list_shares.empty()) sharing.push_back(&cached);
  }
  if (sharing.size() >= kSetsWithShares) {
    WeightSums* oldest = *std::min_element(
        sharing.begin(), sharing.end(),
        [](const WeightSums* a, const WeightSums* b) { return a->last_used < b->last_used; });
    std::vector<double>().swap(oldest->row_shares);
    std::vector<double>().swap(oldest->list_shares);
  }
  take_memory(kWeightMemoryCode, [&] {
    sums.row_shares.resize(group.rows.size());
    sums.list_shares.resize(group.reach.size());
  });
  for (std::size_t at = 0; at < group.rows.size(); at += group.targets) {
    divide_row(sums.row_shares.data() + at, group.rows.data() + at, sums.sum.data(), group.targets);
  }
  for (std::size_t k = 0; k < group.reach.size(); ++k) {
    sums.list_shares[k] = group.reach[k].weight / sums.sum[group.reach[k].target];
  }
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

  // An hour without a value other than zero leaves every mean at zero,
  // whatever the weights.
  if (active_.empty()) {
    for (int target = group.first; target <= group.last; ++target) {
      field[target] = limit_value(0.0, settings_);
    }
    return;
  }

  const WeightSums& sums = weight_sums(group, present_);
  std::fill(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(group.targets), 0.0);
  const bool shared = !sums.row_shares.empty() || !sums.list_shares.empty();
  // Each target's mean gathers its terms in ascending source order, as the
  // plain form does; a source out of reach adds an exact zero.
  for (const int source : active_) {
    const double value = field[source];
    if (group.row[source] != kNoRow) {
      const std::size_t at = group.row[source] * group.targets;
      if (shared) {
        add_shared_terms(values_.data(), sums.row_shares.data() + at, value, group.targets);
      } else {
        add_terms(values_.data(), group.rows.data() + at, sums.sum.data(), value, group.targets);
      }
      continue;
    }
    for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
      const Reach& r = group.reach[k];
      const double share = shared ? sums.list_shares[k] : r.weight / sums.sum[r.target];
      values_[r.target] += share * value;
    }
  }
  for (std::size_t t = 0; t < group.targets; ++t) {
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
