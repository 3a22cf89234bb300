// How a reading becomes hours: the one place where the reading of a climate
// half or a collector day is spread over the hourly estimates of its period,
// for the run and the cross-validation alike. It scales the estimates to the
// reading, spreads a reading that no estimated rain explains by the dry
// fallback, and rounds the hours together to the reading where totals are
// kept; what it did is the period's outcome, which the report and the map
// count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/params.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "interp/patterns.hpp"

namespace rumo {

// The most hours a period has: a collector day.
constexpr std::size_t kPeriodHoursMax = 24;

// The run's choices of how a reading is spread. The default is the plain
// scaling: dry periods stay 0 and the hours are written as they come.
struct SpreadingChoices {
  DryFallback dry_fallback = DryFallback::zero;
  bool keep_totals = false;
  int decimals = 1;                // of the written hours, for keep_totals
  Pattern pattern = Pattern::idw;  // how a scaled period's hours are shaped first
  NoDataHours no_data_hours = NoDataHours::zero;
};

// The hours a dry period follows under nearest-wet: the values of the
// nearest wet hourly station over the same hours, adding up to `sum` > 0.
// Without hours, no hourly station is wet and the reading is spread evenly.
struct DryPattern {
  const double* hours = nullptr;
  double sum = 0.0;
};

// How a dry period finds its pattern, asked only when one is needed (it
// must outlive the call of spread_reading). Empty: no pattern.
using PatternLookup = Lookup<DryPattern>;

// One period's reading and estimates.
struct PeriodToSpread {
  double reading = 0.0;               // as read, missing marker included
  std::span<const double> estimates;  // the hourly estimates, in the order of the hours
  double nodata = 9998.0;
  // What every hour becomes where the estimates add up to a negative number
  // or not a number: the missing marker for climate halves, -N for
  // collector days.
  double unusable_value = 0.0;
  PatternLookup nearest_wet;  // asked only where a nearest-wet choice applies
  // The mean peak share of the nearest wet hourly stations (NaN without
  // one), asked only under the patterns that follow it.
  Lookup<double> peak_share;
  // Hours in which no hourly station in reach had a value, while one stands
  // in reach: their estimates say nothing.
  int no_data_hours = 0;
};

// What became of a period.
struct Spread {
  Outcome outcome = Outcome::scaled;
  double sum = 0.0;  // Σ of the estimates, added in the order of the hours
  // Of the hours the reading was spread in proportion to where they tell
  // something apart from a plain scaling: the nearest wet station's, and a
  // no-hourly-data period's own estimates under NoDataHours::zero. 0 where
  // the reading was spread evenly, written missing or lost.
  double pattern_sum = 0.0;
};

// Writes the period's hours into `hours` (as many as the estimates; they may
// be the estimates themselves). The checks, in their order:
// - Σ negative or not a number (unusable-sum): every hour is the unusable
//   value;
// - the reading missing (reading-missing): every hour is missing;
// - hours without data (no-hourly-data) under a choice other than zero:
//   every hour missing, or the reading spread evenly or after the nearest
//   wet hourly station (evenly where there is none);
// - Σ = 0 (no-rain-interpolated): present hours are 0, so a positive reading
//   is lost, unless the dry fallback spreads it evenly over the hours
//   (spread-uniform) or after the nearest wet hourly station
//   (nearest-wet; evenly where there is none);
// - Σ > 0 (scaled): each hour is reading / Σ × estimate, the estimates
//   shaped by the pattern first (shape_hours; then the shaped values and
//   their sum take their place).
// Under zero, a period with hours without data is scaled or left dry all
// the same, but its outcome is no-hourly-data (unless the dry fallback
// spread it).
// A missing estimate gives a missing hour, and so does a product that is not
// a number (0 × infinity). With kept totals, the hours of a scaled or spread
// period are then rounded together so that their written values add up to
// the reading as written; a period out of the rounding's reach (a value too
// large, a missing hour the rounding would need) stays as it is.
Spread spread_reading(const PeriodToSpread& period, const SpreadingChoices& choices,
                      std::span<double> hours);

// The sum of each hourly station 1..hourly over slots first..last of the
// window, into `sums` (one entry per station number), or 0 where a value is
// missing or the sum is not above 0: only stations above 0 can lend their
// hours to a dry period.
void wet_sums(const HourWindow& window, int first_slot, int last_slot, int hourly, double nodata,
              std::vector<double>& sums);

// The hourly station nearest to station `target` among those whose entry in
// `sums` is above 0, at any distance; the lower number among equally near
// ones. 0 if there is none.
int nearest_wet_station(const StationTable& table, int target, int hourly,
                        const std::vector<double>& sums);

// The same, the nearest `nearest.size()` of them (kPeakNeighbours at most)
// into `nearest`, nearest first; returns how many there are.
std::size_t nearest_wet_stations(const StationTable& table, int target, int hourly,
                                 const std::vector<double>& sums, std::span<int> nearest);

// Rounds the present values of a period together, in units of the last of
// `decimals` decimals, so that they add up to `total` (the reading in such
// units): each is cut towards 0, then the hours with the largest remainders
// in the direction of the shortfall get one unit each, the earlier hour first
// among equal remainders; an hour whose remainder is 0 (a value of 0 among
// them) gets nothing. Missing values (at or below -nodata) take no part and
// get 0 units. The units are whole numbers, held as doubles. Returns false,
// leaving `units` undefined, where the values are more than kPeriodHoursMax,
// too large or not finite, or the total cannot be reached that way.
bool round_keeping_total(std::span<const double> values, std::int64_t total, int decimals,
                         double nodata, std::span<double> units);

}  // namespace rumo
