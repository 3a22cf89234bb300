#include "core/stations.hpp"

#include "core/error.hpp"
#include "core/window.hpp"

namespace rumo {

StationTable::StationTable()
    : height(take_memory(12, [] { return std::vector<double>(kStationEntries); })),
      first(take_memory(13, [] { return std::vector<double>(kStationEntries); })),
      second(take_memory(14, [] { return std::vector<double>(kStationEntries); })),
      name(kStationEntries) {}

}  // namespace rumo
