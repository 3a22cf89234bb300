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

}  // namespace rumo
