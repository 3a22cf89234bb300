#include "run/netcdf_addition.hpp"

#include "core/error.hpp"
#include "output/number_format.hpp"
#include "run/export_file.hpp"

namespace rumo {

namespace {

const char* const kWhat = "NetCDF file";

SeriesLayout run_layout(const AdditionSetup& setup) {
  const RunOptions& options = setup.options;
  const RunParameters& params = setup.params;
  const StationTable& stations = setup.stations;
  const StationCounts& counts = setup.counts;
  // Each file's title may list its stations' ids in their source; the
  // hourly file's also states the run's time base and CRS.
  const std::string hourly_title = title_line(setup.files, params.hourly_file);
  const struct {
    const std::string& file;
    int count;
    StationKind kind;
  } files[] = {{params.hourly_file, counts.hourly, StationKind::hourly},
               {params.climate_file, counts.climate, StationKind::climate},
               {params.collector_file, counts.collector, StationKind::collector}};
  SeriesLayout layout;
  int i = 0;
  for (const auto& [file, count, kind] : files) {
    if (count == 0) continue;
    const std::string title =
        kind == StationKind::hourly ? hourly_title : title_line(setup.files, file);
    const std::vector<std::string> ids = title_source_ids(setup.console.err, file, title, count);
    for (const std::string& id : ids) {
      ++i;
      layout.stations.push_back(
          {stations.name[i], kind, stations.first[i], stations.second[i], stations.height[i], id});
    }
  }
  const TimeAndPlace base = title_or_options(setup.console.err, params.hourly_file, hourly_title,
                                             options.utc_offset, options.crs);
  layout.start = params.start.calendar();
  // A run's hours are in UTC unless a title or --utc-offset says otherwise.
  layout.offset = base.offset.value_or(UtcOffset{});
  layout.crs = base.crs;
  layout.nodata = params.nodata;
  layout.title = "interpolierte Stationswerte";
  layout.history = options.command_line;
  layout.source = params.hourly_file;
  if (!params.climate_file.empty()) layout.source += ", " + params.climate_file;
  if (!params.collector_file.empty()) layout.source += ", " + params.collector_file;
  layout.run_numbers = {{"power", params.power},
                        {"max_distance", params.max_distance},
                        {"lower_limit", params.lower_limit},
                        {"lower_replacement", params.lower_replacement},
                        {"upper_limit", params.upper_limit},
                        {"upper_replacement", params.upper_replacement}};
  return layout;
}

}  // namespace

NetcdfAddition::NetcdfAddition(std::unique_ptr<NetcdfSeries> file, int stations, double nodata,
                               int decimals)
    : file_(std::move(file)),
      nodata_(nodata),
      decimals_(decimals),
      stations_(static_cast<std::size_t>(stations)),
      records_(24 * stations_) {}

SeriesLayout NetcdfAddition::plan(const AdditionSetup& setup, std::vector<std::string>& taken) {
  check_added_file(setup.files, kWhat, setup.options.netcdf_file, taken);
  taken.push_back(setup.options.netcdf_file);
  return run_layout(setup);
}

std::unique_ptr<NetcdfAddition> NetcdfAddition::create(const AdditionSetup& setup,
                                                       const SeriesLayout& layout) {
  auto file =
      NetcdfSeries::create(setup.options.netcdf_file, layout, exit_code::added_file_not_created,
                           exit_code::added_file_not_written, setup.console.err);
  return std::unique_ptr<NetcdfAddition>(new NetcdfAddition(
      std::move(file), setup.counts.total(), setup.params.nodata, setup.options.decimals));
}

void NetcdfAddition::convert(int slot, const HourField& field, int decimals) {
  const std::span<const double> values{field.data() + 1, stations_};
  const std::span<double> written{records_.data() + static_cast<std::size_t>(slot) * stations_,
                                  stations_};
  values_as_written(values, decimals, written);
  // Missing values stay as they are, whatever their text.
  const double missing = -nodata_;
  for (std::size_t i = 0; i < stations_; ++i) {
    written[i] = values[i] <= missing ? values[i] : written[i];
  }
}

void NetcdfAddition::hour_as_read(const HourStamp& stamp, const HourField& field) {
  convert(0, field, -1);
  file_->add(stamp, {records_.data(), stations_});
}

void NetcdfAddition::day(const DayContext& day) {
  const int slots = day.written_slots;
  for (int slot = 1; slot <= slots; ++slot) {
    stamps_[static_cast<std::size_t>(slot - 1)] = day.window.stamp(slot);
    convert(slot - 1, day.window.field(slot), decimals_);
  }
  const auto count = static_cast<std::size_t>(slots);
  file_->add({stamps_.data(), count}, {records_.data(), count * stations_});
}

void NetcdfAddition::finish() {
  file_->finish();
}

}  // namespace rumo
