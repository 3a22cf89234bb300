#include "checks/station_checks.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "core/number_text.hpp"

namespace rumo {

namespace {

// Names shown in a warning before the rest is left out.
constexpr int kNamesShown = 3;

struct Range {
  double low;
  double high;
};

Range range_of(const std::vector<double>& values, int first, int last) {
  const auto [low, high] = std::minmax_element(values.begin() + first, values.begin() + last + 1);
  return {*low, *high};
}

// Disjoint, and further apart than either spreads: a network drawn in
// another unit, not a neighbouring one (nor one beside a single station).
bool far_outside(const Range& range, const Range& reference) {
  const double gap = std::max(range.low - reference.high, reference.low - range.high);
  return gap > 0.0 && gap > reference.high - reference.low && gap > range.high - range.low;
}

std::string shown(const Range& range) {
  if (range.low == range.high) return shortest_text(range.low);
  return shortest_text(range.low) + " to " + shortest_text(range.high);
}

void warn_unreached(std::ostream& err, const StationTable& stations, int hourly, int first,
                    int last, const char* kind, double max_distance, bool spread) {
  const double reach = max_distance * max_distance;
  std::vector<int> unreached;
  for (int target = first; target <= last; ++target) {
    bool reached = false;
    for (int source = 1; source <= hourly && !reached; ++source) {
      const double dx = stations.first[target] - stations.first[source];
      const double dy = stations.second[target] - stations.second[source];
      reached = dx * dx + dy * dy <= reach;
    }
    if (!reached) unreached.push_back(target);
  }
  if (unreached.empty()) return;
  const auto count = static_cast<int>(unreached.size());
  std::string names;
  for (int i = 0; i < std::min(count, kNamesShown); ++i) {
    names += (i > 0 ? ", " : "") + stations.name[unreached[static_cast<std::size_t>(i)]];
  }
  if (count > kNamesShown) names += ", ...";
  err << "rumo: warning: " << count << " " << kind
      << (count == 1 ? " station has" : " stations have")
      << " no hourly station within the maximum distance " << shortest_text(max_distance) << "; "
      << (count == 1 ? "its" : "their")
      << (spread ? " readings are spread by the dry fallback: " : " readings are lost: ") << names
      << "\n";
}

}  // namespace

void warn_unreached_stations(std::ostream& err, const StationTable& stations,
                             const StationCounts& counts, const RunParameters& params,
                             bool spread) {
  warn_unreached(err, stations, counts.hourly, counts.first_climate(), counts.last_climate(),
                 "climate", params.max_distance, spread);
  warn_unreached(err, stations, counts.hourly, counts.first_collector(), counts.total(),
                 "collector", params.max_distance, spread);
}

void warn_coordinate_ranges(std::ostream& err, const StationTable& stations,
                            const StationCounts& counts, const RunParameters& params) {
  if (counts.hourly == 0) return;
  const Range first = range_of(stations.first, 1, counts.hourly);
  const Range second = range_of(stations.second, 1, counts.hourly);
  const struct {
    int first;
    int last;
    const std::string& name;
  } files[] = {{counts.first_climate(), counts.last_climate(), params.climate_file},
               {counts.first_collector(), counts.total(), params.collector_file}};
  for (const auto& file : files) {
    if (file.last < file.first) continue;
    const Range own_first = range_of(stations.first, file.first, file.last);
    const Range own_second = range_of(stations.second, file.first, file.last);
    if (!far_outside(own_first, first) && !far_outside(own_second, second)) continue;
    err << "rumo: warning: the coordinates of " << file.name << " (" << shown(own_first) << ", "
        << shown(own_second) << ") lie far outside those of " << params.hourly_file << " ("
        << shown(first) << ", " << shown(second) << "); are both in the same unit?\n";
  }
}

}  // namespace rumo
