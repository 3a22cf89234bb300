// The hourly advance: the window moves on by one hour and the new hour is read.
#pragma once

#include <array>
#include <exception>

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

// The next 24 hours, read while the window still holds the day before them:
// what 24 calls of advance_hour would put into slot 24 one after the other.
// A read that fails is kept and thrown only where advance_hour would have
// met it, so the run ends at the same hour, with the same output before it.
struct DayAhead {
  std::array<HourField, 24> fields;
  std::array<HourStamp, 24> stamps;
  std::array<bool, 24> read{};
  int hours = 0;  // hours read before the failure, 24 without one
  std::exception_ptr failure;
};

// Reads the day that follows the window's day into `ahead`. Touches no part
// of the window, so the window's day may be worked on at the same time.
// `before` are the stamps of slots 0..23, which the hours that the hourly
// file does not have keep, as their pairs do in the window; `last` is the
// stamp of slot 24, the hour the next one must follow when `last_read`.
void read_day_ahead(InputFiles& inputs, const std::array<HourStamp, 24>& before,
                    const HourStamp& last, bool last_read, DayAhead& ahead,
                    const RunParameters& params, const StationCounts& counts);

// The 24 advances with the hours read ahead: rotations, progress marks and a
// failure at its own hour. The window takes over the fields of `ahead` and
// leaves it the fields it no longer needs.
void take_day_ahead(Console& console, HourWindow& window, DayAhead& ahead);

}  // namespace rumo
