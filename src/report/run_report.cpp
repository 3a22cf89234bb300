#include "report/run_report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

#include "core/error.hpp"

namespace rumo {

namespace {

constexpr std::size_t kBlock = 1 << 20;

const char* const kHeader =
    "station\tname\tkind\tyear\tmonth\tday\thour\treading\tinterpolated\toutcome\tfactor\t"
    "hours_written\n";

// The shortest text that reads back to the same double.
void append_number(std::string& text, double value) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, result.ptr);
}

void append_int(std::string& text, long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, result.ptr);
}

// Station names hold no blanks or tabs; one with a double quote is quoted,
// its quotes doubled, as pandas and R read quoted fields.
void append_name(std::string& text, const std::string& name) {
  if (name.find('"') == std::string::npos) {
    text += name;
    return;
  }
  text += '"';
  for (const char c : name) {
    if (c == '"') text += '"';
    text += c;
  }
  text += '"';
}

// Amounts for reading, with six significant digits.
std::string amount(double value) {
  char digits[64];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
  return std::string(digits, result.ptr);
}

std::string percent(double fraction) {
  char digits[64];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, 100.0 * fraction, std::chars_format::fixed, 1);
  return std::string(digits, result.ptr) + " %";
}

std::string counted(long count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

RunReport::RunReport(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
                     const StationCounts& counts, double nodata)
    : sink_(std::move(sink)),
      name_(std::move(name)),
      table_(table),
      counts_(counts),
      nodata_(nodata) {
  buffer_.reserve(kBlock + 4096);
  buffer_ += kHeader;
}

RunReport::~RunReport() {
  if (sink_) flush();
}

void RunReport::flush() {
  if (!buffer_.empty() && !sink_->write(buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
}

void RunReport::add_day(std::vector<PeriodRecord>& periods, int written_slots) {
  const auto key = [](const PeriodRecord& p) {
    return std::tie(p.stamp.year, p.stamp.month, p.stamp.day, p.stamp.hour, p.station);
  };
  std::sort(periods.begin(), periods.end(),
            [&](const PeriodRecord& a, const PeriodRecord& b) { return key(a) < key(b); });
  for (const PeriodRecord& p : periods) {
    const Outcome outcome = outcome_of(p, nodata_);
    append_int(buffer_, p.station);
    buffer_ += '\t';
    append_name(buffer_, table_.name[static_cast<std::size_t>(p.station)]);
    buffer_ += p.station <= counts_.last_climate() ? "\tclimate\t" : "\tcollector\t";
    append_int(buffer_, p.stamp.year);
    buffer_ += '\t';
    append_int(buffer_, p.stamp.month);
    buffer_ += '\t';
    append_int(buffer_, p.stamp.day);
    buffer_ += '\t';
    append_int(buffer_, p.stamp.hour);
    buffer_ += '\t';
    append_number(buffer_, p.reading);
    buffer_ += '\t';
    append_number(buffer_, p.interpolated);
    buffer_ += '\t';
    buffer_ += outcome_name(outcome);
    buffer_ += '\t';
    if (outcome == Outcome::scaled) append_number(buffer_, p.reading / p.interpolated);
    buffer_ += '\t';
    const int hours = p.last_slot - p.first_slot + 1;
    append_int(buffer_, std::clamp(written_slots - p.first_slot + 1, 0, hours));
    buffer_ += '\n';
    if (buffer_.size() >= kBlock) flush();
  }
}

void RunReport::close() {
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
  out << "Observed total: " << amount(tally.observed_total) << " in "
      << counted(tally.periods - missing, "period", "periods") << " with a reading; "
      << counted(missing, "period", "periods") << " without.\n";
  out << "Not distributed, because no rain was interpolated where rain was observed: ";
  if (lost_periods == 0) {
    out << "nothing.\n";
  } else {
    out << amount(lost);
    if (tally.observed_total > 0.0) out << " (" << percent(lost / tally.observed_total) << ")";
    out << " in " << counted(lost_periods, "period", "periods") << " at "
        << counted(lost_stations, "station", "stations") << ".\n";
  }
  if (unusable_periods > 0) {
    out << "Not in the result either, because the interpolated sum was unusable: "
        << amount(unusable) << " in " << counted(unusable_periods, "period", "periods") << " at "
        << counted(unusable_stations, "station", "stations") << ".\n";
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
        << " of " << amount(loss.observed);
  }
  out << (losses.size() > shown ? ", ...\n" : ".\n");
}

}  // namespace rumo
