#include "report/run_report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <tuple>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "core/stamp_text.hpp"

namespace rumo {

namespace {

const char* const kHeader =
    "station\tname\tkind\tyear\tmonth\tday\thour\treading\tinterpolated\toutcome\tfactor\t"
    "hours_written\tno_data_hours\n";

// Room for a row besides its leading columns: the date, three numbers with
// the room their writing needs (48 characters each), two counts, the words,
// the tabs and the pieces copied past a text's end.
constexpr std::size_t kRowRoom = 288;

// Texts are copied in pieces of a fixed size, which is quicker than a copy
// of any length; the last piece may run past the text's end, into room that
// the source and the target both have.
constexpr std::size_t kPiece = 32;

char* put_in_pieces(char* out, const char* text, std::size_t size) {
  for (std::size_t at = 0; at < size; at += kPiece) std::memcpy(out + at, text + at, kPiece);
  return out + size;
}

// Station names hold no blanks or tabs; one with a double quote is quoted,
// its quotes doubled, as pandas and R read quoted fields.
void put_name(std::string& out, const std::string& name) {
  if (name.find('"') == std::string::npos) {
    out += name;
    return;
  }
  out += '"';
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string percent(double fraction) {
  char digits[64];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, 100.0 * fraction, std::chars_format::fixed, 1);
  return std::string(digits, result.ptr) + " %";
}

// What the dry fallback spread, and how.
void write_spread_line(std::ostream& out, const RunTally& tally, long stations) {
  const double spread = tally.spread_uniform + tally.spread_nearest;
  out << "Spread by the dry fallback instead: " << six_digits(spread);
  if (tally.observed_total > 0.0) out << " (" << percent(spread / tally.observed_total) << ")";
  out << " in "
      << counted(tally.spread_uniform_periods + tally.spread_nearest_periods, "period", "periods")
      << " at " << counted(stations, "station", "stations") << ": ";
  if (tally.spread_nearest_periods > 0) {
    out << six_digits(tally.spread_nearest) << " in "
        << counted(tally.spread_nearest_periods, "period", "periods")
        << " after the nearest wet hourly station";
    if (tally.spread_uniform_periods > 0) out << ", ";
  }
  if (tally.spread_uniform_periods > 0) {
    out << six_digits(tally.spread_uniform) << " in "
        << counted(tally.spread_uniform_periods, "period", "periods") << " evenly over the hours";
  }
  out << ".\n";
}

// How the periods without hourly data were written.
const char* no_data_lead(NoDataHours how) {
  switch (how) {
    case NoDataHours::missing:
      return "Written as missing";
    case NoDataHours::uniform:
      return "Spread evenly over their periods";
    case NoDataHours::nearest_wet:
      return "Spread after the nearest wet hourly station, or evenly";
    case NoDataHours::zero:
      break;
  }
  return "Spread over fewer hours, or lost";
}

}  // namespace

RunReport::RunReport(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
                     const StationCounts& counts, double nodata, NoDataHours no_data_hours)
    : out_(std::move(sink)),
      name_(std::move(name)),
      table_(table),
      counts_(counts),
      nodata_(nodata),
      tally_(counts.total(), no_data_hours) {
  // Each row starts with the station's number, name and kind, the same on
  // every row of the station.
  char number[24];
  for (int m = counts.first_climate(); m <= counts.total(); ++m) {
    std::string lead(number, write_integer(number, m));
    lead += '\t';
    put_name(lead, table.name[static_cast<std::size_t>(m)]);
    lead += m <= counts.last_climate() ? "\tclimate\t" : "\tcollector\t";
    leads_.push_back({column_text_.size(), lead.size()});
    column_text_.insert(column_text_.end(), lead.begin(), lead.end());
  }
  // The outcome column with the tabs around it, likewise.
  for (const Outcome outcome :
       {Outcome::scaled, Outcome::no_rain_interpolated, Outcome::reading_missing,
        Outcome::unusable_sum, Outcome::spread_uniform, Outcome::nearest_wet,
        Outcome::no_hourly_data}) {
    std::string column(1, '\t');
    column += outcome_name(outcome);
    column += '\t';
    outcome_columns_[static_cast<std::size_t>(outcome)] = {column_text_.size(), column.size()};
    column_text_.insert(column_text_.end(), column.begin(), column.end());
  }
  column_text_.resize(column_text_.size() + kPiece);
  out_.append(kHeader);
}

RunReport::~RunReport() = default;

void RunReport::day(const DayContext& day) {
  tally_periods(tally_, day.periods, nodata_);
  order_runs(day.periods);
  for (const auto& [first, last] : runs_) {
    for (std::size_t row = first; row < last; ++row) {
      write_row(day.periods[row], day.written_slots);
    }
  }
}

void RunReport::order_runs(const std::vector<PeriodRecord>& periods) {
  // The periods come in runs of one stamp and ascending stations (a pass of
  // the adjustment each); the runs, ordered by stamp and first station, give
  // the rows in time order.
  runs_.clear();
  for (std::size_t i = 0; i < periods.size(); ++i) {
    if (i == 0 || !(periods[i].stamp == periods[i - 1].stamp) ||
        periods[i].station <= periods[i - 1].station) {
      runs_.emplace_back(i, i);
    }
    runs_.back().second = i + 1;
  }
  const auto key = [&](const std::pair<std::size_t, std::size_t>& run) {
    const PeriodRecord& p = periods[run.first];
    return std::tie(p.stamp, p.station);
  };
  std::stable_sort(runs_.begin(), runs_.end(),
                   [&](const auto& a, const auto& b) { return key(a) < key(b); });
}

void RunReport::write_row(const PeriodRecord& p, int written_slots) {
  // Rows of one stamp come together, so the date columns are written once
  // for each.
  if (!(p.stamp == date_stamp_) || date_size_ == 0) {
    char* out = write_stamp(date_, p.stamp);
    *out++ = '\t';
    date_size_ = static_cast<std::size_t>(out - date_);
    date_stamp_ = p.stamp;
  }
  const auto [lead_at, lead_size] =
      leads_[static_cast<std::size_t>(p.station - counts_.first_climate())];
  char* out = out_.room(kRowRoom + lead_size);
  out = put_in_pieces(out, column_text_.data() + lead_at, lead_size);
  out = put_in_pieces(out, date_, date_size_);
  // A missing reading is no number: its field stays empty.
  if (is_present(p.reading, nodata_)) out = write_shortest(out, p.reading);
  *out++ = '\t';
  out = write_shortest(out, p.interpolated);
  const Outcome outcome = p.outcome;
  const auto [column_at, column_size] = outcome_columns_[static_cast<std::size_t>(outcome)];
  out = put_in_pieces(out, column_text_.data() + column_at, column_size);
  // The factor of the hours: of the interpolated ones, or of the nearest wet
  // station's that a dry period follows, or of either that a period without
  // hourly data was spread after.
  if (outcome == Outcome::scaled) out = write_shortest(out, p.reading / p.interpolated);
  if (outcome == Outcome::nearest_wet ||
      (outcome == Outcome::no_hourly_data && p.pattern_sum > 0.0)) {
    out = write_shortest(out, p.reading / p.pattern_sum);
  }
  *out++ = '\t';
  const int hours = std::clamp(written_slots - p.first_slot + 1, 0, p.last_slot - p.first_slot + 1);
  for (const int count : {hours, p.no_data_hours}) {
    if (count >= 10) *out++ = static_cast<char>('0' + count / 10);
    *out++ = static_cast<char>('0' + count % 10);
    *out++ = '\t';
  }
  out[-1] = '\n';
  out_.commit(out);
}

void RunReport::finish() {
  if (!out_.close()) fail_added_file(exit_code::added_file_not_written, "report file", name_);
}

void RunReport::summary(std::ostream& out) {
  write_report_summary(out, tally_, table_, counts_, name_);
  for (const std::string& line : warnings_) out << "Warning: " << line << ".\n";
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
  long spread_stations = 0;
  long no_data_periods = 0;
  long no_data_stations = 0;
  double no_data = 0.0;
  double no_data_lost = 0.0;
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
    spread_stations += s.spread_periods > 0 ? 1 : 0;
    no_data_periods += s.no_data_periods;
    no_data_stations += s.no_data_periods > 0 ? 1 : 0;
    no_data += s.no_data;
    no_data_lost += s.no_data_lost;
    const double station_lost = s.not_distributed + s.unusable + s.no_data_lost;
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
  if (no_data_periods > 0) {
    out << no_data_lead(tally.no_data_hours)
        << ", because the hourly stations had no values: " << six_digits(no_data);
    if (tally.observed_total > 0.0) out << " (" << percent(no_data / tally.observed_total) << ")";
    out << " in " << counted(no_data_periods, "period", "periods") << " at "
        << counted(no_data_stations, "station", "stations");
    if (tally.no_data_hours == NoDataHours::zero && no_data_lost > 0.0) {
      out << ", " << six_digits(no_data_lost) << " of it lost";
    }
    out << ".\n";
  }
  if (tally.spread_uniform_periods + tally.spread_nearest_periods > 0) {
    write_spread_line(out, tally, spread_stations);
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
