// What a run adds when asked (the report, the map, ...): each addition is
// made before any data is read, told every hour the result file holds, and
// finished at the end. Adding one touches no step of the run.
#pragma once

#include <ostream>
#include <vector>

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/params.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"

namespace rumo {

// One day as the result file holds it.
struct DayContext {
  const HourWindow& window;                  // the day in slots 1..24
  const std::vector<PeriodRecord>& periods;  // its climate halves and collector days
  int written_slots;                         // slots 1..this are in the result file
};

// What an addition may look at when it is made: the run's console, files,
// options, parameters and stations, all read before any data.
struct AdditionSetup {
  Console& console;
  FileSystem& files;
  const RunOptions& options;
  const RunParameters& params;
  const StationTable& stations;
  const StationCounts& counts;
};

class RunAddition {
 public:
  virtual ~RunAddition() = default;
  // An hour of the result file written as read, before the first day.
  virtual void hour_as_read(const HourStamp& stamp, const HourField& field) {
    (void)stamp;
    (void)field;
  }
  virtual void day(const DayContext& day) = 0;
  // Writes the rest and closes the addition's file; a failure ends the run
  // with exit_code::added_file_not_written.
  virtual void finish() = 0;
  // Lines for the console, once every addition is finished.
  virtual void summary(std::ostream& out) { (void)out; }
};

}  // namespace rumo
