#include "run/run.hpp"

#include <array>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "core/workers.hpp"
#include "input/advance.hpp"
#include "input/dialogue.hpp"
#include "input/input_files.hpp"
#include "input/positioning.hpp"
#include "input/station_header.hpp"
#include "interp/adjust.hpp"
#include "interp/engine.hpp"
#include "output/result_writer.hpp"

namespace rumo {

namespace {

void print_banner(Console& console) {
  console.out << "RUMO - Inverse-Distance-Weighting-Interpolation von Niederschl84gen\n"
              << "       der Korimstationen auf die Standorte der Klimastationen und\n"
              << "       Tagessammler \n";
}

void read_headers(Console& console, FileSystem& files, const RunParameters& params,
                  StationTable& stations, StationCounts& counts, InputFiles& inputs) {
  console.out << "Stationswerte Korim...\n";
  inputs.hourly.emplace(
      read_station_header(console, files, params.hourly_file, 1, counts.hourly, stations));
  if (!params.climate_file.empty()) {
    console.out << "Stationswert Klimastationen...\n";
    inputs.climate.emplace(read_station_header(console, files, params.climate_file,
                                               counts.hourly + 1, counts.climate, stations));
  }
  if (!params.collector_file.empty()) {
    console.out << "Stationswert Sammler ...\n";
    inputs.collector.emplace(read_station_header(console, files, params.collector_file,
                                                 counts.hourly + counts.climate + 1,
                                                 counts.collector, stations));
  }
}

ResultFile open_result(FileSystem& files, const RunParameters& params) {
  const std::string& name = params.result_file;
  // Writing over an input file would destroy the data the run is reading.
  const bool is_input =
      files.same_file(name, params.hourly_file) ||
      (!params.climate_file.empty() && files.same_file(name, params.climate_file)) ||
      (!params.collector_file.empty() && files.same_file(name, params.collector_file));
  auto sink = is_input ? nullptr : files.open_output(name);
  if (!sink) fail(107, message_format("Fehler beim Oeffnen der Datei %s\n", name.c_str()));
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
  if (counts.hourly > 0) close_input(inputs.hourly, 201, params.hourly_file);
  if (counts.climate > 0) close_input(inputs.climate, 202, params.climate_file);
  if (counts.collector > 0) close_input(inputs.collector, 203, params.collector_file);
  if (!result.close()) {
    fail(204, message_format("Fehler beim Schliessen der Datei %s\n", params.result_file.c_str()));
  }
}

[[noreturn]] void fail_end_missing(const RunParameters& params) {
  fail(108, message_format("Datei %s enthaelt das Enddatum %2d.%2d.%4d,stunde 24 nicht!\n",
                           params.hourly_file.c_str(), params.end_day, params.end_month,
                           params.end_year));
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
  InputFiles inputs;
  read_headers(console, files, params, stations, counts, inputs);
  console.out << message_format("Gesamtzahl der Stationen : %d\n", counts.total());
  // The window and the sums are sized by the stations the headers gave.
  std::vector<double> sums =
      take_memory(15, [&] { return std::vector<double>(station_entries(counts.total())); });
  HourWindow window(counts.total());

  ResultFile result = open_result(files, params);
  write_result_header(result, stations, counts.total());

  // Position every file at the start date; the window then holds the first
  // day, from hour 7 of the start date to hour 6 of the next.
  skip_headers(inputs, counts);
  window.fill(missing_marker(params.nodata));
  seek_hourly_start(
      *inputs.hourly,
      [&](const HourStamp& stamp, const HourField& field) {
        write_raw_line(result, stamp, field, counts.total());
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
  WorkerPool pool(invocation.options.threads);
  IdwEngine engine(stations, counts, IdwSettings::from(params), &pool);
  const EndDate end{params.end_day, params.end_month, params.end_year};
  // With more than one thread, the next day is read while this one is
  // interpolated and written; its hours enter the window as the advance
  // would have read them.
  const bool read_ahead = pool.size() > 1;
  DayAhead ahead;
  std::optional<BackgroundThread> reader;
  if (read_ahead) reader.emplace();
  for (;;) {
    if (read_ahead) {
      std::array<HourStamp, 24> before;
      for (int slot = 0; slot < 24; ++slot) before[slot] = window.stamp(slot);
      reader->start([&, before] { read_day_ahead(inputs, before, ahead, params, counts); });
    }
    adjust_to_totals(window, sums, counts, params.nodata, engine);
    const DayOutcome day =
        write_day(result, window, end, counts.total(), params.nodata, end_flag, &pool);
    if (read_ahead) reader->wait();
    if (day == DayOutcome::end_missed) {
      close_files(inputs, result, counts, params);
      fail_end_missing(params);
    }
    if (end_flag) break;
    if (read_ahead) {
      take_day_ahead(console, window, ahead);
    } else {
      for (int hour = 0; hour < 24; ++hour) advance_hour(console, inputs, window, params, counts);
    }
  }

  console.out << "\n";
  close_files(inputs, result, counts, params);
}

void run(Console& console, FileSystem& files) {
  run(console, files, Invocation{});
}

}  // namespace rumo
