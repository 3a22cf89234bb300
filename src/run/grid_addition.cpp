#include "run/grid_addition.hpp"

#include <sstream>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "export/series.hpp"
#include "output/number_format.hpp"
#include "run/export_file.hpp"

namespace rumo {

namespace {

const char* const kWhat = "grid file";

std::vector<Planar> station_places(const StationTable& stations, const StationCounts& counts) {
  std::vector<Planar> places;
  for (int i = 1; i <= counts.total(); ++i)
    places.push_back({stations.first[i], stations.second[i]});
  return places;
}

}  // namespace

GridLayout GridAddition::plan(const AdditionSetup& setup, std::vector<std::string>& taken) {
  const RunOptions& options = setup.options;
  const RunParameters& params = setup.params;
  const StationCounts& counts = setup.counts;
  const std::string& name = options.grid.file;
  check_added_file(setup.files, kWhat, name, taken);
  taken.push_back(name);

  GridLayout layout;
  std::string reason;
  const auto geometry = grid_geometry(options.grid.cell, options.grid.extent,
                                      station_places(setup.stations, counts), reason);
  if (!geometry) fail_added_file(exit_code::added_file_not_created, kWhat, name, reason);
  layout.geometry = *geometry;
  // A title the station file's options contradict is warned of once, by the
  // station file when the run writes one too.
  std::ostringstream repeated;
  const TimeAndPlace base = title_or_options(
      options.netcdf_file.empty() ? setup.console.err : repeated, params.hourly_file,
      title_line(setup.files, params.hourly_file), options.utc_offset, options.crs);
  layout.crs = base.crs;
  // A run's hours are in UTC unless a title or --utc-offset says otherwise.
  const UtcOffset offset = base.offset.value_or(UtcOffset{});
  layout.time_units = time_units(params.start.calendar(), offset);
  layout.time_base = "UTC" + format_utc_offset(offset) + ", hour h ends at h:00";
  layout.fill = static_cast<float>(missing_marker(params.nodata));
  layout.title = "interpolierte Stationswerte im Raster";
  layout.history = options.command_line;
  layout.source = params.hourly_file;
  if (!params.climate_file.empty()) layout.source += ", " + params.climate_file;
  if (!params.collector_file.empty()) layout.source += ", " + params.collector_file;
  layout.numbers = {{"nodata", params.nodata},
                    {"power", params.power},
                    {"max_distance", params.max_distance},
                    {"lower_limit", params.lower_limit},
                    {"lower_replacement", params.lower_replacement},
                    {"upper_limit", params.upper_limit},
                    {"upper_replacement", params.upper_replacement},
                    {"cell_size", options.grid.cell}};
  layout.counts = {{"neighbours", params.neighbours},
                   {"hourly_stations", counts.hourly},
                   {"climate_stations", counts.climate},
                   {"collector_stations", counts.collector}};
  return layout;
}

GridAddition::GridAddition(std::unique_ptr<GridFile> file, GridInterpolation interpolation,
                           const AdditionSetup& setup, const GridLayout& layout, WorkerPool& pool)
    : file_(std::move(file)),
      interpolation_(std::move(interpolation)),
      pool_(pool),
      name_(setup.options.grid.file),
      geometry_(layout.geometry),
      start_(setup.params.start.calendar()),
      nodata_(setup.params.nodata),
      fill_(layout.fill),
      decimals_(setup.options.decimals),
      stations_(static_cast<std::size_t>(setup.counts.total())),
      unreached_(interpolation_.parts(), 0) {}

std::unique_ptr<GridAddition> GridAddition::create(const AdditionSetup& setup,
                                                   const GridLayout& layout, WorkerPool& pool) {
  auto file = GridFile::create(setup.options.grid.file, layout, exit_code::added_file_not_created,
                               exit_code::added_file_not_written, setup.console.err);
  const RunParameters& params = setup.params;
  GridInterpolation interpolation(layout.geometry, station_places(setup.stations, setup.counts),
                                  {params.power, params.max_distance, params.neighbours},
                                  static_cast<std::size_t>(pool.size()));
  return std::unique_ptr<GridAddition>(
      new GridAddition(std::move(file), std::move(interpolation), setup, layout, pool));
}

void GridAddition::keep(const HourStamp& stamp, const HourField& field, int decimals) {
  const std::size_t at = values_.size();
  values_.resize(at + stations_);
  const std::span<double> written{values_.data() + at, stations_};
  values_as_written({field.data() + 1, stations_}, decimals, written);
  // A value's text decides whether it is missing: one that rounds to -N is.
  present_.push_back(sources_with_value(written, nodata_));
  ends_.push_back(static_cast<double>(hours_since(start_, stamp)));
}

void GridAddition::write_kept() {
  for (std::size_t done = 0; done < ends_.size();) {
    const std::size_t count = std::min(ends_.size() - done, file_->room());
    pool_.run(interpolation_.parts(), [&](std::size_t part, int) {
      for (std::size_t k = 0; k < count; ++k) {
        const std::span<const double> values{values_.data() + (done + k) * stations_, stations_};
        unreached_[part] += static_cast<long>(
            interpolation_.interpolate(part, values, present_[done + k], fill_,
                                       [&](std::size_t row) { return file_->row(k, row); }));
      }
    });
    file_->filled({ends_.data() + done, count});
    done += count;
  }
  hours_ += static_cast<long>(ends_.size());
  values_.clear();
  present_.clear();
  ends_.clear();
}

void GridAddition::hour_as_read(const HourStamp& stamp, const HourField& field) {
  keep(stamp, field, -1);
}

void GridAddition::day(const DayContext& day) {
  for (int slot = 1; slot <= day.written_slots; ++slot) {
    keep(day.window.stamp(slot), day.window.field(slot), decimals_);
  }
  write_kept();
}

void GridAddition::finish() {
  write_kept();
  file_->finish();
}

void GridAddition::summary(std::ostream& out) {
  long unreached = 0;
  for (const long count : unreached_) unreached += count;
  out << "Grid: " << geometry_.columns << " x " << geometry_.rows << " cells of "
      << shortest_text(geometry_.cell) << " over " << counted(hours_, "hour", "hours") << " in "
      << name_ << "; " << counted(unreached, "cell-hour", "cell-hours")
      << " without a station with a value in reach, written as missing.\n";
}

}  // namespace rumo
