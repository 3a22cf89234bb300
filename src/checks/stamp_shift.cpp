#include "checks/stamp_shift.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "checks/station_checks.hpp"
#include "core/window.hpp"

namespace rumo {

namespace {

std::string two_decimals(double value) {
  char digits[32];
  const auto end =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
  return std::string(digits, end.ptr);
}

// The period `lag` periods from a reading's own, in words.
std::string period_named(int lag, bool climate) {
  const bool half = climate && (lag == 1 || lag == -1);
  std::string text = climate ? (half ? "the half-day " : "the same half a day ") : "the day ";
  return text + (lag < 0 ? "before" : "after");
}

// What the readings follow and what that suggests; `their` is "its" for one
// station, "their" for several together.
std::string shift_told(const char* their, int lag, bool climate, double best, double own) {
  std::string line = std::string(": ") + their + " readings follow the interpolated sums of " +
                     period_named(lag, climate) + " (correlation " + two_decimals(best) +
                     ") far better than those of their own periods (" + two_decimals(own) + "); ";
  line += lag < 0 ? "are they stamped at the end of the period they cover? "
                  : "are they stamped a period early? ";
  line += climate ? "A reading stamped 7 covers 06:00 to 18:00 of its date, one stamped 19 the "
                    "12 hours after"
                  : "A reading stamped 7 covers the 24 hours from 06:00 of its date";
  return line;
}

}  // namespace

StampShiftCheck::StampShiftCheck(const StationTable& table, const StationCounts& counts,
                                 double nodata)
    : table_(table),
      counts_(counts),
      nodata_(nodata),
      stations_(static_cast<std::size_t>(counts.climate + counts.collector)) {}

void StampShiftCheck::day(const DayContext& day) {
  // Each station's periods come in time order.
  for (const PeriodRecord& p : day.periods) {
    Station& st = stations_[static_cast<std::size_t>(p.station - counts_.first_climate())];
    Judged& kind = kinds_[p.station <= counts_.last_climate() ? 0 : 1];
    const auto add = [&](int lag, double reading, double sum) {
      st.judged.lags[static_cast<std::size_t>(lag + 2)].add(reading, sum);
      kind.lags[static_cast<std::size_t>(lag + 2)].add(reading, sum);
    };
    const double r = p.reading;
    const double s = p.interpolated;
    const bool usable = is_present(r, nodata_) && std::isfinite(r) && s >= 0.0 && std::isfinite(s);
    if (usable) {
      add(0, r, s);
      if (r > 0.0) {
        ++st.judged.wet;
        ++kind.wet;
      }
    }
    for (int back = 1; back <= 2; ++back) {
      const std::size_t i = static_cast<std::size_t>(back - 1);
      if (!usable || !st.usable[i]) continue;
      add(-back, r, st.sum[i]);
      add(back, st.reading[i], s);
    }
    st.reading = {r, st.reading[0]};
    st.sum = {s, st.sum[0]};
    st.usable = {usable, st.usable[0]};
  }
}

StampShiftCheck::Verdict StampShiftCheck::judge(const Judged& judged, bool climate) {
  Verdict verdict;
  if (judged.wet < kShiftWetPeriods) return verdict;
  const double own = judged.lags[2].correlation();
  if (std::isnan(own)) return verdict;
  // A collector's neighbours are the days before and after; a climate
  // station's the halves and the same half of those days.
  int best_lag = 0;
  double best = own;
  for (const int lag : {-1, 1, -2, 2}) {
    if (!climate && (lag == -2 || lag == 2)) continue;
    const double c = judged.lags[static_cast<std::size_t>(lag + 2)].correlation();
    if (c > best) {
      best = c;
      best_lag = lag;
    }
  }
  if (best_lag == 0 || best < own + kShiftMargin || best < kShiftLeast) return verdict;
  return {best_lag, best, own};
}

std::vector<std::string> StampShiftCheck::findings() const {
  std::vector<std::string> lines;
  for (const bool climate : {true, false}) {
    const int first = climate ? counts_.first_climate() : counts_.first_collector();
    const int last = climate ? counts_.last_climate() : counts_.total();
    if (last < first) continue;
    std::vector<std::pair<int, Verdict>> alone;
    for (int m = first; m <= last; ++m) {
      const Verdict v =
          judge(stations_[static_cast<std::size_t>(m - counts_.first_climate())].judged, climate);
      if (v.lag != 0) alone.emplace_back(m, v);
    }
    const Verdict together = judge(kinds_[climate ? 0 : 1], climate);
    const auto same = std::count_if(alone.begin(), alone.end(),
                                    [&](const auto& a) { return a.second.lag == together.lag; });
    if (together.lag != 0 && (same < last - first + 1 || same > static_cast<long>(kNamesShown))) {
      std::vector<int> all;
      for (int m = first; m <= last; ++m) all.push_back(m);
      lines.push_back("the " + std::to_string(all.size()) + (climate ? " climate" : " collector") +
                      " stations together (" + station_names(table_, all) + ")" +
                      shift_told("their", together.lag, climate, together.best, together.own));
      std::erase_if(alone, [&](const auto& a) { return a.second.lag == together.lag; });
    }
    for (const auto& [m, v] : alone) {
      lines.push_back("station " + std::to_string(m) + " " +
                      table_.name[static_cast<std::size_t>(m)] +
                      (climate ? " (climate)" : " (collector)") +
                      shift_told("its", v.lag, climate, v.best, v.own));
    }
  }
  return lines;
}

}  // namespace rumo
