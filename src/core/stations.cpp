#include "core/stations.hpp"

#include "core/error.hpp"
#include "core/window.hpp"

namespace rumo {

void StationTable::make_room(int last) {
  const std::size_t entries = station_entries(last);
  if (height.size() >= entries) return;
  take_memory(exit_code::memory_heights, [&] { height.resize(entries); });
  take_memory(exit_code::memory_first_coordinates, [&] { first.resize(entries); });
  take_memory(exit_code::memory_second_and_names, [&] {
    second.resize(entries);
    name.resize(entries);
  });
}

}  // namespace rumo
