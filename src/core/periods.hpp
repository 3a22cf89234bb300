// What became of the readings of climate and collector stations: one record
// per station and adjusted period, and the run's tallies of them. Filled only
// when a report or a map is asked for.
#pragma once

#include <string_view>
#include <vector>

#include "core/params.hpp"
#include "core/window.hpp"

namespace rumo {

// What became of a period's reading when it was spread over its hours.
enum class Outcome {
  scaled,                // a present reading spread over the hours in proportion
  no_rain_interpolated,  // a present reading, but every hour 0: a positive reading is lost
  reading_missing,       // every hour missing
  unusable_sum,          // a negative or NaN sum: every hour missing
  // A positive reading with every hour 0, spread by the dry fallback:
  spread_uniform,  // evenly over the hours
  nearest_wet,     // in proportion to the nearest hourly station with rain
  // A present reading and hours in which the hourly stations in reach had no
  // values, written as --no-data-hours chooses:
  no_hourly_data,
};

// One climate half or collector day of one station, as the run spread it.
struct PeriodRecord {
  int station = 0;
  HourStamp stamp;     // of the reading: hour 7 or 19
  int first_slot = 0;  // the period's hours in the day's window
  int last_slot = 0;
  double reading = 0.0;       // as read, missing markers included
  double interpolated = 0.0;  // the sum of the estimates over the period's hours
  Outcome outcome = Outcome::scaled;
  // The sum of the hours the reading was spread in proportion to: the
  // nearest wet hourly station's of a nearest-wet period, and of a
  // no-hourly-data period its own estimates or that station's; 0 where it
  // was spread evenly, written missing or lost.
  double pattern_sum = 0.0;
  // Hours of the period in which no hourly station in reach had a value,
  // while one stands in reach.
  int no_data_hours = 0;
};

std::string_view outcome_name(Outcome outcome);

// The run's figures of one station. For climate and collector stations: its
// periods and readings; for hourly stations: its present hours among those
// the result file holds.
struct StationTally {
  long periods = 0;
  long missing_readings = 0;     // periods with the outcome reading-missing
  double observed = 0.0;         // the sum of the present positive readings
  double not_distributed = 0.0;  // positive readings of no-rain-interpolated periods
  long not_distributed_periods = 0;
  double unusable = 0.0;  // positive readings of unusable-sum periods
  long unusable_periods = 0;
  double spread = 0.0;  // positive readings of periods spread by the dry fallback
  long spread_periods = 0;
  double no_data = 0.0;  // positive readings of no-hourly-data periods
  long no_data_periods = 0;
  double no_data_lost = 0.0;  // of them, those the result does not hold
  long present_hours = 0;
};

struct RunTally {
  std::vector<StationTally> stations;  // by station number, entry 0 unused
  double observed_total = 0.0;         // the sum of all present readings
  long periods = 0;
  long written_hours = 0;  // data lines of the result file
  // Spread by the dry fallback: evenly, and after the nearest wet station.
  double spread_uniform = 0.0;
  long spread_uniform_periods = 0;
  double spread_nearest = 0.0;
  long spread_nearest_periods = 0;

  // How the no-hourly-data periods were written, which tells whether their
  // readings reached the result.
  NoDataHours no_data_hours = NoDataHours::zero;

  explicit RunTally(int total, NoDataHours no_data = NoDataHours::zero)
      : stations(static_cast<std::size_t>(total) + 1), no_data_hours(no_data) {}
};

// Adds the periods of one day.
void tally_periods(RunTally& tally, const std::vector<PeriodRecord>& periods, double nodata);

// Adds one hour of the result file: each hourly station 1..hourly whose value is present.
void tally_hour(RunTally& tally, const HourField& field, int hourly, double nodata);

}  // namespace rumo
