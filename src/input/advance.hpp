// The hourly advance: the window moves on by one hour and the new hour is read.
#pragma once

#include "core/console.hpp"
#include "core/params.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "input/input_files.hpp"

namespace rumo {

// Rotates the window and reads the next hour into slot 24: the hourly file
// every hour, the climate file at hours 7 and 19, the collector file at hour
// 7, each reading's stamp checked against the hourly stamp. Once the hourly
// file has ended, slot 24 holds missing markers and is marked as not read.
// Prints the progress marks: a line per month, a dot per day.
void advance_hour(Console& console, InputFiles& inputs, HourWindow& window,
                  const RunParameters& params, const StationCounts& counts);

// The progress marks of an hour just read: a line when a month begins, a
// dot when any other day does.
void print_progress(Console& console, const HourStamp& stamp);

}  // namespace rumo
