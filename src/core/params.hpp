// What a run is asked to do: its files, period, nodata value, weighting and
// limits. Filled once before the run, read-only afterwards.
#pragma once

#include <string>
#include <vector>

namespace rumo {

struct RunParameters {
  std::string hourly_file;
  std::string climate_file;    // empty: the run has no climate stations
  std::string collector_file;  // empty: the run has no collector stations
  std::string result_file;
  double nodata = 9998.0;
  int start_day = 0;
  int start_month = 0;
  int start_year = 0;
  int start_hour = 0;
  int end_day = 0;
  int end_month = 0;
  int end_year = 0;
  double power = 0.0;
  double max_distance = 0.0;
  double lower_limit = 0.0;
  double lower_replacement = 0.0;
  double upper_limit = 0.0;
  double upper_replacement = 0.0;
};

// Leave-one-out cross-validation of the hourly stations over a grid of
// powers and maximum distances, done instead of the run.
struct CrossValidationRequest {
  bool enabled = false;
  std::vector<double> powers;     // empty: the default powers
  std::vector<double> distances;  // empty: multiples of the run's maximum distance
  std::string table_file;         // empty: no table file
  std::string details_file;       // empty: no details file
};

// What the command line asks of a run besides its parameters. None of it
// changes the result file except `decimals`, whose default keeps it as the
// dialogue always wrote it.
struct RunOptions {
  // True when the parameters came as run options: then input errors say
  // where they are, and likely mistakes are warned of. The dialogue's
  // console stays as it always was.
  bool located = false;
  bool quiet = false;
  int threads = 1;
  int decimals = 1;
  std::string report_file;  // empty: no report
  std::string map_file;     // empty: no map
  CrossValidationRequest cross_validation;
};

}  // namespace rumo
