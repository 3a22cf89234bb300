// The start-up dialogue: 17 questions on the console that fix the whole run.
#pragma once

#include <string>

#include "run/console.hpp"

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

// Asks the 17 questions, reads the answers into `params`, sets the start hour
// to 1 and corrects the dates. An answer that cannot be read keeps its field.
void read_parameters(Console& console, RunParameters& params);

// Two-digit years, months out of range and days past the end of their month.
void correct_dates(RunParameters& params);

int days_in_month(int month, int year);

}  // namespace rumo
