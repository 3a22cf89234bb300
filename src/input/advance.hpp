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

// The progress marks of an hour just read: a line when a month begins, a
// dot when any other day does.
void print_progress(Console& console, const HourStamp& stamp);

// The run's one source of days: the 24 hours that follow the window's day,
// read while that day may still be worked on, then taken into the window as
// 24 hourly advances would have read them. Each advance rotates the window
// and reads the next hour into slot 24: the hourly file every hour, the
// climate file at hours 7 and 19, the collector file at hour 7, each
// reading's stamp checked against the hourly stamp. Once the hourly file has
// ended, slot 24 holds missing markers and is marked as not read.
class DayReader {
 public:
  DayReader(InputFiles& inputs, const RunParameters& params, const StationCounts& counts);

  // Notes the window's stamps (those of slots 0..24), while nothing changes
  // them: the hours that the hourly file does not have keep the stamps of
  // their slots, and the next hour must follow slot 24's when it was read.
  void mark(const HourWindow& window);
  // Reads the day after the marked one. Touches no part of the window. A
  // read that fails is kept and thrown only where its hour is taken, so the
  // run ends at the same hour, with the same output before it.
  void read();
  // The 24 advances with the hours read: rotations, progress marks and a
  // failure at its own hour. The window takes over the fields read and
  // leaves the reader those it no longer needs.
  void take(Console& console, HourWindow& window);

 private:
  InputFiles& inputs_;
  const RunParameters& params_;
  const StationCounts& counts_;
  std::array<HourStamp, 24> before_;
  HourStamp last_;
  bool last_read_ = false;
  std::array<HourField, 24> fields_;
  std::array<HourStamp, 24> stamps_;
  std::array<bool, 24> read_{};
  int hours_ = 0;  // hours read before the failure, 24 without one
  std::exception_ptr failure_;
};

}  // namespace rumo
