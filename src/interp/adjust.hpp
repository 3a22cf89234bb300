// The run's passes over a day: the climate and collector stations'
// hours interpolated and each station's reading spread over them.
#pragma once

#include <vector>

#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "interp/engine.hpp"
#include "interp/hourly_coverage.hpp"
#include "interp/spreading.hpp"

namespace rumo {

// Interpolates the hourly stations onto the climate stations for slots 1..12
// and 13..24 and onto the collector stations for slots 1..24, then spreads
// each station's reading of hour 7, hour 19 or the day over its hours
// (spread_reading, with the run's `choices`; a dry period under nearest-wet
// follows the nearest hourly station with rain over the same slots). The
// readings are kept in slot 0 while their slots are overwritten. With
// `periods`, each pass appends one record per station for the run's
// additions; without it nothing is recorded. With `coverage`, each period
// is told its hours without data; without it, it has none.
void adjust_to_totals(HourWindow& window, const StationCounts& counts, double nodata,
                      IdwEngine& engine, std::vector<PeriodRecord>* periods = nullptr,
                      const SpreadingChoices& choices = {}, HourlyCoverage* coverage = nullptr);

}  // namespace rumo
