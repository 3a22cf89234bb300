// Leave-one-out cross-validation of the hourly stations: each present value
// of each hourly station is estimated from the other hourly stations present
// in the same hour, for every pair of a power and a maximum distance (and a
// neighbour limit) in a grid, and the estimates are compared with what the
// station measured.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/params.hpp"
#include "core/stations.hpp"
#include "core/weighting.hpp"
#include "core/window.hpp"
#include "core/workers.hpp"

namespace rumo {

class DetailsWriter;
class DisaggregationJudge;

// The powers, maximum distances and neighbour limits to try, each list
// ascending and each value once (the limit 0, all sources in reach, last);
// the pairs run power by power, within a power distance by distance, within
// a distance limit by limit.
struct CrossValidationGrid {
  std::vector<double> powers;
  std::vector<double> distances;
  std::vector<int> neighbours = {0};
  // The patterns each pair's left-out periods are spread with, in the order
  // of kPatterns, each once: a pair and a pattern are a choice.
  std::vector<Pattern> patterns = {Pattern::idw};
  // Whether the tables name each pair's neighbour limit and each choice's
  // pattern: only where they were asked for, so that the tables of other
  // runs stay as they were.
  bool names_neighbours = false;
  bool names_patterns = false;

  std::size_t pairs() const { return powers.size() * distances.size() * neighbours.size(); }
  double power(std::size_t pair) const {
    return powers[pair / (distances.size() * neighbours.size())];
  }
  double distance(std::size_t pair) const {
    return distances[pair / neighbours.size() % distances.size()];
  }
  int neighbour_count(std::size_t pair) const { return neighbours[pair % neighbours.size()]; }
  // Choices run pair by pair, within a pair pattern by pattern.
  std::size_t choices() const { return pairs() * patterns.size(); }
};

// The powers of the request, or 0.5, 1, 1.5, 2, 2.5, 3 and 4 and the run's
// power; the distances of the request, or 0.25, 0.5, 1, 2 and 4 times the
// run's maximum distance (its size: a negative one reaches as far as its
// absolute value); the neighbour limits and patterns of the request, or the
// run's. A default list always holds the run's own value; a list the user
// gives is taken as it is.
CrossValidationGrid make_grid(const CrossValidationRequest& request, double run_power,
                              double run_distance, int run_neighbours = 0,
                              Pattern run_pattern = Pattern::idw);

// A neighbour limit as the tables write it: the number, or "all".
std::string neighbours_text(int neighbours);

// How estimates compare with observations. Every figure is NaN where it does
// not apply: all of them without a comparison, the correlation also when the
// estimates or the observations do not vary.
struct ErrorFigures {
  long long count = 0;
  double mae = 0.0;          // mean absolute error
  double rmse = 0.0;         // root mean square error
  double bias = 0.0;         // mean of estimate minus observation
  double correlation = 0.0;  // of estimates and observations
};

struct PairFigures {
  double power = 0.0;
  double distance = 0.0;
  int neighbours = 0;
  // Estimates without a usable source in reach: they are 0 before the limits,
  // as the run's are.
  long long no_source = 0;
  ErrorFigures hourly;
  // Sums from hour 7 to hour 6 of the next day, over the station-days whose 24
  // hours are all present.
  ErrorFigures daily;
};

class CrossValidator {
 public:
  // `settings` gives the nodata value and the limits (its power and maximum
  // distance are not used); the work is shared by the threads of `pool`
  // (none: the calling thread alone) without the figures depending on their
  // number. With `details`, every
  // estimate is written to it.
  CrossValidator(const StationTable& table, int hourly_count, const CrossValidationGrid& grid,
                 const IdwSettings& settings, WorkerPool* pool, DetailsWriter* details);
  ~CrossValidator();
  CrossValidator(const CrossValidator&) = delete;
  CrossValidator& operator=(const CrossValidator&) = delete;

  // Feeds `judge` every pair's estimates, hour by hour; before the first hour.
  void judge_periods(DisaggregationJudge& judge);

  // The next hour of the period: entries 1..hourly_count of `field`.
  void add_hour(const HourStamp& stamp, const HourField& field);

  // The figures of every pair, in the grid's order, after the last hour.
  std::vector<PairFigures> finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rumo
