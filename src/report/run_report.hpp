// The run report: what became of every reading of a climate or collector
// station, one tab-separated row per station and adjusted period, and a short
// summary for the console.
#pragma once

#include <array>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files.hpp"
#include "core/periods.hpp"
#include "core/stations.hpp"
#include "core/workers.hpp"

namespace rumo {

class RunReport {
 public:
  // Writes the header line. The rows are gathered in a buffer and handed to
  // the file in blocks, so that the report of a long run needs little memory.
  // With a `pool` of more than one thread, its threads write the days' rows
  // while they have nothing else to do, and the run hands the days over;
  // the file is the same either way. The pool must outlive the report. At
  // most `most_waiting` periods wait to be written; beyond them, the thread
  // that hands a day over writes.
  RunReport(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
            const StationCounts& counts, double nodata, WorkerPool* pool,
            std::size_t most_waiting = std::size_t{1} << 16);
  // A run that fails keeps the rows of the days handed over before the
  // failure.
  ~RunReport();
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;

  // The rows of one day's periods in time order: by the reading's stamp,
  // then by station. `written_slots` is how many of the day's slots 1..24 the
  // result file holds (fewer than 24 on the last day only). Takes the
  // periods and leaves `periods` empty.
  void add_day(std::vector<PeriodRecord>& periods, int written_slots);

  // Writes the rest and closes the file; a failure ends the run with 205.
  void close();

 private:
  struct Day {
    std::vector<PeriodRecord> periods;
    int written_slots = 0;
  };

  // Writes some rows of the days in waiting, oldest first; without `wait`,
  // only if no other thread is writing. Returns whether it wrote any.
  bool write_some(bool wait);
  // Sorts the runs of `periods` into time order (runs_).
  void order_runs(const std::vector<PeriodRecord>& periods);
  void flush();
  void write_row(const PeriodRecord& period, int written_slots);

  // Rows written in one go, few enough that a thread of the pool that
  // writes them is soon back for the pool's pieces.
  static constexpr std::size_t kRowsAtOnce = 128;

  std::unique_ptr<OutputSink> sink_;
  std::string name_;
  StationCounts counts_;
  double nodata_;
  WorkerPool* pool_;
  std::size_t most_waiting_;
  // The columns that repeat, all in column_text_ (with room for the pieces
  // of a copy at its end): where each begins, and its length.
  // "number\tname\tkind\t" of each climate or collector station, and
  // "\toutcome\t" of each outcome.
  std::vector<std::pair<std::size_t, std::size_t>> leads_;
  std::array<std::pair<std::size_t, std::size_t>, 6> outcome_columns_{};
  std::vector<char> column_text_;

  // The days in waiting, oldest first, and emptied vectors to reuse.
  std::mutex days_mutex_;
  std::deque<Day> days_;
  std::size_t waiting_records_ = 0;
  std::vector<std::vector<PeriodRecord>> spare_;

  // Held by the thread that writes rows; guards everything below.
  std::mutex writing_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  Day day_;  // the day being written
  bool in_hand_ = false;
  std::vector<std::pair<std::size_t, std::size_t>> runs_;  // of day_, in time order
  std::size_t next_run_ = 0;
  std::size_t next_row_ = 0;
  HourStamp date_stamp_;  // the stamp of the date columns in date_
  char date_[64] = {};    // room for the pieces of put_in_pieces
  std::size_t date_size_ = 0;
  bool failed_ = false;
  std::exception_ptr failure_;
};

// A few lines on what the report counts: periods, the observed total, what
// was not distributed, where, and the stations that lost the largest shares.
void write_report_summary(std::ostream& out, const RunTally& tally, const StationTable& table,
                          const StationCounts& counts, const std::string& report_name);

}  // namespace rumo
