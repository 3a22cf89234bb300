// Readings stamped a period late or early: a climate or collector station
// whose readings follow the interpolated sums of the neighbouring periods
// far better than those of their own. Told every day's periods, it keeps a
// few running sums per station, and the same for all climate and all
// collector stations together, so that a record too short to judge one
// station still judges the network; it names what it found after the run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "checks/correlation.hpp"
#include "core/run_addition.hpp"
#include "core/stations.hpp"

namespace rumo {

// A station, or all stations of a kind together, is judged with this many
// periods with a present positive reading and a usable interpolated sum, or
// more.
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
  // without "rumo: warning: " and line end. A shift that all stations of a
  // kind show together is one line naming them, in place of theirs, where
  // that tells more (a station too short or too weak to show it alone) or
  // less (more than three lines of one shift).
  std::vector<std::string> findings() const;

 private:
  // Lag L pairs a period's reading with the sum of the period L later;
  // index L + 2, for L = -2..2 (a climate station's day is two periods).
  static constexpr int kLags = 5;
  struct Judged {
    std::array<CorrelationSums, kLags> lags;
    long wet = 0;
  };
  // The lag whose sums the readings follow far better than their own
  // periods' (0: none), and both correlations.
  struct Verdict {
    int lag = 0;
    double best = 0.0;
    double own = 0.0;
  };
  static Verdict judge(const Judged& judged, bool climate);
  struct Station {
    Judged judged;
    // The two periods before the last one told, newest first.
    std::array<double, 2> reading{};
    std::array<double, 2> sum{};
    std::array<bool, 2> usable{};
  };

  const StationTable& table_;
  StationCounts counts_;
  double nodata_;
  std::vector<Station> stations_;  // climate and collector stations, in order
  std::array<Judged, 2> kinds_;    // all climate stations, all collector stations
};

}  // namespace rumo
