#include "report/run_report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <tuple>

#include "core/error.hpp"
#include "core/number_text.hpp"

namespace rumo {

namespace {

constexpr std::size_t kBlock = 1 << 20;

const char* const kHeader =
    "station\tname\tkind\tyear\tmonth\tday\thour\treading\tinterpolated\toutcome\tfactor\t"
    "hours_written\n";

// Room for a row besides its name: three numbers of at most 24 characters,
// six integers of at most 20, the words and the tabs.
constexpr std::size_t kRowRoom = 256;

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Station names hold no blanks or tabs; one with a double quote is quoted,
// its quotes doubled, as pandas and R read quoted fields.
char* put_name(char* out, const std::string& name) {
  if (name.find('"') == std::string::npos) return put(out, name);
  *out++ = '"';
  for (const char c : name) {
    if (c == '"') *out++ = '"';
    *out++ = c;
  }
  *out++ = '"';
  return out;
}

std::string percent(double fraction) {
  char digits[64];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, 100.0 * fraction, std::chars_format::fixed, 1);
  return std::string(digits, result.ptr) + " %";
}

}  // namespace

RunReport::RunReport(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
                     const StationCounts& counts, double nodata, bool in_background)
    : sink_(std::move(sink)),
      name_(std::move(name)),
      table_(table),
      counts_(counts),
      nodata_(nodata) {
  buffer_.resize(kBlock + kRowRoom);
  used_ = static_cast<std::size_t>(put(buffer_.data(), kHeader) - buffer_.data());
  if (in_background) thread_ = std::thread([this] { write_in_background(); });
}

RunReport::~RunReport() {
  stop_background();
  if (sink_) flush();
}

void RunReport::write_in_background() {
  std::vector<PeriodRecord> periods;
  for (;;) {
    int slots = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return has_pending_ || stopping_; });
      if (!has_pending_) return;
      periods.swap(pending_);
      slots = pending_slots_;
    }
    write_day(periods, slots);
    std::lock_guard lock(mutex_);
    has_pending_ = false;
    changed_.notify_all();
  }
}

// Waits for the day in hand to be written, then ends the thread.
void RunReport::stop_background() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  thread_.join();
}

void RunReport::flush() {
  if (used_ > 0 && !sink_->write(buffer_.data(), used_)) failed_ = true;
  used_ = 0;
}

void RunReport::add_day(std::vector<PeriodRecord>& periods, int written_slots) {
  if (!thread_.joinable()) {
    write_day(periods, written_slots);
    periods.clear();
    return;
  }
  {
    // One day at a time: the previous one must have been taken and written.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !has_pending_; });
    pending_.swap(periods);
    pending_slots_ = written_slots;
    has_pending_ = true;
    changed_.notify_all();
  }
  periods.clear();
}

void RunReport::write_day(std::vector<PeriodRecord>& periods, int written_slots) {
  // The periods come in runs of one stamp and ascending stations (a pass of
  // the adjustment each); the runs, ordered by stamp and first station, give
  // the rows in time order.
  std::vector<std::pair<std::size_t, std::size_t>>& runs = runs_;
  runs.clear();
  for (std::size_t i = 0; i < periods.size(); ++i) {
    if (i == 0 || !(periods[i].stamp == periods[i - 1].stamp) ||
        periods[i].station <= periods[i - 1].station) {
      runs.emplace_back(i, i);
    }
    runs.back().second = i + 1;
  }
  const auto key = [&](const std::pair<std::size_t, std::size_t>& run) {
    const PeriodRecord& p = periods[run.first];
    return std::tie(p.stamp.year, p.stamp.month, p.stamp.day, p.stamp.hour, p.station);
  };
  std::stable_sort(runs.begin(), runs.end(),
                   [&](const auto& a, const auto& b) { return key(a) < key(b); });

  for (const auto& [first, end] : runs) {
    for (std::size_t i = first; i < end; ++i) write_row(periods[i], written_slots);
  }
}

void RunReport::write_row(const PeriodRecord& p, int written_slots) {
  const std::string& name = table_.name[static_cast<std::size_t>(p.station)];
  const std::size_t room = kRowRoom + 2 * name.size() + 2;
  if (used_ + room > buffer_.size()) {
    flush();
    if (room > buffer_.size()) buffer_.resize(room);
  }
  char* out = buffer_.data() + used_;
  const Outcome outcome = outcome_of(p, nodata_);
  out = write_integer(out, p.station);
  *out++ = '\t';
  out = put_name(out, name);
  out = put(out, p.station <= counts_.last_climate() ? "\tclimate\t" : "\tcollector\t");
  for (const int part : {p.stamp.year, p.stamp.month, p.stamp.day, p.stamp.hour}) {
    out = write_integer(out, part);
    *out++ = '\t';
  }
  out = write_shortest(out, p.reading);
  *out++ = '\t';
  out = write_shortest(out, p.interpolated);
  *out++ = '\t';
  out = put(out, outcome_name(outcome));
  *out++ = '\t';
  if (outcome == Outcome::scaled) out = write_shortest(out, p.reading / p.interpolated);
  *out++ = '\t';
  const int hours = p.last_slot - p.first_slot + 1;
  out = write_integer(out, std::clamp(written_slots - p.first_slot + 1, 0, hours));
  *out++ = '\n';
  used_ = static_cast<std::size_t>(out - buffer_.data());
}

void RunReport::close() {
  stop_background();
  flush();
  const bool closed = sink_->close();
  sink_.reset();
  if (!closed || failed_) fail_added_file(kAddedFileNotWritten, "report file", name_);
}

void write_report_summary(std::ostream& out, const RunTally& tally, const StationTable& table,
                          const StationCounts& counts, const std::string& report_name) {
  long missing = 0;
  long lost_periods = 0;
  long lost_stations = 0;
  double lost = 0.0;
  long unusable_periods = 0;
  long unusable_stations = 0;
  double unusable = 0.0;
  // The stations that lost part of what they observed, by the share lost.
  struct Loss {
    int station;
    double share;
    double observed;
  };
  std::vector<Loss> losses;
  for (int m = counts.first_climate(); m <= counts.total(); ++m) {
    const StationTally& s = tally.stations[static_cast<std::size_t>(m)];
    missing += s.missing_readings;
    lost_periods += s.not_distributed_periods;
    lost_stations += s.not_distributed_periods > 0 ? 1 : 0;
    lost += s.not_distributed;
    unusable_periods += s.unusable_periods;
    unusable_stations += s.unusable_periods > 0 ? 1 : 0;
    unusable += s.unusable;
    const double station_lost = s.not_distributed + s.unusable;
    // Infinite readings can make the share NaN, which would not sort.
    const double share = station_lost / s.observed;
    if (station_lost > 0.0) losses.push_back({m, std::isnan(share) ? 0.0 : share, s.observed});
  }
  std::sort(losses.begin(), losses.end(), [](const Loss& a, const Loss& b) {
    return std::tie(b.share, b.observed, a.station) < std::tie(a.share, a.observed, b.station);
  });

  out << "Run report: " << counted(tally.periods, "period", "periods") << " of "
      << counted(counts.climate, "climate station", "climate stations") << " and "
      << counted(counts.collector, "collector station", "collector stations") << " in "
      << report_name << ".\n";
  out << "Observed total: " << six_digits(tally.observed_total) << " in "
      << counted(tally.periods - missing, "period", "periods") << " with a reading; "
      << counted(missing, "period", "periods") << " without.\n";
  out << "Not distributed, because no rain was interpolated where rain was observed: ";
  if (lost_periods == 0) {
    out << "nothing.\n";
  } else {
    out << six_digits(lost);
    if (tally.observed_total > 0.0) out << " (" << percent(lost / tally.observed_total) << ")";
    out << " in " << counted(lost_periods, "period", "periods") << " at "
        << counted(lost_stations, "station", "stations") << ".\n";
  }
  if (unusable_periods > 0) {
    out << "Not in the result either, because the interpolated sum was unusable: "
        << six_digits(unusable) << " in " << counted(unusable_periods, "period", "periods")
        << " at " << counted(unusable_stations, "station", "stations") << ".\n";
  }
  if (losses.empty()) {
    out << "No station lost any of the rain it observed.\n";
    return;
  }
  out << "Largest shares lost:";
  const std::size_t shown = std::min<std::size_t>(losses.size(), 5);
  for (std::size_t i = 0; i < shown; ++i) {
    const Loss& loss = losses[i];
    out << (i == 0 ? " " : ", ") << "station " << loss.station << " "
        << table.name[static_cast<std::size_t>(loss.station)] << " " << percent(loss.share)
        << " of " << six_digits(loss.observed);
  }
  out << (losses.size() > shown ? ", ...\n" : ".\n");
}

}  // namespace rumo
