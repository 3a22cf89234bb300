// Station series as the exchange formats describe them: the stations with
// their kind and place, the time base, and what the run was.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "core/time_base.hpp"
#include "core/window.hpp"

namespace rumo {

// Numbered as the NetCDF flag values give them.
enum class StationKind : signed char { unknown = 0, hourly = 1, climate = 2, collector = 3 };

const char* kind_name(StationKind kind);

struct SeriesStation {
  std::string name;
  StationKind kind = StationKind::unknown;
  double x = 0.0;  // first coordinate
  double y = 0.0;  // second coordinate
  double height = 0.0;
  // The station's id in the source the file was imported from; empty where
  // the file does not state it (a result file, a file written by hand).
  std::string source_id;
};

// Everything a series file says besides its values.
struct SeriesLayout {
  std::vector<SeriesStation> stations;
  // The time axis counts hours from midnight of this date, in `offset`.
  std::chrono::year_month_day start{};
  UtcOffset offset;
  // Hours a record sums over, ending with the end of its stamp's hour: 1 for
  // hourly series, 12 for climate readings, 24 for collector sums. The time
  // axis holds the end of each record's period.
  int period_hours = 1;
  // Values at or below -nodata are missing; the fill value is -nodata-1.
  double nodata = 9998.0;
  // Empty: the CRS is not known, and no latitude, longitude or crs is written.
  std::string crs;
  std::string title;
  std::string history;  // the command line
  std::string source;   // the files read
  // Further numbers of the run (power, maximum distance, limits), as global
  // attributes under these names.
  std::vector<std::pair<std::string, double>> run_numbers;
};

// Each station's series id, unique in the file: the kind's letter (H
// hourly, K climate, S collector, none where unknown) and the station's
// source id, or its name where that is not known: "H2667" and "S2667" for
// the hourly and the daily series of station 2667.
// Where that repeats (one name for two stations of one kind, or of unknown
// kind), each of them adds its number in the file: "2667#3".
std::vector<std::string> series_ids(const std::vector<SeriesStation>& stations);

// The day of a stamp (its year, month and day), and whether it exists.
std::chrono::year_month_day stamp_date(const HourStamp& stamp);
// Hours from midnight of `start` to the end of the stamp's hour.
long hours_since(std::chrono::year_month_day start, const HourStamp& stamp);
// The stamp `hours` later, or earlier where negative: the same hour as
// another offset counts it.
HourStamp moved_stamp(const HourStamp& stamp, int hours);
// "hours since 2001-07-24 00:00:00 +01:00".
std::string time_units(std::chrono::year_month_day start, UtcOffset offset);
// ISO 8601 of the moment `hours` after midnight of `start`, with its offset:
// "2001-07-25T00:00:00+01:00".
std::string iso_time(std::chrono::year_month_day start, long hours, UtcOffset offset);

}  // namespace rumo
