// rumo_io_floor: the input and output of a run without its interpolation, as
// the lower bound of what a run can cost.
//
// Asks the same 17 questions, reads the three station headers and every token
// of every data record of the three files with the program's own reader, and
// writes a result file with the program's own writer: the header, hours 1 to 6
// of the start date as raw lines, then one result line per hour up to hour 24
// of the end date. The hourly stations' columns carry the values read; the
// climate and collector columns carry a share of their latest reading (a
// twelfth of a climate reading, a 24th of a collector sum) in place of the
// interpolated hours, so that the table has the same lines and columns and
// numbers of a similar kind.
#include <algorithm>
#include <iostream>
#include <string>
#include <tuple>

#include "core/console.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "input/dialogue.hpp"
#include "input/input_files.hpp"
#include "input/records.hpp"
#include "input/station_header.hpp"
#include "output/result_writer.hpp"

namespace {

using rumo::HourField;
using rumo::HourStamp;

// The readings of a group, taken as they come, without checking their stamps.
void read_group(rumo::TextReader& file, HourField& readings, int first, int last) {
  if (file.at_end()) return;
  rumo::read_record(file, readings, first, last, rumo::exit_code::climate_run);
}

// Reads what is left of a file, token by token.
void drain(rumo::TextReader& file) {
  while (file.read_double()) {
  }
}

void run(rumo::Console& console, rumo::FileSystem& files) {
  rumo::RunParameters params;
  rumo::read_parameters(console, params);

  rumo::StationTable stations;
  rumo::StationCounts counts;
  rumo::InputFiles inputs;
  inputs.hourly.emplace(
      rumo::read_station_header(console, files, params.hourly_file, 1, counts.hourly, stations));
  if (!params.climate_file.empty()) {
    inputs.climate.emplace(rumo::read_station_header(
        console, files, params.climate_file, counts.first_climate(), counts.climate, stations));
  }
  if (!params.collector_file.empty()) {
    inputs.collector.emplace(rumo::read_station_header(console, files, params.collector_file,
                                                       counts.first_collector(), counts.collector,
                                                       stations));
  }
  const int total = counts.total();

  auto sink = files.open_output(params.result_file);
  if (!sink) rumo::fail(107, "cannot open the result file\n");
  rumo::ResultFile result(std::move(sink));
  rumo::write_result_header(result, stations, total);

  for (auto* input : {&inputs.hourly, &inputs.climate, &inputs.collector}) {
    if (input->has_value()) {
      (*input)->rewind();
      rumo::skip_header(**input);
    }
  }

  const double marker = rumo::missing_marker(params.nodata);
  HourField field(rumo::station_entries(total), marker);
  HourField readings(rumo::station_entries(total), marker);
  const auto first = std::make_tuple(params.start.year, params.start.month, params.start.day, 1);
  const auto last = std::make_tuple(params.end.year, params.end.month, params.end.day, 24);
  int raw_lines = 0;

  rumo::TextReader& hourly = *inputs.hourly;
  while (!hourly.at_end()) {
    const HourStamp stamp =
        rumo::read_record(hourly, field, 1, counts.hourly, rumo::exit_code::hourly_run).stamp;
    if (counts.climate > 0 && (stamp.hour == 7 || stamp.hour == 19)) {
      read_group(*inputs.climate, readings, counts.first_climate(), counts.last_climate());
    }
    if (counts.collector > 0 && stamp.hour == 7) {
      read_group(*inputs.collector, readings, counts.first_collector(), total);
    }

    const auto hour = std::make_tuple(stamp.year, stamp.month, stamp.day, stamp.hour);
    if (hour < first || hour > last) continue;
    for (int i = counts.first_climate(); i <= total; ++i) {
      const double reading = readings[i];
      const double share = i <= counts.last_climate() ? 12.0 : 24.0;
      field[i] = rumo::is_present(reading, params.nodata) ? reading / share : marker;
    }
    if (raw_lines < 6) {
      rumo::write_raw_line(result, stamp, field, total);
      ++raw_lines;
    } else {
      rumo::write_result_line(result, stamp, field, total, params.nodata);
    }
  }
  if (inputs.climate) drain(*inputs.climate);
  if (inputs.collector) drain(*inputs.collector);

  if (!result.close()) rumo::fail(204, "cannot close the result file\n");
}

}  // namespace

int main() {
  rumo::Console console{std::cin, std::cout};
  rumo::DiskFiles files;
  try {
    run(console, files);
  } catch (const rumo::RunError& error) {
    (error.stream == rumo::Stream::out ? std::cout : std::cerr) << error.message << std::flush;
    return error.code;
  }
  return 0;
}
