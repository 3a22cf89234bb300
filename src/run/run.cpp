#include "run/run.hpp"

#include <array>
#include <optional>
#include <vector>

#include "checks/station_checks.hpp"
#include "core/error.hpp"
#include "core/periods.hpp"
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

namespace rumo {

namespace {

void print_banner(Console& console) {
  console.out << "RUMO - Inverse-Distance-Weighting-Interpolation von Niederschl84gen\n"
              << "       der Korimstationen auf die Standorte der Klimastationen und\n"
              << "       Tagessammler \n";
}

// With `located`, failures of the files say where they lie.
void read_headers(Console& console, FileSystem& files, const RunParameters& params,
                  StationTable& stations, StationCounts& counts, InputFiles& inputs, bool located) {
  console.out << "Stationswerte Korim...\n";
  inputs.hourly.emplace(
      read_station_header(console, files, params.hourly_file, 1, counts.hourly, stations, located));
  if (!params.climate_file.empty()) {
    console.out << "Stationswert Klimastationen...\n";
    inputs.climate.emplace(read_station_header(
        console, files, params.climate_file, counts.hourly + 1, counts.climate, stations, located));
  }
  if (!params.collector_file.empty()) {
    console.out << "Stationswert Sammler ...\n";
    inputs.collector.emplace(read_station_header(console, files, params.collector_file,
                                                 counts.hourly + counts.climate + 1,
                                                 counts.collector, stations, located));
  }
}

ResultFile open_result(FileSystem& files, const RunParameters& params, bool located) {
  const std::string& name = params.result_file;
  // Writing over an input file would destroy the data the run is reading.
  const bool is_input =
      files.same_file(name, params.hourly_file) ||
      (!params.climate_file.empty() && files.same_file(name, params.climate_file)) ||
      (!params.collector_file.empty() && files.same_file(name, params.collector_file));
  auto sink = is_input ? nullptr : files.open_output(name);
  if (!sink) {
    std::string message = message_format("Fehler beim Oeffnen der Datei %s\n", name.c_str());
    if (located) {
      message += name + ": cannot be created: " +
                 (is_input ? "it is one of the input files" : files.open_failure()) + "\n";
    }
    fail(exit_code::result_not_created, message);
  }
  return ResultFile(std::move(sink));
}

// Data records begin after the five header lines of each file with stations.
void skip_headers(InputFiles& inputs, const StationCounts& counts) {
  inputs.hourly->rewind();
  if (counts.climate != 0) inputs.climate->rewind();
  if (counts.collector != 0) inputs.collector->rewind();
  skip_header(*inputs.hourly);
  if (counts.climate != 0) skip_header(*inputs.climate);
  if (counts.collector != 0) skip_header(*inputs.collector);
}

void close_input(std::optional<TextReader>& input, int code, const std::string& name) {
  if (!input->close()) {
    fail(code, message_format("Fehler beim Schliessen der Datei %s\n", name.c_str()));
  }
}

// The files are closed in order, and the first that fails ends the run.
void close_files(InputFiles& inputs, ResultFile& result, const StationCounts& counts,
                 const RunParameters& params) {
  if (counts.hourly > 0)
    close_input(inputs.hourly, exit_code::hourly_not_closed, params.hourly_file);
  if (counts.climate > 0)
    close_input(inputs.climate, exit_code::climate_not_closed, params.climate_file);
  if (counts.collector > 0)
    close_input(inputs.collector, exit_code::collector_not_closed, params.collector_file);
  if (!result.close()) {
    fail(exit_code::result_not_closed,
         message_format("Fehler beim Schliessen der Datei %s\n", params.result_file.c_str()));
  }
}

// What a run adds when asked: the report's rows, the map, and the tallies of
// both. A run without them records nothing.
struct Additions {
  std::string report_name;
  std::string map_name;
  std::optional<RunReport> report;
  std::unique_ptr<OutputSink> map;
  std::optional<RunTally> tally;
  std::vector<PeriodRecord> periods;

  std::vector<PeriodRecord>* record() { return tally ? &periods : nullptr; }
};

// Both files are created before any data is read, so that a name that
// cannot be written costs no run.
void open_additions(Additions& added, FileSystem& files, const RunOptions& options,
                    const RunParameters& params, const StationTable& stations,
                    const StationCounts& counts, WorkerPool& pool) {
  std::vector<std::string> taken = {params.hourly_file, params.climate_file, params.collector_file,
                                    params.result_file};
  if (!options.report_file.empty()) {
    added.report_name = options.report_file;
    added.report.emplace(create_added_file(files, "report file", added.report_name, taken),
                         added.report_name, stations, counts, params.nodata, &pool);
    taken.push_back(added.report_name);
  }
  if (!options.map_file.empty()) {
    added.map_name = options.map_file;
    added.map = create_added_file(files, "map file", added.map_name, taken);
  }
  if (added.report || added.map) added.tally.emplace(counts.total());
}

// The day's periods go into the report and the tallies; the map counts the
// hourly stations' present hours among those the result file holds.
void note_day(Additions& added, const HourWindow& window, const StationCounts& counts,
              double nodata, const EndDate& end, bool end_flag) {
  if (!added.tally) return;
  // Only the last day stops early, with hour 24 of the end date.
  int written = 24;
  const HourStamp last{end.day, 24, end.month, end.year};
  for (int slot = 1; end_flag && slot <= 24; ++slot) {
    if (window.stamp(slot) == last) written = slot;
  }
  tally_periods(*added.tally, added.periods, nodata);
  if (added.map) {
    for (int slot = 1; slot <= written; ++slot) {
      tally_hour(*added.tally, window.field(slot), counts.hourly, nodata);
    }
  }
  if (added.report) added.report->add_day(added.periods, written);
  added.periods.clear();
}

// Lets the pool's threads go on with their idle work when the reading of
// the next day ends, however it ends.
struct ReleaseIdleWork {
  WorkerPool& pool;
  ~ReleaseIdleWork() { pool.hold_idle_work(false); }
};

void finish_additions(Console& console, Additions& added, const StationTable& stations,
                      const StationCounts& counts, const RunParameters& params) {
  if (added.report) added.report->close();
  if (added.map) {
    write_station_map(std::move(added.map), added.map_name, *added.tally, stations, counts, params);
  }
  if (added.report) {
    write_report_summary(console.summary, *added.tally, stations, counts, added.report_name);
  }
}

}  // namespace

void run(Console& console, FileSystem& files, const Invocation& invocation) {
  bool end_flag = false;
  print_banner(console);
  StationTable stations;
  console.out << "Initialisieren...\n";
  StationCounts counts;

  // The run's parameters come from the dialogue, its stations from the
  // headers of the files it names.
  console.out << "Parametereingabe ...\n";
  RunParameters params;
  if (invocation.parameters) {
    params = *invocation.parameters;
  } else {
    read_parameters(console, params);
  }
  const bool located = invocation.options.located;
  if (invocation.options.cross_validation.enabled) {
    cross_validate(console, files, params, invocation.options);
    return;
  }
  InputFiles inputs;
  read_headers(console, files, params, stations, counts, inputs, located);
  console.out << message_format("Gesamtzahl der Stationen : %d\n", counts.total());
  // Likely mistakes are told before the run spends its time on them.
  if (located) {
    warn_unreached_stations(console.err, stations, counts, params);
    warn_coordinate_ranges(console.err, stations, counts, params);
  }
  // The window and the sums are sized by the stations the headers gave.
  std::vector<double> sums = take_memory(
      exit_code::memory_sums, [&] { return std::vector<double>(station_entries(counts.total())); });
  HourWindow window(counts.total());

  ResultFile result = open_result(files, params, located);
  write_result_header(result, stations, counts.total());
  // The pool's threads also write the report while they wait, so the pool
  // outlives the additions.
  WorkerPool pool(invocation.options.threads);
  Additions added;
  open_additions(added, files, invocation.options, params, stations, counts, pool);

  // Position every file at the start date; the window then holds the first
  // day, from hour 7 of the start date to hour 6 of the next.
  skip_headers(inputs, counts);
  window.fill(missing_marker(params.nodata));
  seek_hourly_start(
      *inputs.hourly,
      [&](const HourStamp& stamp, const HourField& field) {
        write_raw_line(result, stamp, field, counts.total());
        if (added.map) tally_hour(*added.tally, field, counts.hourly, params.nodata);
      },
      window, params, counts);
  if (counts.climate != 0) {
    seek_climate_start(console, *inputs.climate, window, params, counts.first_climate(),
                       counts.last_climate());
  }
  if (counts.collector != 0) {
    seek_collector_start(console, *inputs.collector, window, params, counts.first_collector(),
                         counts.total());
  }

  // One pass a day: complete the day's climate and collector hours, write
  // them, and read the next day. The run ends with hour 24 of the end date,
  // or stops where the hourly file cannot reach it.
  IdwEngine engine(stations, counts, IdwSettings::from(params), &pool);
  const EndDate end{params.end_day, params.end_month, params.end_year};
  // With more than one thread, the next day is read while this one is
  // interpolated and written; its hours enter the window as the advance
  // would have read them. The pool's idle work (the report's rows) waits
  // while the reading goes on, so that it takes up only time the cores
  // would otherwise leave idle.
  const bool read_ahead = pool.size() > 1;
  DayAhead ahead;
  std::optional<BackgroundThread> reader;
  if (read_ahead) reader.emplace();
  for (;;) {
    if (read_ahead) {
      std::array<HourStamp, 24> before;
      for (int slot = 0; slot < 24; ++slot) before[slot] = window.stamp(slot);
      const HourStamp last = window.stamp(24);
      const bool last_read = window.hour_read(24);
      pool.hold_idle_work(true);
      reader->start([&, before, last, last_read] {
        const ReleaseIdleWork release{pool};
        read_day_ahead(inputs, before, last, last_read, ahead, params, counts);
      });
    }
    adjust_to_totals(window, sums, counts, params.nodata, engine, added.record());
    const DayOutcome day = write_day(result, window, end, counts.total(), params.nodata, end_flag,
                                     invocation.options.decimals, &pool);
    if (read_ahead) reader->wait();
    if (day == DayOutcome::end_missed) {
      close_files(inputs, result, counts, params);
      fail_end_missing(params);
    }
    note_day(added, window, counts, params.nodata, end, end_flag);
    if (end_flag) break;
    if (read_ahead) {
      take_day_ahead(console, window, ahead);
    } else {
      for (int hour = 0; hour < 24; ++hour) advance_hour(console, inputs, window, params, counts);
    }
  }

  console.out << "\n";
  close_files(inputs, result, counts, params);
  finish_additions(console, added, stations, counts, params);
}

void run(Console& console, FileSystem& files) {
  run(console, files, Invocation{});
}

}  // namespace rumo
