// The neighbour limit: an estimate from the K nearest sources that have a
// value, within the maximum distance. Each target's sources are sorted once,
// nearest first, so that an hour walks a list only until it has K present
// sources; the mean over them is then taken exactly as the plain form takes
// it (idw_interpolate with the same limit), to the bit.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "core/stations.hpp"
#include "core/weighting.hpp"
#include "core/window.hpp"
#include "core/workers.hpp"

namespace rumo {

struct NearSource {
  double d2 = 0.0;  // squared distance to the target, as squared_distance gives it
  double weight = 0.0;
  int station = 0;  // its number: it breaks ties of distance and orders the sums
  int at = 0;       // where its value is in the values the estimate is given
};

// Nearest first, the lower station number first among equally near ones.
void sort_nearest(std::vector<NearSource>& sources);

struct NearestEstimate {
  double value = 0.0;   // before the limits; 0 without a usable source
  bool usable = false;  // a source in reach and a usable weight sum
};

// The mean of the first `limit` sources of `sorted` (sort_nearest's order)
// whose value in `values` is present, among those within `reach` (a squared
// distance). The weights are summed and the terms added in ascending station
// order, as the plain form adds them. `chosen` is room for the sources taken.
NearestEstimate nearest_mean(std::span<const NearSource> sorted, const double* values,
                             double nodata, double reach, std::size_t limit,
                             std::vector<const NearSource*>& chosen);

// The run's interpolation under a neighbour limit: every target's hourly
// sources within the maximum distance, sorted once for the whole run.
class NearestInterpolation {
 public:
  // Targets first..last of `table`, sources the hourly stations 1..hourly;
  // settings.neighbours must be above 0.
  NearestInterpolation(const StationTable& table, int hourly, int first, int last,
                       const IdwSettings& settings);

  // Interpolates stations first..last (within the targets) in each of the
  // slots first_slot..last_slot, the targets shared among the pool's threads
  // (none: the calling thread alone). Where `then` is given, it is called
  // with each run of targets a..b once all their slots are done, on the
  // thread that did them.
  void interpolate(HourWindow& window, int first_slot, int last_slot, int first, int last,
                   WorkerPool* pool, const std::function<void(int, int)>& then) const;

 private:
  int first_ = 0;
  IdwSettings settings_;
  std::vector<std::size_t> start_;  // per target, into sources_; one entry more
  std::vector<NearSource> sources_;
};

}  // namespace rumo
