// Periods that the hourly stations could not tell: climate and collector
// periods with hours in which no hourly station in reach had a value. Told
// every day's periods, it counts them and names them in one warning after
// the run.
#pragma once

#include <string>
#include <vector>

#include "core/params.hpp"
#include "core/run_addition.hpp"
#include "core/stations.hpp"

namespace rumo {

class NoDataCheck : public RunAddition {
 public:
  NoDataCheck(const StationTable& table, const StationCounts& counts, NoDataHours how);
  void day(const DayContext& day) override;
  void finish() override {}
  // The warning, without "rumo: warning: " and line end; empty where no
  // period had such hours.
  std::string finding() const;

 private:
  const StationTable& table_;
  NoDataHours how_;
  long periods_ = 0;
  std::vector<char> seen_;  // by station number
  long stations_ = 0;
  PeriodRecord first_;
  // The largest factor a reading was scaled by into the hours that had
  // data; 0 where none was.
  double largest_factor_ = 0.0;
};

}  // namespace rumo
