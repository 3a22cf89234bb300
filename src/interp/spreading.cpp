#include "interp/spreading.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "core/number_text.hpp"
#include "core/vector_loop.hpp"

namespace rumo {

namespace {

// Units below this are whole numbers that a double holds exactly, with room
// for their sums and for a quotient by a power of ten that "%.Nf" writes back
// as the same digits.
constexpr double kLargestUnits = 1e15;
// One unit of the last of 0..6 decimals, inverted: 10 to the decimals.
constexpr std::array<double, 7> kScales = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};

// x (|x| < 2^51) cut towards 0, without a call or a branch: rounded to the
// nearest whole number, then moved one back towards 0 where that went past x.
double cut_towards_zero(double x) {
  const double nearest = nearest_whole(x);
  const double above = nearest > x ? 1.0 : 0.0;
  const double below = nearest < x ? 1.0 : 0.0;
  return x >= 0.0 ? nearest - above : nearest + below;
}

// What cut_values finds besides the cuts: hours with at least half a unit
// left over, and hours without a usable value.
struct CutCounts {
  std::int64_t halves;
  std::int64_t unusable;
};

// Each present value in units, cut towards 0, and its remainder (exact, and
// of the value's sign); missing values count as 0, values at or beyond
// kLargestUnits units as not a number. A loop without branches, as the
// hours of a run come by the million.
RUMO_VECTOR_LOOP CutCounts cut_values(const double* __restrict values, std::size_t count,
                                      double scale, double nodata, double* __restrict cuts,
                                      double* __restrict remainders) {
  // Counted in 64 bits, as wide as the values, so that the loop stays one of
  // whole vectors.
  std::int64_t halves = 0;
  std::int64_t unusable = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const double product = values[k] * scale;
    const double scaled = values[k] > -nodata ? product : 0.0;
    const double bounded =
        std::fabs(scaled) < kLargestUnits ? scaled : std::numeric_limits<double>::quiet_NaN();
    cuts[k] = cut_towards_zero(bounded);
    remainders[k] = bounded - cuts[k];
    halves += remainders[k] >= 0.5 ? 1 : 0;
    unusable += remainders[k] == remainders[k] ? 0 : 1;
  }
  return {halves, unusable};
}

// The written values of a period's rounded units; missing hours as they
// were. Counts the hours that would turn missing.
RUMO_VECTOR_LOOP std::int64_t units_to_values(double* hours, const double* units, std::size_t count,
                                              double scale, double nodata) {
  std::int64_t lost = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const bool present = is_present(hours[k], nodata);
    const double value = units[k] / scale;
    lost += present && !is_present(value, nodata) ? 1 : 0;
    hours[k] = present ? value : hours[k];
  }
  return lost;
}

}  // namespace

void wet_sums(const HourWindow& window, int first_slot, int last_slot, int hourly, double nodata,
              std::vector<double>& sums) {
  sums.assign(station_entries(hourly), 0.0);
  const double missing = std::numeric_limits<double>::quiet_NaN();
  for (int slot = first_slot; slot <= last_slot; ++slot) {
    const HourField& field = window.field(slot);
    for (int s = 1; s <= hourly; ++s) sums[s] += is_present(field[s], nodata) ? field[s] : missing;
  }
  for (int s = 1; s <= hourly; ++s) {
    if (!(std::isfinite(sums[s]) && sums[s] > 0.0)) sums[s] = 0.0;
  }
}

int nearest_wet_station(const StationTable& table, int target, int hourly,
                        const std::vector<double>& sums) {
  int nearest = 0;
  return nearest_wet_stations(table, target, hourly, sums, {&nearest, 1}) == 1 ? nearest : 0;
}

std::size_t nearest_wet_stations(const StationTable& table, int target, int hourly,
                                 const std::vector<double>& sums, std::span<int> nearest) {
  std::array<double, kPeakNeighbours> least;
  const std::size_t wanted = std::min(nearest.size(), least.size());
  std::size_t found = 0;
  if (wanted == 0) return 0;
  const double x = table.first[static_cast<std::size_t>(target)];
  const double y = table.second[static_cast<std::size_t>(target)];
  for (int s = 1; s <= hourly; ++s) {
    if (!(sums[s] > 0.0)) continue;
    const double dx = table.first[s] - x;
    const double dy = table.second[s] - y;
    const double d2 = dx * dx + dy * dy;
    // A later station must be strictly nearer than one it displaces; a
    // distance that is not a number is never among the nearest.
    if (std::isnan(d2) || (found == wanted && !(d2 < least[found - 1]))) continue;
    std::size_t at = found < wanted ? found++ : found - 1;
    for (; at > 0 && d2 < least[at - 1]; --at) {
      least[at] = least[at - 1];
      nearest[at] = nearest[at - 1];
    }
    least[at] = d2;
    nearest[at] = s;
  }
  return found;
}

bool round_keeping_total(std::span<const double> values, std::int64_t total, int decimals,
                         double nodata, std::span<double> units) {
  const std::size_t count = values.size();
  if (count > kPeriodHoursMax) return false;
  const double scale = kScales[static_cast<std::size_t>(decimals)];
  std::array<double, kPeriodHoursMax> cuts;
  std::array<double, kPeriodHoursMax> remainders;
  const CutCounts found =
      cut_values(values.data(), count, scale, nodata, cuts.data(), remainders.data());
  if (found.unusable != 0) return false;
  // The cuts are whole numbers below kLargestUnits, so four sums of six of
  // them are exact in doubles; their sum, which may pass 2^53 before values
  // of the other sign bring it back, is taken in integers.
  std::fill(cuts.begin() + static_cast<std::ptrdiff_t>(count), cuts.end(), 0.0);
  std::array<double, 4> lanes{};
  for (std::size_t k = 0; k < kPeriodHoursMax; k += 4) {
    for (std::size_t j = 0; j < 4; ++j) lanes[j] += cuts[k + j];
  }
  std::int64_t cut_sum = 0;
  for (const double lane : lanes) cut_sum += static_cast<std::int64_t>(lane);
  std::copy_n(cuts.begin(), count, units.begin());
  // The cut values fall short of the total by less than one unit per hour
  // with a remainder in the shortfall's direction, so each such hour gets at
  // most one unit: the hours whose remainder ranks among the `wanted`
  // largest, the earlier hour first among equal ones.
  const auto shortfall = static_cast<double>(total - cut_sum);
  if (shortfall == 0.0) return true;
  if (!(std::fabs(shortfall) <= static_cast<double>(count))) return false;
  // Often (a third of the periods of a run) the hours rounded each to the
  // nearest unit already add up: the hours with half a unit or more left
  // over are then exactly those with the `shortfall` largest remainders.
  if (shortfall == static_cast<double>(found.halves)) {
    for (std::size_t k = 0; k < count; ++k) units[k] += remainders[k] >= 0.5 ? 1.0 : 0.0;
    return true;
  }
  const double direction = shortfall > 0.0 ? 1.0 : -1.0;
  const auto wanted = static_cast<std::size_t>(std::fabs(shortfall));
  // The candidates are the hours with a remainder in the shortfall's
  // direction (dry hours have none). Their remainders are sorted into
  // buckets 1..kBuckets by their first bits (exact, and in their order;
  // bucket 0 holds the other hours): the candidates of the buckets above the
  // one where the wanted units run out all get one, those of that bucket are
  // ranked one by one.
  constexpr int kBuckets = 32;
  std::array<double, kPeriodHoursMax> keys;
  std::array<int, kPeriodHoursMax> bucket;
  std::array<std::uint8_t, kBuckets + 1> in_bucket{};
  int last = 0;  // the highest bucket with a candidate, from where they are counted
  for (std::size_t k = 0; k < count; ++k) {
    keys[k] = remainders[k] * direction;
    bucket[k] = keys[k] > 0.0 ? 1 + static_cast<int>(keys[k] * kBuckets) : 0;
    last = std::max(last, bucket[k]);
    ++in_bucket[static_cast<std::size_t>(bucket[k])];
  }
  if (wanted > count - in_bucket[0]) return false;
  std::size_t above = 0;
  while (above + in_bucket[static_cast<std::size_t>(last)] < wanted) {
    above += in_bucket[static_cast<std::size_t>(last--)];
  }
  const std::size_t rest = wanted - above;
  // Mostly the whole of that bucket is wanted (it often holds one hour).
  if (rest == in_bucket[static_cast<std::size_t>(last)]) {
    for (std::size_t k = 0; k < count; ++k) units[k] += bucket[k] >= last ? direction : 0.0;
    return true;
  }
  std::array<std::size_t, kPeriodHoursMax> tied;  // the hours of that bucket
  std::size_t in_last = 0;
  for (std::size_t k = 0; k < count; ++k) {
    units[k] += bucket[k] > last ? direction : 0.0;
    tied[in_last] = k;
    in_last += bucket[k] == last ? 1 : 0;
  }
  for (std::size_t a = 0; a < in_last; ++a) {
    // Larger remainders of the bucket, and equal ones of earlier hours.
    const std::size_t i = tied[a];
    std::size_t rank = 0;
    for (std::size_t b = 0; b < in_last; ++b) {
      const std::size_t j = tied[b];
      const int larger = keys[j] > keys[i] ? 1 : 0;
      const int tie_before = (keys[j] == keys[i] ? 1 : 0) & (j < i ? 1 : 0);
      rank += static_cast<std::size_t>(larger | tie_before);
    }
    units[i] += rank < rest ? direction : 0.0;
  }
  return true;
}

namespace {

// Spreads `reading` over a dry period's `hours`: in proportion to `pattern`
// (an hourly station's values of the same hours, adding up to
// `pattern_sum` > 0), or evenly over all of them without one. Hours that are
// missing stay as they are.
void spread_period(std::span<double> hours, double reading, std::span<const double> pattern,
                   double pattern_sum, double nodata) {
  const double even = reading / static_cast<double>(hours.size());
  const double ratio = reading / pattern_sum;
  for (std::size_t k = 0; k < hours.size(); ++k) {
    if (!is_present(hours[k], nodata)) continue;
    if (pattern.empty()) {
      hours[k] = even;
    } else {
      // As in the scaling, an infinite reading can meet a dry hour.
      const double scaled = ratio * pattern[k];
      hours[k] = std::isnan(scaled) ? missing_marker(nodata) : scaled;
    }
  }
}

// Written with `decimals` decimals ("%.Nf"), `value` as a whole number of
// units of the last decimal ("0.26" with one decimal: 3). Nothing for
// values whose units would not be exact in a double.
std::optional<std::int64_t> decimal_units(double value, int decimals) {
  const double scaled = value * kScales[static_cast<std::size_t>(decimals)];
  if (!(std::fabs(scaled) < kLargestUnits)) return std::nullopt;
  // Below 2^31 units the product is off by less than 1e-6 units, so a value
  // that lies farther than that from a half rounds to the nearest whole
  // number, as the written digits do; nearer a half, the digits decide.
  const double nearest = nearest_whole(scaled);
  if (std::fabs(scaled) < 2147483648.0 && std::fabs(std::fabs(scaled - nearest) - 0.5) > 1e-6) {
    return static_cast<std::int64_t>(nearest);
  }
  char text[64];
  const auto written =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  std::int64_t units = 0;
  bool negative = false;
  for (const char* at = text; at != written.ptr; ++at) {
    if (*at == '-') negative = true;
    if (*at >= '0' && *at <= '9') units = units * 10 + (*at - '0');
  }
  return negative ? -units : units;
}

// Rounds a scaled or spread period's hours in place so that their written
// values add up to `reading` as it is written with `decimals` decimals (see
// round_keeping_total); missing hours stay as they are. A period out of the
// rounding's reach, or whose rounding would make an hour missing, is left
// as it is.
void keep_period_total(std::span<double> hours, double reading, int decimals, double nodata) {
  // A reading of 0, the commonest, leaves every present hour at 0 (scaled,
  // they are 0 already, or -0): nothing to round.
  if (reading == 0.0) {
    for (double& value : hours) value = is_present(value, nodata) ? 0.0 : value;
    return;
  }
  const auto total = decimal_units(reading, decimals);
  if (!total) return;
  std::array<double, kPeriodHoursMax> units;
  if (!round_keeping_total(hours, *total, decimals, nodata, {units.data(), hours.size()})) return;
  std::array<double, kPeriodHoursMax> rounded;
  std::copy(hours.begin(), hours.end(), rounded.begin());
  if (units_to_values(rounded.data(), units.data(), hours.size(),
                      kScales[static_cast<std::size_t>(decimals)], nodata) == 0) {
    std::copy_n(rounded.begin(), hours.size(), hours.begin());
  }
}

}  // namespace

Spread spread_reading(const PeriodToSpread& period, const SpreadingChoices& choices,
                      std::span<double> hours) {
  Spread spread;
  for (const double estimate : period.estimates) spread.sum += estimate;
  const double sum = spread.sum;
  const double reading = period.reading;
  const double nodata = period.nodata;
  const double marker = missing_marker(nodata);
  if (!(sum >= 0.0)) {
    spread.outcome = Outcome::unusable_sum;
    std::fill(hours.begin(), hours.end(), period.unusable_value);
    return spread;
  }
  if (!is_present(reading, nodata)) {
    spread.outcome = Outcome::reading_missing;
    std::fill(hours.begin(), hours.end(), marker);
    return spread;
  }
  // Hours without data, unless their estimates of 0 are to stand: the
  // estimates are set aside, and only a missing one stays missing.
  const NoDataHours without = period.no_data_hours > 0 ? choices.no_data_hours : NoDataHours::zero;
  if (without != NoDataHours::zero) {
    spread.outcome = Outcome::no_hourly_data;
    if (without == NoDataHours::missing) {
      std::fill(hours.begin(), hours.end(), marker);
      return spread;
    }
    for (std::size_t k = 0; k < hours.size(); ++k) {
      hours[k] = is_present(period.estimates[k], nodata) ? 0.0 : marker;
    }
    const DryPattern pattern =
        without == NoDataHours::nearest_wet ? period.nearest_wet() : DryPattern{};
    std::span<const double> follow;
    if (pattern.hours != nullptr) follow = {pattern.hours, hours.size()};
    spread_period(hours, reading, follow, pattern.sum, nodata);
    spread.pattern_sum = pattern.sum;
    if (choices.keep_totals) keep_period_total(hours, reading, choices.decimals, nodata);
    return spread;
  }
  // A pattern shapes the estimates of a period with rain before they are
  // scaled; it never touches a missing estimate.
  std::array<double, kPeriodHoursMax> shaped;
  const std::size_t count = std::min(hours.size(), kPeriodHoursMax);
  bool is_shaped = false;
  double shaped_sum = 0.0;
  if (choices.pattern != Pattern::idw && hours.size() <= kPeriodHoursMax) {
    is_shaped = shape_hours(choices.pattern, period.estimates, sum, reading, nodata,
                            period.peak_share, {shaped.data(), count});
    for (std::size_t k = 0; is_shaped && k < count; ++k) shaped_sum += shaped[k];
  }
  const double ratio = reading / (is_shaped ? shaped_sum : sum);
  for (std::size_t k = 0; k < hours.size(); ++k) {
    const double estimate = period.estimates[k];
    if (!is_present(estimate, nodata)) {
      hours[k] = marker;
    } else if (sum == 0.0) {
      hours[k] = 0.0;
    } else {
      // Infinite readings or sums can make the product NaN (0 times
      // infinity); such an hour has no usable value.
      const double scaled = ratio * (is_shaped ? shaped[k] : estimate);
      hours[k] = std::isnan(scaled) ? marker : scaled;
    }
  }
  // Under zero, hours without data keep their estimates of 0.
  if (period.no_data_hours > 0) {
    spread.outcome = Outcome::no_hourly_data;
    spread.pattern_sum = sum;
  }
  if (sum == 0.0) {
    if (period.no_data_hours == 0) spread.outcome = Outcome::no_rain_interpolated;
    // Only a positive reading is lost to a dry period; the fallback keeps it.
    if (choices.dry_fallback == DryFallback::zero || !(reading > 0.0)) return spread;
    const DryPattern pattern =
        choices.dry_fallback == DryFallback::nearest_wet ? period.nearest_wet() : DryPattern{};
    if (pattern.hours != nullptr) {
      spread_period(hours, reading, {pattern.hours, hours.size()}, pattern.sum, nodata);
      spread.outcome = Outcome::nearest_wet;
      spread.pattern_sum = pattern.sum;
    } else {
      spread_period(hours, reading, {}, 0.0, nodata);
      spread.outcome = Outcome::spread_uniform;
    }
  }
  if (choices.keep_totals) keep_period_total(hours, reading, choices.decimals, nodata);
  return spread;
}
}  // namespace rumo
