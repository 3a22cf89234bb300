#include "export/series.hpp"

#include <cstdio>

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

std::chrono::year_month_day stamp_date(const HourStamp& stamp) {
  return stamp.date().calendar();
}

long hours_since(std::chrono::year_month_day start, const HourStamp& stamp) {
  const auto days = std::chrono::sys_days{stamp_date(stamp)} - std::chrono::sys_days{start};
  return static_cast<long>(days.count()) * 24 + stamp.hour;
}

namespace {

std::string date_text(std::chrono::year_month_day date, char between, int hour) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u%c%02d:00:00", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), between,
                hour);
  return text;
}

}  // namespace

std::string time_units(std::chrono::year_month_day start, UtcOffset offset) {
  return "hours since " + date_text(start, ' ', 0) + " " + format_utc_offset(offset);
}

std::string iso_time(std::chrono::year_month_day start, long hours, UtcOffset offset) {
  // Floor division, so that hours before the start date land on earlier days.
  long days = hours / 24;
  long hour = hours % 24;
  if (hour < 0) {
    hour += 24;
    days -= 1;
  }
  const std::chrono::year_month_day date{std::chrono::sys_days{start} + std::chrono::days{days}};
  return date_text(date, 'T', static_cast<int>(hour)) + format_utc_offset(offset);
}

}  // namespace rumo
