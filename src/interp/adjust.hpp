// Scaling the interpolated hours of climate and collector stations to the
// totals they observed.
#pragma once

#include <vector>

#include "core/period_totals.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "interp/engine.hpp"

namespace rumo {

// Interpolates the hourly stations onto the climate stations for slots 1..12
// and 13..24 and onto the collector stations for slots 1..24, then scales
// each station's hours so that they add up to its reading of hour 7, hour 19
// or the day. The readings are kept in slot 0 while their slots are
// overwritten; `sums` holds the per-station sums (one entry per station number). With
// `periods`, each pass appends one record per station (reading and sum) for
// the run report; without it nothing is recorded.
//
// With `keeping`, a dry period (a present, positive reading and a sum of 0)
// is spread by the dry fallback, and the hours of every scaled or spread
// period are rounded together to the reading; its default does neither.
struct KeepingReadings {
  DryFallback dry_fallback = DryFallback::zero;
  const StationTable* stations = nullptr;  // the coordinates, for nearest_wet
  bool keep_totals = false;
  int decimals = 1;  // of the result file, for keep_totals
};
void adjust_to_totals(HourWindow& window, std::vector<double>& sums, const StationCounts& counts,
                      double nodata, IdwEngine& engine,
                      std::vector<PeriodRecord>* periods = nullptr,
                      const KeepingReadings& keeping = {});

}  // namespace rumo
