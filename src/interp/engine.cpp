#include "interp/engine.hpp"

namespace rumo {

IdwEngine::IdwEngine(const StationTable& table, const StationCounts& counts,
                     const IdwSettings& settings)
    : table_(table), counts_(counts), settings_(settings) {}

void IdwEngine::interpolate(HourWindow& window, int first_slot, int last_slot, int first,
                            int last) {
  for (int slot = first_slot; slot <= last_slot; ++slot) {
    idw_interpolate(window.field(slot), first, last, table_, counts_.hourly, settings_);
  }
}

}  // namespace rumo
