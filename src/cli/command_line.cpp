#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>
#include <cmath>
#include <string>
#include <string_view>
#include <thread>

#include "cli/option_values.hpp"
#include "core/window.hpp"

#ifndef RUMO_VERSION
#define RUMO_VERSION "unknown"
#endif

namespace rumo {

namespace {

int all_cores() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

// Every option is read as text and checked here, so that each problem gets
// a message that names the option and its value.
struct Texts {
  std::string hourly, climate, collector, output;
  std::string nodata, start, end, power, max_distance;
  std::string lower_limit, lower_replacement, upper_limit, upper_replacement;
  std::string threads, decimals, report, map, netcdf, utc_offset, crs, dry_fallback, no_data_hours;
  std::string grid_netcdf, grid_cell, grid_extent;
  std::string neighbours, neighbour_counts, pattern, patterns;
  std::string powers, distances, cv_table, cv_details, cv_periods, wet_threshold;
  bool quiet = false;
  bool keep_totals = false;
  bool cross_validate = false;
};

const char* const kRunOptions[] = {"--hourly",
                                   "--climate",
                                   "--collector",
                                   "--output",
                                   "--nodata",
                                   "--start",
                                   "--end",
                                   "--power",
                                   "--max-distance",
                                   "--lower-limit",
                                   "--lower-replacement",
                                   "--upper-limit",
                                   "--upper-replacement"};

void declare(CLI::App& app, Texts& t) {
  const auto file = [&](const char* name, std::string& into, const char* help) {
    return app.add_option(name, into, help)->type_name("FILE");
  };
  file("--hourly", t.hourly, "hourly stations' file (required with run options)");
  file("--climate", t.climate, "climate stations' file (readings at hours 7 and 19)");
  file("--collector", t.collector, "collector stations' file (daily sums at hour 7)");
  file("-o,--output", t.output, "result file (required with run options)");
  app.add_option("--nodata", t.nodata, "nodata value N: values at or below -N are missing")
      ->type_name("N")
      ->default_str("9998");
  app.add_option("--start", t.start, "first day of the run (required with run options)")
      ->type_name("YYYY-MM-DD");
  app.add_option("--end", t.end, "last day of the run (required with run options)")
      ->type_name("YYYY-MM-DD");
  app.add_option("--power", t.power, "power p of the weights 1/d^p")
      ->type_name("P")
      ->default_str("2");
  app.add_option("--max-distance", t.max_distance,
                 "farthest hourly station used, in the coordinates' unit, or inf "
                 "(required with run options)")
      ->type_name("D");
  app.add_option("--lower-limit", t.lower_limit, "estimates below this value are replaced")
      ->type_name("L")
      ->default_str("0");
  app.add_option("--lower-replacement", t.lower_replacement, "... by this value")
      ->type_name("R")
      ->default_str("0");
  app.add_option("--upper-limit", t.upper_limit, "estimates above this value are replaced")
      ->type_name("U")
      ->default_str("inf");
  app.add_option("--upper-replacement", t.upper_replacement, "... by this value")
      ->type_name("R")
      ->default_str("0");
  app.add_option("--neighbours", t.neighbours,
                 "only the K nearest hourly stations with a value in the hour, within the "
                 "maximum distance, weigh in an estimate (the lower station number first among "
                 "equally near ones), or all; with --grid-netcdf, each cell of the grid likewise "
                 "takes the K nearest sources with a value in the hour")
      ->type_name("K")
      ->default_str("all");
  app.add_option("--decimals", t.decimals, "decimals of the scaled values in the result file")
      ->type_name("N")
      ->default_str("1");
  app.add_option("--dry-fallback", t.dry_fallback,
                 "a climate or collector reading where no rain was interpolated: zero (lost), "
                 "uniform (spread evenly over its hours) or nearest-wet (after the hours of the "
                 "nearest hourly station with rain)")
      ->type_name("HOW")
      ->default_str("zero");
  app.add_option("--pattern", t.pattern,
                 "how a period's interpolated hours are shaped before they are scaled to its "
                 "reading: idw (as interpolated), peak-add, sharpen or peak-align (which keep "
                 "more of the rain's intensity)")
      ->type_name("NAME")
      ->default_str("idw");
  app.add_option("--no-data-hours", t.no_data_hours,
                 "a climate or collector period with hours in which no hourly station within "
                 "the maximum distance has a value: zero (such hours estimated 0, the reading "
                 "spread over the others), missing (every hour missing), uniform (spread evenly) "
                 "or nearest-wet (after the nearest hourly station with rain in every hour)")
      ->type_name("HOW")
      ->default_str("zero");
  app.add_flag("--keep-totals", t.keep_totals,
               "round the hours of every scaled or spread reading together, so that their "
               "written values add up to the reading");
  file("--report", t.report, "write what became of every observed total to FILE");
  file("--map", t.map, "draw the station network as an SVG picture to FILE");
  file("--netcdf", t.netcdf, "write the result as CF-NetCDF (station x time) to FILE");
  file("--grid-netcdf", t.grid_netcdf,
       "write every hour of the result interpolated onto a grid of square cells as CF-NetCDF, "
       "one field per hour, to FILE");
  app.add_option("--grid-cell", t.grid_cell,
                 "with --grid-netcdf: the side of the cells, in the coordinates' unit (required "
                 "with --grid-netcdf)")
      ->type_name("SIZE");
  app.add_option("--grid-extent", t.grid_extent,
                 "with --grid-netcdf: the area the cells cover (default: the stations' bounding "
                 "box widened to whole cells)")
      ->type_name("XMIN,YMIN,XMAX,YMAX");
  app.add_option("--utc-offset", t.utc_offset,
                 "with --netcdf or --grid-netcdf: the offset of the hours from UTC, where the "
                 "hourly file's title does not state it")
      ->type_name("+HH:MM")
      ->default_str("+00:00");
  app.add_option("--crs", t.crs,
                 "with --netcdf or --grid-netcdf: the CRS of the coordinates (e.g. EPSG:25832), "
                 "where the hourly file's title does not state it; adds latitude and longitude")
      ->type_name("CRS");
  app.add_flag("--cross-validate", t.cross_validate,
               "instead of the run, cross-validate the hourly stations over a grid of powers "
               "and maximum distances");
  app.add_option("--powers", t.powers, "powers of the grid, comma-separated")
      ->type_name("LIST")
      ->default_str("0.5,1,1.5,2,2.5,3,4");
  app.add_option("--distances", t.distances,
                 "maximum distances of the grid, comma-separated, inf allowed "
                 "(default: 0.25, 0.5, 1, 2 and 4 times the maximum distance)")
      ->type_name("LIST");
  app.add_option("--neighbour-counts", t.neighbour_counts,
                 "neighbour limits of the grid, comma-separated, all allowed "
                 "(default: the run's --neighbours)")
      ->type_name("LIST");
  app.add_option("--patterns", t.patterns,
                 "patterns of the grid, comma-separated, or all (default: the run's --pattern)")
      ->type_name("LIST");
  file("--cv-table", t.cv_table, "write the cross-validation table to FILE");
  file("--cv-details", t.cv_details, "write every cross-validated estimate to FILE");
  file("--cv-periods", t.cv_periods,
       "write every cross-validated period, scaled as the run scales, to FILE");
  app.add_option("--wet-threshold", t.wet_threshold,
                 "hours at or above this value count as wet in the cross-validation")
      ->type_name("X")
      ->default_str("0.1");
  app.add_option("--threads", t.threads, "threads to use")
      ->type_name("N")
      ->default_str("all cores");
  app.add_flag("-q,--quiet", t.quiet, "no banner, prompts, station lines or progress");
}

Pattern pattern_choice(const OptionValues& v, const char* option, const std::string& text) {
  return v.choice(option, text,
                  {std::pair{"idw", Pattern::idw},
                   {"peak-add", Pattern::peak_add},
                   {"sharpen", Pattern::sharpen},
                   {"peak-align", Pattern::peak_align}});
}

RunParameters run_parameters(const OptionValues& v, const Texts& t, bool cross_validate) {
  for (const char* required : {"--hourly", "--output", "--start", "--end", "--max-distance"}) {
    if (std::string_view(required) == "--output" && cross_validate) continue;
    if (!v.given(required)) v.usage_error(std::string(required) + " is required with run options");
  }
  RunParameters p;
  p.hourly_file = v.not_empty("--hourly", t.hourly);
  p.climate_file = v.not_empty("--climate", t.climate);
  p.collector_file = v.not_empty("--collector", t.collector);
  p.result_file = v.not_empty("--output", t.output);
  if (v.given("--nodata")) p.nodata = v.number("--nodata", t.nodata, Range::positive);
  p.start = v.date("--start", t.start);
  p.start_hour = 1;
  p.end = v.date("--end", t.end);
  v.in_order(p.start, p.end);
  p.power = v.given("--power") ? v.number("--power", t.power, Range::not_negative) : 2.0;
  p.max_distance = v.number("--max-distance", t.max_distance, Range::positive, true);
  const auto limit = [&](const char* option, const std::string& text, double fallback,
                         bool infinity) {
    return v.given(option) ? v.number(option, text, Range::any, infinity) : fallback;
  };
  p.lower_limit = limit("--lower-limit", t.lower_limit, 0.0, false);
  p.lower_replacement = limit("--lower-replacement", t.lower_replacement, 0.0, false);
  p.upper_limit = limit("--upper-limit", t.upper_limit, HUGE_VAL, true);
  p.upper_replacement = limit("--upper-replacement", t.upper_replacement, 0.0, false);
  return p;
}

RunOptions run_options(const OptionValues& v, const Texts& t) {
  RunOptions o;
  o.quiet = t.quiet;
  o.threads = v.given("--threads") ? v.whole_number("--threads", t.threads, 1, 1024) : all_cores();
  if (v.given("--decimals")) o.decimals = v.whole_number("--decimals", t.decimals, 0, 6);
  if (v.given("--dry-fallback")) {
    o.dry_fallback = v.choice("--dry-fallback", t.dry_fallback,
                              {std::pair{"zero", DryFallback::zero},
                               {"uniform", DryFallback::uniform},
                               {"nearest-wet", DryFallback::nearest_wet}});
  }
  if (v.given("--neighbours"))
    o.neighbours = v.count_or_all("--neighbours", t.neighbours, kMaxStations);
  if (v.given("--pattern")) o.pattern = pattern_choice(v, "--pattern", t.pattern);
  if (v.given("--no-data-hours")) {
    o.no_data_hours = v.choice("--no-data-hours", t.no_data_hours,
                               {std::pair{"zero", NoDataHours::zero},
                                {"missing", NoDataHours::missing},
                                {"uniform", NoDataHours::uniform},
                                {"nearest-wet", NoDataHours::nearest_wet}});
  }
  o.keep_totals = t.keep_totals;
  o.report_file = v.not_empty("--report", t.report);
  o.map_file = v.not_empty("--map", t.map);
  o.netcdf_file = v.not_empty("--netcdf", t.netcdf);
  o.grid.file = v.not_empty("--grid-netcdf", t.grid_netcdf);
  for (const char* option : {"--utc-offset", "--crs"}) {
    if (v.given(option) && o.netcdf_file.empty() && o.grid.file.empty())
      v.usage_error(std::string(option) + " goes with --netcdf");
  }
  for (const char* option : {"--grid-cell", "--grid-extent"}) {
    if (v.given(option) && o.grid.file.empty())
      v.usage_error(std::string(option) + " goes with --grid-netcdf");
  }
  if (!o.grid.file.empty() && !v.given("--grid-cell"))
    v.usage_error("--grid-netcdf needs --grid-cell");
  if (v.given("--grid-cell")) o.grid.cell = v.number("--grid-cell", t.grid_cell, Range::positive);
  if (v.given("--grid-extent")) {
    const std::vector<double> extent = v.numbers("--grid-extent", t.grid_extent, Range::any);
    if (extent.size() != 4)
      v.bad_value("--grid-extent", t.grid_extent, "not four numbers XMIN,YMIN,XMAX,YMAX");
    if (!(extent[0] < extent[2] && extent[1] < extent[3]))
      v.bad_value("--grid-extent", t.grid_extent, "XMIN must lie below XMAX and YMIN below YMAX");
    o.grid.extent = {extent[0], extent[1], extent[2], extent[3]};
  }
  if (v.given("--utc-offset")) o.utc_offset = v.offset("--utc-offset", t.utc_offset);
  o.crs = v.not_empty("--crs", t.crs, "CRS");

  CrossValidationRequest& cv = o.cross_validation;
  cv.enabled = t.cross_validate;
  for (const char* option : {"--powers", "--distances", "--neighbour-counts", "--patterns",
                             "--cv-table", "--cv-details", "--cv-periods", "--wet-threshold"}) {
    if (v.given(option) && !cv.enabled) {
      v.usage_error(std::string(option) + " goes with --cross-validate");
    }
  }
  for (const char* option : {"--report", "--map", "--netcdf", "--grid-netcdf"}) {
    if (v.given(option) && cv.enabled) {
      v.usage_error(std::string(option) + " does not go with --cross-validate, which makes no run");
    }
  }
  // The cross-validation compares the scaled hours unrounded unless the
  // totals are kept: only then do the decimals change what it compares.
  if (v.given("--decimals") && cv.enabled && !o.keep_totals) {
    v.usage_error(
        "--decimals goes with --keep-totals under --cross-validate, which writes no result");
  }
  if (v.given("--powers")) cv.powers = v.numbers("--powers", t.powers, Range::not_negative);
  if (v.given("--distances"))
    cv.distances = v.numbers("--distances", t.distances, Range::positive, true);
  if (v.given("--neighbour-counts")) {
    cv.neighbour_counts = v.counts_or_all("--neighbour-counts", t.neighbour_counts, kMaxStations);
  }
  if (v.given("--patterns")) {
    for (const std::string& item : comma_items(t.patterns)) {
      if (item.empty()) v.bad_value("--patterns", t.patterns, "an empty entry in the list");
      if (item == "all") {
        cv.patterns.insert(cv.patterns.end(), std::begin(kPatterns), std::end(kPatterns));
      } else {
        cv.patterns.push_back(pattern_choice(v, "--patterns", item));
      }
    }
  }
  cv.table_file = v.not_empty("--cv-table", t.cv_table);
  cv.details_file = v.not_empty("--cv-details", t.cv_details);
  cv.periods_file = v.not_empty("--cv-periods", t.cv_periods);
  if (v.given("--wet-threshold")) {
    cv.wet_threshold = v.number("--wet-threshold", t.wet_threshold, Range::positive);
  }
  return o;
}

}  // namespace

std::optional<Invocation> parse_command_line(int argc, const char* const* argv, std::ostream& out) {
  CLI::App app{
      "rumo interpolates hourly precipitation by inverse-distance weighting onto climate and "
      "collector stations and scales each station's hours to its own readings.\n\n"
      "With run options (--hourly and the others) the run needs no dialogue. Without them rumo "
      "asks its 17 questions on standard input, as it always has; --report, --map, --netcdf, "
      "--grid-netcdf, --neighbours, --decimals, --dry-fallback, --pattern, --no-data-hours, "
      "--keep-totals, "
      "--threads, --quiet and the cross-validation options may be added to such a run.\n\n"
      "rumo export FILE --netcdf OUT --csv OUT writes a station file as CF-NetCDF and as a tidy "
      "table (rumo export --help).",
      "rumo"};
  app.set_version_flag("--version", std::string("rumo ") + RUMO_VERSION);
  // As with most Unix tools, an option given twice takes its last value, so
  // that a script may append what it wants to change.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  Texts texts;
  declare(app, texts);
  const OptionValues values(app, "rumo --help");
  if (!values.parse(argc, argv, out)) return std::nullopt;

  Invocation invocation;
  invocation.options = run_options(values, texts);
  invocation.options.command_line = "rumo";
  for (int i = 1; i < argc; ++i) invocation.options.command_line += std::string(" ") + argv[i];
  bool run_option_given = false;
  for (const char* name : kRunOptions) run_option_given = run_option_given || app.count(name) > 0;
  if (run_option_given) {
    invocation.options.located = true;
    invocation.parameters = run_parameters(values, texts, texts.cross_validate);
  }
  return invocation;
}

}  // namespace rumo
