#include "interp/adjust.hpp"

#include <array>
#include <cmath>
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

void run_pass(const Pass& pass, HourWindow& window, double nodata, IdwEngine& engine,
              std::vector<PeriodRecord>* periods, int hourly, const SpreadingChoices& choices,
              HourlyCoverage* coverage) {
  HourField& store = window.field(0);
  const HourField& readings = window.field(pass.first_slot);
  for (int m = pass.first_station; m <= pass.last_station; ++m) store[m] = readings[m];
  // One record per station, completed by the thread that spreads it.
  PeriodRecord* records = nullptr;
  if (periods != nullptr) {
    const HourStamp& stamp = window.stamp(pass.first_slot);
    const std::size_t first = periods->size();
    for (int m = pass.first_station; m <= pass.last_station; ++m) {
      periods->push_back({m, stamp, pass.first_slot, pass.last_slot, store[m]});
    }
    records = periods->data() + first;
  }
  // The hourly stations' sums over the pass, which a dry period may follow;
  // the hourly stations' slots stay as they are throughout the pass.
  std::vector<double> wet;
  const bool peaks = choices.pattern == Pattern::peak_add || choices.pattern == Pattern::peak_align;
  if (choices.dry_fallback == DryFallback::nearest_wet ||
      choices.no_data_hours == NoDataHours::nearest_wet || peaks) {
    wet_sums(window, pass.first_slot, pass.last_slot, hourly, nodata, wet);
  }
  if (coverage != nullptr) coverage->note_slots(window, pass.first_slot, pass.last_slot, nodata);

  const Columns columns(pass, window);
  const auto spread = [&](int m) {
    PeriodHours period(columns, m);
    std::array<double, kPeriodHoursMax> pattern;
    const auto nearest_wet = [&]() -> DryPattern {
      const int source = nearest_wet_station(engine.table(), m, hourly, wet);
      if (source == 0) return {};
      for (std::size_t k = 0; k < columns.count; ++k) pattern[k] = columns.slot[k][source];
      return {pattern.data(), wet[static_cast<std::size_t>(source)]};
    };
    // The mean peak share of the nearest wet hourly stations' hours.
    const auto peak = [&]() -> double {
      std::array<int, kPeakNeighbours> sources;
      const std::size_t found = nearest_wet_stations(engine.table(), m, hourly, wet, sources);
      if (found == 0) return NAN;
      std::array<double, kPeriodHoursMax> hours;
      double shares = 0.0;
      for (std::size_t n = 0; n < found; ++n) {
        const int source = sources[n];
        for (std::size_t k = 0; k < columns.count; ++k) hours[k] = columns.slot[k][source];
        shares += peak_share({hours.data(), columns.count}, wet[static_cast<std::size_t>(source)]);
      }
      return shares / static_cast<double>(found);
    };
    const int without = coverage != nullptr ? coverage->hours_without_data(m) : 0;
    const PeriodToSpread reading{store[m],
                                 period.hours(),
                                 nodata,
                                 pass.unusable_sum_value,
                                 PatternLookup(nearest_wet),
                                 Lookup<double>(peak),
                                 without};
    const Spread done = spread_reading(reading, choices, period.hours());
    period.put_back(columns, m);
    if (records != nullptr) {
      PeriodRecord& record = records[m - pass.first_station];
      record.interpolated = done.sum;
      record.outcome = done.outcome;
      record.pattern_sum = done.pattern_sum;
      record.no_data_hours = without;
    }
  };
  // Each station's period is its own: the thread that interpolated a run of
  // stations spreads their readings at once; the values do not depend on
  // who does it.
  engine.interpolate(window, pass.first_slot, pass.last_slot, pass.first_station, pass.last_station,
                     [&](int first, int last) {
                       for (int m = first; m <= last; ++m) spread(m);
                     });
}

}  // namespace

void adjust_to_totals(HourWindow& window, const StationCounts& counts, double nodata,
                      IdwEngine& engine, std::vector<PeriodRecord>* periods,
                      const SpreadingChoices& choices, HourlyCoverage* coverage) {
  const auto pass = [&](const Pass& p) {
    run_pass(p, window, nodata, engine, periods, counts.hourly, choices, coverage);
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
