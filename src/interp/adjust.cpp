#include "interp/adjust.hpp"

#include <cmath>

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

void run_pass(const Pass& pass, HourWindow& window, std::vector<double>& sums, double nodata,
              IdwEngine& engine, std::vector<PeriodRecord>* periods) {
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
  for (int m = pass.first_station; m <= pass.last_station; ++m) {
    const double sum = sums[m];
    const double reading = store[m];
    const bool reading_present = is_present(reading, nodata);
    if (sum > 0.0 || sum == 0.0) {
      const double ratio = reading / sum;
      for (int slot = pass.first_slot; slot <= pass.last_slot; ++slot) {
        double& value = window.field(slot)[m];
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
    } else {
      for (int slot = pass.first_slot; slot <= pass.last_slot; ++slot) {
        window.field(slot)[m] = pass.unusable_sum_value;
      }
    }
  }
  if (periods != nullptr) record_periods(pass, window, sums, *periods);
}

}  // namespace

void adjust_to_totals(HourWindow& window, std::vector<double>& sums, const StationCounts& counts,
                      double nodata, IdwEngine& engine, std::vector<PeriodRecord>* periods) {
  if (counts.climate >= 1) {
    const int first = counts.first_climate();
    const int last = counts.last_climate();
    run_pass({first, last, 1, 12, missing_marker(nodata)}, window, sums, nodata, engine, periods);
    run_pass({first, last, 13, 24, missing_marker(nodata)}, window, sums, nodata, engine, periods);
  }
  if (counts.collector >= 1) {
    run_pass({counts.first_collector(), counts.total(), 1, 24, -nodata}, window, sums, nodata,
             engine, periods);
  }
}

}  // namespace rumo
