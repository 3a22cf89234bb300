#include "crossval/disaggregation.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>
#include <span>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "core/stamp_text.hpp"
#include "interp/hourly_coverage.hpp"

namespace rumo {

namespace {

constexpr std::uint32_t kAllHours = (std::uint32_t{1} << kDayHours) - 1;
constexpr std::uint32_t kFirstHalf = (std::uint32_t{1} << kHalfHours) - 1;
// Correlations of series that vary less than this, relative to their size,
// are left out: their spread is rounding.
constexpr double kLeastVariance = 1e-12;
constexpr const char* kPeriodsWhat = "cross-validation periods";

// What the scaled hours of one way's wet periods add up to.
struct Tally {
  long long periods = 0;
  long long wet = 0;
  long long hours = 0;
  double absolute = 0.0;
  double square = 0.0;
  double even_square = 0.0;  // of spreading the reading evenly
  double scaled = 0.0;
  double scaled_square = 0.0;
  double observed = 0.0;
  double observed_square = 0.0;
  double product = 0.0;
  double total = 0.0;  // of the readings
  double lost = 0.0;   // of the readings with Σ = 0
  // Of the readings of every wet period, judged or not, and of those of
  // them with hours without data.
  double wet_total = 0.0;
  double no_data = 0.0;
  long long scaled_wet = 0;
  long long observed_wet = 0;
  double scaled_peaks = 0.0;
  double observed_peaks = 0.0;
  long long judged = 0;  // wet periods whose hours are all scaled
  long long hits = 0;
};

// One period as its row shows it.
struct PeriodRow {
  Spread spread;
  double reading = 0.0;
  double rmse = NAN;  // NaN where a scaled hour is missing
  double observed_max = 0.0;
  double scaled_max = NAN;
  int observed_wet = 0;
  int scaled_wet = 0;
};

double variance(double sum, double square, double n) {
  const double mean = sum / n;
  const double spread = square / n - mean * mean;
  return spread > kLeastVariance * (square / n) ? spread : NAN;
}

double share(double part, double whole) {
  return whole > 0.0 ? part / whole : NAN;
}

// Spreads one period's reading as the run would (`period` holds its
// estimates, and its reading once summed here), and adds it to the tally when
// it is wet. Without `row`, a period that is not wet only counts.
void judge_period(PeriodToSpread& period, const double* observed, double threshold,
                  const SpreadingChoices& spreading, Tally& tally, PeriodRow* row) {
  const int hours = static_cast<int>(period.estimates.size());
  const double nodata = period.nodata;
  double reading = 0.0;
  for (int h = 0; h < hours; ++h) reading += observed[h];
  ++tally.periods;
  const bool wet = reading > 0.0;
  if (!wet && row == nullptr) return;
  PeriodRow own;
  PeriodRow& r = row != nullptr ? *row : own;
  r.reading = reading;
  period.reading = reading;
  double scaled[kDayHours];
  r.spread = spread_reading(period, spreading, {scaled, period.estimates.size()});
  if (wet) {
    tally.wet_total += reading;
    if (r.spread.outcome == Outcome::no_hourly_data) tally.no_data += reading;
  }

  int observed_at = 0;
  int scaled_at = 0;
  bool all_scaled = true;
  for (int h = 0; h < hours; ++h) {
    if (observed[h] > observed[observed_at]) observed_at = h;
    r.observed_wet += observed[h] >= threshold;
    if (!is_present(scaled[h], nodata)) {
      all_scaled = false;
      continue;
    }
    if (scaled[h] > scaled[scaled_at] || !is_present(scaled[scaled_at], nodata)) scaled_at = h;
    r.scaled_wet += scaled[h] >= threshold;
  }
  r.observed_max = observed[observed_at];
  // Where the run would write a missing hour, nothing is delivered to judge.
  if (!all_scaled) {
    tally.wet += wet;
    return;
  }
  r.scaled_max = scaled[scaled_at];
  const double even = reading / hours;
  double square = 0.0;
  double absolute = 0.0;
  double even_square = 0.0;
  double scaled_sum = 0.0;
  double scaled_square = 0.0;
  double observed_square = 0.0;
  double product = 0.0;
  for (int h = 0; h < hours; ++h) {
    const double difference = scaled[h] - observed[h];
    const double even_difference = even - observed[h];
    square += difference * difference;
    absolute += std::fabs(difference);
    even_square += even_difference * even_difference;
    scaled_sum += scaled[h];
    scaled_square += scaled[h] * scaled[h];
    observed_square += observed[h] * observed[h];
    product += scaled[h] * observed[h];
  }
  r.rmse = std::sqrt(square / hours);
  if (!wet) return;
  ++tally.wet;
  ++tally.judged;
  tally.hours += hours;
  tally.square += square;
  tally.absolute += absolute;
  tally.even_square += even_square;
  tally.scaled += scaled_sum;
  tally.scaled_square += scaled_square;
  tally.observed += reading;
  tally.observed_square += observed_square;
  tally.product += product;
  tally.total += reading;
  if (r.spread.outcome == Outcome::no_rain_interpolated) tally.lost += reading;
  tally.scaled_wet += r.scaled_wet;
  tally.observed_wet += r.observed_wet;
  tally.scaled_peaks += r.scaled_max;
  tally.observed_peaks += r.observed_max;
  // Hours all 0 have no largest one.
  if (r.scaled_max > 0.0 && scaled_at == observed_at) ++tally.hits;
}

DisaggregationFigures figures_of(const Tally& t) {
  DisaggregationFigures f;
  f.periods = t.periods;
  f.wet = t.wet;
  if (t.hours == 0) {
    f.rmse = f.mae = f.correlation = f.lost = f.wet_hours = f.peak = f.peak_hits = f.skill = NAN;
    f.no_data = share(t.no_data, t.wet_total);
    return f;
  }
  const auto n = static_cast<double>(t.hours);
  f.rmse = std::sqrt(t.square / n);
  f.mae = t.absolute / n;
  const double covariance = t.product / n - (t.scaled / n) * (t.observed / n);
  f.correlation = covariance / std::sqrt(variance(t.scaled, t.scaled_square, n) *
                                         variance(t.observed, t.observed_square, n));
  f.lost = share(t.lost, t.total);
  f.no_data = share(t.no_data, t.wet_total);
  f.wet_hours = t.observed_wet > 0
                    ? static_cast<double>(t.scaled_wet) / static_cast<double>(t.observed_wet)
                    : NAN;
  f.peak = share(t.scaled_peaks, t.observed_peaks);
  f.peak_hits = static_cast<double>(t.hits) / static_cast<double>(t.judged);
  const double even_rmse = std::sqrt(t.even_square / n);
  f.skill = even_rmse > 0.0 ? 1.0 - f.rmse / even_rmse : NAN;
  return f;
}

void append_number(std::string& into, double value) {
  if (std::isnan(value)) return;
  char text[48];
  into.append(text, write_shortest(text, value));
}

}  // namespace

struct DisaggregationJudge::Impl {
  // One pair's collector day being gathered (hour 7 of its date to hour 6 of
  // the next day), its tallies and the rows of the days it closed.
  struct Pair {
    bool open = false;
    HourStamp day;   // date of the day's first hour
    HourStamp next;  // hour 1 of the day after
    std::uint32_t hours = 0;
    bool repeated = false;
    std::vector<std::uint32_t> present;  // per place, one bit per hour
    std::vector<double> estimated;       // per place, 24 hours
    std::vector<double> observed;
    std::vector<double> scratch;
    // With nearest-wet: the day's observed hours of every station by number
    // in slots 1 to 24 (missing where absent), and per period (the day, the
    // halves) the wet sums, set out when a dry period first needs them.
    HourWindow window;
    bool window_set = false;
    std::array<std::vector<double>, 3> wet;
    std::array<bool, 3> wet_set{};
    // The day's hours in which some station had no value, and in each the
    // stations by number with and without one.
    std::uint32_t gaps = 0;
    std::array<HourSources, kDayHours> sources;
    std::vector<Tally> day_tally;  // per pattern
    std::vector<Tally> half_tally;
    std::vector<std::string> rows;  // per day closed in the block
  };

  const StationTable& table;
  int count = 0;
  CrossValidationGrid grid;
  double nodata = 0.0;
  double threshold = 0.0;
  SpreadingChoices spreading;
  std::vector<SpreadingChoices> choices;  // per pattern
  // Whether the spreading asks for the nearest wet stations: the dry
  // fallback or the hours without data nearest-wet, or a pattern that
  // follows their peaks.
  bool follows_wet = false;
  std::optional<BufferedSink> out;  // the periods file, when asked for
  std::string name;
  std::vector<int> order;
  std::vector<int> station_at;  // by place
  std::vector<Pair> pairs;
  // Per pair, by station number: the other stations within its distance.
  std::vector<std::vector<int>> in_reach;
  std::vector<std::string> choice_text;   // "power\tdistance\t" and the choice's cells
  std::vector<std::string> station_text;  // "station\tname\t"

  explicit Impl(const StationTable& stations) : table(stations) {}
  void close_day(std::size_t p);
  void note_sources(Pair& pair);
  std::uint32_t hours_without_data(const Pair& pair, std::size_t p, int station) const;
  std::size_t nearest_wet(Pair& pair, int station, int period, int from, int hours,
                          std::span<int> nearest);
  void judge(Pair& pair, int station, int period, int from, int hours, std::uint32_t without,
             std::size_t pattern, Tally& tally, PeriodRow* row);
  void write_row(std::string& into, std::size_t choice, int station, const char* way,
                 const HourStamp& stamp, int hour, const PeriodRow& row) const;
  void write_rows();
};

void DisaggregationJudge::Impl::close_day(std::size_t p) {
  Pair& pair = pairs[p];
  pair.open = false;
  std::string* rows = nullptr;
  if (out) rows = &pair.rows.emplace_back();
  if (pair.repeated) return;
  pair.window_set = false;
  pair.wet_set = {};
  note_sources(pair);
  // Station by station in the order of their numbers.
  for (int station = 1; station <= count; ++station) {
    const auto j = static_cast<std::size_t>(order[static_cast<std::size_t>(station)]);
    const std::uint32_t mask = pair.present[j] & pair.hours;
    const std::uint32_t without = hours_without_data(pair, p, station);
    const std::size_t patterns = choices.size();
    for (std::size_t q = 0; q < patterns && mask == kAllHours; ++q) {
      PeriodRow row;
      judge(pair, station, 0, 0, kDayHours, without, q, pair.day_tally[q], rows ? &row : nullptr);
      if (rows) write_row(*rows, p * patterns + q, station, "collector", pair.day, 7, row);
    }
    for (const int half : {0, 1}) {
      if ((mask >> (half * kHalfHours) & kFirstHalf) != kFirstHalf) continue;
      for (std::size_t q = 0; q < patterns; ++q) {
        PeriodRow row;
        judge(pair, station, 1 + half, half * kHalfHours, kHalfHours, without, q,
              pair.half_tally[q], rows ? &row : nullptr);
        if (rows) {
          write_row(*rows, p * patterns + q, station, "climate", pair.day, half == 0 ? 7 : 19, row);
        }
      }
    }
  }
}

// The hours read in which some station had no value, with the stations of
// each.
void DisaggregationJudge::Impl::note_sources(Pair& pair) {
  pair.gaps = 0;
  for (int h = 0; h < kDayHours; ++h) {
    if (!(pair.hours >> h & 1U)) continue;
    HourSources& hour = pair.sources[static_cast<std::size_t>(h)];
    hour.present.clear();
    hour.absent.clear();
    for (std::size_t j = 0; j < station_at.size(); ++j) {
      (pair.present[j] >> h & 1U ? hour.present : hour.absent).push_back(station_at[j]);
    }
    if (!hour.absent.empty()) pair.gaps |= std::uint32_t{1} << h;
  }
}

// The hours of the day (one bit each) in which no other station within the
// pair's distance of `station` had a value, while one stands within it.
std::uint32_t DisaggregationJudge::Impl::hours_without_data(const Pair& pair, std::size_t p,
                                                            int station) const {
  std::uint32_t hours = 0;
  const int reaching = in_reach[p][static_cast<std::size_t>(station)];
  const double distance = grid.distance(p);
  for (int h = 0; h < kDayHours; ++h) {
    if (!(pair.gaps >> h & 1U)) continue;
    if (none_in_reach(table, station, reaching, pair.sources[static_cast<std::size_t>(h)],
                      distance * distance)) {
      hours |= std::uint32_t{1} << h;
    }
  }
  return hours;
}

// One period of `station`: the day (0) or a half (1, 2), `hours` from place
// `from` of the day, of which those in `without` had no data, spread with
// the grid's pattern `pattern`. An unusable sum makes a day's hours -N and a
// half's missing, as in the run.
void DisaggregationJudge::Impl::judge(Pair& pair, int station, int period, int from, int hours,
                                      std::uint32_t without, std::size_t pattern, Tally& tally,
                                      PeriodRow* row) {
  const auto j = static_cast<std::size_t>(order[static_cast<std::size_t>(station)]);
  const std::size_t at = j * kDayHours + static_cast<std::size_t>(from);
  const auto hours_of = [&](int source) {
    const auto place = static_cast<std::size_t>(order[static_cast<std::size_t>(source)]);
    return pair.observed.data() + place * kDayHours + static_cast<std::size_t>(from);
  };
  std::array<int, kPeakNeighbours> sources;
  const auto dry_pattern = [&]() -> DryPattern {
    if (nearest_wet(pair, station, period, from, hours, {sources.data(), 1}) == 0) return {};
    return {hours_of(sources[0]), pair.wet[static_cast<std::size_t>(period)][sources[0]]};
  };
  const auto peak = [&]() -> double {
    const std::size_t found = nearest_wet(pair, station, period, from, hours, sources);
    if (found == 0) return NAN;
    double shares = 0.0;
    for (std::size_t n = 0; n < found; ++n) {
      shares += peak_share({hours_of(sources[n]), static_cast<std::size_t>(hours)},
                           pair.wet[static_cast<std::size_t>(period)][sources[n]]);
    }
    return shares / static_cast<double>(found);
  };
  const std::uint32_t own = (without >> from) & ((std::uint32_t{1} << hours) - 1);
  PeriodToSpread spread{0.0,
                        {pair.estimated.data() + at, static_cast<std::size_t>(hours)},
                        nodata,
                        period == 0 ? -nodata : missing_marker(nodata),
                        PatternLookup(dry_pattern),
                        Lookup<double>(peak),
                        std::popcount(own)};
  judge_period(spread, pair.observed.data() + at, threshold, choices[pattern], tally, row);
}

// The nearest other hourly stations (as many as `nearest` holds) whose hours
// of the period of `station` (`hours` from place `from` of the day) are all
// present and add up to more than 0, found as the run finds them for a
// station at the left-out one's place: a dry period under nearest-wet
// follows the first, the peak patterns the peak shares of them all.
std::size_t DisaggregationJudge::Impl::nearest_wet(Pair& pair, int station, int period, int from,
                                                   int hours, std::span<int> nearest) {
  if (!pair.window_set) {
    const double marker = missing_marker(nodata);
    for (int s = 1; s <= count; ++s) {
      const auto j = static_cast<std::size_t>(order[static_cast<std::size_t>(s)]);
      const std::uint32_t mask = pair.present[j] & pair.hours;
      for (int h = 0; h < kDayHours; ++h) {
        pair.window.field(h + 1)[static_cast<std::size_t>(s)] =
            (mask >> h & 1U) ? pair.observed[j * kDayHours + static_cast<std::size_t>(h)] : marker;
      }
    }
    pair.window_set = true;
  }
  const auto at = static_cast<std::size_t>(period);
  std::vector<double>& wet = pair.wet[at];
  if (!pair.wet_set[at]) {
    wet_sums(pair.window, from + 1, from + hours, count, nodata, wet);
    pair.wet_set[at] = true;
  }
  // The station left out has no values to lend.
  const auto own = static_cast<std::size_t>(station);
  const double own_sum = wet[own];
  wet[own] = 0.0;
  const std::size_t found = nearest_wet_stations(table, station, count, wet, nearest);
  wet[own] = own_sum;
  return found;
}

void DisaggregationJudge::Impl::write_row(std::string& into, std::size_t choice, int station,
                                          const char* way, const HourStamp& stamp, int hour,
                                          const PeriodRow& row) const {
  into += choice_text[choice];
  into += station_text[static_cast<std::size_t>(station)];
  into += way;
  into += '\t';
  char text[kStampRoom];
  HourStamp at = stamp;
  at.hour = hour;
  into.append(text, write_stamp(text, at));
  into += '\t';
  append_number(into, row.reading);
  into += '\t';
  append_number(into, row.spread.sum);
  into += '\t';
  into += outcome_name(row.spread.outcome);
  for (const double value : {row.rmse, row.observed_max, row.scaled_max}) {
    into += '\t';
    append_number(into, value);
  }
  into += '\t' + std::to_string(row.observed_wet) + '\t' + std::to_string(row.scaled_wet) + '\n';
}

// The rows of the days closed since the last time, day by day, within a day
// pair by pair. Every pair has closed the same days.
void DisaggregationJudge::Impl::write_rows() {
  if (!out) return;
  const std::size_t days = pairs.empty() ? 0 : pairs.front().rows.size();
  for (std::size_t d = 0; d < days; ++d) {
    for (Pair& pair : pairs) out->append(pair.rows[d]);
  }
  for (Pair& pair : pairs) pair.rows.clear();
}

DisaggregationJudge::DisaggregationJudge(const StationTable& table, int hourly_count,
                                         const CrossValidationGrid& grid, double nodata,
                                         double wet_threshold, const SpreadingChoices& spreading,
                                         std::unique_ptr<OutputSink> periods,
                                         std::string periods_name)
    : impl_(std::make_unique<Impl>(table)) {
  Impl& m = *impl_;
  m.count = hourly_count;
  m.grid = grid;
  m.nodata = nodata;
  m.threshold = wet_threshold;
  m.spreading = spreading;
  m.follows_wet = spreading.dry_fallback == DryFallback::nearest_wet ||
                  spreading.no_data_hours == NoDataHours::nearest_wet;
  for (const Pattern pattern : grid.patterns) {
    m.choices.push_back(spreading);
    m.choices.back().pattern = pattern;
    m.follows_wet |= pattern == Pattern::peak_add || pattern == Pattern::peak_align;
  }
  m.name = std::move(periods_name);
  if (!periods) return;
  m.out.emplace(std::move(periods));
  for (std::size_t c = 0; c < grid.choices(); ++c) {
    const std::size_t p = c / grid.patterns.size();
    std::string text;
    append_number(text, grid.power(p));
    text += '\t';
    append_number(text, grid.distance(p));
    m.choice_text.push_back(
        text + '\t' +
        choice_cells(grid, grid.neighbour_count(p), grid.patterns[c % grid.patterns.size()]));
  }
  m.station_text.resize(station_entries(hourly_count));
  for (int station = 1; station <= hourly_count; ++station) {
    m.station_text[static_cast<std::size_t>(station)] =
        std::to_string(station) + '\t' + table.name[static_cast<std::size_t>(station)] + '\t';
  }
  m.out->append("power\tdistance\t" + choice_header(grid) +
                "station\tname\tway\tyear\tmonth\tday\thour\treading\tinterpolated\t"
                "outcome\trmse\tobserved_max\tscaled_max\tobserved_wet_hours\tscaled_wet_hours\n");
}

DisaggregationJudge::~DisaggregationJudge() = default;

void DisaggregationJudge::begin(const std::vector<int>& order) {
  Impl& m = *impl_;
  const auto n = static_cast<std::size_t>(m.count);
  // Place by station number.
  m.order.assign(n + 1, 0);
  for (std::size_t j = 0; j < order.size(); ++j) {
    m.order[static_cast<std::size_t>(order[j])] = static_cast<int>(j);
  }
  m.station_at = order;
  // The judgement's arrays are the cross-validation's memory.
  take_memory(exit_code::memory_weights, [&] {
    m.pairs.resize(m.grid.pairs());
    for (Impl::Pair& pair : m.pairs) {
      pair.present.assign(n, 0);
      pair.estimated.assign(n * kDayHours, 0.0);
      pair.observed.assign(n * kDayHours, 0.0);
      pair.scratch.assign(n, 0.0);
      pair.day_tally.resize(m.choices.size());
      pair.half_tally.resize(m.choices.size());
      if (m.follows_wet) pair.window = HourWindow(m.count);
    }
    for (std::size_t p = 0; p < m.pairs.size(); ++p) {
      const double distance = m.grid.distance(p);
      std::vector<int>& reaching = m.in_reach.emplace_back(n + 1, 0);
      for (int station = 1; station <= m.count; ++station) {
        reaching[static_cast<std::size_t>(station)] =
            sources_in_reach(m.table, station, m.count, distance * distance);
      }
    }
  });
}

double* DisaggregationJudge::scratch(std::size_t pair) {
  return impl_->pairs[pair].scratch.data();
}

void DisaggregationJudge::add_hour(std::size_t p, const HourStamp& stamp, const double* observed,
                                   const std::vector<int>& present, const double* estimates) {
  Impl& m = *impl_;
  Impl::Pair& pair = m.pairs[p];
  // Hours 7 to 24 belong to the collector day of their date, hours 1 to 6
  // to that of the day before; hours of a day never opened are of no use.
  const bool morning = stamp.hour < 7;
  HourStamp date = stamp;
  date.hour = morning ? 1 : 24;
  if (pair.open && !(date == (morning ? pair.next : pair.day))) m.close_day(p);
  if (!pair.open) {
    if (morning) return;
    pair.open = true;
    pair.day = date;
    pair.next = next_hour(date);
    pair.hours = 0;
    pair.repeated = false;
    std::fill(pair.present.begin(), pair.present.end(), 0);
  }
  // An hour outside 1..24 or one seen twice leaves the day incomplete.
  const int place = morning ? stamp.hour + 17 : stamp.hour - 7;
  if (stamp.hour < 1 || stamp.hour > 24 || (pair.hours >> place & 1U)) {
    pair.repeated = true;
    return;
  }
  const std::uint32_t bit = std::uint32_t{1} << place;
  pair.hours |= bit;
  for (const int j : present) {
    const auto at = static_cast<std::size_t>(j) * kDayHours + static_cast<std::size_t>(place);
    pair.present[static_cast<std::size_t>(j)] |= bit;
    pair.estimated[at] = estimates[j];
    pair.observed[at] = observed[j];
  }
}

void DisaggregationJudge::end_block() {
  impl_->write_rows();
}

std::vector<WayFigures> DisaggregationJudge::finish() {
  Impl& m = *impl_;
  for (std::size_t p = 0; p < m.pairs.size(); ++p) {
    if (m.pairs[p].open) m.close_day(p);
  }
  m.write_rows();
  if (m.out) {
    if (!m.out->close()) fail_added_file(exit_code::added_file_not_written, kPeriodsWhat, m.name);
  }
  std::vector<WayFigures> figures;
  for (std::size_t p = 0; p < m.pairs.size(); ++p) {
    for (std::size_t q = 0; q < m.choices.size(); ++q) {
      figures.push_back({m.grid.power(p), m.grid.distance(p), m.grid.neighbour_count(p),
                         m.grid.patterns[q], figures_of(m.pairs[p].day_tally[q]),
                         figures_of(m.pairs[p].half_tally[q])});
    }
  }
  return figures;
}

}  // namespace rumo
