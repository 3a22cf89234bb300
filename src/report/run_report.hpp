// The run report: what became of every reading of a climate or collector
// station, one tab-separated row per station and adjusted period, and a short
// summary for the console.
#pragma once

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files.hpp"
#include "core/periods.hpp"
#include "core/run_addition.hpp"
#include "core/stations.hpp"

namespace rumo {

class RunReport : public RunAddition {
 public:
  // Writes the header line. The rows go through a BufferedSink, so that the
  // report of a long run needs little memory. `no_data_hours` tells how the
  // no-hourly-data periods were written, for the summary.
  RunReport(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
            const StationCounts& counts, double nodata,
            NoDataHours no_data_hours = NoDataHours::zero);
  // A run that fails keeps the rows of the days before the failure.
  ~RunReport() override;
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;

  // The rows of one day's periods in time order: by the reading's stamp,
  // then by station. Only the first `written_slots` of the day's slots 1..24
  // are in the result file (fewer than 24 on the last day only).
  void day(const DayContext& day) override;
  // Writes the rest and closes the file.
  void finish() override;
  // What write_report_summary says, and the warnings given to repeat.
  void summary(std::ostream& out) override;
  // Warnings of the run that the summary repeats, one line each.
  void repeat_warnings(std::vector<std::string> lines) { warnings_ = std::move(lines); }

 private:
  // Sorts the runs of `periods` into time order (runs_).
  void order_runs(const std::vector<PeriodRecord>& periods);
  void write_row(const PeriodRecord& period, int written_slots);

  BufferedSink out_;
  std::string name_;
  const StationTable& table_;
  StationCounts counts_;
  double nodata_;
  RunTally tally_;
  // The columns that repeat, all in column_text_ (with room for the pieces
  // of a copy at its end): where each begins, and its length.
  // "number\tname\tkind\t" of each climate or collector station, and
  // "\toutcome\t" of each outcome.
  std::vector<std::pair<std::size_t, std::size_t>> leads_;
  std::array<std::pair<std::size_t, std::size_t>, 7> outcome_columns_{};
  std::vector<char> column_text_;

  std::vector<std::pair<std::size_t, std::size_t>> runs_;  // of the day, in time order
  HourStamp date_stamp_;                                   // the stamp of the date columns in date_
  char date_[64] = {};                                     // room for the pieces of put_in_pieces
  std::size_t date_size_ = 0;
  std::vector<std::string> warnings_;
};

// A few lines on what the report counts: periods, the observed total, what
// was not distributed, what the hourly stations could not tell, where, and
// the stations that lost the largest shares.
void write_report_summary(std::ostream& out, const RunTally& tally, const StationTable& table,
                          const StationCounts& counts, const std::string& report_name);

}  // namespace rumo
