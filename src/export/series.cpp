#include "export/series.hpp"

#include <utility>

#include "core/stamp_text.hpp"

namespace rumo {

const char* kind_name(StationKind kind) {
  switch (kind) {
    case StationKind::hourly:
      return "hourly";
    case StationKind::climate:
      return "climate";
    case StationKind::collector:
      return "collector";
    case StationKind::unknown:
      break;
  }
  return "unknown";
}

namespace {

// Whole days and the hour 0 to 23 of a count of hours from a midnight; the
// days are floored, so that hours before it land on earlier days.
std::pair<long, int> days_and_hour(long hours) {
  long days = hours / 24;
  long hour = hours % 24;
  if (hour < 0) {
    hour += 24;
    days -= 1;
  }
  return {days, static_cast<int>(hour)};
}

Date day_after(std::chrono::year_month_day start, long days) {
  return Date::of(std::chrono::sys_days{start} + std::chrono::days{days});
}

}  // namespace

std::chrono::year_month_day stamp_date(const HourStamp& stamp) {
  return stamp.date().calendar();
}

long hours_since(std::chrono::year_month_day start, const HourStamp& stamp) {
  const auto days = std::chrono::sys_days{stamp_date(stamp)} - std::chrono::sys_days{start};
  return static_cast<long>(days.count()) * 24 + stamp.hour;
}

HourStamp moved_stamp(const HourStamp& stamp, int hours) {
  // Hour h of a day begins h - 1 hours after its midnight.
  const auto [days, hour] = days_and_hour(stamp.hour - 1L + hours);
  return hour_of(day_after(stamp_date(stamp), days), hour + 1);
}

std::string time_units(std::chrono::year_month_day start, UtcOffset offset) {
  return "hours since " + iso_date(Date::of(start)) + " 00:00:00 " + format_utc_offset(offset);
}

std::string iso_time(std::chrono::year_month_day start, long hours, UtcOffset offset) {
  const auto [days, hour] = days_and_hour(hours);
  return iso_hour(day_after(start, days), hour, offset);
}

}  // namespace rumo
