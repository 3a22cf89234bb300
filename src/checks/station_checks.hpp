// Likely mistakes in the station files that do not stop a run but usually
// spoil its result: each is a warning on the given stream.
#pragma once

#include <ostream>

#include "core/params.hpp"
#include "core/stations.hpp"

namespace rumo {

// Climate and collector stations with no hourly station within the maximum
// distance: they get no interpolated rain, so their readings are lost, or
// with `spread` left to the dry fallback.
void warn_unreached_stations(std::ostream& err, const StationTable& stations,
                             const StationCounts& counts, const RunParameters& params,
                             bool spread = false);

// A climate or collector file whose coordinates lie far outside the range of
// the hourly file's (further off than the hourly stations spread): most
// often coordinates in another unit, such as degrees beside metres.
void warn_coordinate_ranges(std::ostream& err, const StationTable& stations,
                            const StationCounts& counts, const RunParameters& params);

}  // namespace rumo
