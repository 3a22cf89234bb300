// What a run is asked to do: its files, period, nodata value, weighting and
// limits. Filled once before the run, read-only afterwards.
#pragma once

#include <string>

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

}  // namespace rumo
