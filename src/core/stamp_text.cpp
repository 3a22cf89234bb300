#include "core/stamp_text.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "core/number_text.hpp"

namespace rumo {

namespace {

// `value` in at least `width` digits, zeros in front.
void append_digits(std::string& text, int value, int width) {
  char digits[16];
  char* end = std::to_chars(digits, digits + sizeof digits, value < 0 ? -value : value).ptr;
  if (value < 0) text += '-';
  text.append(static_cast<std::size_t>(std::max(0L, width - (end - digits))), '0');
  text.append(digits, end);
}

}  // namespace

char* write_stamp(char* out, const HourStamp& stamp) {
  out = write_integer(out, stamp.year);
  for (const int part : {stamp.month, stamp.day, stamp.hour}) {
    *out++ = '\t';
    out = write_integer(out, part);
  }
  return out;
}

std::string iso_date(const Date& date) {
  std::string text;
  append_digits(text, date.year, 4);
  text += '-';
  append_digits(text, date.month, 2);
  text += '-';
  append_digits(text, date.day, 2);
  return text;
}

std::string iso_date(long day) {
  return iso_date(Date::of(std::chrono::sys_days{std::chrono::days{day}}));
}

std::string iso_minute(long long minute) {
  // Floor division, so that minutes before 1970 land on their own day.
  const long long day = minute >= 0 ? minute / 1440 : -((-minute + 1439) / 1440);
  const int of_day = static_cast<int>(minute - day * 1440);
  std::string text = iso_date(static_cast<long>(day)) + ' ';
  append_digits(text, of_day / 60, 2);
  text += ':';
  append_digits(text, of_day % 60, 2);
  return text;
}

std::string iso_hour(const Date& date, int hour, UtcOffset offset) {
  std::string text = iso_date(date) + 'T';
  append_digits(text, hour, 2);
  return text + ":00:00" + format_utc_offset(offset);
}

}  // namespace rumo
