// The engine of rumo_plain, the straightforward program the bench holds the
// run against: every field interpolated target by target by the plain form,
// nothing kept from one field to the next and no threads. It takes the place
// of src/interp/engine.cpp in that program alone.
#include "interp/engine.hpp"

namespace rumo {

IdwEngine::IdwEngine(const StationTable& table, const StationCounts& counts,
                     const IdwSettings& settings, WorkerPool* pool)
    : table_(table), counts_(counts), settings_(settings), pool_(pool) {}

void IdwEngine::interpolate(HourWindow& window, int first_slot, int last_slot, int first, int last,
                            const std::function<void(int, int)>& then) {
  for (int slot = first_slot; slot <= last_slot; ++slot) {
    idw_interpolate(window.field(slot), first, last, table_, counts_.hourly, settings_);
  }
  if (then) then(first, last);
}

}  // namespace rumo
