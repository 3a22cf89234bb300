#include "input/records.hpp"

#include "core/error.hpp"

namespace rumo {

HourStamp read_stamp(TextReader& reader, int code) {
  int numbers[4];
  for (int& number : numbers) {
    const auto value = reader.read_int();
    if (!value) fail_read(code);
    number = *value;
  }
  return HourStamp{numbers[2], numbers[3], numbers[1], correct_year(numbers[0])};
}

void read_values(TextReader& reader, HourField& field, int first, int last, int code) {
  for (int station = first; station <= last; ++station) {
    const auto value = reader.read_double();
    if (!value) fail_read(code);
    field[station] = *value;
  }
}

void fail_time_mismatch(int code, const HourStamp& hourly) {
  fail(code, message_format("Zeitvergleichsfehler bei %2d.%2d.%4d Stunde %2d !\n", hourly.day,
                            hourly.month, hourly.year, hourly.hour));
}

void fail_start_missing(int code, const std::string& name, const RunParameters& params) {
  fail(code, message_format("Datei %s enthaelt das Datum %2d.%2d.%2d,stunde %2d nicht (feof)!\n",
                            name.c_str(), params.start_day, params.start_month, params.start_year,
                            params.start_hour));
}

void fail_end_missing(const RunParameters& params) {
  fail(108, message_format("Datei %s enthaelt das Enddatum %2d.%2d.%4d,stunde 24 nicht!\n",
                           params.hourly_file.c_str(), params.end_day, params.end_month,
                           params.end_year));
}

}  // namespace rumo
