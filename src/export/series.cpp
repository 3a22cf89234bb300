#include "export/series.hpp"

#include <map>
#include <set>
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

std::vector<std::string> series_ids(const std::vector<SeriesStation>& stations) {
  static constexpr const char* kLetters[] = {"", "H", "K", "S"};
  std::vector<std::string> ids;
  std::map<std::string, int> uses;
  for (const SeriesStation& station : stations) {
    std::string& id = ids.emplace_back(kLetters[static_cast<int>(station.kind)]);
    id += station.source_id.empty() ? station.name : station.source_id;
    ++uses[id];
  }
  const auto number = [](std::size_t i) {
    std::string text(1, '#');
    return text.append(std::to_string(i + 1));
  };
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (uses[ids[i]] > 1) ids[i] += number(i);
  }
  // A name that itself ends in "#" and a number can meet an id made so;
  // then the numbers alone tell the series apart.
  if (std::set<std::string>(ids.begin(), ids.end()).size() < ids.size()) {
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = number(i);
  }
  return ids;
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
