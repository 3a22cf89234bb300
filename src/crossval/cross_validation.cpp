#include "crossval/cross_validation.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "core/calendar.hpp"
#include "core/error.hpp"
#include "core/vector_loop.hpp"
#include "crossval/cv_output.hpp"
#include "crossval/disaggregation.hpp"
#include "interp/nearest.hpp"

namespace rumo {

namespace {

// The weight matrices are the cross-validation's memory, as the weight
// arrays are the run's.
// Hours gathered before the pairs work through them together.
constexpr std::size_t kBlockHours = 168;
// Sets of present stations whose weight sums every pair keeps, and how far
// an hour's set may differ from one of them to be worked out from it.
constexpr std::size_t kBaseSets = 8;
constexpr int kMostDifferences = 16;
// A weight sum worked out from a kept one by taking weights away is summed
// afresh once it has lost half of its size: below that, the rounding of the
// kept sum would weigh too much in it.
constexpr double kLeastKeptShare = 0.5;
// Correlations of series that vary less than this, relative to their size,
// are left out: their spread is rounding.
constexpr double kLeastVariance = 1e-12;

// sums[j] += factor * weight[j] for every target j in [first, last) within
// reach; a source out of reach adds nothing.
RUMO_VECTOR_LOOP void add_in_reach(double* __restrict sums, const double* __restrict d2,
                                   const double* __restrict weight, double reach, double factor,
                                   int first, int last) {
  for (int j = first; j < last; ++j) {
    // Worked out for every lane, chosen by the reach: a loop without branches.
    const double term = weight[j] * factor;
    sums[j] += d2[j] <= reach ? term : 0.0;
  }
}

RUMO_VECTOR_LOOP void take_in_reach(double* __restrict sums, const double* __restrict d2,
                                    const double* __restrict weight, double reach, int first,
                                    int last) {
  for (int j = first; j < last; ++j) {
    const double term = weight[j];
    sums[j] -= d2[j] <= reach ? term : 0.0;
  }
}

// Running sums of the comparisons of one kind (hours or days) of one pair.
struct Sums {
  long long count = 0;
  double error = 0.0;
  double absolute = 0.0;
  double square = 0.0;
  double estimate = 0.0;
  double estimate_square = 0.0;
  double product = 0.0;

  void add(double estimated, double observed) {
    const double difference = estimated - observed;
    ++count;
    error += difference;
    absolute += std::fabs(difference);
    square += difference * difference;
    estimate += estimated;
    estimate_square += estimated * estimated;
    product += estimated * observed;
  }
};

// The observations' side of the correlation, the same for every pair.
struct ObservedSums {
  double sum = 0.0;
  double square = 0.0;

  void add(double observed) {
    sum += observed;
    square += observed * observed;
  }
};

double variance(double sum, double square, double n) {
  const double mean = sum / n;
  const double spread = square / n - mean * mean;
  return spread > kLeastVariance * (square / n) ? spread : NAN;
}

ErrorFigures figures_of(const Sums& s, const ObservedSums& o) {
  ErrorFigures f;
  f.count = s.count;
  if (s.count == 0) {
    f.mae = f.rmse = f.bias = f.correlation = NAN;
    return f;
  }
  const auto n = static_cast<double>(s.count);
  f.mae = s.absolute / n;
  f.rmse = std::sqrt(s.square / n);
  f.bias = s.error / n;
  const double covariance = s.product / n - (s.estimate / n) * (o.sum / n);
  f.correlation = covariance / std::sqrt(variance(s.estimate, s.estimate_square, n) *
                                         variance(o.sum, o.square, n));
  return f;
}

// Ascending, each value once; NaN after every number.
std::vector<double> ascending_once(std::vector<double> values) {
  const auto before = [](double a, double b) { return std::isnan(b) ? !std::isnan(a) : a < b; };
  const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  std::stable_sort(values.begin(), values.end(), before);
  values.erase(std::unique(values.begin(), values.end(), same), values.end());
  return values;
}

// The day before, in the calendar the run counts with.
HourStamp day_before(HourStamp stamp) {
  if (--stamp.day >= 1) return stamp;
  if (--stamp.month < 1) {
    stamp.month = 12;
    --stamp.year;
  }
  stamp.day = stamp.month >= 1 && stamp.month <= 12 ? days_in_month(stamp.month, stamp.year) : 0;
  return stamp;
}

}  // namespace

CrossValidationGrid make_grid(const CrossValidationRequest& request, double run_power,
                              double run_distance, int run_neighbours, Pattern run_pattern) {
  CrossValidationGrid grid;
  grid.powers = request.powers;
  if (grid.powers.empty()) grid.powers = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, run_power};
  grid.distances = request.distances;
  if (grid.distances.empty()) {
    for (const double factor : {0.25, 0.5, 1.0, 2.0, 4.0}) {
      grid.distances.push_back(factor * std::fabs(run_distance));
    }
  }
  grid.powers = ascending_once(grid.powers);
  grid.distances = ascending_once(grid.distances);
  grid.names_neighbours = !request.neighbour_counts.empty() || run_neighbours != 0;
  grid.neighbours = request.neighbour_counts;
  if (grid.neighbours.empty()) grid.neighbours = {run_neighbours};
  // All sources, 0, after every limit.
  const auto key = [](int k) { return k == 0 ? std::numeric_limits<int>::max() : k; };
  std::sort(grid.neighbours.begin(), grid.neighbours.end(),
            [&](int a, int b) { return key(a) < key(b); });
  grid.neighbours.erase(std::unique(grid.neighbours.begin(), grid.neighbours.end()),
                        grid.neighbours.end());
  grid.names_patterns = !request.patterns.empty() || run_pattern != Pattern::idw;
  const std::vector<Pattern> asked =
      request.patterns.empty() ? std::vector<Pattern>{run_pattern} : request.patterns;
  grid.patterns.clear();
  for (const Pattern pattern : kPatterns) {
    if (std::find(asked.begin(), asked.end(), pattern) != asked.end())
      grid.patterns.push_back(pattern);
  }
  return grid;
}

std::string neighbours_text(int neighbours) {
  return neighbours == 0 ? "all" : std::to_string(neighbours);
}

struct CrossValidator::Impl {
  // One hour of the block, with what every pair needs of it. Stations are
  // counted in the order of their first coordinate (see `order`).
  struct Hour {
    HourStamp stamp;
    std::vector<double> value;
    std::vector<char> present;
    std::vector<int> present_list;
    std::vector<int> wet;  // present with a value other than 0
    bool finite = true;    // no present value is infinite
    // The kept set of present stations the weight sums start from: summed
    // afresh, or with the weights of `removed` taken away and of `added` put
    // in.
    std::size_t base = 0;
    bool fresh_base = false;
    std::vector<int> removed;
    std::vector<int> added;
    int closes_day = -1;  // the collector day that ends before this hour
  };

  // A collector day's station-days whose 24 hours were all present, with
  // their observed sums.
  struct ClosedDay {
    std::vector<char> complete;
    std::vector<double> observed;
  };

  struct Pair {
    std::size_t index = 0;  // in the grid
    std::size_t power = 0;
    std::size_t distance = 0;
    int neighbours = 0;                          // the limit; 0: every source in reach
    std::vector<const NearSource*> chosen;       // under a limit
    std::vector<std::vector<double>> base_sums;  // per kept set
    std::vector<double> sums;                    // of this hour
    std::vector<double> numerators;
    std::vector<double> day_estimates;
    long long no_source = 0;
    Sums hourly;
    Sums daily;
  };

  struct BaseSet {
    std::vector<std::uint64_t> present;
    std::uint64_t last_used = 0;
  };

  int count = 0;           // hourly stations
  std::vector<int> order;  // station number of each position
  IdwSettings settings;
  CrossValidationGrid grid;
  WorkerPool* pool = nullptr;
  DetailsWriter* details = nullptr;
  DisaggregationJudge* judge = nullptr;

  // Squared distances (not a number on the diagonal: a station is never its
  // own source) and per power the weights, count × count each, symmetric.
  std::vector<double> d2;
  std::vector<std::vector<double>> weights;
  // Per distance: its square, and for each station the positions from
  // `first` to before `last` that hold every station in its reach.
  std::vector<double> reach;
  std::vector<std::vector<int>> first;
  std::vector<std::vector<int>> last;
  // Under neighbour limits: per power and position, the other stations
  // nearest first.
  std::vector<std::vector<std::vector<NearSource>>> nearest;

  std::vector<Pair> pairs;

  std::vector<Hour> block;
  std::size_t hours_in_block = 0;
  std::vector<ClosedDay> closed_days;
  // Per hour of the block, pair and position: the estimate, for the details.
  std::vector<double> estimates;

  std::vector<BaseSet> base_sets;
  std::uint64_t clock = 0;
  std::vector<std::uint64_t> present_bits;

  ObservedSums hourly_observed;
  ObservedSums daily_observed;
  // The collector day being gathered: hour 7 of its date to hour 6 of the
  // next day, one bit per hour seen.
  bool day_open = false;
  HourStamp day;
  std::uint32_t day_hours = 0;
  bool day_repeated = false;
  std::vector<std::uint32_t> station_hours;
  std::vector<double> day_observed;

  Impl(const StationTable& table, int hourly_count, const CrossValidationGrid& the_grid,
       const IdwSettings& the_settings, WorkerPool* the_pool, DetailsWriter* writer);
  void build_weights(const StationTable& table);
  void plan_base(Hour& hour);
  void follow_day(Hour& hour);
  ClosedDay close_day();
  void run_block();
  void work_power(std::size_t power);
  void numerators(Pair* first_pair, Pair* last_pair, const Hour& hour);
  void weight_sums(Pair& pair, const Hour& hour);
  double summed_afresh(const Pair& pair, const Hour& hour, int target) const;
  double* saved_estimates(const Pair& pair, std::size_t at);
  void hour_of_pair(Pair& pair, std::size_t at, const Hour& hour);
  void hour_of_limited_pair(Pair& pair, std::size_t at, const Hour& hour);
  void record(Pair& pair, double* saved, int target, double estimate, const Hour& hour);
  void end_day(Pair& pair, const ClosedDay& closed);
  void write_details();
};

CrossValidator::Impl::Impl(const StationTable& table, int hourly_count,
                           const CrossValidationGrid& the_grid, const IdwSettings& the_settings,
                           WorkerPool* the_pool, DetailsWriter* writer)
    : count(hourly_count), settings(the_settings), grid(the_grid), pool(the_pool), details(writer) {
  // Stations in the order of their first coordinate: the stations within
  // reach of one then stand close together, and the loops over targets
  // cover little more than them.
  order.resize(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 1);
  // A station without a number for a coordinate reaches none; it goes last.
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const double x = table.first[a];
    const double y = table.first[b];
    return std::isnan(y) ? !std::isnan(x) : x < y;
  });
  const auto n = static_cast<std::size_t>(count);
  take_memory(exit_code::memory_weights, [&] {
    build_weights(table);
    pairs.resize(grid.pairs());
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      Pair& pair = pairs[p];
      pair.index = p;
      pair.power = p / (grid.distances.size() * grid.neighbours.size());
      pair.distance = p / grid.neighbours.size() % grid.distances.size();
      pair.neighbours = grid.neighbour_count(p);
      if (pair.neighbours == 0) pair.base_sums.assign(kBaseSets, std::vector<double>(n, 0.0));
      pair.sums.assign(n, 0.0);
      pair.numerators.assign(n, 0.0);
      pair.day_estimates.assign(n, 0.0);
    }
    block.resize(kBlockHours);
    station_hours.assign(n, 0);
    day_observed.assign(n, 0.0);
    present_bits.assign(n / 64 + 1, 0);
    if (details != nullptr) estimates.assign(kBlockHours * pairs.size() * n, 0.0);
  });
}

void CrossValidator::Impl::build_weights(const StationTable& table) {
  const auto n = static_cast<std::size_t>(count);
  d2.assign(n * n, NAN);
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b) {
      const int s = order[a];
      const int t = order[b];
      d2[a * n + b] = d2[b * n + a] =
          squared_distance(table.first[s], table.second[s], table.first[t], table.second[t]);
    }
  }
  for (const double power : grid.powers) {
    const WeightForm form = weight_form(power);
    std::vector<double> w(n * n, 0.0);
    for (std::size_t k = 0; k < n * n; ++k) {
      if (!std::isnan(d2[k])) w[k] = weight(d2[k], form, power);
    }
    weights.push_back(std::move(w));
  }
  if (std::any_of(grid.neighbours.begin(), grid.neighbours.end(), [](int k) { return k != 0; })) {
    for (std::size_t power = 0; power < grid.powers.size(); ++power) {
      std::vector<std::vector<NearSource>>& lists = nearest.emplace_back(n);
      for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = 0; b < n; ++b) {
          const double d = d2[a * n + b];
          if (std::isnan(d)) continue;
          lists[a].push_back({d, weights[power][a * n + b], order[b], static_cast<int>(b)});
        }
        sort_nearest(lists[a]);
      }
    }
  }
  for (const double distance : grid.distances) {
    const double square = distance * distance;
    reach.push_back(square);
    std::vector<int> from(n, 0);
    std::vector<int> to(n, 0);
    for (std::size_t a = 0; a < n; ++a) {
      int low = count;
      int high = 0;
      for (std::size_t b = 0; b < n; ++b) {
        if (!(d2[a * n + b] <= square)) continue;
        low = std::min(low, static_cast<int>(b));
        high = static_cast<int>(b) + 1;
      }
      from[a] = std::min(low, high);
      to[a] = high;
    }
    first.push_back(std::move(from));
    last.push_back(std::move(to));
  }
}

// The kept set closest to this hour's, or a new one where none is close.
void CrossValidator::Impl::plan_base(Hour& hour) {
  ++clock;
  std::size_t best = base_sets.size();
  int fewest = 0;
  for (std::size_t b = 0; b < base_sets.size(); ++b) {
    int differences = 0;
    for (std::size_t w = 0; w < present_bits.size(); ++w) {
      differences += std::popcount(present_bits[w] ^ base_sets[b].present[w]);
    }
    if (best == base_sets.size() || differences < fewest) {
      best = b;
      fewest = differences;
    }
  }
  hour.removed.clear();
  hour.added.clear();
  hour.fresh_base = best == base_sets.size() || fewest > kMostDifferences;
  if (hour.fresh_base) {
    if (base_sets.size() < kBaseSets) {
      best = base_sets.size();
      base_sets.push_back({});
    } else {
      best = static_cast<std::size_t>(std::min_element(base_sets.begin(), base_sets.end(),
                                                       [](const BaseSet& a, const BaseSet& b) {
                                                         return a.last_used < b.last_used;
                                                       }) -
                                      base_sets.begin());
    }
    base_sets[best].present = present_bits;
  } else {
    const std::vector<std::uint64_t>& kept = base_sets[best].present;
    for (int j = 0; j < count; ++j) {
      const bool was = (kept[j / 64] >> (j % 64)) & 1U;
      const bool is = hour.present[j] != 0;
      if (was && !is) hour.removed.push_back(j);
      if (is && !was) hour.added.push_back(j);
    }
  }
  base_sets[best].last_used = clock;
  hour.base = best;
}

// Hours 7 to 24 belong to the collector day of their date, hours 1 to 6 to
// that of the day before.
void CrossValidator::Impl::follow_day(Hour& hour) {
  const HourStamp& stamp = hour.stamp;
  HourStamp owner = stamp.hour >= 7 ? stamp : day_before(stamp);
  owner.hour = 0;
  const int place = stamp.hour >= 7 ? stamp.hour - 7 : stamp.hour + 17;
  if (!day_open || !(owner == day)) {
    if (day_open) {
      hour.closes_day = static_cast<int>(closed_days.size());
      closed_days.push_back(close_day());
    }
    day_open = true;
    day = owner;
    day_hours = 0;
    day_repeated = false;
    std::fill(station_hours.begin(), station_hours.end(), 0);
    std::fill(day_observed.begin(), day_observed.end(), 0.0);
  }
  // An hour outside 1..24 or one seen twice leaves the day incomplete.
  if (stamp.hour < 1 || stamp.hour > 24 || (day_hours >> place & 1U)) {
    day_repeated = true;
    return;
  }
  day_hours |= std::uint32_t{1} << place;
  for (const int j : hour.present_list) {
    station_hours[j] |= std::uint32_t{1} << place;
    day_observed[j] += hour.value[j];
  }
}

CrossValidator::Impl::ClosedDay CrossValidator::Impl::close_day() {
  ClosedDay closed;
  closed.complete.assign(static_cast<std::size_t>(count), 0);
  closed.observed = day_observed;
  constexpr std::uint32_t kAllHours = (std::uint32_t{1} << 24) - 1;
  if (day_repeated) return closed;
  for (int j = 0; j < count; ++j) {
    if (station_hours[j] != kAllHours) continue;
    closed.complete[j] = 1;
    daily_observed.add(day_observed[j]);
  }
  return closed;
}

void CrossValidator::Impl::run_block() {
  // The powers' pairs share nothing: each power is one piece.
  if (pool == nullptr) {
    for (std::size_t power = 0; power < grid.powers.size(); ++power) work_power(power);
  } else {
    pool->run(grid.powers.size(), [&](std::size_t power, int) { work_power(power); });
  }
  if (details != nullptr) write_details();
  if (judge != nullptr) judge->end_block();
  hours_in_block = 0;
  closed_days.clear();
}

// A power's pairs go through the block together, hour by hour: a wet
// source's distances and weights, read once, then serve every distance.
void CrossValidator::Impl::work_power(std::size_t power) {
  const std::size_t of_power = grid.distances.size() * grid.neighbours.size();
  Pair* const first_pair = pairs.data() + power * of_power;
  Pair* const last_pair = first_pair + of_power;
  for (std::size_t at = 0; at < hours_in_block; ++at) {
    const Hour& hour = block[at];
    for (Pair* pair = first_pair; pair != last_pair; ++pair) {
      if (hour.closes_day >= 0)
        end_day(*pair, closed_days[static_cast<std::size_t>(hour.closes_day)]);
      if (pair->neighbours == 0) weight_sums(*pair, hour);
    }
    if (!hour.wet.empty() && hour.finite) numerators(first_pair, last_pair, hour);
    for (Pair* pair = first_pair; pair != last_pair; ++pair) {
      if (pair->neighbours == 0) {
        hour_of_pair(*pair, at, hour);
      } else {
        hour_of_limited_pair(*pair, at, hour);
      }
      if (judge != nullptr) {
        judge->add_hour(pair->index, hour.stamp, hour.value.data(), hour.present_list,
                        saved_estimates(*pair, at));
      }
    }
  }
}

// The numerator of a target's mean: the weights of its wet sources in
// reach, each times its value. Sources with a value of 0 add nothing.
void CrossValidator::Impl::numerators(Pair* first_pair, Pair* last_pair, const Hour& hour) {
  const auto n = static_cast<std::size_t>(count);
  for (Pair* pair = first_pair; pair != last_pair; ++pair) {
    std::fill(pair->numerators.begin(), pair->numerators.end(), 0.0);
  }
  const double* w = weights[first_pair->power].data();
  for (const int i : hour.wet) {
    const double* row_d2 = d2.data() + i * n;
    const double* row_w = w + i * n;
    for (Pair* pair = first_pair; pair != last_pair; ++pair) {
      if (pair->neighbours != 0) continue;
      add_in_reach(pair->numerators.data(), row_d2, row_w, reach[pair->distance], hour.value[i],
                   first[pair->distance][i], last[pair->distance][i]);
    }
  }
}

// The weight sums of the hour's present sources for every present target.
// They depend on the set of present stations alone, which mostly stays for
// long: stations fail for days, single values go missing for an hour.
void CrossValidator::Impl::weight_sums(Pair& pair, const Hour& hour) {
  const auto n = static_cast<std::size_t>(count);
  const double* w = weights[pair.power].data();
  const double square = reach[pair.distance];
  const std::vector<int>& from = first[pair.distance];
  const std::vector<int>& to = last[pair.distance];
  std::vector<double>& kept = pair.base_sums[hour.base];
  if (hour.fresh_base) {
    std::fill(kept.begin(), kept.end(), 0.0);
    for (const int i : hour.present_list) {
      add_in_reach(kept.data(), d2.data() + i * n, w + i * n, square, 1.0, from[i], to[i]);
    }
    std::copy(kept.begin(), kept.end(), pair.sums.begin());
    return;
  }
  std::copy(kept.begin(), kept.end(), pair.sums.begin());
  if (hour.removed.empty() && hour.added.empty()) return;
  for (const int i : hour.removed) {
    take_in_reach(pair.sums.data(), d2.data() + i * n, w + i * n, square, from[i], to[i]);
  }
  for (const int i : hour.added) {
    add_in_reach(pair.sums.data(), d2.data() + i * n, w + i * n, square, 1.0, from[i], to[i]);
  }
  for (const int j : hour.present_list) {
    const double before = kept[j];
    if (!std::isfinite(before) || !(pair.sums[j] >= kLeastKeptShare * before)) {
      pair.sums[j] = summed_afresh(pair, hour, j);
    }
  }
}

// A target's weight sum over the present sources, one by one. The weights
// are symmetric, so the target's own row holds them.
double CrossValidator::Impl::summed_afresh(const Pair& pair, const Hour& hour, int target) const {
  const auto n = static_cast<std::size_t>(count);
  const double* row_d2 = d2.data() + target * n;
  const double* row_w = weights[pair.power].data() + target * n;
  const double square = reach[pair.distance];
  double sum = 0.0;
  for (int i = first[pair.distance][target]; i < last[pair.distance][target]; ++i) {
    if (hour.present[i] && row_d2[i] <= square) sum += row_w[i];
  }
  return sum;
}

// Where a pair's estimates of an hour are kept: for the details, or for the
// judgement of the scaled hours; nowhere without either.
double* CrossValidator::Impl::saved_estimates(const Pair& pair, std::size_t at) {
  const auto n = static_cast<std::size_t>(count);
  if (details != nullptr) return estimates.data() + (at * pairs.size() + pair.index) * n;
  return judge != nullptr ? judge->scratch(pair.index) : nullptr;
}

void CrossValidator::Impl::hour_of_pair(Pair& pair, std::size_t at, const Hour& hour) {
  const auto n = static_cast<std::size_t>(count);
  const double* w = weights[pair.power].data();
  const double square = reach[pair.distance];
  const double* sums = pair.sums.data();
  const double* numerators = pair.numerators.data();
  double* saved = saved_estimates(pair, at);

  // The mean of a target is its numerator over its weight sum.
  const bool wet = !hour.wet.empty();
  // A dry hour whose estimates stay 0 under the limits compares zeros with
  // zeros: it only counts.
  if (!wet && limit_value(0.0, settings) == 0.0) {
    for (const int j : hour.present_list) {
      if (!usable_weight_sum(sums[j])) ++pair.no_source;
      if (saved != nullptr) saved[j] = 0.0;
    }
    pair.hourly.count += static_cast<long long>(hour.present_list.size());
    return;
  }
  for (const int j : hour.present_list) {
    const bool usable = usable_weight_sum(sums[j]);
    double value = 0.0;
    if (wet && usable && hour.finite) {
      value = numerators[j] / sums[j];
    } else if (wet && usable) {
      // An infinite value meets shares of 0: each term is taken as the plain
      // mean takes it, the share first, a share of 0 adding nothing.
      const double* row_d2 = d2.data() + j * n;
      for (const int i : hour.wet) {
        if (!(row_d2[i] <= square)) continue;
        const double share = w[j * n + i] / sums[j];
        if (share != 0.0) value += share * hour.value[i];
      }
    }
    if (!usable) ++pair.no_source;
    record(pair, saved, j, limit_value(value, settings), hour);
  }
}

// Under a neighbour limit each estimate is worked out alone, from the
// target's other stations nearest first: as the run's, to the bit.
void CrossValidator::Impl::hour_of_limited_pair(Pair& pair, std::size_t at, const Hour& hour) {
  double* saved = saved_estimates(pair, at);
  const auto limit = static_cast<std::size_t>(pair.neighbours);
  for (const int j : hour.present_list) {
    const NearestEstimate estimate =
        nearest_mean(nearest[pair.power][static_cast<std::size_t>(j)], hour.value.data(),
                     settings.nodata, reach[pair.distance], limit, pair.chosen);
    if (!estimate.usable) ++pair.no_source;
    record(pair, saved, j, limit_value(estimate.value, settings), hour);
  }
}

void CrossValidator::Impl::record(Pair& pair, double* saved, int target, double estimate,
                                  const Hour& hour) {
  pair.hourly.add(estimate, hour.value[target]);
  pair.day_estimates[target] += estimate;
  if (saved != nullptr) saved[target] = estimate;
}

void CrossValidator::Impl::end_day(Pair& pair, const ClosedDay& closed) {
  for (int j = 0; j < count; ++j) {
    if (closed.complete[j]) pair.daily.add(pair.day_estimates[j], closed.observed[j]);
  }
  std::fill(pair.day_estimates.begin(), pair.day_estimates.end(), 0.0);
}

void CrossValidator::Impl::write_details() {
  const auto n = static_cast<std::size_t>(count);
  std::vector<int> position(n + 1, 0);
  for (std::size_t j = 0; j < n; ++j)
    position[static_cast<std::size_t>(order[j])] = static_cast<int>(j);
  for (std::size_t at = 0; at < hours_in_block; ++at) {
    const Hour& hour = block[at];
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      const double* saved = estimates.data() + (at * pairs.size() + p) * n;
      for (int station = 1; station <= count; ++station) {
        const auto j = static_cast<std::size_t>(position[static_cast<std::size_t>(station)]);
        if (!hour.present[j]) continue;
        details->write(p, station, hour.stamp, hour.value[j], saved[j]);
      }
    }
  }
}

CrossValidator::CrossValidator(const StationTable& table, int hourly_count,
                               const CrossValidationGrid& grid, const IdwSettings& settings,
                               WorkerPool* pool, DetailsWriter* details)
    : impl_(std::make_unique<Impl>(table, hourly_count, grid, settings, pool, details)) {}

CrossValidator::~CrossValidator() = default;

void CrossValidator::judge_periods(DisaggregationJudge& judge) {
  impl_->judge = &judge;
  judge.begin(impl_->order);
}

void CrossValidator::add_hour(const HourStamp& stamp, const HourField& field) {
  Impl& m = *impl_;
  Impl::Hour& hour = m.block[m.hours_in_block];
  hour.stamp = stamp;
  hour.value.resize(static_cast<std::size_t>(m.count));
  hour.present.assign(static_cast<std::size_t>(m.count), 0);
  hour.present_list.clear();
  hour.wet.clear();
  hour.finite = true;
  hour.closes_day = -1;
  std::fill(m.present_bits.begin(), m.present_bits.end(), 0);
  for (int j = 0; j < m.count; ++j) {
    const double value = field[static_cast<std::size_t>(m.order[j])];
    hour.value[j] = value;
    if (!is_present(value, m.settings.nodata)) continue;
    hour.present[j] = 1;
    hour.present_list.push_back(j);
    m.present_bits[j / 64] |= std::uint64_t{1} << (j % 64);
    m.hourly_observed.add(value);
    if (value != 0.0) hour.wet.push_back(j);
    if (!std::isfinite(value)) hour.finite = false;
  }
  m.plan_base(hour);
  m.follow_day(hour);
  if (++m.hours_in_block == kBlockHours) m.run_block();
}

std::vector<PairFigures> CrossValidator::finish() {
  Impl& m = *impl_;
  if (m.hours_in_block > 0) m.run_block();
  if (m.day_open) {
    const Impl::ClosedDay closed = m.close_day();
    for (Impl::Pair& pair : m.pairs) m.end_day(pair, closed);
    m.day_open = false;
  }
  std::vector<PairFigures> figures;
  for (std::size_t p = 0; p < m.pairs.size(); ++p) {
    const Impl::Pair& pair = m.pairs[p];
    PairFigures f;
    f.power = m.grid.power(p);
    f.distance = m.grid.distance(p);
    f.neighbours = m.grid.neighbour_count(p);
    f.no_source = pair.no_source;
    f.hourly = figures_of(pair.hourly, m.hourly_observed);
    f.daily = figures_of(pair.daily, m.daily_observed);
    figures.push_back(f);
  }
  return figures;
}

}  // namespace rumo
