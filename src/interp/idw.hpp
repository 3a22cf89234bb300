// Inverse-distance weighting of the hourly stations onto other stations.
#pragma once

#include "core/stations.hpp"
#include "core/weighting.hpp"
#include "core/window.hpp"

namespace rumo {

// Interpolates the present values of the hourly stations 1..hourly_count of
// `field` onto the stations first..last of the same field, then applies the
// limits. Written as plainly as the method reads: for each target, a pass
// that sums the weights of the included sources, then the running mean.
// Under a neighbour limit (settings.neighbours above 0) only the nearest
// that many present sources in reach are included.
void idw_interpolate(HourField& field, int first, int last, const StationTable& table,
                     int hourly_count, const IdwSettings& settings);

}  // namespace rumo
