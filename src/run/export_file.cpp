#include "run/export_file.hpp"

#include <memory>
#include <ostream>
#include <span>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "export/netcdf_series.hpp"
#include "export/tidy_csv.hpp"
#include "input/records.hpp"
#include "input/station_header.hpp"

namespace rumo {

std::string title_line(FileSystem& files, const std::string& name) {
  auto source = files.open_input(name);
  if (!source) return {};
  TextReader reader(std::move(source), 1 << 16);
  std::string line;
  reader.read_line(line);
  return line;
}

TimeAndPlace title_or_options(std::ostream& warnings, const std::string& file,
                              const std::string& title, std::optional<UtcOffset> offset,
                              const std::string& crs) {
  const TitleConventions stated = read_title_conventions(title);
  TimeAndPlace chosen{offset.value_or(UtcOffset{}), crs};
  if (stated.offset) {
    if (offset && *offset != *stated.offset) {
      warnings << "rumo: warning: " << file << " states its hours in UTC"
               << format_utc_offset(*stated.offset) << "; --utc-offset "
               << format_utc_offset(*offset) << " is not used\n";
    }
    chosen.offset = *stated.offset;
  }
  if (!stated.crs.empty()) {
    if (!crs.empty() && crs != stated.crs) {
      warnings << "rumo: warning: " << file << " states its coordinates in " << stated.crs
               << "; --crs " << crs << " is not used\n";
    }
    chosen.crs = stated.crs;
  }
  return chosen;
}

namespace {

int period_of(StationKind kind) {
  if (kind == StationKind::climate) return 12;
  if (kind == StationKind::collector) return 24;
  return 1;
}

// The stamps of a time axis: real dates, hours 1 to 24, strictly later
// record by record.
void check_stamp(const std::string& name, const RecordStamp& record, const HourStamp* previous) {
  const HourStamp& s = record.stamp;
  const auto where = name + ", line " + std::to_string(record.line) + ": ";
  if (s.hour < 1 || s.hour > 24 || s.month < 1 || s.month > 12 || s.day < 1 ||
      !stamp_date(s).ok()) {
    throw RunError{exit_code::export_stamps_out_of_order, Stream::err,
                   "rumo: " + where + "no hour 1 to 24 of a calendar date\n"};
  }
  if (previous != nullptr) {
    const long gap = hours_since(stamp_date(*previous), s) - previous->hour;
    if (gap <= 0) {
      throw RunError{exit_code::export_stamps_out_of_order, Stream::err,
                     "rumo: " + where + "the record does not come after the one before\n"};
    }
  }
}

}  // namespace

void export_station_file(Console& console, FileSystem& files, const ExportRequest& request) {
  // Both outputs are checked before either is opened, so that a name that
  // cannot be written costs no reading and leaves every existing file as it
  // was; the NetCDF file is made once its start is known.
  const auto creatable = [&](const auto& make) {
    try {
      return make();
    } catch (RunError& error) {
      error.code = exit_code::export_not_created;
      throw;
    }
  };
  creatable([&] {
    if (!request.csv_file.empty()) {
      check_added_file(files, "CSV file", request.csv_file, {request.input});
    }
    if (!request.netcdf_file.empty()) {
      check_added_file(files, "NetCDF file", request.netcdf_file,
                       {request.input, request.csv_file});
    }
    return 0;
  });
  std::unique_ptr<OutputSink> csv_sink;
  if (!request.csv_file.empty()) {
    csv_sink = creatable([&] { return open_added_file(files, "CSV file", request.csv_file); });
  }

  std::ostream silent(nullptr);
  Console quiet{console.in, silent, console.err, silent};
  StationTable table;
  int count = 0;
  TextReader reader =
      read_station_header(quiet, files, request.input, 1, count, table, /*located=*/true);
  std::string title;
  reader.read_line(title);
  reader.rewind();
  skip_header(reader);

  const TimeAndPlace base =
      title_or_options(console.err, request.input, title, request.utc_offset, request.crs);
  SeriesLayout layout;
  for (int i = 1; i <= count; ++i) {
    layout.stations.push_back(
        {table.name[i], request.kind, table.first[i], table.second[i], table.height[i]});
  }
  layout.offset = base.offset;
  layout.crs = base.crs;
  layout.period_hours = period_of(request.kind);
  layout.nodata = request.nodata;
  layout.title = title;
  layout.history = request.command_line;
  layout.source = request.input;

  HourField field(station_entries(count));
  const std::span<const double> values(field.data() + 1, static_cast<std::size_t>(count));
  std::optional<RecordStamp> record;
  if (!reader.at_end()) {
    record = read_record(reader, field, 1, count,
                         {exit_code::export_bad_record, exit_code::export_bad_record});
    check_stamp(request.input, *record, nullptr);
    layout.start = stamp_date(record->stamp);
  } else {
    layout.start = std::chrono::year_month_day{std::chrono::year{1970}, std::chrono::January,
                                               std::chrono::day{1}};
  }
  std::unique_ptr<NetcdfSeries> netcdf;
  if (!request.netcdf_file.empty()) {
    netcdf = NetcdfSeries::create(request.netcdf_file, layout, exit_code::export_not_created,
                                  exit_code::export_not_written);
  }
  std::optional<TidyCsv> csv;
  if (csv_sink) csv.emplace(std::move(csv_sink), layout);

  while (record) {
    if (netcdf) netcdf->add(record->stamp, values);
    if (csv) csv->add(record->stamp, values);
    if (reader.at_end()) break;
    const HourStamp previous = record->stamp;
    record = read_record(reader, field, 1, count,
                         {exit_code::export_bad_record, exit_code::export_bad_record});
    check_stamp(request.input, *record, &previous);
  }
  if (netcdf) netcdf->finish();
  if (csv && !csv->finish()) {
    fail_added_file(exit_code::export_not_written, "CSV file", request.csv_file);
  }
}

}  // namespace rumo
