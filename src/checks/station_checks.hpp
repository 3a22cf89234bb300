// Likely mistakes in the station files that do not stop a run but usually
// spoil its result: each is a warning on the given stream.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "core/params.hpp"
#include "core/stations.hpp"

namespace rumo {

// Names shown in a warning before the rest is left out.
inline constexpr std::size_t kNamesShown = 3;

// The names of the stations `numbers`, the first kNamesShown of them, with
// ", ..." after them where there are more.
std::string station_names(const StationTable& stations, const std::vector<int>& numbers);

// Climate and collector stations with no hourly station within the maximum
// distance: they get no interpolated rain, so their readings are lost, or
// with `spread` left to the dry fallback.
void warn_unreached_stations(std::ostream& err, const StationTable& stations,
                             const StationCounts& counts, const RunParameters& params,
                             bool spread = false);

// Coordinates that look wrong: a climate or collector file whose
// coordinates lie far outside the range of the hourly file's (further off
// than the hourly stations spread), most often another unit, such as degrees
// beside metres; every station's coordinates below 360 in size (degrees)
// while the maximum distance is larger than that; and two or more stations
// of one file at the very same place (coordinates that lost their decimals).
void warn_coordinate_ranges(std::ostream& err, const StationTable& stations,
                            const StationCounts& counts, const RunParameters& params);

}  // namespace rumo
