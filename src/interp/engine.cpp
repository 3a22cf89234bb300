#include "interp/engine.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/error.hpp"
#include "core/vector_loop.hpp"

namespace rumo {

namespace {

// How many sets of present sources are remembered per group. Stations that
// fail for days keep one set for long; a single missing value brings another
// set for an hour and back.
constexpr std::size_t kCachedSets = 8;

RUMO_VECTOR_LOOP void add_weights(double* __restrict sums, const double* __restrict row,
                                  std::size_t count) {
  for (std::size_t t = 0; t < count; ++t) sums[t] += row[t];
}

RUMO_VECTOR_LOOP void add_terms(double* __restrict values, const double* __restrict row,
                                const double* __restrict sums, double value, std::size_t count) {
  for (std::size_t t = 0; t < count; ++t) values[t] += row[t] / sums[t] * value;
}

}  // namespace

IdwEngine::IdwEngine(const StationTable& table, const StationCounts& counts,
                     const IdwSettings& settings, WorkerPool* pool)
    : table_(table), counts_(counts), settings_(settings), pool_(pool) {
  if (settings.neighbours > 0) {
    nearest_.emplace(table, counts.hourly, counts.first_climate(), counts.total(), settings);
    return;
  }
  take_memory(exit_code::memory_weights, [&] {
    const std::size_t parts = pool_ != nullptr ? static_cast<std::size_t>(pool_->size()) : 1;
    climate_ = build_parts(counts.first_climate(), counts.last_climate(), parts);
    collector_ = build_parts(counts.first_collector(), counts.total(), parts);
  });
}

// Parts of nearly equal numbers of targets; a group of fewer targets than
// threads has one part per target.
std::vector<IdwEngine::Part> IdwEngine::build_parts(int first, int last, std::size_t parts) const {
  const std::size_t targets = last >= first ? static_cast<std::size_t>(last - first + 1) : 0;
  parts = std::max<std::size_t>(1, std::min(parts, targets));
  std::vector<Part> built(parts);
  const auto hourly = static_cast<std::size_t>(counts_.hourly);
  for (std::size_t k = 0; k < parts; ++k) {
    const int part_first = first + static_cast<int>(targets * k / parts);
    const int part_last = first + static_cast<int>(targets * (k + 1) / parts) - 1;
    Part& part = built[k];
    part.group = build_group(part_first, part_last);
    part.state.present.assign(hourly / 64 + 1, 0);
    part.state.recent = part.state.present;
    part.state.earlier[0] = part.state.present;
    part.state.earlier[1] = part.state.present;
    part.state.active.reserve(hourly);
    part.state.values.assign(part.group.targets, 0.0);
    part.state.dirty.assign(part.group.targets, 0);
  }
  return built;
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

  // A group of lists only (sources that reach few targets) also keeps its
  // weights by target, in ascending source order, so that the sum of one
  // target can be worked out alone.
  group.lists_only = group.rows.empty();
  if (group.lists_only) {
    group.target_start.assign(group.targets + 1, 0);
    for (const Reach& r : group.reach) ++group.target_start[static_cast<std::size_t>(r.target) + 1];
    for (std::size_t t = 0; t < group.targets; ++t) {
      group.target_start[t + 1] += group.target_start[t];
    }
    group.by_target.resize(group.reach.size());
    std::vector<std::size_t> at(group.target_start.begin(), group.target_start.end() - 1);
    for (int source = 1; source <= counts_.hourly; ++source) {
      for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
        const Reach& r = group.reach[k];
        group.by_target[at[static_cast<std::size_t>(r.target)]++] = {source, r.weight};
      }
    }
  }
  return group;
}

namespace {

bool has_bit(const std::vector<std::uint64_t>& bits, int source) {
  return (bits[static_cast<std::size_t>(source) / 64] >> (source % 64) & 1U) != 0;
}

std::size_t differing_bits(const std::vector<std::uint64_t>& a,
                           const std::vector<std::uint64_t>& b) {
  std::size_t count = 0;
  for (std::size_t w = 0; w < a.size(); ++w)
    count += static_cast<std::size_t>(std::popcount(a[w] ^ b[w]));
  return count;
}

}  // namespace

// The sum of a target's weights runs over its present sources in ascending
// order, exactly as the plain form adds them, so sums are never updated by
// subtraction: a new set starts from a remembered one and works out again
// only what the difference touches. Adding the zero weight of a source out
// of reach leaves a sum as it is.
IdwEngine::WeightSums& IdwEngine::weight_sums(const Group& group, State& state) {
  std::vector<WeightSums>& cache = state.sums_cache;
  const std::vector<std::uint64_t>& present = state.present;
  const std::uint64_t now = ++state.clock;
  // The remembered set closest to this one: for full rows the one that
  // agrees in the most leading words, for lists the one with the fewest
  // sources that differ.
  WeightSums* closest = nullptr;
  std::size_t agreeing = 0;
  std::size_t differing = 0;
  for (auto& cached : cache) {
    const auto differ = std::mismatch(present.begin(), present.end(), cached.present.begin());
    const auto words = static_cast<std::size_t>(differ.first - present.begin());
    if (words == present.size()) {
      cached.last_used = now;
      return cached;
    }
    if (group.lists_only) {
      const std::size_t bits = differing_bits(present, cached.present);
      if (closest == nullptr || bits < differing) {
        closest = &cached;
        differing = bits;
      }
    } else if (closest == nullptr || words > agreeing) {
      closest = &cached;
      agreeing = words;
    }
  }

  // The new set takes a free place or that of the set unused longest, whose
  // storage it keeps; it may be the closest set itself, which then changes
  // in place.
  WeightSums* entry = nullptr;
  if (cache.size() < kCachedSets) {
    const std::ptrdiff_t closest_at = closest != nullptr ? closest - cache.data() : -1;
    take_memory(exit_code::memory_weights, [&] { cache.emplace_back(); });
    if (closest_at >= 0) closest = cache.data() + closest_at;
    entry = &cache.back();
  } else {
    entry = &*std::min_element(
        cache.begin(), cache.end(),
        [](const WeightSums& a, const WeightSums& b) { return a.last_used < b.last_used; });
  }
  entry->last_used = now;
  take_memory(exit_code::memory_weights, [&] {
    entry->sum.resize(group.targets);
    entry->usable.resize(group.targets);
  });
  if (group.lists_only) {
    // Single values missing for an hour make nearly every set new; the
    // stations present in any of the last three new sets change only with
    // outages, and their sums are the nearer start.
    std::vector<std::uint64_t>& recent = state.recent;
    for (std::size_t w = 0; w < present.size(); ++w) {
      recent[w] = present[w] | state.earlier[0][w] | state.earlier[1][w];
    }
    std::swap(state.earlier[1], state.earlier[0]);
    state.earlier[0] = present;
    if (closest == nullptr || state.base.present != recent) {
      take_memory(exit_code::memory_weights, [&] {
        state.base.sum.resize(group.targets);
        state.base.usable.resize(group.targets);
      });
      sums_by_target(group, state, recent, state.base,
                     state.base.present.empty() ? closest : &state.base);
      state.base.present = recent;
    }
    if (closest == nullptr || differing_bits(present, recent) < differing) closest = &state.base;
    sums_by_target(group, state, present, *entry, closest);
  } else {
    sums_by_word(group, present, *entry, closest, agreeing);
  }
  entry->present = present;
  return *entry;
}

// Full rows: the sums are continued from the first word in which the set
// differs from the closest one, word by word, keeping each word's starting
// sums for the sets to come.
void IdwEngine::sums_by_word(const Group& group, const std::vector<std::uint64_t>& present,
                             WeightSums& sums, const WeightSums* closest,
                             std::size_t agreeing) const {
  const std::size_t targets = group.targets;
  take_memory(exit_code::memory_weights,
              [&] { sums.before_word.resize(present.size() * targets); });
  if (closest == nullptr) agreeing = 0;
  const auto kept = static_cast<std::ptrdiff_t>(agreeing * targets);
  if (closest != nullptr && closest != &sums) {
    std::copy(closest->before_word.begin(), closest->before_word.begin() + kept,
              sums.before_word.begin());
  }
  if (agreeing > 0) {
    const auto from = closest->before_word.begin() + kept;
    std::copy(from, from + static_cast<std::ptrdiff_t>(targets), sums.sum.begin());
  } else {
    std::fill(sums.sum.begin(), sums.sum.end(), 0.0);
  }
  for (std::size_t word = agreeing; word < present.size(); ++word) {
    std::copy(sums.sum.begin(), sums.sum.end(),
              sums.before_word.begin() + static_cast<std::ptrdiff_t>(word * targets));
    const int first_source = std::max(1, static_cast<int>(word * 64));
    const int last_source = std::min(counts_.hourly, static_cast<int>(word * 64 + 63));
    for (int source = first_source; source <= last_source; ++source) {
      if (!has_bit(present, source)) continue;
      if (group.row[source] != kNoRow) {
        add_weights(sums.sum.data(), group.rows.data() + group.row[source] * targets, targets);
        continue;
      }
      for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
        sums.sum[group.reach[k].target] += group.reach[k].weight;
      }
    }
  }
  // A sum above 0 means a source in reach; one that is 0, infinite or not a
  // number cannot normalise the weights.
  for (std::size_t t = 0; t < targets; ++t) sums.usable[t] = usable_weight_sum(sums.sum[t]);
}

// Lists only: a target that no differing source reaches keeps the sum of the
// closest set, which ran over the same sources; every other target's sum is
// worked out again from its own sources.
void IdwEngine::sums_by_target(const Group& group, State& state,
                               const std::vector<std::uint64_t>& present, WeightSums& sums,
                               const WeightSums* closest) const {
  auto work_out = [&](std::size_t t) {
    double sum = 0.0;
    for (std::size_t k = group.target_start[t]; k < group.target_start[t + 1]; ++k) {
      const Source& s = group.by_target[k];
      if (has_bit(present, s.source)) sum += s.weight;
    }
    sums.sum[t] = sum;
    sums.usable[t] = usable_weight_sum(sum);
  };
  if (closest == nullptr) {
    for (std::size_t t = 0; t < group.targets; ++t) work_out(t);
    return;
  }
  if (closest != &sums) {
    std::copy(closest->sum.begin(), closest->sum.end(), sums.sum.begin());
    std::copy(closest->usable.begin(), closest->usable.end(), sums.usable.begin());
  }
  state.dirty_targets.clear();
  for (std::size_t word = 0; word < present.size(); ++word) {
    for (std::uint64_t differ = present[word] ^ closest->present[word]; differ != 0;
         differ &= differ - 1) {
      const int source = static_cast<int>(word * 64) + std::countr_zero(differ);
      for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
        const int target = group.reach[k].target;
        if (state.dirty[static_cast<std::size_t>(target)]) continue;
        state.dirty[static_cast<std::size_t>(target)] = 1;
        state.dirty_targets.push_back(target);
      }
    }
  }
  for (const int target : state.dirty_targets) {
    work_out(static_cast<std::size_t>(target));
    state.dirty[static_cast<std::size_t>(target)] = 0;
  }
}

void IdwEngine::interpolate_field(const Group& group, State& state, HourField& field) {
  std::fill(state.present.begin(), state.present.end(), 0);
  state.active.clear();
  for (int source = 1; source <= counts_.hourly; ++source) {
    const double value = field[source];
    if (!is_present(value, settings_.nodata)) continue;
    state.present[static_cast<std::size_t>(source) / 64] |= std::uint64_t{1} << (source % 64);
    // A zero value adds an exact zero to every mean: it only counts in the
    // weight sums.
    if (value == 0.0) continue;
    // An infinite value would meet shares of zero; the plain form settles it.
    if (!std::isfinite(value)) {
      idw_interpolate(field, group.first, group.last, table_, counts_.hourly, settings_);
      return;
    }
    state.active.push_back(source);
  }

  // An hour without a value other than zero leaves every mean at zero,
  // whatever the weights.
  if (state.active.empty()) {
    for (int target = group.first; target <= group.last; ++target) {
      field[target] = limit_value(0.0, settings_);
    }
    return;
  }

  const WeightSums& sums = weight_sums(group, state);
  std::vector<double>& values = state.values;
  std::fill(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(group.targets), 0.0);
  // Each target's mean gathers its terms in ascending source order, as the
  // plain form does; a source out of reach adds an exact zero.
  for (const int source : state.active) {
    const double value = field[source];
    if (group.row[source] != kNoRow) {
      const std::size_t at = group.row[source] * group.targets;
      add_terms(values.data(), group.rows.data() + at, sums.sum.data(), value, group.targets);
      continue;
    }
    for (std::size_t k = group.start[source]; k < group.start[source + 1]; ++k) {
      const Reach& r = group.reach[k];
      values[r.target] += r.weight / sums.sum[r.target] * value;
    }
  }
  for (std::size_t t = 0; t < group.targets; ++t) {
    const double value = sums.usable[t] ? values[t] : 0.0;
    field[group.first + static_cast<int>(t)] = limit_value(value, settings_);
  }
}

void IdwEngine::interpolate(HourWindow& window, int first_slot, int last_slot, int first, int last,
                            const std::function<void(int, int)>& then) {
  const bool climate = first == counts_.first_climate() && last == counts_.last_climate();
  const bool collector = first == counts_.first_collector() && last == counts_.total();
  if (nearest_ && (climate || collector)) {
    nearest_->interpolate(window, first_slot, last_slot, first, last, pool_, then);
    return;
  }
  if (!climate && !collector) {
    for (int slot = first_slot; slot <= last_slot; ++slot) {
      idw_interpolate(window.field(slot), first, last, table_, counts_.hourly, settings_);
    }
    if (then) then(first, last);
    return;
  }
  std::vector<Part>& parts = climate ? climate_ : collector_;
  // Each part goes through the slots in order, so that its remembered sums
  // meet the sets of present sources as they come.
  auto one_part = [&](std::size_t index, int) {
    Part& part = parts[index];
    for (int slot = first_slot; slot <= last_slot; ++slot) {
      interpolate_field(part.group, part.state, window.field(slot));
    }
    if (then) then(part.group.first, part.group.last);
  };
  if (pool_ == nullptr) {
    for (std::size_t index = 0; index < parts.size(); ++index) one_part(index, 0);
  } else {
    pool_->run(parts.size(), one_part);
  }
}

}  // namespace rumo
