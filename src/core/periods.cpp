#include "core/periods.hpp"

namespace rumo {

std::string_view outcome_name(Outcome outcome) {
  switch (outcome) {
    case Outcome::scaled:
      return "scaled";
    case Outcome::no_rain_interpolated:
      return "no-rain-interpolated";
    case Outcome::reading_missing:
      return "reading-missing";
    case Outcome::unusable_sum:
      return "unusable-sum";
    case Outcome::spread_uniform:
      return "spread-uniform";
    case Outcome::nearest_wet:
      return "nearest-wet";
    case Outcome::no_hourly_data:
      return "no-hourly-data";
  }
  return "";
}

void tally_periods(RunTally& tally, const std::vector<PeriodRecord>& periods, double nodata) {
  for (const PeriodRecord& period : periods) {
    StationTally& station = tally.stations[static_cast<std::size_t>(period.station)];
    const Outcome outcome = period.outcome;
    const bool present = is_present(period.reading, nodata);
    // Only rain that was observed can be lost; a zero or negative reading
    // observes none.
    const double rain = present && period.reading > 0.0 ? period.reading : 0.0;
    ++tally.periods;
    ++station.periods;
    if (present) tally.observed_total += period.reading;
    station.observed += rain;
    if (outcome == Outcome::reading_missing) ++station.missing_readings;
    if (outcome == Outcome::no_rain_interpolated && rain > 0.0) {
      station.not_distributed += rain;
      ++station.not_distributed_periods;
    }
    if (outcome == Outcome::spread_uniform || outcome == Outcome::nearest_wet) {
      station.spread += rain;
      ++station.spread_periods;
      const bool even = outcome == Outcome::spread_uniform;
      (even ? tally.spread_uniform : tally.spread_nearest) += rain;
      ++(even ? tally.spread_uniform_periods : tally.spread_nearest_periods);
    }
    if (outcome == Outcome::no_hourly_data) {
      station.no_data += rain;
      ++station.no_data_periods;
      // Written missing, or left at 0 with estimates that are all 0.
      const NoDataHours how = tally.no_data_hours;
      if (how == NoDataHours::missing || (how == NoDataHours::zero && period.pattern_sum == 0.0)) {
        station.no_data_lost += rain;
      }
    }
    if (outcome == Outcome::unusable_sum && rain > 0.0) {
      station.unusable += rain;
      ++station.unusable_periods;
    }
  }
}

void tally_hour(RunTally& tally, const HourField& field, int hourly, double nodata) {
  ++tally.written_hours;
  for (int m = 1; m <= hourly; ++m) {
    if (is_present(field[static_cast<std::size_t>(m)], nodata)) ++tally.stations[m].present_hours;
  }
}

}  // namespace rumo
