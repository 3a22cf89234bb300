#include "run/export_file.hpp"

#include <cstdlib>
#include <memory>
#include <ostream>
#include <span>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "core/projection.hpp"
#include "export/netcdf_series.hpp"
#include "export/tidy_csv.hpp"
#include "input/records.hpp"
#include "input/station_header.hpp"
#include "output/cf_grid_mapping.hpp"
#include "output/result_writer.hpp"

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
  TimeAndPlace chosen{offset, crs};
  if (stated.offset) {
    if (offset && *offset != *stated.offset) {
      warnings << "rumo: warning: " << file << " states its hours in UTC"
               << format_utc_offset(*stated.offset) << "; --utc-offset "
               << format_utc_offset(*offset) << " is not used\n";
    }
    chosen.offset = stated.offset;
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

std::vector<std::string> title_source_ids(std::ostream& warnings, const std::string& file,
                                          const std::string& title, int count) {
  std::optional<std::vector<std::string>> ids = read_title_conventions(title).ids;
  if (ids && ids->size() == static_cast<std::size_t>(count)) return std::move(*ids);
  if (ids) {
    warnings << "rumo: warning: " << file << " lists " << ids->size()
             << " ids in its title for its " << count
             << " stations; their ids in the source are not known\n";
  }
  return std::vector<std::string>(static_cast<std::size_t>(count));
}

void check_titles_agree(FileSystem& files, const std::vector<std::string>& names) {
  struct Stated {
    const std::string& name;
    std::string title;
    TitleConventions conventions;
  };
  std::vector<Stated> titles;
  for (const std::string& name : names) {
    if (name.empty()) continue;
    std::string title = title_line(files, name);
    const TitleConventions conventions = read_title_conventions(title);
    titles.push_back({name, std::move(title), conventions});
  }
  const auto fail = [](const Stated& a, const Stated& b, const std::string& what,
                       const std::string& way_out) {
    throw RunError{exit_code::titles_disagree, Stream::err,
                   "rumo: " + a.name + " and " + b.name + " state different " + what +
                       " in their titles, \"" + a.title + "\" and \"" + b.title +
                       "\"; a run needs one: " + way_out + "\n"};
  };
  for (std::size_t i = 0; i < titles.size(); ++i) {
    for (std::size_t j = i + 1; j < titles.size(); ++j) {
      const TitleConventions& a = titles[i].conventions;
      const TitleConventions& b = titles[j].conventions;
      if (a.offset && b.offset && *a.offset != *b.offset) {
        fail(titles[i], titles[j], "time bases",
             "import the files with one --utc-offset, or move an hourly file's hours with "
             "rumo export --to-offset and --station-file");
      }
      if (!a.crs.empty() && !b.crs.empty() && !same_crs(a.crs, b.crs)) {
        fail(titles[i], titles[j], "CRSs", "import the files with one --crs");
      }
    }
  }
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
  // Every output is checked before any is opened, so that a name that
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
  const std::pair<const char*, const std::string*> outputs[] = {
      {"CSV file", &request.csv_file},
      {"NetCDF file", &request.netcdf_file},
      {"station file", &request.station_file}};
  creatable([&] {
    std::vector<std::string> taken = {request.input};
    for (const auto& [what, name] : outputs) {
      if (name->empty()) continue;
      check_added_file(files, what, *name, taken);
      taken.push_back(*name);
    }
    return 0;
  });

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
  if (count == 0) {
    throw RunError{exit_code::export_no_stations, Stream::err,
                   "rumo: " + request.input +
                       ": the header names no station, so there is no "
                       "series to export\n"};
  }

  // The hours are moved from the file's offset to the one asked for.
  const TimeAndPlace base =
      title_or_options(console.err, request.input, title, request.utc_offset, request.crs);
  if (!base.offset) {
    throw RunError{exit_code::export_time_base, Stream::err,
                   "rumo: " + request.input +
                       " states no time base in its title (a result file does not); give the "
                       "offset of its hours from UTC with --utc-offset +HH:MM\n"};
  }
  const UtcOffset offset = request.to_offset.value_or(*base.offset);
  const int moved_minutes = offset.minutes - base.offset->minutes;
  if (moved_minutes % 60 != 0) {
    throw RunError{exit_code::export_time_base, Stream::err,
                   "rumo: --to-offset " + format_utc_offset(offset) + " is " +
                       std::to_string(std::abs(moved_minutes) % 60) +
                       " minutes off the offset of " + request.input + " (UTC" +
                       format_utc_offset(*base.offset) +
                       "): its hours would not be whole hours there; choose an offset a whole "
                       "number of hours away\n"};
  }
  const int moved = moved_minutes / 60;
  // A CRS the outputs name is tried before any of them is made, so that a
  // wrong one leaves none.
  if (!base.crs.empty() && (!request.netcdf_file.empty() || !request.station_file.empty())) {
    planar_projection(base.crs);
  }

  const std::vector<std::string> ids = title_source_ids(console.err, request.input, title, count);
  SeriesLayout layout;
  for (int i = 1; i <= count; ++i) {
    layout.stations.push_back({table.name[i], request.kind, table.first[i], table.second[i],
                               table.height[i], ids[i - 1]});
  }
  layout.offset = offset;
  layout.crs = base.crs;
  layout.period_hours = period_of(request.kind);
  layout.nodata = request.nodata;
  layout.title = title_without_ids(title);
  layout.history = request.command_line;
  layout.source = request.input;

  std::optional<TidyCsv> csv;
  if (!request.csv_file.empty()) {
    csv.emplace(creatable([&] { return open_added_file(files, "CSV file", request.csv_file); }),
                layout);
  }
  std::optional<ResultFile> station;
  if (!request.station_file.empty()) {
    station.emplace(
        creatable([&] { return open_added_file(files, "station file", request.station_file); }));
    const std::string subject = title_subject(title);
    const bool known = !ids.front().empty();
    write_station_header(*station,
                         conventions_title(subject.empty() ? "station values" : subject, offset,
                                           base.crs, known ? ids : std::vector<std::string>{}),
                         table, count, /*exact=*/true);
  }

  HourField field(station_entries(count));
  const std::span<const double> values(field.data() + 1, static_cast<std::size_t>(count));
  std::optional<RecordStamp> record;
  if (!reader.at_end()) {
    record = read_record(reader, field, 1, count,
                         {exit_code::export_bad_record, exit_code::export_bad_record});
    check_stamp(request.input, *record, nullptr);
    layout.start = stamp_date(moved_stamp(record->stamp, moved));
  } else {
    layout.start = std::chrono::year_month_day{std::chrono::year{1970}, std::chrono::January,
                                               std::chrono::day{1}};
  }
  std::unique_ptr<NetcdfSeries> netcdf;
  if (!request.netcdf_file.empty()) {
    netcdf = NetcdfSeries::create(request.netcdf_file, layout, exit_code::export_not_created,
                                  exit_code::export_not_written, console.err);
  }

  while (record) {
    const HourStamp stamp = moved_stamp(record->stamp, moved);
    if (netcdf) netcdf->add(stamp, values);
    if (csv) csv->add(stamp, values);
    if (station) {
      station->write_stamp(stamp);
      for (const double value : values) station->write_exact(value);
      station->end_line();
    }
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
  if (station && !station->close()) {
    fail_added_file(exit_code::export_not_written, "station file", request.station_file);
  }
}

}  // namespace rumo
