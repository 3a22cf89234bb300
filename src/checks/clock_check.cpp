#include "checks/clock_check.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/window.hpp"

namespace rumo {

namespace {

// Hour h of a day is number (days since 1970-01-01) * 24 + h - 1: hour 24
// and hour 1 of the next day follow each other.
long hour_number(const HourStamp& stamp) {
  return static_cast<long>(stamp.date().days().time_since_epoch().count()) * 24 + stamp.hour - 1;
}

std::string fixed(double value, int decimals) {
  char digits[32];
  const auto end =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  return std::string(digits, end.ptr);
}

// The share of the readings' variance a correlation leaves unexplained;
// all of it where the sums do not vary or go against the readings.
double unexplained(double correlation) {
  return correlation > 0.0 ? std::max(0.0, 1.0 - correlation * correlation) : 1.0;
}

std::string hours_named(int hours) {
  if (hours == 24) return "a day";
  if (hours == 12) return "half a day";
  return std::to_string(hours) + (hours == 1 ? " hour" : " hours");
}

}  // namespace

// The shifts in the order they are preferred where two fit alike: none
// first, then the nearer ones.
int ClockCheck::Pair::shift(std::size_t k) const {
  const int shifts[kShifts] = {0, -1, 1, -2, 2, -period, period};
  return shifts[k];
}

ClockCheck::ClockCheck(const StationTable& table, const StationCounts& counts, double nodata)
    : table_(table),
      counts_(counts),
      nodata_(nodata),
      pair_of_(static_cast<std::size_t>(counts.climate + counts.collector), -1) {
  // The hourly stations by their first coordinate, so that each climate or
  // collector station looks only at those within reach in it.
  std::vector<int> by_first;
  for (int hourly = 1; hourly <= counts.hourly; ++hourly) {
    if (std::isfinite(table.first[hourly])) by_first.push_back(hourly);
  }
  std::sort(by_first.begin(), by_first.end(),
            [&](int a, int b) { return table.first[a] < table.first[b]; });
  // Each hourly station's hours are kept once, however many stations beside it.
  std::vector<int> kept_of(station_entries(counts.hourly), -1);
  const double reach = kClockPlace * kClockPlace;
  for (int daily = counts.first_climate(); daily <= counts.total(); ++daily) {
    int nearest = 0;
    double nearest_d2 = reach;
    const double x = table.first[daily];
    auto from = std::lower_bound(by_first.begin(), by_first.end(), x - kClockPlace,
                                 [&](int m, double value) { return table.first[m] < value; });
    for (; from != by_first.end() && table.first[*from] <= x + kClockPlace; ++from) {
      const int hourly = *from;
      const double dx = table.first[daily] - table.first[hourly];
      const double dy = table.second[daily] - table.second[hourly];
      const double d2 = dx * dx + dy * dy;
      // Of hourly stations alike near, the first in the file.
      if (d2 < nearest_d2 || (d2 == nearest_d2 && (nearest == 0 || hourly < nearest))) {
        nearest = hourly;
        nearest_d2 = d2;
      }
    }
    if (nearest == 0) continue;
    int& kept = kept_of[static_cast<std::size_t>(nearest)];
    if (kept < 0) {
      kept = static_cast<int>(kept_.size());
      kept_.push_back(Kept{.station = nearest});
    }
    Pair pair;
    pair.daily = daily;
    pair.hourly = nearest;
    pair.kept = static_cast<std::size_t>(kept);
    pair.distance = std::sqrt(nearest_d2);
    pair.period = daily <= counts.last_climate() ? 12 : 24;
    pair_of_[static_cast<std::size_t>(daily - counts.first_climate())] =
        static_cast<int>(pairs_.size());
    pairs_.push_back(std::move(pair));
  }
  // No hour is taken before it is told.
  for (Kept& k : kept_) k.hour.fill(std::numeric_limits<long>::min());
}

void ClockCheck::keep(long hour, const HourField& field) {
  const auto at = static_cast<std::size_t>(((hour % kKept) + kKept) % kKept);
  for (Kept& k : kept_) {
    k.value[at] = field[static_cast<std::size_t>(k.station)];
    k.hour[at] = hour;
  }
  latest_ = hour;
}

void ClockCheck::hour_as_read(const HourStamp& stamp, const HourField& field) {
  keep(hour_number(stamp), field);
}

void ClockCheck::day(const DayContext& day) {
  for (int slot = 1; slot <= 24; ++slot) {
    if (day.window.hour_read(slot))
      keep(hour_number(day.window.stamp(slot)), day.window.field(slot));
  }
  for (const PeriodRecord& p : day.periods) {
    const int at = pair_of_[static_cast<std::size_t>(p.station - counts_.first_climate())];
    if (at < 0 || !is_present(p.reading, nodata_) || !std::isfinite(p.reading)) continue;
    pairs_[static_cast<std::size_t>(at)].waiting.push_back({hour_number(p.stamp), p.reading});
  }
  // A period is judged once the hours a period after it are told; the
  // hours kept reach back far enough for the period before it.
  for (Pair& pair : pairs_) {
    while (!pair.waiting.empty() && pair.waiting.front().first + 2 * pair.period - 1 <= latest_) {
      judge(pair, pair.waiting.front());
      pair.waiting.pop_front();
    }
  }
}

void ClockCheck::judge(Pair& pair, const Waiting& waiting) {
  const Kept& kept = kept_[pair.kept];
  std::array<double, kShifts> sums{};
  for (std::size_t k = 0; k < kShifts; ++k) {
    const long first = waiting.first + pair.shift(k);
    for (long hour = first; hour < first + pair.period; ++hour) {
      const auto at = static_cast<std::size_t>(((hour % kKept) + kKept) % kKept);
      const double value = kept.value[at];
      if (kept.hour[at] != hour || !is_present(value, nodata_) || !std::isfinite(value)) return;
      sums[k] += value;
    }
  }
  for (std::size_t k = 0; k < kShifts; ++k) pair.shifts[k].add(waiting.reading, sums[k]);
  if (waiting.reading > 0.0) ++pair.wet;
}

std::vector<std::string> ClockCheck::findings() const {
  std::vector<std::string> lines;
  for (const Pair& pair : pairs_) {
    if (pair.wet < kClockWetPeriods) continue;
    const double own = pair.shifts[0].correlation();
    std::size_t best = 0;
    for (std::size_t k = 1; k < kShifts; ++k) {
      if (unexplained(pair.shifts[k].correlation()) <
          unexplained(pair.shifts[best].correlation())) {
        best = k;
      }
    }
    const double left = unexplained(pair.shifts[best].correlation());
    const double left_own = unexplained(own);
    if (best == 0 || left > kClockShare * left_own) continue;
    const int shift = pair.shift(best);
    const std::string by = hours_named(std::abs(shift));
    const bool climate = pair.daily <= counts_.last_climate();
    const auto named = [&](int m, const char* kind) {
      return "station " + std::to_string(m) + " " + table_.name[static_cast<std::size_t>(m)] +
             " (" + kind + ")";
    };
    const auto fit = [](double correlation) {
      if (std::isnan(correlation)) return std::string("no correlation");
      return "correlation " + fixed(correlation, 3) + ", " +
             fixed(100.0 * unexplained(correlation), 1) + " % of the variance unexplained";
    };
    lines.push_back(named(pair.daily, climate ? "climate" : "collector") + " and " +
                    named(pair.hourly, "hourly") + " stand at one place (" +
                    std::to_string(std::lround(pair.distance)) +
                    " m apart), but the readings follow the hourly values " + by +
                    (shift > 0 ? " later" : " earlier") + " far better (" +
                    fit(pair.shifts[best].correlation()) + ") than those of their own periods (" +
                    fit(own) + "): are the hourly values stamped " + by +
                    (shift > 0 ? " late" : " early") + ", or the readings " + by +
                    (shift > 0 ? " early" : " late") +
                    "? A wrong --time-zone, --label, --date-label or --utc-offset of rumo import "
                    "shifts them so");
  }
  return lines;
}

}  // namespace rumo
