#include "core/stations.hpp"

#include "core/error.hpp"
#include "core/window.hpp"

namespace rumo {

void StationTable::make_room(int last) {
  const std::size_t entries = station_entries(last);
  if (height.size() >= entries) return;
  take_memory(12, [&] { height.resize(entries); });
  take_memory(13, [&] { first.resize(entries); });
  take_memory(14, [&] {
    second.resize(entries);
    name.resize(entries);
  });
}

}  // namespace rumo
