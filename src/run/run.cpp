#include "run/run.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checks/clock_check.hpp"
#include "checks/hours_without_data.hpp"
#include "checks/stamp_shift.hpp"
#include "checks/station_checks.hpp"
#include "core/error.hpp"
#include "core/periods.hpp"
#include "core/run_addition.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "core/workers.hpp"
#include "input/advance.hpp"
#include "input/dialogue.hpp"
#include "input/input_files.hpp"
#include "input/positioning.hpp"
#include "input/records.hpp"
#include "input/station_header.hpp"
#include "interp/adjust.hpp"
#include "interp/engine.hpp"
#include "map/station_map.hpp"
#include "output/result_writer.hpp"
#include "report/run_report.hpp"
#include "run/cross_validation_run.hpp"
#include "run/export_file.hpp"
#include "run/grid_addition.hpp"
#include "run/netcdf_addition.hpp"

namespace rumo {

namespace {

// Everything a run holds, filled phase by phase.
struct RunContext {
  Console& console;
  FileSystem& files;
  const RunOptions& options;
  // Before the engine, which shares its work through it.
  WorkerPool pool;
  RunParameters params;
  StationTable stations;
  StationCounts counts;
  InputFiles inputs;
  HourWindow window;
  std::optional<ResultFile> result;
  std::vector<std::unique_ptr<RunAddition>> additions;
  std::optional<SeriesLayout> netcdf_layout;  // of --netcdf, once its file is checked
  std::optional<GridLayout> grid_layout;      // of --grid-netcdf, likewise
  RunReport* report = nullptr;                // among the additions, when asked for
  StampShiftCheck* stamp_check = nullptr;     // likewise, with run options
  ClockCheck* clock_check = nullptr;          // likewise, where stations share a place
  NoDataCheck* no_data_check = nullptr;       // likewise
  std::vector<PeriodRecord> periods;          // of the day, when an addition wants them
  std::optional<IdwEngine> engine;
  // Which hours of a period the hourly stations cannot tell; only where the
  // answer changes the hours or an addition counts it.
  std::optional<HourlyCoverage> coverage;
  std::optional<DayReader> days;
  // How readings without interpolated rain are spread, and whether a
  // period's written hours keep its total.
  SpreadingChoices spreading;

  RunContext(Console& on, FileSystem& with, const RunOptions& asked)
      : console(on),
        files(with),
        options(asked),
        pool(asked.threads),
        spreading{asked.dry_fallback, asked.keep_totals, asked.decimals, asked.pattern,
                  asked.no_data_hours} {}
};

constexpr const char* kReportWhat = "report file";
constexpr const char* kMapWhat = "map file";

[[noreturn]] void fail_result_not_created(const RunContext& run, const std::string& failure) {
  const std::string& name = run.params.result_file;
  std::string message = message_format("Fehler beim Oeffnen der Datei %s\n", name.c_str());
  if (run.options.located) message += name + ": cannot be created: " + failure + "\n";
  fail(exit_code::result_not_created, message);
}

void print_banner(Console& console) {
  console.out << "RUMO - Inverse-Distance-Weighting-Interpolation von Niederschl84gen\n"
              << "       der Korimstationen auf die Standorte der Klimastationen und\n"
              << "       Tagessammler \n";
}

void read_parameters(RunContext& run, const Invocation& invocation) {
  print_banner(run.console);
  run.console.out << "Initialisieren...\n";
  run.console.out << "Parametereingabe ...\n";
  if (invocation.parameters) {
    run.params = *invocation.parameters;
  } else {
    read_parameters(run.console, run.params);
  }
  run.params.neighbours = run.options.neighbours;
}

// The stations, from the headers of the files the parameters name; likely
// mistakes are told before the run spends its time on them.
void read_headers(RunContext& run) {
  const RunParameters& params = run.params;
  StationCounts& counts = run.counts;
  const bool located = run.options.located;
  const auto read = [&](const std::string& name, int first, int& count) {
    return read_station_header(run.console, run.files, name, first, count, run.stations, located);
  };
  run.console.out << "Stationswerte Korim...\n";
  run.inputs.hourly.emplace(read(params.hourly_file, 1, counts.hourly));
  if (!params.climate_file.empty()) {
    run.console.out << "Stationswert Klimastationen...\n";
    run.inputs.climate.emplace(read(params.climate_file, counts.hourly + 1, counts.climate));
  }
  if (!params.collector_file.empty()) {
    run.console.out << "Stationswert Sammler ...\n";
    run.inputs.collector.emplace(
        read(params.collector_file, counts.hourly + counts.climate + 1, counts.collector));
  }
  run.console.out << message_format("Gesamtzahl der Stationen : %d\n", counts.total());
  // The readers count the values below 0 that are not missing.
  for (std::optional<TextReader>* input :
       {&run.inputs.hourly, &run.inputs.climate, &run.inputs.collector}) {
    if (*input) (*input)->nodata = params.nodata;
  }
  if (located) {
    warn_unreached_stations(run.console.err, run.stations, counts, params,
                            run.options.dry_fallback != DryFallback::zero);
    warn_coordinate_ranges(run.console.err, run.stations, counts, params);
  }
}

// Every file the run writes is checked before any of them is opened: a name
// that cannot be had stops the run with every existing file as it was.
void check_outputs(RunContext& run) {
  const RunParameters& params = run.params;
  const RunOptions& options = run.options;
  const std::string& name = params.result_file;
  FileSystem& files = run.files;
  // Writing over an input file would destroy the data the run is reading.
  const bool is_input =
      files.same_file(name, params.hourly_file) ||
      (!params.climate_file.empty() && files.same_file(name, params.climate_file)) ||
      (!params.collector_file.empty() && files.same_file(name, params.collector_file));
  const std::string failure = is_input ? "it is one of the input files" : files.cannot_create(name);
  if (!failure.empty()) fail_result_not_created(run, failure);
  std::vector<std::string> taken = {params.hourly_file, params.climate_file, params.collector_file,
                                    params.result_file};
  const auto check = [&](const char* what, const std::string& added) {
    if (added.empty()) return;
    check_added_file(files, what, added, taken);
    taken.push_back(added);
  };
  check(kReportWhat, options.report_file);
  check(kMapWhat, options.map_file);
  if (!options.netcdf_file.empty()) {
    run.netcdf_layout = NetcdfAddition::plan(
        {run.console, files, options, params, run.stations, run.counts}, taken);
  }
  if (!options.grid.file.empty()) {
    run.grid_layout =
        GridAddition::plan({run.console, files, options, params, run.stations, run.counts}, taken);
  }
}

void open_result(RunContext& run) {
  auto sink = run.files.open_output(run.params.result_file);
  if (!sink) fail_result_not_created(run, run.files.open_failure());
  run.result.emplace(std::move(sink));
  write_result_header(*run.result, run.stations, run.counts.total());
}

// The additions the options ask for, their files checked by check_outputs.
void open_additions(RunContext& run) {
  const RunOptions& options = run.options;
  const RunParameters& params = run.params;
  if (!options.report_file.empty()) {
    auto report = std::make_unique<RunReport>(
        open_added_file(run.files, kReportWhat, options.report_file), options.report_file,
        run.stations, run.counts, params.nodata, options.no_data_hours);
    run.report = report.get();
    run.additions.push_back(std::move(report));
  }
  if (!options.map_file.empty()) {
    run.additions.push_back(std::make_unique<StationMap>(
        open_added_file(run.files, kMapWhat, options.map_file), options.map_file, run.stations,
        run.counts, params, options.no_data_hours));
  }
  if (run.netcdf_layout) {
    run.additions.push_back(NetcdfAddition::create(
        {run.console, run.files, options, params, run.stations, run.counts}, *run.netcdf_layout));
  }
  if (run.grid_layout) {
    run.additions.push_back(
        GridAddition::create({run.console, run.files, options, params, run.stations, run.counts},
                             *run.grid_layout, run.pool));
  }
  // Readings stamped a period off are looked for in every run with options.
  if (options.located && run.counts.climate + run.counts.collector > 0) {
    auto check = std::make_unique<StampShiftCheck>(run.stations, run.counts, params.nodata);
    run.stamp_check = check.get();
    run.additions.push_back(std::move(check));
    // And clocks set differently, where an hourly station stands beside one.
    auto clock = std::make_unique<ClockCheck>(run.stations, run.counts, params.nodata);
    if (clock->has_pairs()) {
      run.clock_check = clock.get();
      run.additions.push_back(std::move(clock));
    }
    auto no_data = std::make_unique<NoDataCheck>(run.stations, run.counts, options.no_data_hours);
    run.no_data_check = no_data.get();
    run.additions.push_back(std::move(no_data));
  }
}

// Every file at the start date; the window then holds the first day, from
// hour 7 of the start date to hour 6 of the next. Data records begin after
// the five header lines of each file with stations.
void seek_start(RunContext& run) {
  InputFiles& inputs = run.inputs;
  const StationCounts& counts = run.counts;
  inputs.hourly->rewind();
  if (counts.climate != 0) inputs.climate->rewind();
  if (counts.collector != 0) inputs.collector->rewind();
  skip_header(*inputs.hourly);
  if (counts.climate != 0) skip_header(*inputs.climate);
  if (counts.collector != 0) skip_header(*inputs.collector);
  run.window.fill(missing_marker(run.params.nodata));
  const auto write_raw = [&](const HourStamp& stamp, const HourField& field) {
    write_raw_line(*run.result, stamp, field, counts.total());
    for (const auto& addition : run.additions) addition->hour_as_read(stamp, field);
  };
  seek_hourly_start(*inputs.hourly, write_raw, run.window, run.params, counts);
  if (counts.climate != 0) {
    seek_climate_start(run.console, *inputs.climate, run.window, run.params, counts.first_climate(),
                       counts.last_climate());
  }
  if (counts.collector != 0) {
    seek_collector_start(run.console, *inputs.collector, run.window, run.params,
                         counts.first_collector(), counts.total());
  }
}

// The files are closed in order, and the first that fails ends the run.
void close_files(RunContext& run) {
  const RunParameters& params = run.params;
  const auto close = [](std::optional<TextReader>& input, int code, const std::string& name) {
    if (!input->close()) {
      fail(code, message_format("Fehler beim Schliessen der Datei %s\n", name.c_str()));
    }
  };
  if (run.counts.hourly > 0)
    close(run.inputs.hourly, exit_code::hourly_not_closed, params.hourly_file);
  if (run.counts.climate > 0) {
    close(run.inputs.climate, exit_code::climate_not_closed, params.climate_file);
  }
  if (run.counts.collector > 0) {
    close(run.inputs.collector, exit_code::collector_not_closed, params.collector_file);
  }
  if (!run.result->close()) {
    fail(exit_code::result_not_closed,
         message_format("Fehler beim Schliessen der Datei %s\n", params.result_file.c_str()));
  }
}

// The day in the window: its climate and collector hours completed and
// written.
DayWritten complete_day(RunContext& run) {
  const RunParameters& params = run.params;
  adjust_to_totals(run.window, run.counts, params.nodata, *run.engine,
                   run.additions.empty() ? nullptr : &run.periods, run.spreading,
                   run.coverage ? &*run.coverage : nullptr);
  const HourStamp last = last_hour_of(params.end);
  return write_day(*run.result, run.window, last, run.counts.total(), params.nodata,
                   run.options.decimals, &run.pool);
}

// The day in the window completed and written while the next one is read
// (side by side when the pool has the threads). A day that cannot reach
// hour 24 of the end date stops the run.
DayWritten complete_reading_ahead(RunContext& run) {
  run.days->mark(run.window);
  DayWritten written;
  run.pool.run(2, [&](std::size_t piece, int) {
    if (piece == 0) {
      run.days->read();
    } else {
      written = complete_day(run);
    }
  });
  if (written.end_missed) {
    close_files(run);
    fail_end_missing(run.params, &*run.inputs.hourly);
  }
  return written;
}

// The additions are told the day as the result file holds it.
void tell_additions(RunContext& run, const DayWritten& written) {
  const DayContext day{run.window, run.periods, written.slots};
  for (const auto& addition : run.additions) addition->day(day);
  run.periods.clear();
}

// The additions write and close their files, then tell what they found.
// With run options, the warnings that only the whole run can give come
// first: values below 0 taken as rain, stamps that look shifted and clocks
// that differ at one place (which the report's summary repeats).
void finish_additions(RunContext& run) {
  for (const auto& addition : run.additions) addition->finish();
  if (run.options.located) {
    for (const std::optional<TextReader>* input :
         {&run.inputs.hourly, &run.inputs.climate, &run.inputs.collector}) {
      if (*input) warn_negative_values(run.console.err, **input);
    }
  }
  if (run.no_data_check != nullptr) {
    const std::string finding = run.no_data_check->finding();
    if (!finding.empty()) run.console.err << "rumo: warning: " << finding << ".\n";
  }
  std::vector<std::string> findings;
  if (run.stamp_check != nullptr) findings = run.stamp_check->findings();
  if (run.clock_check != nullptr) {
    for (std::string& finding : run.clock_check->findings()) findings.push_back(std::move(finding));
  }
  for (const std::string& finding : findings) {
    run.console.err << "rumo: warning: " << finding << ".\n";
  }
  if (run.report != nullptr) run.report->repeat_warnings(findings);
  for (const auto& addition : run.additions) addition->summary(run.console.summary);
}

}  // namespace

void run(Console& console, FileSystem& files, const Invocation& invocation) {
  RunContext run(console, files, invocation.options);
  // The banner, and the parameters from the command line or the dialogue.
  read_parameters(run, invocation);
  // The cross-validation is a run of its own.
  if (run.options.cross_validation.enabled) {
    cross_validate(console, files, run.params, run.options);
    return;
  }
  // The stations of the three files' headers.
  read_headers(run);
  // One time base and one CRS, where the files' titles state them.
  check_titles_agree(files,
                     {run.params.hourly_file, run.params.climate_file, run.params.collector_file});
  // The window, sized by the stations.
  run.window = HourWindow(run.counts.total());
  // Every file the run writes is checked, then created, before any data is
  // read.
  check_outputs(run);
  open_result(run);
  open_additions(run);
  // The files at the start date, the first day in the window.
  seek_start(run);
  // The weights of the run's fixed geometry, and the source of the next days.
  run.engine.emplace(run.stations, run.counts, IdwSettings::from(run.params), &run.pool);
  if (run.options.no_data_hours != NoDataHours::zero || !run.additions.empty()) {
    run.coverage.emplace(run.stations, run.counts, run.params.max_distance);
  }
  run.days.emplace(run.inputs, run.params, run.counts);
  // Day after day up to hour 24 of the end date.
  for (;;) {
    // The day is completed and written, while the next one is read.
    const DayWritten written = complete_reading_ahead(run);
    // The additions are told it at once: a run that stops later leaves
    // them every day the result file holds.
    tell_additions(run, written);
    if (written.end_reached) break;
    // The window moves on to the day read.
    run.days->take(run.console, run.window);
  }
  console.out << "\n";
  close_files(run);
  finish_additions(run);
}

void run(Console& console, FileSystem& files) {
  run(console, files, Invocation{});
}

}  // namespace rumo
