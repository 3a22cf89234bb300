// The cross-validation of the hourly series as the run delivers them: every
// hourly station, left out, is taken as a collector station (its hours 7 to 6
// of the next day summed to a reading) and as a climate station (hours 7 to
// 18 and 19 to 6), its estimates from the other hourly stations are scaled to
// that reading as the run spreads it (spread_reading, with the run's choices;
// a dry period under nearest-wet follows the nearest other hourly station
// whose hours of the period are all present and add up to more than 0), and
// the scaled hours are compared with the hours it observed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "crossval/cross_validation.hpp"
#include "interp/spreading.hpp"

namespace rumo {

// Hours of a collector day and of a climate half.
inline constexpr int kDayHours = 24;
inline constexpr int kHalfHours = 12;

// How the scaled hours of the wet periods (reading above 0) of one way
// compare with the observed hours. Figures that do not apply are NaN.
struct DisaggregationFigures {
  long long periods = 0;  // counted: every hour present and read
  long long wet = 0;      // of them with a reading above 0
  double rmse = 0.0;      // of the scaled hours, all hours of the wet periods pooled
  double mae = 0.0;
  double correlation = 0.0;
  double lost = 0.0;  // share of the wet readings' total in periods with Σ = 0
  // Share of the wet readings' total (judged or not) in periods with hours
  // in which no other station in reach had a value.
  double no_data = 0.0;
  double wet_hours = 0.0;  // scaled hours at or above the threshold / observed ones
  double peak = 0.0;       // mean largest scaled hour / mean largest observed hour
  double peak_hits = 0.0;  // share of periods whose largest scaled hour is the observed one's
  double skill = 0.0;      // 1 - rmse / rmse of spreading each reading evenly
};

// The two ways of one choice: a pair and a pattern.
struct WayFigures {
  double power = 0.0;
  double distance = 0.0;
  int neighbours = 0;
  Pattern pattern = Pattern::idw;
  DisaggregationFigures day;   // as collector days
  DisaggregationFigures half;  // as climate halves
};

// Fed by the cross-validation with every pair's estimates, hour by hour (see
// CrossValidator::judge_periods), which it spreads with each of the grid's
// patterns. The pairs may be fed by different threads, each pair by one at a
// time; the rows of the periods file come out in the same order whatever the
// threads.
class DisaggregationJudge {
 public:
  // With `periods`, one row per pair, station and counted period is written
  // to it (`periods_name` names it in messages; a write that fails ends the
  // run with exit_code::added_file_not_written at finish()).
  DisaggregationJudge(const StationTable& table, int hourly_count, const CrossValidationGrid& grid,
                      double nodata, double wet_threshold, const SpreadingChoices& spreading,
                      std::unique_ptr<OutputSink> periods, std::string periods_name);
  ~DisaggregationJudge();
  DisaggregationJudge(const DisaggregationJudge&) = delete;
  DisaggregationJudge& operator=(const DisaggregationJudge&) = delete;

  // The station number at each place the estimates are given in.
  void begin(const std::vector<int>& order);
  // Room for one hour of one pair's estimates, by place.
  double* scratch(std::size_t pair);
  // One hour of one pair: the observed values by place, the places present,
  // and the estimates of those places.
  void add_hour(std::size_t pair, const HourStamp& stamp, const double* observed,
                const std::vector<int>& present, const double* estimates);
  // After every pair has had the same hours: writes the rows of the periods
  // they closed. One thread at a time.
  void end_block();
  // After the last hour: the figures of every choice, in the grid's order;
  // the periods file is complete and closed.
  std::vector<WayFigures> finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The console's table of both ways, each sorted by its rmse, with its best
// choice; a line names the spreading options where they are not the default.
// Where the grid names neighbour limits or patterns, they are columns, and
// the best choice whose wet hours and peak both lie within 10 % of 1 is
// named too.
void print_disaggregation(std::ostream& out, const std::vector<WayFigures>& figures,
                          const CrossValidationGrid& grid, double wet_threshold,
                          const SpreadingChoices& spreading);

// How the tables name a choice's neighbour limit and pattern where the grid
// names them: the header's part and a row's, each cell followed by a tab.
std::string choice_header(const CrossValidationGrid& grid);
std::string choice_cells(const CrossValidationGrid& grid, int neighbours, Pattern pattern);

// The columns the cross-validation table file gains, prefixed day_ and half_:
// the header's part (starting with a tab) and a row's.
std::string disaggregation_header();
std::string disaggregation_cells(const WayFigures& figures);

}  // namespace rumo
