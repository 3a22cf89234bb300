// Bringing the three input files to the start date and filling the window
// with the first day.
#pragma once

#include <functional>
#include <string>

#include "core/console.hpp"
#include "core/params.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "input/text_reader.hpp"

namespace rumo {

// Where hours 1 to 6 of the start date go, as they were read: the result
// file's raw lines.
using RawLineWriter = std::function<void(const HourStamp&, const HourField&)>;

// Finds hour 1 of the start date in the hourly file, hands hours 1 to 6 to
// `write_raw` and fills slots 1..24 with hour 7 of the start date to hour 6 of
// the next day. A slot the file had no hour for is marked as not read.
void seek_hourly_start(TextReader& hourly, const RawLineWriter& write_raw, HourWindow& window,
                       const RunParameters& params, const StationCounts& counts);

// Finds the climate file's pair of records for the start date and puts its
// readings into slots 1 and 13.
void seek_climate_start(Console& console, TextReader& climate, HourWindow& window,
                        const RunParameters& params, int first, int last);

// Finds the collector file's record for the start date and puts its readings
// into slot 1.
void seek_collector_start(Console& console, TextReader& collector, HourWindow& window,
                          const RunParameters& params, int first, int last);

}  // namespace rumo
