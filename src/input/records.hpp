// Data records: a stamp of four integers (year, month, day, hour) and one
// value per station of the file, separated by any white space.
#pragma once

#include <string>

#include "core/params.hpp"
#include "core/window.hpp"
#include "input/text_reader.hpp"

namespace rumo {

// Reads the stamp of the next record, year corrected; a stamp that breaks off
// or holds anything but four integers ends the run with `code`.
HourStamp read_stamp(TextReader& reader, int code);

// Reads the values of stations first..last into `field`; a value that is
// missing or no number ends the run with `code`.
void read_values(TextReader& reader, HourField& field, int first, int last, int code);

// "Zeitvergleichsfehler ..." with the hourly stamp.
[[noreturn]] void fail_time_mismatch(int code, const HourStamp& hourly);

// "Datei NAME enthaelt das Datum ... nicht (feof)!": the file ended before
// the start record was found.
[[noreturn]] void fail_start_missing(int code, const std::string& name,
                                     const RunParameters& params);

// 108: the hourly file does not reach hour 24 of the end date.
[[noreturn]] void fail_end_missing(const RunParameters& params);

// Day, month and year alike (the hour is not compared).
inline bool same_date(const HourStamp& stamp, int day, int month, int year) {
  return stamp.day == day && stamp.month == month && stamp.year == year;
}

}  // namespace rumo
