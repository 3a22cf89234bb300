#include "checks/station_checks.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/number_text.hpp"

namespace rumo {

namespace {

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

// Coordinates below this in size in every station look like degrees
// (longitudes run to 180, or to 360 east).
constexpr double kDegreesBound = 360.0;

void warn_degrees(std::ostream& err, const StationTable& stations, int total, double max_distance) {
  if (total == 0 || !(std::fabs(max_distance) > kDegreesBound)) return;
  for (int m = 1; m <= total; ++m) {
    if (!(std::fabs(stations.first[m]) < kDegreesBound) ||
        !(std::fabs(stations.second[m]) < kDegreesBound)) {
      return;
    }
  }
  err << "rumo: warning: the coordinates of every station lie below 360 in size ("
      << shown(range_of(stations.first, 1, total)) << ", "
      << shown(range_of(stations.second, 1, total)) << ") while the maximum distance is "
      << shortest_text(max_distance)
      << "; distances are taken in the unit of the coordinates: are they degrees? (project them "
         "to metres, such as UTM)\n";
}

// Stations of one file at the very same place: most often coordinates that
// lost their decimals (a decimal comma) or a copied line. A station of
// another file at the same place is not told (a climate station beside an
// hourly one is common), nor the origin (0, 0), which headers often hold
// where coordinates were not given. Many shared places among many more
// unshared ones are a grid of stations meant so, as generated networks have.
void warn_shared_places(std::ostream& err, const StationTable& stations, int first, int last,
                        const std::string& file) {
  std::vector<int> placed;
  for (int m = first; m <= last; ++m) {
    const double x = stations.first[m];
    const double y = stations.second[m];
    if (std::isfinite(x) && std::isfinite(y) && (x != 0.0 || y != 0.0)) placed.push_back(m);
  }
  const auto place = [&](int m) { return std::pair(stations.first[m], stations.second[m]); };
  std::stable_sort(placed.begin(), placed.end(), [&](int a, int b) { return place(a) < place(b); });
  std::vector<std::vector<int>> shared;
  std::size_t places = 0;
  for (auto begin = placed.begin(); begin != placed.end(); ++places) {
    const auto end =
        std::find_if(begin, placed.end(), [&](int m) { return place(m) != place(*begin); });
    if (end - begin >= 2) shared.emplace_back(begin, end);
    begin = end;
  }
  if (shared.empty() || (shared.size() > kNamesShown && 2 * places > placed.size())) return;
  for (std::size_t i = 0; i < std::min(shared.size(), kNamesShown); ++i) {
    std::vector<int>& numbers = shared[i];
    std::sort(numbers.begin(), numbers.end());
    err << "rumo: warning: " << file << ": " << numbers.size() << " stations share the place "
        << shortest_text(stations.first[numbers[0]]) << ", "
        << shortest_text(stations.second[numbers[0]]) << ": " << station_names(stations, numbers)
        << "; are their coordinates right?\n";
  }
  if (shared.size() > kNamesShown) {
    err << "rumo: warning: " << file << ": " << shared.size() - kNamesShown
        << " more places are each shared by two or more stations\n";
  }
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
  const std::string names = station_names(stations, unreached);
  err << "rumo: warning: " << count << " " << kind
      << (count == 1 ? " station has" : " stations have")
      << " no hourly station within the maximum distance " << shortest_text(max_distance) << "; "
      << (count == 1 ? "its" : "their")
      << (spread ? " readings are spread by the dry fallback: " : " readings are lost: ") << names
      << "\n";
}

void warn_far_outside(std::ostream& err, const StationTable& stations, const StationCounts& counts,
                      const RunParameters& params) {
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

}  // namespace

std::string station_names(const StationTable& stations, const std::vector<int>& numbers) {
  std::string names;
  for (std::size_t i = 0; i < std::min(numbers.size(), std::size_t{kNamesShown}); ++i) {
    names += (i > 0 ? ", " : "") + stations.name[static_cast<std::size_t>(numbers[i])];
  }
  if (numbers.size() > kNamesShown) names += ", ...";
  return names;
}

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
  warn_far_outside(err, stations, counts, params);
  warn_degrees(err, stations, counts.total(), params.max_distance);
  warn_shared_places(err, stations, 1, counts.hourly, params.hourly_file);
  warn_shared_places(err, stations, counts.first_climate(), counts.last_climate(),
                     params.climate_file);
  warn_shared_places(err, stations, counts.first_collector(), counts.total(),
                     params.collector_file);
}

}  // namespace rumo