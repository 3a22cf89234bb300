#include "export/series.hpp"

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

std::chrono::year_month_day stamp_date(const HourStamp& stamp) {
  return stamp.date().calendar();
}

long hours_since(std::chrono::year_month_day start, const HourStamp& stamp) {
  const auto days = std::chrono::sys_days{stamp_date(stamp)} - std::chrono::sys_days{start};
  return static_cast<long>(days.count()) * 24 + stamp.hour;
}

std::string time_units(std::chrono::year_month_day start, UtcOffset offset) {
  return "hours since " + iso_date(Date::of(start)) + " 00:00:00 " + format_utc_offset(offset);
}

std::string iso_time(std::chrono::year_month_day start, long hours, UtcOffset offset) {
  // Floor division, so that hours before the start date land on earlier days.
  long days = hours / 24;
  long hour = hours % 24;
  if (hour < 0) {
    hour += 24;
    days -= 1;
  }
  return iso_hour(Date::of(std::chrono::sys_days{start} + std::chrono::days{days}),
                  static_cast<int>(hour), offset);
}

}  // namespace rumo
