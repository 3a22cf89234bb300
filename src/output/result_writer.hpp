// Station files as the program writes them: the run's result file and the
// importer's files. A title line, four header lines (heights, first and
// second coordinates, names, each after "YY\tMM\tDD\tHH"), then one line per
// hour or reading: the stamp and a value per station, tab-separated.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "core/workers.hpp"

namespace rumo {

// The text of result lines, built in a buffer that grows as a line needs.
class LineText {
 public:
  void clear() { used_ = 0; }
  std::string_view text() const { return {buffer_.data(), used_}; }
  // Room for `size` characters at the end; `advance` takes what was written.
  char* room(std::size_t size);
  void advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

 private:
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// An open station file, through a BufferedSink: a failed write is reported
// at close.
class ResultFile {
 public:
  explicit ResultFile(std::unique_ptr<OutputSink> sink) : out_(std::move(sink)) {}

  // The stamp as "%d\t%d\t%d\t%d" (year, month, day, hour).
  void write_stamp(const HourStamp& stamp);
  void write_text(std::string_view text) { out_.append(text); }
  // A tab and the value in "%lg", in "%.0lf", or as the shortest text that
  // reads back to it.
  void write_general(double value);
  void write_no_decimals(double value);
  void write_exact(double value);
  void end_line();

  // Writes what is buffered and closes the file; false if any of the data
  // did not reach it.
  bool close() { return out_.close(); }

  // Where the lines of a day are formatted before they are written.
  std::array<LineText, 24>& day_lines() { return day_lines_; }

 private:
  BufferedSink out_;
  std::array<LineText, 24> day_lines_;
};

// The title line and the four header lines for stations 1..total. The
// result file writes heights and coordinates in "%.0lf" and the names as a
// run keeps them; the importer's files every number exactly and every name
// whole (`exact`).
void write_station_header(ResultFile& file, std::string_view title, const StationTable& table,
                          int total, bool exact);
// The result file's five header lines.
void write_result_header(ResultFile& file, const StationTable& table, int total);

// A data line of the day's output: zeros and missing values (at or below
// -nodata) in "%lg", every other value with `decimals` decimals ("%.1lf"
// unless asked otherwise).
void write_result_line(ResultFile& file, const HourStamp& stamp, const HourField& field, int total,
                       double nodata, int decimals = 1);

// A data line as read: every value in "%lg".
void write_raw_line(ResultFile& file, const HourStamp& stamp, const HourField& field, int total);

// What write_day did: slots 1..`slots` are written; `end_reached` once the
// last is hour 24 of the end date; `end_missed` when it stopped before a slot
// that holds no hour read from the hourly file or an hour after the end date
// (the run must then end with exit_code::end_missing).
struct DayWritten {
  int slots = 0;
  bool end_reached = false;
  bool end_missed = false;
};

// Writes slots 1..24 of the window, up to and including `last` (hour 24 of
// the end date), and up to a slot that holds no hour read or an hour after
// `last`. With a pool, the lines are formatted side by side and written in
// order.
DayWritten write_day(ResultFile& file, const HourWindow& window, const HourStamp& last, int total,
                     double nodata, int decimals = 1, WorkerPool* pool = nullptr);

}  // namespace rumo
