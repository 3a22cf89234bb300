// The hourly records of a run's period, one at a time, for work that needs the
// observations alone: from hour 1 of the start date to hour 24 of the end date.
#pragma once

#include "core/params.hpp"
#include "core/window.hpp"
#include "input/text_reader.hpp"

namespace rumo {

class HourlyPeriod {
 public:
  // `hourly` stands at the first data record; its stations are 1..hourly_count.
  HourlyPeriod(TextReader& hourly, const RunParameters& params, int hourly_count);

  // Reads the next record of the period into `stamp` and entries
  // 1..hourly_count of `field`; false once hour 24 of the end date is past.
  // `stamp` must hold what the previous call gave: each record must carry
  // the hour after it (exit_code::hours_not_in_order otherwise).
  // Fails as the run does: hourly_start_missing if the file has no record
  // for hour 1 of the start date, end_missing if it ends, or comes to an
  // hour after the end date, before hour 24 of the end date, and with the
  // run's read errors (the names of exit_code::).
  bool next(HourStamp& stamp, HourField& field);

 private:
  TextReader& hourly_;
  const RunParameters& params_;
  int hourly_count_;
  long records_ = 0;  // records of the period read so far
  bool done_ = false;
};

}  // namespace rumo
