#include "run/cross_validation_run.hpp"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "crossval/cross_validation.hpp"
#include "crossval/cv_output.hpp"
#include "crossval/disaggregation.hpp"
#include "input/advance.hpp"
#include "input/hourly_period.hpp"
#include "input/station_header.hpp"

namespace rumo {

namespace {

constexpr const char* kTableWhat = "cross-validation table";
constexpr const char* kDetailsWhat = "cross-validation details";
constexpr const char* kPeriodsWhat = "cross-validation periods";

}  // namespace

void cross_validate(Console& console, FileSystem& files, const RunParameters& params,
                    const RunOptions& options) {
  const CrossValidationRequest& request = options.cross_validation;

  // Only the hourly stations take part: they are sources and targets alike.
  StationTable stations;
  StationCounts counts;
  console.out << "Stationswerte Korim...\n";
  TextReader hourly = read_station_header(console, files, params.hourly_file, 1, counts.hourly,
                                          stations, options.located);
  const CrossValidationGrid grid =
      make_grid(request, params.power, params.max_distance, params.neighbours, options.pattern);
  console.out << message_format("Cross-validation: %zu powers x %zu distances", grid.powers.size(),
                                grid.distances.size());
  if (grid.names_neighbours)
    console.out << message_format(" x %zu neighbour limits", grid.neighbours.size());
  if (grid.names_patterns) console.out << message_format(" x %zu patterns", grid.patterns.size());
  console.out << "\n";

  // No result file is written, so the files read are the only ones taken.
  // Every output is checked before any of them is opened.
  std::vector<std::string> taken = {params.hourly_file, params.climate_file, params.collector_file};
  for (const auto& [what, name] :
       {std::pair{kTableWhat, &request.table_file}, std::pair{kDetailsWhat, &request.details_file},
        std::pair{kPeriodsWhat, &request.periods_file}}) {
    if (name->empty()) continue;
    check_added_file(files, what, *name, taken);
    taken.push_back(*name);
  }
  std::unique_ptr<OutputSink> table;
  if (!request.table_file.empty()) table = open_added_file(files, kTableWhat, request.table_file);
  std::optional<DetailsWriter> details;
  if (!request.details_file.empty()) {
    details.emplace(open_added_file(files, kDetailsWhat, request.details_file),
                    request.details_file, stations, counts.hourly, grid);
  }
  std::unique_ptr<OutputSink> periods;
  if (!request.periods_file.empty()) {
    periods = open_added_file(files, kPeriodsWhat, request.periods_file);
  }

  // Every hour of the period goes to the validator as it is read.
  hourly.rewind();
  skip_header(hourly);
  WorkerPool pool(options.threads);
  CrossValidator validator(stations, counts.hourly, grid, IdwSettings::from(params), &pool,
                           details ? &*details : nullptr);
  // The left-out stations' readings are spread as the run would spread them.
  const SpreadingChoices spreading{options.dry_fallback, options.keep_totals, options.decimals,
                                   options.pattern, options.no_data_hours};
  DisaggregationJudge judge(stations, counts.hourly, grid, params.nodata, request.wet_threshold,
                            spreading, std::move(periods), request.periods_file);
  validator.judge_periods(judge);
  HourlyPeriod period(hourly, params, counts.hourly);
  HourField field = take_memory(exit_code::memory_hourly_field,
                                [&] { return HourField(station_entries(counts.hourly), 0.0); });
  HourStamp stamp;
  while (period.next(stamp, field)) {
    print_progress(console, stamp);
    validator.add_hour(stamp, field);
  }
  console.out << "\n";
  if (!hourly.close()) {
    fail(exit_code::hourly_not_closed,
         message_format("Fehler beim Schliessen der Datei %s\n", params.hourly_file.c_str()));
  }

  const std::vector<PairFigures> figures = validator.finish();
  const std::vector<WayFigures> ways = judge.finish();
  print_cross_validation(console.summary, figures, grid, counts.hourly, params.power,
                         params.max_distance, params.neighbours);
  print_disaggregation(console.summary, ways, grid, request.wet_threshold, spreading);
  if (details) details->close();
  if (table) {
    const std::string text = cross_validation_table(figures, ways, grid);
    if (!table->write(text.data(), text.size()) || !table->close()) {
      fail_added_file(exit_code::added_file_not_written, kTableWhat, request.table_file);
    }
  }
}

}  // namespace rumo
