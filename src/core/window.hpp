// The hour window: one day of hourly fields for every station plus the hour
// before it, held as a ring of 26 slots that slides forward one hour at a time.
#pragma once

#include <array>
#include <cmath>
#include <compare>
#include <cstddef>
#include <vector>

#include "core/calendar.hpp"

namespace rumo {

// Station numbers run from 1 to at most this. Every per-station array is sized
// by the stations of the run, with one entry more, so that it can be indexed
// by station number directly.
inline constexpr int kMaxStations = 100000;
inline constexpr int kWindowSlots = 26;

// Entries of a per-station array for `stations` stations: one more than them.
inline std::size_t station_entries(int stations) {
  return static_cast<std::size_t>(stations) + 1;
}

// One hour's values for all stations, indexed by station number (entry 0 unused).
using HourField = std::vector<double>;

// The date and hour a field belongs to, ordered in time. A stamp that has
// not yet received a date holds -9999 in all four fields. Built by name:
// HourStamp{.year = y, .month = m, .day = d, .hour = h}.
struct HourStamp {
  int year = -9999;
  int month = -9999;
  int day = -9999;
  int hour = -9999;

  friend auto operator<=>(const HourStamp&, const HourStamp&) = default;

  Date date() const { return Date{.year = year, .month = month, .day = day}; }
};

// An hour of a date.
inline HourStamp hour_of(const Date& date, int hour) {
  return HourStamp{.year = date.year, .month = date.month, .day = date.day, .hour = hour};
}

// Hour 24 of a date: the last hour a run with that end date writes.
inline HourStamp last_hour_of(const Date& date) {
  return hour_of(date, 24);
}

// A value counts as present only if it lies above minus the nodata value;
// the missing marker, -N itself, anything lower and NaN are all missing.
inline bool is_present(double value, double nodata) {
  return value > -nodata;
}

// What is written where a value is missing: minus the nodata value, minus one.
// A nodata value that is not a number gives its negation, so that the sign
// the marker is written with does not depend on how the compiler arranges
// the subtraction.
inline double missing_marker(double nodata) {
  const double negated = -nodata;
  return std::isnan(negated) ? negated : negated - 1.0;
}

// A year below 100 read from a file or the dialogue stands for 1900 plus it.
inline int correct_year(int year) {
  return year < 100 ? year + 1900 : year;
}

// The hour after `stamp`: hour 24 is followed by hour 1 of the next day.
HourStamp next_hour(const HourStamp& stamp);

class HourWindow {
 public:
  // Creates 26 fields and stamps, one pair per slot, for stations
  // 1..stations. Fields hold -9999.0, the missing marker of the default
  // nodata value, until the refill.
  explicit HourWindow(int stations = 0);

  HourField& field(int slot) { return fields_[ring_[slot]]; }
  const HourField& field(int slot) const { return fields_[ring_[slot]]; }
  HourStamp& stamp(int slot) { return stamps_[ring_[slot]]; }
  const HourStamp& stamp(int slot) const { return stamps_[ring_[slot]]; }

  // Whether the slot holds an hour that was read from the hourly file. The
  // mark travels with its field and stamp.
  bool hour_read(int slot) const { return read_[ring_[slot]]; }
  void set_hour_read(int slot, bool read) { read_[ring_[slot]] = read; }

  // Marks the slot as holding no hour of the hourly file: stations 1..total
  // get the missing marker, and the day output will not write it.
  void clear_hour(int slot, int total, double marker);

  // Sets entries 1 and above of all 26 fields to `value`.
  void fill(double value);

  // Moves the window on by one hour (see rotate_window).
  void rotate();

 private:
  std::array<HourField, kWindowSlots> fields_;
  std::array<HourStamp, kWindowSlots> stamps_;
  std::array<bool, kWindowSlots> read_{};
  // Which field-and-stamp pair each slot refers to; only these move.
  std::array<int, kWindowSlots> ring_{};
};

// Slot 25 takes the pair of slot 0, then every slot k = 0..24 takes the pair
// of slot k + 1. Afterwards the oldest pair stands in slot 24 (and slot 25),
// ready to be overwritten with the next hour; values are never copied.
void rotate_window(HourWindow& window);

}  // namespace rumo
