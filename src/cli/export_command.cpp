#include "cli/export_command.hpp"

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "cli/option_values.hpp"
#include "core/files.hpp"
#include "run/export_file.hpp"

namespace rumo {

namespace {

struct ExportTexts {
  std::string input, netcdf, csv, station_file, kind, utc_offset, to_offset, crs, nodata;
};

ExportRequest request_from(const OptionValues& v, const ExportTexts& t) {
  ExportRequest request;
  if (t.input.empty()) v.usage_error("export needs the station file to export");
  request.input = t.input;
  if (!v.given("--netcdf") && !v.given("--csv") && !v.given("--station-file")) {
    v.usage_error("export needs --netcdf OUT, --csv OUT or --station-file OUT (or several)");
  }
  request.netcdf_file = v.not_empty("--netcdf", t.netcdf);
  request.csv_file = v.not_empty("--csv", t.csv);
  request.station_file = v.not_empty("--station-file", t.station_file);
  if (!t.netcdf.empty() && t.netcdf == t.csv)
    v.usage_error("--netcdf and --csv name the same file");
  if (!t.station_file.empty() && (t.station_file == t.netcdf || t.station_file == t.csv))
    v.usage_error("--station-file names the same file as --netcdf or --csv");
  if (v.given("--kind")) {
    request.kind = v.choice("--kind", t.kind,
                            {std::pair{"hourly", StationKind::hourly},
                             {"climate", StationKind::climate},
                             {"collector", StationKind::collector}});
  }
  if (v.given("--utc-offset")) request.utc_offset = v.offset("--utc-offset", t.utc_offset);
  if (v.given("--to-offset")) request.to_offset = v.offset("--to-offset", t.to_offset);
  request.crs = v.not_empty("--crs", t.crs, "CRS");
  if (v.given("--nodata")) request.nodata = v.number("--nodata", t.nodata, Range::positive);
  return request;
}

}  // namespace

int export_main(int argc, const char* const* argv) {
  CLI::App app{
      "rumo export writes a station file (a result file or an input file) as CF-NetCDF "
      "(timeSeries, station x time), as a tidy CSV table (one line per station and hour) and "
      "as a station file, each in the file's own offset from UTC or in another.",
      "rumo export"};
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  ExportTexts t;
  app.add_option("FILE", t.input, "the station file to export")->type_name("FILE");
  app.add_option("--netcdf", t.netcdf, "write the series as CF-NetCDF to OUT")->type_name("OUT");
  app.add_option("--csv", t.csv, "write the series as a tidy CSV table to OUT")->type_name("OUT");
  app.add_option("--station-file", t.station_file,
                 "write the series as a station file (the result file's layout) to OUT")
      ->type_name("OUT");
  app.add_option("--kind", t.kind,
                 "the kind of every station of the file: hourly, climate or collector "
                 "(a result file's stations are of kind unknown)")
      ->type_name("KIND");
  app.add_option("--utc-offset", t.utc_offset,
                 "the offset of the file's hours from UTC where its title does not state it "
                 "(required then: a result file's title does not)")
      ->type_name("+HH:MM");
  app.add_option("--to-offset", t.to_offset,
                 "write every hour as this offset from UTC counts it (default: the file's own)")
      ->type_name("+HH:MM");
  app.add_option("--crs", t.crs,
                 "the CRS of the coordinates (e.g. EPSG:25832) where the title does not state "
                 "it; adds latitude and longitude")
      ->type_name("CRS");
  app.add_option("--nodata", t.nodata, "values at or below -N are missing")
      ->type_name("N")
      ->default_str("9998");
  const OptionValues values(app, "rumo export --help");
  if (!values.parse(argc, argv, std::cout)) return 0;
  ExportRequest request = request_from(values, t);
  request.command_line = "rumo";
  for (int i = 0; i < argc; ++i) request.command_line += std::string(" ") + argv[i];
  Console console{std::cin, std::cout, std::cerr, std::cout};
  DiskFiles files;
  export_station_file(console, files, request);
  return 0;
}

}  // namespace rumo
