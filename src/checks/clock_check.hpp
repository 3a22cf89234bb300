// Clocks set differently on the two sides of one place: where an hourly
// station stands beside a climate or collector station, the hourly
// station's sum over a reading's period should match the reading. Readings
// that match its hours far better one or two hours later or earlier, or a
// period off, tell stamps moved on one side (an import with the wrong offset
// or label). Told every day of the run, it keeps four days of each such
// hourly station's values and a few running sums per pair of stations, and
// names the pairs after the run.
#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "checks/correlation.hpp"
#include "core/run_addition.hpp"
#include "core/stations.hpp"

namespace rumo {

// An hourly station this close to a climate or collector station (in the
// unit of the coordinates, metres) stands at its place.
inline constexpr double kClockPlace = 100.0;
// A pair is judged with this many periods with a positive reading whose
// hours are all present for every shift, or more.
inline constexpr long kClockWetPeriods = 10;
// A shift fits clearly better than none where the share of the readings'
// variance it leaves unexplained (1 - r^2) is at most this part of the share
// none leaves.
inline constexpr double kClockShare = 1.0 / 3.0;

class ClockCheck : public RunAddition {
 public:
  // Pairs each climate and collector station with the nearest hourly
  // station within kClockPlace, if any.
  ClockCheck(const StationTable& table, const StationCounts& counts, double nodata);
  bool has_pairs() const { return !pairs_.empty(); }
  void hour_as_read(const HourStamp& stamp, const HourField& field) override;
  void day(const DayContext& day) override;
  void finish() override {}
  // One line per pair whose readings fit a shift clearly better, in the
  // order of the climate and collector stations, without "rumo: warning: "
  // and line end.
  std::vector<std::string> findings() const;

 private:
  // The hours taken: the values of the latest kKept hours, each with the
  // number of its hour (hours counted from 1970-01-01), of one hourly station.
  static constexpr long kKept = 96;
  struct Kept {
    int station = 0;
    std::array<double, kKept> value{};
    std::array<long, kKept> hour{};
  };
  // A reading whose period's hours (and those of every shift) are not all
  // told yet: the number of its period's first hour.
  struct Waiting {
    long first;
    double reading;
  };
  // Shifts by -1 period, -2 to 2 hours and 1 period.
  static constexpr int kShifts = 7;
  struct Pair {
    int daily = 0;
    int hourly = 0;
    std::size_t kept = 0;  // of the hourly station, in kept_
    double distance = 0.0;
    int period = 0;  // hours: 12 or 24
    std::array<CorrelationSums, kShifts> shifts;
    long wet = 0;
    std::deque<Waiting> waiting;

    int shift(std::size_t k) const;  // in hours
  };

  void keep(long hour, const HourField& field);
  // Adds the reading's pairs (reading, shifted sum) to the pair's sums where
  // every hour of every shift is present.
  void judge(Pair& pair, const Waiting& waiting);

  const StationTable& table_;
  StationCounts counts_;
  double nodata_;
  std::vector<Kept> kept_;
  std::vector<Pair> pairs_;
  std::vector<int> pair_of_;  // by climate or collector station from the first; -1: none
  long latest_ = 0;           // the number of the latest hour told
};

}  // namespace rumo
