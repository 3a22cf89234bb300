#include "interp/adjust.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "core/workers.hpp"

namespace rumo {

namespace {

struct Pass {
  int first_station;
  int last_station;
  int first_slot;
  int last_slot;
  // What every hour of a station becomes when its sum is negative or not a
  // number: the missing marker for climate halves, -N for collector days.
  double unusable_sum_value;
};

// The pass's reading and sum of each station, kept when a report is asked for.
void record_periods(const Pass& pass, const HourWindow& window, const std::vector<double>& sums,
                    std::vector<PeriodRecord>& periods) {
  const HourStamp& stamp = window.stamp(pass.first_slot);
  const HourField& store = window.field(0);
  for (int m = pass.first_station; m <= pass.last_station; ++m) {
    periods.push_back({m, stamp, pass.first_slot, pass.last_slot, store[m], sums[m]});
  }
}

// The slots of a pass, looked up once: a period's hours of a station are
// one entry of each.
struct Columns {
  std::array<double*, kPeriodHoursMax> slot;
  std::size_t count;

  Columns(const Pass& pass, HourWindow& window)
      : count(static_cast<std::size_t>(pass.last_slot - pass.first_slot + 1)) {
    for (std::size_t k = 0; k < count; ++k) {
      slot[k] = window.field(pass.first_slot + static_cast<int>(k)).data();
    }
  }
};

// A period's hours of station m, gathered from the window's slots and put
// back.
struct PeriodHours {
  std::array<double, kPeriodHoursMax> values;
  std::size_t count;

  PeriodHours(const Columns& columns, int m) : count(columns.count) {
    for (std::size_t k = 0; k < count; ++k) values[k] = columns.slot[k][m];
  }
  std::span<double> hours() { return {values.data(), count}; }
  void put_back(const Columns& columns, int m) const {
    for (std::size_t k = 0; k < count; ++k) columns.slot[k][m] = values[k];
  }
};

// Rounds a scaled or spread period's hours together, so that their written
// values add up to the reading as it is written. A period whose rounding is
// out of reach, or would turn an hour missing, is left as it is.
void keep_total(PeriodHours& period, double reading, int decimals, double nodata) {
  // A reading of 0, the commonest, leaves every present hour at 0 (scaled,
  // they are 0 already, or -0): nothing to round.
  if (reading == 0.0) {
    for (double& value : period.hours()) value = is_present(value, nodata) ? 0.0 : value;
    return;
  }
  const auto total = decimal_units(reading, decimals);
  if (!total) return;
  std::array<std::int64_t, kPeriodHoursMax> units;
  if (!round_keeping_total(period.hours(), *total, decimals, nodata,
                           {units.data(), period.count})) {
    return;
  }
  std::array<double, kPeriodHoursMax> rounded;
  int lost = 0;  // hours that rounding would turn missing
  for (std::size_t k = 0; k < period.count; ++k) {
    const bool present = is_present(period.values[k], nodata);
    rounded[k] = present ? units_value(units[k], decimals) : period.values[k];
    lost |= present && !is_present(rounded[k], nodata) ? 1 : 0;
  }
  if (lost == 0) std::copy_n(rounded.begin(), period.count, period.values.begin());
}

// Whether a period is dry: a present, positive reading that the hours, all 0
// or missing, do not explain.
bool is_dry(double reading, double sum, double nodata) {
  return sum == 0.0 && is_present(reading, nodata) && reading > 0.0;
}

// Spreads the reading of each dry period by the fallback; `records` holds
// the pass's records, by station from the pass's first, or is null.
void spread_dry_periods(const Pass& pass, HourWindow& window, const Columns& columns,
                        const std::vector<double>& sums, double nodata, int hourly,
                        const KeepingReadings& keeping, PeriodRecord* records) {
  std::vector<double> wet;
  for (int m = pass.first_station; m <= pass.last_station; ++m) {
    const double reading = window.field(0)[m];
    if (!is_dry(reading, sums[m], nodata)) continue;
    int source = 0;
    if (keeping.dry_fallback == DryFallback::nearest_wet) {
      if (wet.empty()) wet_sums(window, pass.first_slot, pass.last_slot, hourly, nodata, wet);
      source = nearest_wet_station(*keeping.stations, m, hourly, wet);
    }
    PeriodHours period(columns, m);
    if (source != 0) {
      const PeriodHours pattern(columns, source);
      spread_period(period.hours(), reading, {pattern.values.data(), pattern.count}, wet[source],
                    nodata);
    } else {
      spread_period(period.hours(), reading, {}, 0.0, nodata);
    }
    if (keeping.keep_totals) keep_total(period, reading, keeping.decimals, nodata);
    period.put_back(columns, m);
    if (records != nullptr) {
      PeriodRecord& record = records[m - pass.first_station];
      record.spread = source != 0 ? DryFallback::nearest_wet : DryFallback::uniform;
      record.pattern_sum = source != 0 ? wet[source] : 0.0;
    }
  }
}

void run_pass(const Pass& pass, HourWindow& window, std::vector<double>& sums, double nodata,
              IdwEngine& engine, std::vector<PeriodRecord>* periods, int hourly,
              const KeepingReadings& keeping) {
  HourField& store = window.field(0);
  const HourField& readings = window.field(pass.first_slot);
  for (int m = pass.first_station; m <= pass.last_station; ++m) {
    sums[m] = 0.0;
    store[m] = readings[m];
  }
  engine.interpolate(window, pass.first_slot, pass.last_slot, pass.first_station,
                     pass.last_station);
  for (int slot = pass.first_slot; slot <= pass.last_slot; ++slot) {
    const HourField& field = window.field(slot);
    for (int m = pass.first_station; m <= pass.last_station; ++m) sums[m] += field[m];
  }

  const double marker = missing_marker(nodata);
  const Columns columns(pass, window);
  const auto scale = [&](int m) {
    const double sum = sums[m];
    const double reading = store[m];
    const bool reading_present = is_present(reading, nodata);
    PeriodHours period(columns, m);
    if (sum > 0.0 || sum == 0.0) {
      const double ratio = reading / sum;
      for (double& value : period.hours()) {
        if (!is_present(value, nodata) || !reading_present) {
          value = marker;
        } else if (sum == 0.0) {
          value = 0.0;
        } else {
          // Infinite readings or sums can make the product NaN (0 times
          // infinity); such an hour has no usable value.
          const double scaled = ratio * value;
          value = std::isnan(scaled) ? marker : scaled;
        }
      }
      if (keeping.keep_totals && reading_present && sum > 0.0) {
        keep_total(period, reading, keeping.decimals, nodata);
      }
    } else {
      std::fill_n(period.values.begin(), period.count, pass.unusable_sum_value);
    }
    period.put_back(columns, m);
  };
  // Each station's period is its own, so kept totals, whose rounding costs
  // most, are shared among the pool's threads in fixed runs of stations;
  // the values do not depend on who scales them.
  WorkerPool* pool = engine.pool();
  const int stations = pass.last_station - pass.first_station + 1;
  constexpr int kStationsPerPiece = 64;
  if (keeping.keep_totals && pool != nullptr && pool->size() > 1 && stations > kStationsPerPiece) {
    const auto pieces =
        static_cast<std::size_t>((stations + kStationsPerPiece - 1) / kStationsPerPiece);
    pool->run(pieces, [&](std::size_t piece, int) {
      const int first = pass.first_station + static_cast<int>(piece) * kStationsPerPiece;
      const int last = std::min(pass.last_station, first + kStationsPerPiece - 1);
      for (int m = first; m <= last; ++m) scale(m);
    });
  } else {
    for (int m = pass.first_station; m <= pass.last_station; ++m) scale(m);
  }
  const std::size_t recorded = periods != nullptr ? periods->size() : 0;
  if (periods != nullptr) record_periods(pass, window, sums, *periods);
  if (keeping.dry_fallback != DryFallback::zero) {
    spread_dry_periods(pass, window, columns, sums, nodata, hourly, keeping,
                       periods != nullptr ? periods->data() + recorded : nullptr);
  }
}

}  // namespace

void adjust_to_totals(HourWindow& window, std::vector<double>& sums, const StationCounts& counts,
                      double nodata, IdwEngine& engine, std::vector<PeriodRecord>* periods,
                      const KeepingReadings& keeping) {
  const auto pass = [&](const Pass& p) {
    run_pass(p, window, sums, nodata, engine, periods, counts.hourly, keeping);
  };
  if (counts.climate >= 1) {
    const int first = counts.first_climate();
    const int last = counts.last_climate();
    pass({first, last, 1, 12, missing_marker(nodata)});
    pass({first, last, 13, 24, missing_marker(nodata)});
  }
  if (counts.collector >= 1) pass({counts.first_collector(), counts.total(), 1, 24, -nodata});
}

}  // namespace rumo
