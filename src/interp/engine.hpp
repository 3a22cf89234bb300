// The interpolation as the run uses it: a whole pass of slots at once.
#pragma once

#include "interp/idw.hpp"
#include "run/state.hpp"
#include "run/window.hpp"

namespace rumo {

class IdwEngine {
 public:
  IdwEngine(const StationTable& table, const StationCounts& counts, const IdwSettings& settings);

  // Interpolates the hourly stations onto stations first..last in each of
  // the slots first_slot..last_slot.
  void interpolate(HourWindow& window, int first_slot, int last_slot, int first, int last);

 private:
  const StationTable& table_;
  StationCounts counts_;
  IdwSettings settings_;
};

}  // namespace rumo
