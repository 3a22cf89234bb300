// Keeping the readings of climate and collector periods whole: spreading a
// reading that no interpolated rain explains, and rounding a period's hours
// so that their written values add up to the reading. Plain functions of a
// period's values, with no state of a run, so that any part that splits
// readings into hours can use them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/stations.hpp"
#include "core/window.hpp"

namespace rumo {

// What becomes of a period with a present, positive reading whose
// interpolated hours add up to exactly 0.
enum class DryFallback {
  zero,         // the hours stay 0: the reading does not reach the result
  uniform,      // every hour gets the reading divided by the period's hours
  nearest_wet,  // the hours follow the nearest hourly station with rain, else uniform
};

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

// Spreads `reading` over a dry period's `hours`: in proportion to `pattern`
// (an hourly station's values of the same hours, adding up to
// `pattern_sum` > 0), or evenly over all of them without one. Hours that are
// missing stay as they are.
void spread_period(std::span<double> hours, double reading, std::span<const double> pattern,
                   double pattern_sum, double nodata);

// Written with `decimals` decimals ("%.Nf"), `value` as a whole number of
// units of the last decimal ("0.26" with one decimal: 3). Nothing for
// values whose units would not be exact in a double.
std::optional<std::int64_t> decimal_units(double value, int decimals);

// The most hours a period has: a collector day.
constexpr std::size_t kPeriodHoursMax = 24;

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

// Rounds a scaled or spread period's hours in place so that their written
// values add up to `reading` as it is written with `decimals` decimals (see
// round_keeping_total); missing hours stay as they are. A period out of the
// rounding's reach, or whose rounding would make an hour missing, is left
// as it is.
void keep_period_total(std::span<double> hours, double reading, int decimals, double nodata);

}  // namespace rumo
