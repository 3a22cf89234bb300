// Which hours of a station the hourly stations cannot tell: hours in which
// none of the hourly stations within reach has a value, while at least one
// stands within reach. Such an hour is estimated 0, as one with no source in
// reach is, but its 0 says nothing about the rain.
#pragma once

#include <vector>

#include "core/stations.hpp"
#include "core/window.hpp"

namespace rumo {

// The sources of one hour: the stations with a value and those without.
struct HourSources {
  std::vector<int> present;
  std::vector<int> absent;
};

// Whether station `target`, which has `in_reach` sources within the squared
// distance `reach` (itself not counted), has none of them among the
// present ones of `hour`, whose two lists hold every source between them.
// Asked of the shorter list: no present source in reach, or every source in
// reach absent. The target itself is passed over where a list holds it.
bool none_in_reach(const StationTable& table, int target, int in_reach, const HourSources& hour,
                   double reach);

// The sources among stations 1..sources within the squared distance
// `reach` of station `target`, itself not counted.
int sources_in_reach(const StationTable& table, int target, int sources, double reach);

// The run's question, asked of the climate and collector stations period by
// period.
class HourlyCoverage {
 public:
  HourlyCoverage(const StationTable& table, const StationCounts& counts, double max_distance);

  // Takes note of the hourly stations with a value in each of the window's
  // slots first_slot..last_slot (before their targets are interpolated).
  void note_slots(const HourWindow& window, int first_slot, int last_slot, double nodata);

  // The slots noted in which station `target` has no hourly station in reach
  // with a value, while one stands in reach. Safe to ask from several
  // threads at once.
  int hours_without_data(int target) const;

 private:
  const StationTable& table_;
  int hourly_;
  double reach_;
  std::vector<int> in_reach_;  // by station number
  // The slots noted in which some hourly station has no value.
  std::vector<HourSources> gaps_;
  std::size_t gap_count_ = 0;
};

}  // namespace rumo
