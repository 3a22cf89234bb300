// Value files: one long series of (station, time, value) rows per file, and
// where each value lands among the program's hours, halves and days.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.hpp"
#include "core/time_base.hpp"
#include "import/station_list.hpp"

namespace rumo {

enum class Kind { hourly, climate, collector };

// Hours 1 to 24; readings at hours 7 and 19; one reading at hour 7.
inline int slots_per_day(Kind kind) {
  return kind == Kind::hourly ? 24 : kind == Kind::climate ? 2 : 1;
}

struct ValueRules {
  Kind kind = Kind::hourly;
  // Station, time and value column names; empty: found by their usual names.
  std::vector<std::string> columns;
  // Values that mean "not measured".
  std::vector<double> missing{-999.0, -9999.0};
  // The offset of stamps that name none, and the offset of the written hours.
  UtcOffset time_zone;
  UtcOffset utc_offset;
  // A stamp with a time marks the end (or the start) of the period it sums.
  bool label_end = true;
  // A daily total with a date alone is the collector day that begins (or
  // ends) at 06:00 of that date.
  bool date_label_start = true;
};

// A place among the written periods: the day (days since 1970-01-01 in the
// written hours) and the slot of that day (hour 1 to 24 as 0 to 23; the
// readings at hours 7 and 19 as 0 and 1; the collector reading as 0).
struct Landing {
  long day = 0;
  int slot = 0;
};

class ValueSink {
 public:
  virtual ~ValueSink() = default;
  // One row of `file` (a file's name, or "ARCHIVE/ENTRY"): `present` false
  // where the value is missing.
  virtual void take(int station, Landing at, bool present, double value, std::string_view file,
                    long line, std::string_view text) = 0;
};

// Reads one value file's text, row by row, and hands each value to the sink.
// Every row it cannot read or place stops the import with its line.
class ValueParser {
 public:
  ValueParser(const ValueRules& rules, const StationList& stations, std::string file,
              ValueSink& sink);
  // The next bytes of the file; a line may be cut anywhere between calls.
  void feed(std::string_view data);
  // The end of the file.
  void finish();

 private:
  void line(std::string_view text);
  void header(std::string_view text);
  void row(std::string_view text);
  // Nothing where the row waits for the next one to tell why it fits nowhere.
  std::optional<Landing> land(std::string_view stamp_text, std::string_view text);

  ValueRules rules_;
  const StationList& stations_;
  std::string file_;
  ValueSink& sink_;
  std::string pending_line_;
  long line_ = 0;
  char delimiter_ = 0;
  int station_column_ = -1;
  int time_column_ = -1;
  int value_column_ = -1;
  std::size_t needed_ = 0;
  std::vector<std::string_view> fields_;
  std::string last_id_;
  int last_station_ = -1;
  // The last row placed with a time, and a reading that fits nowhere held
  // back for the row after it.
  int previous_station_ = -1;
  long long previous_written_ = 0;
  long previous_line_ = 0;
  struct Pending {
    long line;
    std::string what;
    std::string text;
    int station;
    long long written;
  };
  std::optional<Pending> pending_;
};

// Hands a file's bytes to `take` in large blocks. A file that cannot be
// opened or read stops the import (exit_code::import_file_not_read).
void read_file(FileSystem& files, const std::string& name,
               const std::function<void(std::string_view)>& take);
// Reads a value file: its text, or each product file of a zip archive, each
// through a parser of its own. A binary file stops the import
// (exit_code::import_not_text).
void read_value_file(FileSystem& files, const std::string& name, const ValueRules& rules,
                     const StationList& stations, ValueSink& sink);
// Reads a text file whole; a zip archive or binary file stops the import
// (exit_code::import_not_text), naming `what` it should have been.
std::string read_text_file(FileSystem& files, const std::string& name, std::string_view what);

// One kind's values: per station, blocks of 32 days, made when a value first
// falls into them, so that memory follows the days with values.
class SeriesStore {
 public:
  SeriesStore(Kind kind, std::size_t stations);
  // Where the place was empty: `stored`; where it holds the same value (or
  // a missing one, as the row's): `same`, and it is kept; else `different`.
  enum class Put { stored, same, different };
  Put put(int station, Landing at, bool present, double value);
  bool has(int station) const { return !series_[station].blocks.empty(); }
  // The slots of one day of a station, or null where it has none that day;
  // a slot without a value, or with a missing one, holds a NaN.
  const double* day(int station, long day) const;
  int slots() const { return slots_; }

 private:
  struct Series {
    long first_block = 0;
    std::vector<std::unique_ptr<double[]>> blocks;
  };
  int slots_;
  std::vector<Series> series_;
};

}  // namespace rumo
