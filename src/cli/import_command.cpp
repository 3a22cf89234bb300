#include "cli/import_command.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "core/error.hpp"
#include "core/projection.hpp"
#include "import/importer.hpp"
#include "import/stamps.hpp"

namespace rumo {

namespace {

[[noreturn]] void usage_error(const std::string& what) {
  fail_usage(what, "rumo import --help");
}

[[noreturn]] void bad_value(const std::string& option, const std::string& value,
                            const std::string& expected) {
  fail_bad_value(option, value, expected, "rumo import --help");
}

std::vector<std::string> comma_list(const std::string& text) {
  std::vector<std::string> items;
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = text.find(',', at);
    items.push_back(text.substr(at, comma == std::string::npos ? comma : comma - at));
    if (comma == std::string::npos) return items;
    at = comma + 1;
  }
}

std::optional<double> whole_number(const std::string& text) {
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return {};
  return value;
}

long date_option(const std::string& option, const std::string& text) {
  const auto stamp = text.size() == 10 && text[4] == '-' ? parse_stamp(text) : std::nullopt;
  if (!stamp || stamp->has_time) bad_value(option, text, "not a calendar date as YYYY-MM-DD");
  return stamp->day;
}

UtcOffset offset_option(const std::string& option, const std::string& text) {
  const auto offset = text == "Z" ? std::nullopt : parse_utc_offset(text);
  if (!offset) bad_value(option, text, "not a fixed offset from UTC as +HH:MM or -HH:MM");
  return *offset;
}

struct Texts {
  std::string stations, out_dir, columns, missing, time_zone, utc_offset;
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
  app.add_option("--stations", t.stations,
                 "the station table: delimited text or the weather "
                 "service's station list (required)")
      ->type_name("FILE");
  const char* kinds[3][2] = {
      {"--hourly", "value files of the hourly stations"},
      {"--climate", "value files of the climate stations (12-hour readings)"},
      {"--collector", "value files of the collector stations (daily totals)"}};
  for (int k = 0; k < 3; ++k) {
    app.add_option(kinds[k][0], files[k], kinds[k][1])
        ->type_name("FILE...")
        ->expected(1, CLI::detail::expected_max_vector_size)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
  app.add_option("--out-dir", t.out_dir, "the folder the station files go to (required)")
      ->type_name("DIR");
  app.add_option("--columns", t.columns, "the station, time and value columns' names")
      ->type_name("STATION,TIME,VALUE");
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
  if (!parse_arguments(app, argc, argv, std::cout, usage_error)) return 0;

  const auto given = [&](const char* name) { return app.count(name) > 0; };
  ImportRequest request;
  if (!given("--stations") || t.stations.empty()) usage_error("import needs --stations FILE");
  if (!given("--out-dir") || t.out_dir.empty()) usage_error("import needs --out-dir DIR");
  if (files[0].empty() && files[1].empty() && files[2].empty()) {
    usage_error("import needs value files: --hourly, --climate or --collector");
  }
  request.stations = t.stations;
  request.out_dir = t.out_dir;
  request.files = files;
  if (given("--columns")) {
    request.rules.columns = comma_list(t.columns);
    if (request.rules.columns.size() != 3) {
      bad_value("--columns", t.columns, "not three column names STATION,TIME,VALUE");
    }
  }
  if (given("--missing")) {
    request.rules.missing.clear();
    for (const std::string& item : comma_list(t.missing)) {
      const auto value = whole_number(item);
      if (!value) bad_value("--missing", t.missing, "not a list of numbers");
      request.rules.missing.push_back(*value);
    }
  }
  if (given("--time-zone")) request.rules.time_zone = offset_option("--time-zone", t.time_zone);
  if (given("--utc-offset")) request.rules.utc_offset = offset_option("--utc-offset", t.utc_offset);
  if (given("--label") && t.label != "end" && t.label != "start") {
    bad_value("--label", t.label, "not end or start");
  }
  request.rules.label_end = t.label != "start";
  if (given("--date-label") && t.date_label != "end" && t.date_label != "start") {
    bad_value("--date-label", t.date_label, "not start or end");
  }
  request.rules.date_label_start = t.date_label != "end";
  if (given("--names") && t.names != "id" && t.names != "name") {
    bad_value("--names", t.names, "not id or name");
  }
  request.names_from_table = t.names == "name";
  if (given("--crs")) {
    std::string reason;
    if (t.crs.empty() || !Projection::create(t.crs, reason)) {
      bad_value("--crs", t.crs, "PROJ does not know it" + (reason.empty() ? "" : ": " + reason));
    }
    request.crs = t.crs;
  }
  if (given("--start")) request.start = date_option("--start", t.start);
  if (given("--end")) request.end = date_option("--end", t.end);
  if (request.start && request.end && *request.end < *request.start) {
    usage_error("--end \"" + t.end + "\" lies before --start \"" + t.start + "\"");
  }
  if (given("--nodata")) {
    const auto value = whole_number(t.nodata);
    if (!value || !(*value > 0.0)) bad_value("--nodata", t.nodata, "not a positive finite number");
    request.nodata = *value;
  }
  import_stations(request, std::cout, std::cerr);
  return 0;
}

}  // namespace rumo
