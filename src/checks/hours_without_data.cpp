#include "checks/hours_without_data.hpp"

#include <tuple>

#include "core/number_text.hpp"
#include "core/stamp_text.hpp"

namespace rumo {

NoDataCheck::NoDataCheck(const StationTable& table, const StationCounts& counts, NoDataHours how)
    : table_(table), how_(how), seen_(station_entries(counts.total()), 0) {}

void NoDataCheck::day(const DayContext& day) {
  for (const PeriodRecord& period : day.periods) {
    if (period.outcome != Outcome::no_hourly_data) continue;
    if (periods_ == 0 ||
        std::tie(period.stamp, period.station) < std::tie(first_.stamp, first_.station)) {
      first_ = period;
    }
    ++periods_;
    char& seen = seen_[static_cast<std::size_t>(period.station)];
    stations_ += seen == 0 ? 1 : 0;
    seen = 1;
    // Under zero the pattern is the period's own estimates.
    if (how_ == NoDataHours::zero && period.pattern_sum > 0.0) {
      const double factor = period.reading / period.pattern_sum;
      if (factor > largest_factor_) largest_factor_ = factor;
    }
  }
}

std::string NoDataCheck::finding() const {
  if (periods_ == 0) return {};
  std::string line =
      counted(periods_, "period", "periods") + " at " + counted(stations_, "station", "stations") +
      (periods_ == 1 ? " has" : " have") +
      " hours in which no hourly station within the maximum distance has a value "
      "(the first: station " +
      std::to_string(first_.station) + " " + table_.name[static_cast<std::size_t>(first_.station)] +
      ", " + iso_date(first_.stamp.date()) + " hour " + std::to_string(first_.stamp.hour) + "); ";
  switch (how_) {
    case NoDataHours::zero:
      line += "such hours are estimated 0, so the readings went into the other hours";
      if (largest_factor_ > 0.0) line += " (scaled by up to " + six_digits(largest_factor_) + ")";
      line +=
          ", or were lost where no hour had data; --no-data-hours missing, uniform or "
          "nearest-wet writes such periods otherwise";
      break;
    case NoDataHours::missing:
      line += "their hours were written missing (--no-data-hours missing)";
      break;
    case NoDataHours::uniform:
      line += "their readings were spread evenly over their hours (--no-data-hours uniform)";
      break;
    case NoDataHours::nearest_wet:
      line +=
          "their readings were spread after the nearest wet hourly station, or evenly where "
          "there was none (--no-data-hours nearest-wet)";
      break;
  }
  return line;
}

}  // namespace rumo
