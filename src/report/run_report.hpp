// The run report: what became of every reading of a climate or collector
// station, one tab-separated row per station and adjusted period, and a short
// summary for the console.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/files.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"

namespace rumo {

class RunReport {
 public:
  // Writes the header line. The rows are gathered in a buffer and handed to
  // the file in blocks, so that the report of a long run needs little memory.
  // With `in_background`, a thread of its own writes each day's rows while
  // the run computes the next day; the file is the same either way.
  RunReport(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
            const StationCounts& counts, double nodata, bool in_background);
  // A run that fails keeps the rows of the days written before the failure.
  ~RunReport();
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;

  // The rows of one day's periods in time order: by the reading's stamp,
  // then by station. `written_slots` is how many of the day's slots 1..24 the
  // result file holds (fewer than 24 on the last day only). Takes the
  // periods and leaves `periods` empty.
  void add_day(std::vector<PeriodRecord>& periods, int written_slots);

  // Writes what is buffered and closes the file; a failure ends the run
  // with 205.
  void close();

 private:
  void flush();
  void write_day(std::vector<PeriodRecord>& periods, int written_slots);
  void write_row(const PeriodRecord& period, int written_slots);
  void write_in_background();
  void stop_background();

  std::unique_ptr<OutputSink> sink_;
  std::string name_;
  const StationTable& table_;
  StationCounts counts_;
  double nodata_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::vector<std::pair<std::size_t, std::size_t>> runs_;  // scratch of add_day
  bool failed_ = false;

  // The day handed to the background thread, and whether one is waiting.
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PeriodRecord> pending_;
  int pending_slots_ = 0;
  bool has_pending_ = false;
  bool stopping_ = false;
};

// A few lines on what the report counts: periods, the observed total, what
// was not distributed, where, and the stations that lost the largest shares.
void write_report_summary(std::ostream& out, const RunTally& tally, const StationTable& table,
                          const StationCounts& counts, const std::string& report_name);

}  // namespace rumo
