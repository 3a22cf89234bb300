#include "input/positioning.hpp"

#include <algorithm>

#include "core/error.hpp"
#include "input/records.hpp"

namespace rumo {

namespace {

// The records after the start record that fill the first window: hours 2 to
// 30 counted from hour 1 of the start date.
constexpr int kLeadIn = 29;
// Hours 1 to 6 of the start date are written as read.
constexpr int kRawLines = 6;

HourStamp start_stamp(const RunParameters& params) {
  return hour_of(params.start, params.start_hour);
}

// An hourly record into slot 24; the other groups' entries of that hour hold
// the missing marker until their readings or the interpolation fill them.
RecordStamp read_hourly_record(TextReader& hourly, HourWindow& window, const StationCounts& counts,
                               double nodata, exit_code::RecordCodes codes) {
  HourField& field = window.field(24);
  const RecordStamp record = read_record(hourly, field, 1, counts.hourly, codes);
  window.stamp(24) = record.stamp;
  std::fill(field.begin() + counts.hourly + 1, field.begin() + counts.total() + 1,
            missing_marker(nodata));
  window.set_hour_read(24, true);
  return record;
}

bool starts_on(const HourStamp& stamp, const RunParameters& params) {
  return stamp.date() == params.start;
}

// The hourly file must agree with the readings put into a slot.
void check_reading_stamp(const HourWindow& window, int slot, const TextReader& file,
                         const RecordStamp& reading, int code) {
  if (window.hour_read(slot) && !(window.stamp(slot) == reading.stamp)) {
    fail_time_mismatch(code, window.stamp(slot), file, reading);
  }
}

}  // namespace

void seek_hourly_start(TextReader& hourly, const RawLineWriter& write_raw, HourWindow& window,
                       const RunParameters& params, const StationCounts& counts) {
  rotate_window(window);
  const HourStamp start = start_stamp(params);
  while (!(window.stamp(24) == start)) {
    if (hourly.at_end())
      fail_start_missing(exit_code::hourly_start_missing, params.hourly_file, params);
    read_hourly_record(hourly, window, counts, params.nodata, exit_code::hourly_seek);
  }
  for (int pass = 1; pass <= kLeadIn; ++pass) {
    if (pass <= kRawLines && window.hour_read(24)) {
      write_raw(window.stamp(24), window.field(24));
    }
    rotate_window(window);
    if (hourly.at_end()) {
      // An hour the file does not have holds no values, not those of the
      // hour that last used the slot.
      window.clear_hour(24, counts.total(), missing_marker(params.nodata));
    } else {
      const RecordStamp record =
          read_hourly_record(hourly, window, counts, params.nodata, exit_code::hourly_lead_in);
      check_next_hour(hourly, params.hourly_file, window.stamp(23), record);
    }
  }
}

void seek_climate_start(Console& console, TextReader& climate, HourWindow& window,
                        const RunParameters& params, int first, int last) {
  RecordStamp morning;
  RecordStamp evening;
  do {
    if (climate.at_end())
      fail_start_missing(exit_code::climate_start_missing, params.climate_file, params);
    morning = read_record(climate, window.field(1), first, last, exit_code::climate_seek_7);
    // A pair that breaks off after its first record fails at the second stamp.
    evening = read_record(climate, window.field(13), first, last, exit_code::climate_seek_19);
    console.out << message_format("Suchen Klima : %2d.%2d.%4d\n", evening.stamp.day,
                                  evening.stamp.month, evening.stamp.year);
  } while (!starts_on(evening.stamp, params));
  check_reading_stamp(window, 1, climate, morning, exit_code::climate_time_mismatch);
  check_reading_stamp(window, 13, climate, evening, exit_code::climate_time_mismatch);
}

void seek_collector_start(Console& console, TextReader& collector, HourWindow& window,
                          const RunParameters& params, int first, int last) {
  RecordStamp reading;
  do {
    if (collector.at_end())
      fail_start_missing(exit_code::collector_start_missing, params.collector_file, params);
    reading = read_record(collector, window.field(1), first, last, exit_code::collector_seek);
    console.out << message_format("Suchen Sammler : %2d.%2d.%4d\n", reading.stamp.day,
                                  reading.stamp.month, reading.stamp.year);
  } while (!starts_on(reading.stamp, params));
  check_reading_stamp(window, 1, collector, reading, exit_code::collector_time_mismatch);
}

}  // namespace rumo
