// Readings stamped a period late or early: a climate or collector station
// whose readings follow the interpolated sums of the neighbouring periods
// far better than those of their own. Told every day's periods, it keeps a
// few running sums per station and names such stations after the run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/run_addition.hpp"
#include "core/stations.hpp"

namespace rumo {

// A station is judged with this many periods with a present positive reading
// and a usable interpolated sum, or more.
inline constexpr long kShiftWetPeriods = 10;
// A neighbouring period must explain the readings with a correlation this
// much higher than their own periods' ...
inline constexpr double kShiftMargin = 0.3;
// ... and at least this high.
inline constexpr double kShiftLeast = 0.5;

class StampShiftCheck : public RunAddition {
 public:
  StampShiftCheck(const StationTable& table, const StationCounts& counts, double nodata);
  void day(const DayContext& day) override;
  void finish() override {}
  // One line per station whose stamps look shifted, in station order,
  // without "rumo: warning: " and line end.
  std::vector<std::string> findings() const;

 private:
  // The running sums of the pairs (reading, sum) of one lag.
  struct Pairs {
    double n = 0, r = 0, s = 0, rr = 0, ss = 0, rs = 0;
    void add(double reading, double sum);
    double correlation() const;  // NaN without spread
  };
  // Lag L pairs a period's reading with the sum of the period L later;
  // index L + 2, for L = -2..2 (a climate station's day is two periods).
  static constexpr int kLags = 5;
  struct Station {
    std::array<Pairs, kLags> lags;
    // The two periods before the last one told, newest first.
    std::array<double, 2> reading{};
    std::array<double, 2> sum{};
    std::array<bool, 2> usable{};
    long wet = 0;
  };

  const StationTable& table_;
  StationCounts counts_;
  double nodata_;
  std::vector<Station> stations_;  // climate and collector stations, in order
};

}  // namespace rumo
