// The cross-validation of the hourly series as the run delivers them: every
// hourly station, left out, is taken as a collector station (its hours 7 to 6
// of the next day summed to a reading) and as a climate station (hours 7 to
// 18 and 19 to 6), its estimates from the other hourly stations are scaled to
// that reading as the run scales, and the scaled hours are compared with the
// hours it observed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/period_totals.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "crossval/cross_validation.hpp"

namespace rumo {

// Hours of a collector day and of a climate half.
inline constexpr int kDayHours = 24;
inline constexpr int kHalfHours = 12;

// One period's estimates scaled to its reading as the run scales them: with
// the sum Σ of the estimates (in the order of the hours) 0 or positive, each
// hour becomes ratio × estimate with ratio = reading / Σ, 0 if Σ is 0, the
// missing marker where the estimate is missing or the product is not a
// number; with Σ negative or not a number every hour is missing. The readings
// here are sums of present hours, so always present. The run's options that
// change this (SpreadingOptions) are applied after it.
struct ScaledPeriod {
  Outcome outcome = Outcome::scaled;
  double sum = 0.0;  // Σ
};
ScaledPeriod scale_period(double reading, const double* estimates, int hours, double nodata,
                          double* scaled);

// The run's options that change how a reading is spread, taken as the run
// takes them: a dry period (a positive reading with Σ = 0) spread by the dry
// fallback (after the nearest hourly station other than the left-out one
// whose hours of the period are all present and add up to more than 0), and
// with keep_totals the hours of every scaled or spread period rounded
// together to the reading as written with `decimals`. The default changes
// nothing.
struct SpreadingOptions {
  DryFallback dry_fallback = DryFallback::zero;
  bool keep_totals = false;
  int decimals = 1;
};

// How the scaled hours of the wet periods (reading above 0) of one way
// compare with the observed hours. Figures that do not apply are NaN.
struct DisaggregationFigures {
  long long periods = 0;  // counted: every hour present and read
  long long wet = 0;      // of them with a reading above 0
  double rmse = 0.0;      // of the scaled hours, all hours of the wet periods pooled
  double mae = 0.0;
  double correlation = 0.0;
  double lost = 0.0;       // share of the wet readings' total in periods with Σ = 0
  double wet_hours = 0.0;  // scaled hours at or above the threshold / observed ones
  double peak = 0.0;       // mean largest scaled hour / mean largest observed hour
  double peak_hits = 0.0;  // share of periods whose largest scaled hour is the observed one's
  double skill = 0.0;      // 1 - rmse / rmse of spreading each reading evenly
};

// The two ways of one pair.
struct WayFigures {
  double power = 0.0;
  double distance = 0.0;
  DisaggregationFigures day;   // as collector days
  DisaggregationFigures half;  // as climate halves
};

// Fed by the cross-validation with every pair's estimates, hour by hour (see
// CrossValidator::judge_periods). The pairs may be fed by different threads,
// each pair by one at a time; the rows of the periods file come out in the
// same order whatever the threads.
class DisaggregationJudge {
 public:
  // With `periods`, one row per pair, station and counted period is written
  // to it (`periods_name` names it in messages; a write that fails ends the
  // run with exit_code::added_file_not_written at finish()).
  DisaggregationJudge(const StationTable& table, int hourly_count, const CrossValidationGrid& grid,
                      double nodata, double wet_threshold, const SpreadingOptions& spreading,
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
  // After the last hour: the figures of every pair, in the grid's order; the
  // periods file is complete and closed.
  std::vector<WayFigures> finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The console's table of both ways, each sorted by its rmse, with its best
// pair; a line names the spreading options where they are not the default.
void print_disaggregation(std::ostream& out, const std::vector<WayFigures>& figures,
                          double wet_threshold, const SpreadingOptions& spreading);

// The columns the cross-validation table file gains, prefixed day_ and half_:
// the header's part (starting with a tab) and a row's.
std::string disaggregation_header();
std::string disaggregation_cells(const WayFigures& figures);

}  // namespace rumo
