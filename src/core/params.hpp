// What a run is asked to do: its files, period, nodata value, weighting and
// limits. Filled once before the run, read-only afterwards.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/calendar.hpp"
#include "core/time_base.hpp"

namespace rumo {

// What becomes of a period with a present, positive reading whose
// interpolated hours add up to exactly 0.
enum class DryFallback {
  zero,         // the hours stay 0: the reading does not reach the result
  uniform,      // every hour gets the reading divided by the period's hours
  nearest_wet,  // the hours follow the nearest hourly station with rain, else uniform
};

// How a period's interpolated hours are shaped before they are scaled to
// its reading.
enum class Pattern {
  idw,         // as interpolated
  peak_add,    // the largest hour raised towards the neighbours' peak share, by a bounded amount
  sharpen,     // each hour to a power above 1
  peak_align,  // the largest hour raised part of the way to the neighbours' peak share
};
inline constexpr Pattern kPatterns[] = {Pattern::idw, Pattern::peak_add, Pattern::sharpen,
                                        Pattern::peak_align};
inline const char* pattern_name(Pattern pattern) {
  constexpr const char* kNames[] = {"idw", "peak-add", "sharpen", "peak-align"};
  return kNames[static_cast<int>(pattern)];
}

// What becomes of a climate or collector period with hours in which no
// hourly station within the maximum distance has a value, while one stands
// within it: such an hour is estimated 0 like one without any source in
// reach, so the reading goes into the other hours, or is lost where there
// are none.
enum class NoDataHours {
  zero,         // the estimates as they are: the reading spread over the other hours
  missing,      // every hour of the period missing
  uniform,      // the reading spread evenly over the period
  nearest_wet,  // after the nearest hourly station with rain in every hour, else uniform
};

struct RunParameters {
  std::string hourly_file;
  std::string climate_file;    // empty: the run has no climate stations
  std::string collector_file;  // empty: the run has no collector stations
  std::string result_file;
  double nodata = 9998.0;
  Date start;
  int start_hour = 0;
  Date end;
  double power = 0.0;
  double max_distance = 0.0;
  double lower_limit = 0.0;
  double lower_replacement = 0.0;
  double upper_limit = 0.0;
  double upper_replacement = 0.0;
  // How many of the nearest sources with a value an estimate uses, within
  // the maximum distance (ties by station order); 0: all of them.
  int neighbours = 0;
};

// Leave-one-out cross-validation of the hourly stations over a grid of
// powers and maximum distances, done instead of the run.
struct CrossValidationRequest {
  bool enabled = false;
  std::vector<double> powers;         // empty: the default powers
  std::vector<double> distances;      // empty: multiples of the run's maximum distance
  std::vector<int> neighbour_counts;  // 0 is all; empty: the run's neighbour limit alone
  std::vector<Pattern> patterns;      // empty: the run's pattern alone
  std::string table_file;             // empty: no table file
  std::string details_file;           // empty: no details file
  std::string periods_file;           // empty: no file of the scaled periods
  double wet_threshold = 0.1;         // hours at or above it are wet
};

// The run's hours as a grid of cells (--grid-netcdf), interpolated from
// every station of the result file.
struct GridRequest {
  std::string file;   // empty: no grid
  double cell = 0.0;  // the cells' side, in the coordinates' unit
  // XMIN, YMIN, XMAX, YMAX; nothing: the stations' bounding box widened to
  // whole cells.
  std::optional<std::array<double, 4>> extent;
};

// What the command line asks of a run besides its parameters. None of it
// changes the result file except `neighbours`, `decimals`, `dry_fallback`,
// `pattern`, `no_data_hours` and `keep_totals`, whose defaults keep it as the
// dialogue always wrote it.
struct RunOptions {
  // True when the parameters came as run options: then input errors say
  // where they are, and likely mistakes are warned of. The dialogue's
  // console stays as it always was.
  bool located = false;
  bool quiet = false;
  int threads = 1;
  // The neighbour limit of --neighbours, which the run takes into its
  // parameters whether they come as run options or from the dialogue.
  int neighbours = 0;
  int decimals = 1;
  DryFallback dry_fallback = DryFallback::zero;
  Pattern pattern = Pattern::idw;
  NoDataHours no_data_hours = NoDataHours::zero;
  // The hours of every scaled or spread period rounded together to the
  // reading.
  bool keep_totals = false;
  std::string report_file;  // empty: no report
  std::string map_file;     // empty: no map
  std::string netcdf_file;  // empty: no NetCDF file
  GridRequest grid;
  // The time base and CRS of the stations where the hourly file's title
  // line does not state them (for the NetCDF files).
  std::optional<UtcOffset> utc_offset;
  std::string crs;
  // The command line as given, for the files that record their history.
  std::string command_line;
  CrossValidationRequest cross_validation;
};

}  // namespace rumo
