#include "input/advance.hpp"

#include <algorithm>

#include "core/error.hpp"
#include "input/records.hpp"

namespace rumo {

namespace {

// The readings of one group for the hour in slot 24; a group whose file has
// ended has none from then on.
void read_readings(TextReader& file, HourWindow& window, int first, int last, double nodata,
                   int stamp_code, int value_code, int mismatch_code) {
  HourField& field = window.field(24);
  if (file.at_end()) {
    std::fill(field.begin() + first, field.begin() + last + 1, missing_marker(nodata));
    return;
  }
  const HourStamp reading = read_record(file, field, first, last, stamp_code, value_code).stamp;
  if (!(reading == window.stamp(24))) fail_time_mismatch(mismatch_code, window.stamp(24));
}

}  // namespace

void print_progress(Console& console, const HourStamp& stamp) {
  if (stamp.day == 1 && stamp.hour == 1) {
    console.out << message_format("\nMonat %d/%d .", stamp.month, stamp.year);
  } else if (stamp.hour == 1) {
    console.out << '.';
  }
}

void advance_hour(Console& console, InputFiles& inputs, HourWindow& window,
                  const RunParameters& params, const StationCounts& counts) {
  rotate_window(window);
  HourField& field = window.field(24);
  const double marker = missing_marker(params.nodata);
  HourStamp& stamp = window.stamp(24);
  if (inputs.hourly->at_end()) {
    // The stamp stays as the rotation left it; the day output stops the run
    // before such an hour is written.
    window.clear_hour(24, counts.total(), marker);
    print_progress(console, stamp);
    return;
  }
  const RecordStamp record = read_record(*inputs.hourly, field, 1, counts.hourly, 317, 318);
  stamp = record.stamp;
  // A missing or repeated hour would shift every later day; the hourly file
  // is checked before its hour is compared with the other files.
  if (window.hour_read(23))
    check_next_hour(*inputs.hourly, params.hourly_file, window.stamp(23), record);
  window.set_hour_read(24, true);
  // The other groups carry readings only at their hours; elsewhere the
  // interpolation fills them, and an hour out of its place has no reading.
  std::fill(field.begin() + counts.hourly + 1, field.begin() + counts.total() + 1, marker);

  if (counts.climate > 0 && (stamp.hour == 7 || stamp.hour == 19)) {
    read_readings(*inputs.climate, window, counts.first_climate(), counts.last_climate(),
                  params.nodata, 319, 320, 105);
  }
  if (counts.collector > 0 && stamp.hour == 7) {
    read_readings(*inputs.collector, window, counts.first_collector(), counts.total(),
                  params.nodata, 321, 322, 106);
  }

  print_progress(console, stamp);
}

}  // namespace rumo
