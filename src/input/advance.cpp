#include "input/advance.hpp"

#include <algorithm>
#include <utility>

#include "core/error.hpp"
#include "input/records.hpp"

namespace rumo {

namespace {

// The readings of one group for the hour of `stamp`; a group whose file has
// ended has none from then on.
void read_readings(TextReader& file, HourField& field, const HourStamp& stamp, int first, int last,
                   double nodata, exit_code::RecordCodes codes, int mismatch_code) {
  if (file.at_end()) {
    std::fill(field.begin() + first, field.begin() + last + 1, missing_marker(nodata));
    return;
  }
  const RecordStamp reading = read_record(file, field, first, last, codes);
  if (!(reading.stamp == stamp)) fail_time_mismatch(mismatch_code, stamp, file, reading);
}

// The next hour of the files into a field and stamp that came round with a
// rotation. Once the hourly file has ended, the stamp stays as it was and the
// field holds missing markers; the day output stops the run before such an
// hour is written. `previous` is the hour before, when it was read: a
// missing or repeated hour would shift every later day, so the hourly file
// is checked before its hour is compared with the other files. Returns
// whether the hour was read.
bool read_hour(InputFiles& inputs, HourField& field, HourStamp& stamp, const HourStamp* previous,
               const RunParameters& params, const StationCounts& counts) {
  const double marker = missing_marker(params.nodata);
  if (inputs.hourly->at_end()) {
    std::fill(field.begin() + 1, field.begin() + counts.total() + 1, marker);
    return false;
  }
  const RecordStamp record =
      read_record(*inputs.hourly, field, 1, counts.hourly, exit_code::hourly_run);
  if (previous != nullptr) check_next_hour(*inputs.hourly, params.hourly_file, *previous, record);
  stamp = record.stamp;
  // The other groups carry readings only at their hours; elsewhere the
  // interpolation fills them, and an hour out of its place has no reading.
  std::fill(field.begin() + counts.hourly + 1, field.begin() + counts.total() + 1, marker);

  if (counts.climate > 0 && (stamp.hour == 7 || stamp.hour == 19)) {
    read_readings(*inputs.climate, field, stamp, counts.first_climate(), counts.last_climate(),
                  params.nodata, exit_code::climate_run, exit_code::climate_time_mismatch);
  }
  if (counts.collector > 0 && stamp.hour == 7) {
    read_readings(*inputs.collector, field, stamp, counts.first_collector(), counts.total(),
                  params.nodata, exit_code::collector_run, exit_code::collector_time_mismatch);
  }
  return true;
}

}  // namespace

void print_progress(Console& console, const HourStamp& stamp) {
  if (stamp.day == 1 && stamp.hour == 1) {
    console.out << message_format("\nMonat %d/%d .", stamp.month, stamp.year);
  } else if (stamp.hour == 1) {
    console.out << '.';
  }
}

DayReader::DayReader(InputFiles& inputs, const RunParameters& params, const StationCounts& counts)
    : inputs_(inputs), params_(params), counts_(counts) {}

void DayReader::mark(const HourWindow& window) {
  for (int slot = 0; slot < 24; ++slot) before_[slot] = window.stamp(slot);
  last_ = window.stamp(24);
  last_read_ = window.hour_read(24);
}

void DayReader::read() {
  hours_ = 0;
  failure_ = nullptr;
  try {
    for (int hour = 0; hour < 24; ++hour) {
      HourField& field = fields_[hour];
      if (field.size() != station_entries(counts_.total())) {
        field = take_memory(exit_code::memory_hour_fields,
                            [&] { return HourField(station_entries(counts_.total())); });
      }
      stamps_[hour] = before_[hour];
      const bool previous_read = hour == 0 ? last_read_ : read_[hour - 1];
      const HourStamp& previous = hour == 0 ? last_ : stamps_[hour - 1];
      read_[hour] = read_hour(inputs_, field, stamps_[hour], previous_read ? &previous : nullptr,
                              params_, counts_);
      ++hours_;
    }
  } catch (...) {
    failure_ = std::current_exception();
  }
}

void DayReader::take(Console& console, HourWindow& window) {
  for (int hour = 0; hour < 24; ++hour) {
    rotate_window(window);
    if (hour == hours_) std::rethrow_exception(failure_);
    std::swap(window.field(24), fields_[hour]);
    window.stamp(24) = stamps_[hour];
    window.set_hour_read(24, read_[hour]);
    print_progress(console, window.stamp(24));
  }
}

}  // namespace rumo
