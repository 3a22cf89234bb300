#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/calendar.hpp"
#include "core/error.hpp"

#ifndef RUMO_VERSION
#define RUMO_VERSION "unknown"
#endif

namespace rumo {

void fail_usage(const std::string& what, const char* help) {
  throw RunError{exit_code::usage, Stream::err,
                 "rumo: " + what + " (" + help + " lists the options)\n"};
}

void fail_bad_value(const std::string& option, const std::string& value,
                    const std::string& expected, const char* help) {
  fail_usage(option + " \"" + value + "\": " + expected, help);
}

bool parse_arguments(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                     void (*usage_error)(const std::string&)) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return false;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << '\n';
    return false;
  } catch (const CLI::ParseError& error) {
    usage_error(error.what());
  }
  return true;
}

namespace {

[[noreturn]] void usage_error(const std::string& what) {
  fail_usage(what, "rumo --help");
}

[[noreturn]] void bad_value(const std::string& option, const std::string& value,
                            const std::string& expected) {
  fail_bad_value(option, value, expected, "rumo --help");
}

// A decimal number as the whole text; "inf" (any case, "infinity" too) only
// where infinity is allowed.
std::optional<double> read_number(std::string_view text, bool infinity_allowed) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (std::isnan(value)) return std::nullopt;
  if (std::isinf(value) && !(infinity_allowed && value > 0.0)) return std::nullopt;
  return value;
}

enum class Range { any, not_negative, positive };

double number_option(const std::string& option, const std::string& text, Range range,
                     bool infinity_allowed) {
  const auto value = read_number(text, infinity_allowed);
  std::string expected = "not a finite number";
  if (range == Range::not_negative) expected = "not a finite number of 0 or more";
  if (range == Range::positive) expected = "not a positive finite number";
  if (infinity_allowed) expected = "not a positive number or inf";
  if (infinity_allowed && range == Range::any) expected = "not a number or inf";
  if (!value) bad_value(option, text, expected);
  if ((range == Range::not_negative && !(*value >= 0.0)) ||
      (range == Range::positive && !(*value > 0.0))) {
    bad_value(option, text, expected);
  }
  return *value;
}

int integer_option(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
    bad_value(option, text,
              "not a whole number from " + std::to_string(low) + " to " + std::to_string(high));
  }
  return value;
}

// YYYY-MM-DD, a real calendar date with a four-digit year; nothing is
// corrected.
Date date_option(const std::string& option, const std::string& text) {
  const auto digits = [&](std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-';
  const Date date = shaped ? Date{digits(0, 4), digits(5, 2), digits(8, 2)} : Date{-1, -1, -1};
  if (date.year < 1000 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > days_in_month(date.month, date.year)) {
    bad_value(option, text, "not a calendar date as YYYY-MM-DD");
  }
  return date;
}

std::vector<double> list_option(const std::string& option, const std::string& text, Range range,
                                bool infinity_allowed) {
  std::vector<double> values;
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = text.find(',', at);
    const std::string item = text.substr(at, comma == std::string::npos ? comma : comma - at);
    if (item.empty()) bad_value(option, text, "an empty entry in the list");
    values.push_back(number_option(option, item, range, infinity_allowed));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return values;
}

DryFallback dry_fallback_option(const std::string& text) {
  if (text == "zero") return DryFallback::zero;
  if (text == "uniform") return DryFallback::uniform;
  if (text == "nearest-wet") return DryFallback::nearest_wet;
  bad_value("--dry-fallback", text, "not zero, uniform or nearest-wet");
}

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
  std::string threads, decimals, report, map, netcdf, utc_offset, crs, dry_fallback;
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
  app.add_option("--decimals", t.decimals, "decimals of the scaled values in the result file")
      ->type_name("N")
      ->default_str("1");
  app.add_option("--dry-fallback", t.dry_fallback,
                 "a climate or collector reading where no rain was interpolated: zero (lost), "
                 "uniform (spread evenly over its hours) or nearest-wet (after the hours of the "
                 "nearest hourly station with rain)")
      ->type_name("HOW")
      ->default_str("zero");
  app.add_flag("--keep-totals", t.keep_totals,
               "round the hours of every scaled or spread reading together, so that their "
               "written values add up to the reading");
  file("--report", t.report, "write what became of every observed total to FILE");
  file("--map", t.map, "draw the station network as an SVG picture to FILE");
  file("--netcdf", t.netcdf, "write the result as CF-NetCDF (station x time) to FILE");
  app.add_option("--utc-offset", t.utc_offset,
                 "with --netcdf: the offset of the hours from UTC, where the hourly file's "
                 "title does not state it")
      ->type_name("+HH:MM")
      ->default_str("+00:00");
  app.add_option("--crs", t.crs,
                 "with --netcdf: the CRS of the coordinates (e.g. EPSG:25832), where the hourly "
                 "file's title does not state it; adds latitude and longitude")
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

// A file name given with its option must not be empty.
const std::string& file_option(const CLI::App& app, const char* option, const std::string& name) {
  if (app.count(option) > 0 && name.empty()) {
    usage_error(std::string(option) + ": the file name is empty");
  }
  return name;
}

RunParameters run_parameters(const CLI::App& app, const Texts& t, bool cross_validate) {
  const auto given = [&](const char* name) { return app.count(name) > 0; };
  for (const char* required : {"--hourly", "--output", "--start", "--end", "--max-distance"}) {
    if (std::string_view(required) == "--output" && cross_validate) continue;
    if (!given(required)) usage_error(std::string(required) + " is required with run options");
  }
  RunParameters p;
  p.hourly_file = file_option(app, "--hourly", t.hourly);
  p.climate_file = file_option(app, "--climate", t.climate);
  p.collector_file = file_option(app, "--collector", t.collector);
  p.result_file = file_option(app, "--output", t.output);
  if (given("--nodata")) p.nodata = number_option("--nodata", t.nodata, Range::positive, false);
  const Date start = date_option("--start", t.start);
  const Date end = date_option("--end", t.end);
  if (end < start) usage_error("--end \"" + t.end + "\" lies before --start \"" + t.start + "\"");
  p.start = start;
  p.start_hour = 1;
  p.end = end;
  p.power = given("--power") ? number_option("--power", t.power, Range::not_negative, false) : 2.0;
  p.max_distance = number_option("--max-distance", t.max_distance, Range::positive, true);
  const auto limit = [&](const char* option, const std::string& text, double fallback,
                         bool infinity_allowed) {
    return given(option) ? number_option(option, text, Range::any, infinity_allowed) : fallback;
  };
  p.lower_limit = limit("--lower-limit", t.lower_limit, 0.0, false);
  p.lower_replacement = limit("--lower-replacement", t.lower_replacement, 0.0, false);
  p.upper_limit = limit("--upper-limit", t.upper_limit, HUGE_VAL, true);
  p.upper_replacement = limit("--upper-replacement", t.upper_replacement, 0.0, false);
  return p;
}

RunOptions run_options(const CLI::App& app, const Texts& t) {
  const auto given = [&](const char* name) { return app.count(name) > 0; };
  RunOptions o;
  o.quiet = t.quiet;
  o.threads = given("--threads") ? integer_option("--threads", t.threads, 1, 1024) : all_cores();
  if (given("--decimals")) o.decimals = integer_option("--decimals", t.decimals, 0, 6);
  if (given("--dry-fallback")) o.dry_fallback = dry_fallback_option(t.dry_fallback);
  o.keep_totals = t.keep_totals;
  o.report_file = file_option(app, "--report", t.report);
  o.map_file = file_option(app, "--map", t.map);
  o.netcdf_file = file_option(app, "--netcdf", t.netcdf);
  for (const char* option : {"--utc-offset", "--crs"}) {
    if (given(option) && o.netcdf_file.empty())
      usage_error(std::string(option) + " goes with --netcdf");
  }
  if (given("--utc-offset")) {
    o.utc_offset = parse_utc_offset(t.utc_offset);
    if (!o.utc_offset) bad_value("--utc-offset", t.utc_offset, "not an offset as +HH:MM or -HH:MM");
  }
  if (given("--crs") && t.crs.empty()) usage_error("--crs: the CRS is empty");
  o.crs = t.crs;

  CrossValidationRequest& cv = o.cross_validation;
  cv.enabled = t.cross_validate;
  for (const char* option : {"--powers", "--distances", "--cv-table", "--cv-details",
                             "--cv-periods", "--wet-threshold"}) {
    if (given(option) && !cv.enabled) {
      usage_error(std::string(option) + " goes with --cross-validate");
    }
  }
  for (const char* option : {"--report", "--map", "--netcdf"}) {
    if (given(option) && cv.enabled) {
      usage_error(std::string(option) + " does not go with --cross-validate, which makes no run");
    }
  }
  // The cross-validation compares the scaled hours unrounded unless the
  // totals are kept: only then do the decimals change what it compares.
  if (given("--decimals") && cv.enabled && !o.keep_totals) {
    usage_error(
        "--decimals goes with --keep-totals under --cross-validate, which writes no result");
  }
  if (given("--powers")) cv.powers = list_option("--powers", t.powers, Range::not_negative, false);
  if (given("--distances")) {
    cv.distances = list_option("--distances", t.distances, Range::positive, true);
  }
  cv.table_file = file_option(app, "--cv-table", t.cv_table);
  cv.details_file = file_option(app, "--cv-details", t.cv_details);
  cv.periods_file = file_option(app, "--cv-periods", t.cv_periods);
  if (given("--wet-threshold")) {
    cv.wet_threshold = number_option("--wet-threshold", t.wet_threshold, Range::positive, false);
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
      "--decimals, --dry-fallback, --keep-totals, --threads, --quiet and the cross-validation "
      "options may be added to such a run.\n\n"
      "rumo export FILE --netcdf OUT --csv OUT writes a station file as CF-NetCDF and as a tidy "
      "table (rumo export --help).",
      "rumo"};
  app.set_version_flag("--version", std::string("rumo ") + RUMO_VERSION);
  // As with most Unix tools, an option given twice takes its last value, so
  // that a script may append what it wants to change.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  Texts texts;
  declare(app, texts);
  if (!parse_arguments(app, argc, argv, out, usage_error)) return std::nullopt;

  Invocation invocation;
  invocation.options = run_options(app, texts);
  invocation.options.command_line = "rumo";
  for (int i = 1; i < argc; ++i) invocation.options.command_line += std::string(" ") + argv[i];
  bool run_option_given = false;
  for (const char* name : kRunOptions) run_option_given = run_option_given || app.count(name) > 0;
  if (run_option_given) {
    invocation.options.located = true;
    invocation.parameters = run_parameters(app, texts, texts.cross_validate);
  }
  return invocation;
}

}  // namespace rumo
