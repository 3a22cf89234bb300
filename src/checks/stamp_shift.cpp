#include "checks/stamp_shift.hpp"

#include <charconv>
#include <cmath>

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

}  // namespace

void StampShiftCheck::Pairs::add(double reading, double sum) {
  n += 1;
  r += reading;
  s += sum;
  rr += reading * reading;
  ss += sum * sum;
  rs += reading * sum;
}

double StampShiftCheck::Pairs::correlation() const {
  const double vr = n * rr - r * r;
  const double vs = n * ss - s * s;
  if (!(vr > 0.0) || !(vs > 0.0)) return std::nan("");
  return (n * rs - r * s) / std::sqrt(vr * vs);
}

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
    const double r = p.reading;
    const double s = p.interpolated;
    const bool usable = is_present(r, nodata_) && std::isfinite(r) && s >= 0.0 && std::isfinite(s);
    if (usable) {
      st.lags[2].add(r, s);
      if (r > 0.0) ++st.wet;
    }
    for (int back = 1; back <= 2; ++back) {
      const std::size_t i = static_cast<std::size_t>(back - 1);
      if (!usable || !st.usable[i]) continue;
      st.lags[static_cast<std::size_t>(2 - back)].add(r, st.sum[i]);
      st.lags[static_cast<std::size_t>(2 + back)].add(st.reading[i], s);
    }
    st.reading = {r, st.reading[0]};
    st.sum = {s, st.sum[0]};
    st.usable = {usable, st.usable[0]};
  }
}

std::vector<std::string> StampShiftCheck::findings() const {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < stations_.size(); ++i) {
    const Station& st = stations_[i];
    if (st.wet < kShiftWetPeriods) continue;
    const int m = counts_.first_climate() + static_cast<int>(i);
    const bool climate = m <= counts_.last_climate();
    const double own = st.lags[2].correlation();
    if (std::isnan(own)) continue;
    // A collector's neighbours are the days before and after; a climate
    // station's the halves and the same half of those days.
    int best_lag = 0;
    double best = own;
    for (const int lag : {-1, 1, -2, 2}) {
      if (!climate && (lag == -2 || lag == 2)) continue;
      const double c = st.lags[static_cast<std::size_t>(lag + 2)].correlation();
      if (c > best) {
        best = c;
        best_lag = lag;
      }
    }
    if (best_lag == 0 || best < own + kShiftMargin || best < kShiftLeast) continue;
    std::string line = "station " + std::to_string(m) + " " +
                       table_.name[static_cast<std::size_t>(m)] +
                       (climate ? " (climate)" : " (collector)") +
                       ": its readings follow the interpolated sums of " +
                       period_named(best_lag, climate) + " (correlation " + two_decimals(best) +
                       ") far better than those of their own periods (" + two_decimals(own) + "); ";
    line += best_lag < 0 ? "are they stamped at the end of the period they cover? "
                         : "are they stamped a period early? ";
    line += climate ? "A reading stamped 7 covers 06:00 to 18:00 of its date, one stamped 19 the "
                      "12 hours after"
                    : "A reading stamped 7 covers the 24 hours from 06:00 of its date";
    lines.push_back(line);
  }
  return lines;
}

}  // namespace rumo
