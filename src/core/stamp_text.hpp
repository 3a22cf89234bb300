// The texts of dates and hours the program writes: ISO 8601 for people and
// the exchange formats ("2023-06-03", "2023-06-03T05:00:00+01:00"), and the
// stamp of the station files and tables ("2023\t6\t3\t5").
#pragma once

#include <string>

#include "core/calendar.hpp"
#include "core/time_base.hpp"
#include "core/window.hpp"

namespace rumo {

// Room write_stamp needs.
inline constexpr std::size_t kStampRoom = 4 * 24;

// Writes "year\tmonth\tday\thour" as whole numbers; returns its end.
char* write_stamp(char* out, const HourStamp& stamp);

// "2023-06-03": the year in at least four digits (with its sign where it is
// negative), month and day in two.
std::string iso_date(const Date& date);
// The same of a day counted from 1970-01-01.
std::string iso_date(long day);
// "2023-06-03 05:00" of a minute counted from 1970-01-01 00:00.
std::string iso_minute(long long minute);
// "2023-06-03T05:00:00+01:00": hour 0 to 23 of a date in an offset.
std::string iso_hour(const Date& date, int hour, UtcOffset offset);

}  // namespace rumo
