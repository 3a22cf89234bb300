#include "crossval/cross_validation.hpp"

#include <algorithm>
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
// The stations, in the order of their numbers, fall into this many runs; the
// weight sums before each run are kept, so that a new set of present
// stations is summed from the run of its first change on.
constexpr int kSumRuns = 16;
// Correlations of series that vary less than this, relative to their size,
// are left out: their spread is rounding.
constexpr double kLeastVariance = 1e-12;

// The run's arithmetic, source by source in the order of their numbers, for
// every target j in [first, last); a source out of reach adds an exact 0,
// which leaves a sum as it is. The terms are worked out for every lane and
// chosen by the reach: loops without branches.

// A source's weight added to its targets' weight sums.
RUMO_VECTOR_LOOP void add_weights(double* __restrict sums, const double* __restrict d2,
                                  const double* __restrict weight, double reach, int first,
                                  int last) {
  for (int j = first; j < last; ++j) sums[j] += d2[j] <= reach ? weight[j] : 0.0;
}

// A source's term added to its targets' means: its weight over the target's
// weight sum, times its value.
RUMO_VECTOR_LOOP void add_terms(double* __restrict means, const double* __restrict d2,
                                const double* __restrict weight, const double* __restrict sums,
                                double reach, double value, int first, int last) {
  for (int j = first; j < last; ++j) {
    const double term = weight[j] / sums[j] * value;
    means[j] += d2[j] <= reach ? term : 0.0;
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
  // placed in the order of their first coordinate (see `order`); the
  // sources are taken in the order of their numbers, as the run takes them.
  struct Hour {
    HourStamp stamp;
    std::vector<double> value;
    std::vector<char> present;
    std::vector<int> present_list;  // in the order of their places
    std::vector<int> sources;       // the same, in the order of their numbers
    std::vector<int> wet;           // of them those with a value other than 0
    bool finite = true;             // no present value is infinite
    // The run of stations (see kSumRuns) of the first station whose
    // presence differs from the hour before, from which the weight sums are
    // summed again; sum_runs when none does. Where each run starts in
    // `sources`.
    int changed_run = 0;
    std::vector<std::size_t> run_start;
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
    int neighbours = 0;                     // the limit; 0: every source in reach
    std::vector<const NearSource*> chosen;  // under a limit
    // Without a limit:
    std::vector<double> sums;         // of this hour's sources
    std::vector<double> sums_before;  // the sums before each run of stations
    std::vector<double> means;
    std::vector<double> day_estimates;
    long long no_source = 0;
    Sums hourly;
    Sums daily;
  };

  int count = 0;           // hourly stations
  std::vector<int> order;  // station number of each position
  std::vector<int> place;  // position of each station number
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

  int sum_runs = 1;
  std::vector<int> run_of;           // by station number
  std::vector<char> present_before;  // by station number, of the hour before
  bool first_hour = true;

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
  void follow_day(Hour& hour);
  ClosedDay close_day();
  void run_block();
  void work_power(std::size_t power);
  void weight_sums(Pair& pair, const Hour& hour);
  void means(Pair* first_pair, Pair* last_pair, const Hour& hour);
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
  place.assign(static_cast<std::size_t>(count) + 1, 0);
  for (int j = 0; j < count; ++j) place[static_cast<std::size_t>(order[j])] = j;
  sum_runs = std::clamp(count, 1, kSumRuns);
  run_of.assign(static_cast<std::size_t>(count) + 1, 0);
  for (int station = 1; station <= count; ++station) {
    run_of[static_cast<std::size_t>(station)] = (station - 1) * sum_runs / count;
  }
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
      if (pair.neighbours == 0) {
        pair.sums.assign(n, 0.0);
        pair.sums_before.assign(static_cast<std::size_t>(sum_runs) * n, 0.0);
        pair.means.assign(n, 0.0);
      }
      pair.day_estimates.assign(n, 0.0);
    }
    block.resize(kBlockHours);
    station_hours.assign(n, 0);
    day_observed.assign(n, 0.0);
    present_before.assign(n + 1, 0);
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
      if (pair->neighbours == 0 && hour.changed_run < sum_runs) weight_sums(*pair, hour);
    }
    if (!hour.wet.empty() && hour.finite) means(first_pair, last_pair, hour);
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

// The weight sums of the hour's present sources for every target. They
// depend on the set of present stations alone, which mostly stays from one
// hour to the next (stations fail for days, single values go missing for an
// hour).
void CrossValidator::Impl::weight_sums(Pair& pair, const Hour& hour) {
  const auto n = static_cast<std::size_t>(count);
  const double* w = weights[pair.power].data();
  const std::vector<int>& from = first[pair.distance];
  const std::vector<int>& to = last[pair.distance];
  const auto before = [&](int run) {
    return pair.sums_before.begin() +
           static_cast<std::ptrdiff_t>(static_cast<std::size_t>(run) * n);
  };
  std::copy(before(hour.changed_run), before(hour.changed_run + 1), pair.sums.begin());
  for (int run = hour.changed_run; run < sum_runs; ++run) {
    if (run > hour.changed_run) std::copy(pair.sums.begin(), pair.sums.end(), before(run));
    for (std::size_t k = hour.run_start[run]; k < hour.run_start[run + 1]; ++k) {
      const int i = hour.sources[k];
      add_weights(pair.sums.data(), d2.data() + i * n, w + i * n, reach[pair.distance], from[i],
                  to[i]);
    }
  }
}

// The means of a power's pairs, the terms of each wet source in turn:
// a wet source's distances and weights, read once, serve every distance.
// Sources with a value of 0 add nothing.
void CrossValidator::Impl::means(Pair* first_pair, Pair* last_pair, const Hour& hour) {
  const auto n = static_cast<std::size_t>(count);
  for (Pair* pair = first_pair; pair != last_pair; ++pair) {
    std::fill(pair->means.begin(), pair->means.end(), 0.0);
  }
  const double* w = weights[first_pair->power].data();
  for (const int i : hour.wet) {
    const double* row_d2 = d2.data() + i * n;
    const double* row_w = w + i * n;
    for (Pair* pair = first_pair; pair != last_pair; ++pair) {
      if (pair->neighbours != 0) continue;
      add_terms(pair->means.data(), row_d2, row_w, pair->sums.data(), reach[pair->distance],
                hour.value[i], first[pair->distance][i], last[pair->distance][i]);
    }
  }
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
  double* saved = saved_estimates(pair, at);

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
      value = pair.means[j];
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
  for (std::size_t at = 0; at < hours_in_block; ++at) {
    const Hour& hour = block[at];
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      const double* saved = estimates.data() + (at * pairs.size() + p) * n;
      for (const int j : hour.sources)
        details->write(p, order[j], hour.stamp, hour.value[j], saved[j]);
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
  hour.sources.clear();
  for (int j = 0; j < m.count; ++j) {
    const double value = field[static_cast<std::size_t>(m.order[j])];
    hour.value[j] = value;
    if (!is_present(value, m.settings.nodata)) continue;
    hour.present[j] = 1;
    hour.present_list.push_back(j);
    m.hourly_observed.add(value);
    if (!std::isfinite(value)) hour.finite = false;
  }
  // The first hour has none before it.
  hour.changed_run = m.first_hour ? 0 : m.sum_runs;
  m.first_hour = false;
  hour.run_start.assign(static_cast<std::size_t>(m.sum_runs) + 1, 0);
  for (int station = 1; station <= m.count; ++station) {
    const auto s = static_cast<std::size_t>(station);
    const int j = m.place[s];
    const int run = m.run_of[s];
    if (hour.present[j] != m.present_before[s]) hour.changed_run = std::min(hour.changed_run, run);
    m.present_before[s] = hour.present[j];
    hour.run_start[static_cast<std::size_t>(run) + 1] = hour.sources.size() + hour.present[j];
    if (!hour.present[j]) continue;
    hour.sources.push_back(j);
    if (hour.value[j] != 0.0) hour.wet.push_back(j);
  }
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
