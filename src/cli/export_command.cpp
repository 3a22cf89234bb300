#include "cli/export_command.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <iostream>
#include <string>

#include "cli/command_line.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "run/export_file.hpp"

namespace rumo {

namespace {

[[noreturn]] void usage_error(const std::string& what) {
  fail_usage("export: " + what, "rumo export --help");
}

struct ExportTexts {
  std::string input, netcdf, csv, kind, utc_offset, crs, nodata;
};

ExportRequest request_from(const CLI::App& app, const ExportTexts& t) {
  const auto given = [&](const char* name) { return app.count(name) > 0; };
  ExportRequest request;
  if (t.input.empty()) usage_error("the station file to export is missing");
  request.input = t.input;
  if (!given("--netcdf") && !given("--csv")) usage_error("--netcdf or --csv (or both) is needed");
  for (const auto& [option, name] : {std::pair{"--netcdf", &t.netcdf}, {"--csv", &t.csv}}) {
    if (given(option) && name->empty())
      usage_error(std::string(option) + ": the file name is empty");
  }
  request.netcdf_file = t.netcdf;
  request.csv_file = t.csv;
  if (!t.netcdf.empty() && t.netcdf == t.csv) usage_error("--netcdf and --csv name the same file");
  if (given("--kind")) {
    if (t.kind == "hourly") {
      request.kind = StationKind::hourly;
    } else if (t.kind == "climate") {
      request.kind = StationKind::climate;
    } else if (t.kind == "collector") {
      request.kind = StationKind::collector;
    } else {
      usage_error("--kind \"" + t.kind + "\": not hourly, climate or collector");
    }
  }
  if (given("--utc-offset")) {
    request.utc_offset = parse_utc_offset(t.utc_offset);
    if (!request.utc_offset) {
      usage_error("--utc-offset \"" + t.utc_offset + "\": not an offset as +HH:MM or -HH:MM");
    }
  }
  if (given("--crs") && t.crs.empty()) usage_error("--crs: the CRS is empty");
  request.crs = t.crs;
  if (given("--nodata")) {
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(t.nodata.data(), t.nodata.data() + t.nodata.size(), value);
    if (ec != std::errc{} || end != t.nodata.data() + t.nodata.size() || !std::isfinite(value) ||
        !(value > 0.0)) {
      usage_error("--nodata \"" + t.nodata + "\": not a positive finite number");
    }
    request.nodata = value;
  }
  return request;
}

}  // namespace

int export_main(int argc, const char* const* argv) {
  CLI::App app{
      "rumo export writes a station file (a result file or an input file) as CF-NetCDF "
      "(timeSeries, station x time) and as a tidy CSV table (one line per station and hour).",
      "rumo export"};
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  ExportTexts t;
  app.add_option("FILE", t.input, "the station file to export")->type_name("FILE");
  app.add_option("--netcdf", t.netcdf, "write the series as CF-NetCDF to OUT")->type_name("OUT");
  app.add_option("--csv", t.csv, "write the series as a tidy CSV table to OUT")->type_name("OUT");
  app.add_option("--kind", t.kind,
                 "the kind of every station of the file: hourly, climate or collector "
                 "(a result file's stations are of kind unknown)")
      ->type_name("KIND");
  app.add_option("--utc-offset", t.utc_offset,
                 "the offset of the file's hours from UTC where its title does not state it")
      ->type_name("+HH:MM")
      ->default_str("+00:00");
  app.add_option("--crs", t.crs,
                 "the CRS of the coordinates (e.g. EPSG:25832) where the title does not state "
                 "it; adds latitude and longitude")
      ->type_name("CRS");
  app.add_option("--nodata", t.nodata, "values at or below -N are missing")
      ->type_name("N")
      ->default_str("9998");
  if (!parse_arguments(app, argc, argv, std::cout, usage_error)) return 0;
  ExportRequest request = request_from(app, t);
  request.command_line = "rumo";
  for (int i = 0; i < argc; ++i) request.command_line += std::string(" ") + argv[i];
  Console console{std::cin, std::cout, std::cerr, std::cout};
  DiskFiles files;
  export_station_file(console, files, request);
  return 0;
}

}  // namespace rumo
