#include "interp/adjust.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

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
    if (keeping.keep_totals) keep_period_total(period.hours(), reading, keeping.decimals, nodata);
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
        keep_period_total(period.hours(), reading, keeping.decimals, nodata);
      }
    } else {
      std::fill_n(period.values.begin(), period.count, pass.unusable_sum_value);
    }
    period.put_back(columns, m);
  };
  // Each station's period is its own: the thread that interpolated a run of
  // stations sums and scales them at once; the values do not depend on who
  // does it.
  engine.interpolate(window, pass.first_slot, pass.last_slot, pass.first_station, pass.last_station,
                     [&](int first, int last) {
                       for (std::size_t k = 0; k < columns.count; ++k) {
                         const double* field = columns.slot[k];
                         for (int m = first; m <= last; ++m) sums[m] += field[m];
                       }
                       for (int m = first; m <= last; ++m) scale(m);
                     });
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
