#include "cli/import_command.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/option_values.hpp"
#include "core/files.hpp"
#include "import/importer.hpp"

namespace rumo {

namespace {

struct Texts {
  std::string out_dir, columns, missing, time_zone, utc_offset;
  std::array<std::string, 3> kind_columns;
  std::string label, date_label, crs, names, start, end, nodata;
};

}  // namespace

int import_main(int argc, const char* const* argv) {
  CLI::App app{
      "rumo import reads the values hydrologists download (one long series of station, time "
      "and value per file, with a table of the stations) and writes the program's station "
      "files to a folder, in planar coordinates and the program's hours 1 to 24, with one "
      "record for every hour or reading. It prints the run command that uses them.",
      "rumo import"};
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  Texts t;
  std::array<std::vector<std::string>, 3> files;
  std::vector<std::string> stations;
  app.add_option("--stations", stations,
                 "the station tables: delimited text or the weather service's station "
                 "lists; a station in several is taken once (required)")
      ->type_name("FILE...")
      ->expected(1, CLI::detail::expected_max_vector_size)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  const char* kinds[3][2] = {
      {"--hourly", "value files of the hourly stations (text, or the service's zip archives)"},
      {"--climate", "value files of the climate stations (12-hour readings)"},
      {"--collector", "value files of the collector stations (daily totals)"}};
  for (int k = 0; k < 3; ++k) {
    app.add_option(kinds[k][0], files[k], kinds[k][1])
        ->type_name("FILE...")
        ->expected(1, CLI::detail::expected_max_vector_size)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
  const char* kind_columns[3] = {"--hourly-columns", "--climate-columns", "--collector-columns"};
  app.add_option("--out-dir", t.out_dir, "the folder the station files go to (required)")
      ->type_name("DIR");
  app.add_option("--columns", t.columns, "the station, time and value columns' names")
      ->type_name("STATION,TIME,VALUE");
  for (int k = 0; k < 3; ++k) {
    app.add_option(kind_columns[k], t.kind_columns[k],
                   std::string("the columns' names in the ") + (kinds[k][0] + 2) +
                       " files, in place of --columns")
        ->type_name("STATION,TIME,VALUE");
  }
  app.add_option("--missing", t.missing, "values that mean not measured")
      ->type_name("LIST")
      ->default_str("-999,-9999");
  app.add_option("--time-zone", t.time_zone, "the offset of stamps that name none")
      ->type_name("+HH:MM")
      ->default_str("+00:00");
  app.add_option("--utc-offset", t.utc_offset, "the offset of the written hours")
      ->type_name("+HH:MM")
      ->default_str("+00:00");
  app.add_option("--label", t.label, "a stamp with a time marks the end or the start of its period")
      ->type_name("end|start")
      ->default_str("end");
  app.add_option("--date-label", t.date_label,
                 "a daily total with a date alone begins or ends at 06:00 of that date")
      ->type_name("start|end")
      ->default_str("start");
  app.add_option("--crs", t.crs,
                 "the CRS to project latitude and longitude to, or that names planar x and y "
                 "(default: the UTM zone of the stations' mean longitude)")
      ->type_name("CRS");
  app.add_option("--names", t.names, "the written name: the station's id or its name")
      ->type_name("id|name")
      ->default_str("id");
  app.add_option("--start", t.start, "first day (default: the first with a value)")
      ->type_name("YYYY-MM-DD");
  app.add_option("--end", t.end, "last day (default: the last with a value)")
      ->type_name("YYYY-MM-DD");
  app.add_option("--nodata", t.nodata, "nodata value N: absent values are written as -N-1")
      ->type_name("N")
      ->default_str("9998");
  const OptionValues v(app, "rumo import --help");
  if (!v.parse(argc, argv, std::cout)) return 0;

  ImportRequest request;
  if (!v.given("--stations") || stations.empty() ||
      std::find(stations.begin(), stations.end(), "") != stations.end()) {
    v.usage_error("import needs --stations FILE");
  }
  if (!v.given("--out-dir") || t.out_dir.empty()) v.usage_error("import needs --out-dir DIR");
  if (files[0].empty() && files[1].empty() && files[2].empty()) {
    v.usage_error("import needs value files: --hourly, --climate or --collector");
  }
  request.stations = stations;
  request.out_dir = t.out_dir;
  request.files = files;
  for (int k = -1; k < 3; ++k) {
    const char* option = k < 0 ? "--columns" : kind_columns[k];
    const std::string& text = k < 0 ? t.columns : t.kind_columns[k];
    if (!v.given(option)) continue;
    const std::vector<std::string> names = comma_items(text);
    if (names.size() != 3) v.bad_value(option, text, "not three column names STATION,TIME,VALUE");
    // A kind's own names take the place of those for all.
    for (int kind = 0; kind < 3; ++kind) {
      if (k == kind || (k < 0 && !v.given(kind_columns[kind]))) request.columns[kind] = names;
    }
  }
  if (v.given("--missing")) request.rules.missing = v.numbers("--missing", t.missing, Range::any);
  if (v.given("--time-zone")) request.rules.time_zone = v.offset("--time-zone", t.time_zone);
  if (v.given("--utc-offset")) request.rules.utc_offset = v.offset("--utc-offset", t.utc_offset);
  if (v.given("--label")) {
    request.rules.label_end =
        v.choice("--label", t.label, {std::pair{"end", true}, {"start", false}});
  }
  if (v.given("--date-label")) {
    request.rules.date_label_start =
        v.choice("--date-label", t.date_label, {std::pair{"start", true}, {"end", false}});
  }
  if (v.given("--names")) {
    request.names_from_table =
        v.choice("--names", t.names, {std::pair{"id", false}, {"name", true}});
  }
  if (v.given("--crs")) request.crs = v.planar_crs("--crs", t.crs);
  std::optional<Date> start, end;
  if (v.given("--start")) start = v.date("--start", t.start);
  if (v.given("--end")) end = v.date("--end", t.end);
  if (start && end) v.in_order(*start, *end);
  // The importer counts days from 1970-01-01.
  const auto day = [](const Date& date) {
    return static_cast<long>(date.days().time_since_epoch().count());
  };
  if (start) request.start = day(*start);
  if (end) request.end = day(*end);
  if (v.given("--nodata")) request.nodata = v.number("--nodata", t.nodata, Range::positive);
  DiskFiles disk;
  import_stations(disk, request, std::cout, std::cerr);
  return 0;
}

}  // namespace rumo
