#include "import/stamps.hpp"

#include <chrono>

namespace rumo {

namespace {

// The number of `count` digits at `at`, or -1.
int digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::optional<long> checked_day(int year, int month, int day) {
  if (year < 0 || month < 1 || day < 1) return std::nullopt;
  // Rows come in runs of one day: the last day found is kept.
  thread_local int last_key = -1;
  thread_local long last_day = 0;
  const int key = (year * 16 + month) * 32 + day;
  if (key == last_key) return last_day;
  const std::chrono::year_month_day date =
      Date{.year = year, .month = month, .day = day}.calendar();
  if (!date.ok()) return std::nullopt;
  last_day = static_cast<long>(std::chrono::sys_days{date}.time_since_epoch().count());
  last_key = key;
  return last_day;
}

// HH:MM[:SS] from `at` to the end or to an offset; sets the minute and
// second and returns where it stopped, or npos.
std::size_t read_clock(std::string_view text, std::size_t at, Stamp& stamp) {
  const int hour = digits(text, at, 2);
  const int minute = at + 2 < text.size() && text[at + 2] == ':' ? digits(text, at + 3, 2) : -1;
  if (hour < 0 || minute < 0 || hour > 24 || minute > 59) return std::string_view::npos;
  at += 5;
  if (at < text.size() && text[at] == ':') {
    stamp.second = digits(text, at + 1, 2);
    if (stamp.second < 0 || stamp.second > 59) return std::string_view::npos;
    at += 3;
  }
  if (hour == 24 && (minute != 0 || stamp.second != 0)) return std::string_view::npos;
  stamp.minute = hour * 60 + minute;
  stamp.has_time = true;
  return at;
}

}  // namespace

Date calendar_date(long day) {
  return Date::of(std::chrono::sys_days{std::chrono::days{day}});
}

std::optional<Stamp> parse_stamp(std::string_view text) {
  Stamp stamp;
  std::optional<long> day;
  if (text.size() >= 8 && digits(text, 0, 8) >= 0 &&
      (text.size() == 8 || text.size() == 10 || text.size() == 12) &&
      digits(text, 8, text.size() - 8) >= 0) {
    day = checked_day(digits(text, 0, 4), digits(text, 4, 2), digits(text, 6, 2));
    if (text.size() >= 10) {
      const int hour = digits(text, 8, 2);
      const int minute = text.size() == 12 ? digits(text, 10, 2) : 0;
      if (hour > 24 || minute > 59 || (hour == 24 && minute != 0)) return std::nullopt;
      stamp.minute = hour * 60 + minute;
      stamp.has_time = true;
    }
  } else if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
    day = checked_day(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
    std::size_t at = 10;
    if (at < text.size()) {
      if (text[at] != ' ' && text[at] != 'T') return std::nullopt;
      at = read_clock(text, at + 1, stamp);
      if (at == std::string_view::npos) return std::nullopt;
      if (at < text.size()) {
        stamp.offset = parse_utc_offset(text.substr(at));
        if (!stamp.offset) return std::nullopt;
      }
    }
  } else if (text.size() >= 10 && text[2] == '.' && text[5] == '.') {
    day = checked_day(digits(text, 6, 4), digits(text, 3, 2), digits(text, 0, 2));
    if (text.size() > 10) {
      if (text[10] != ' ' || read_clock(text, 11, stamp) != text.size()) return std::nullopt;
    }
  }
  if (!day) return std::nullopt;
  stamp.day = *day;
  return stamp;
}

}  // namespace rumo
