#include "input/hourly_period.hpp"

#include "input/records.hpp"

namespace rumo {

namespace {

// The run reads the 29 records after the start record to fill its first
// window and every later one as it advances; each stage has its own codes.
constexpr long kLeadIn = 29;

}  // namespace

HourlyPeriod::HourlyPeriod(TextReader& hourly, const RunParameters& params, int hourly_count)
    : hourly_(hourly), params_(params), hourly_count_(hourly_count) {}

bool HourlyPeriod::next(HourStamp& stamp, HourField& field) {
  if (done_) return false;
  if (records_ == 0) {
    const HourStamp start = hour_of(params_.start, params_.start_hour);
    do {
      if (hourly_.at_end())
        fail_start_missing(exit_code::hourly_start_missing, params_.hourly_file, params_);
      stamp = read_record(hourly_, field, 1, hourly_count_, exit_code::hourly_seek).stamp;
    } while (!(stamp == start));
  } else {
    if (hourly_.at_end()) fail_end_missing(params_, &hourly_);
    const bool lead_in = records_ <= kLeadIn;
    const HourStamp previous = stamp;
    const RecordStamp record =
        read_record(hourly_, field, 1, hourly_count_,
                    lead_in ? exit_code::hourly_lead_in : exit_code::hourly_run);
    // The hours must follow each other, as in the run.
    check_next_hour(hourly_, params_.hourly_file, previous, record);
    stamp = record.stamp;
  }
  ++records_;
  const HourStamp last = last_hour_of(params_.end);
  if (stamp > last) fail_end_missing(params_, nullptr);
  done_ = stamp == last;
  return true;
}

}  // namespace rumo
