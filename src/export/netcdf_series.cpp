#include "export/netcdf_series.hpp"

#include <netcdf.h>

#include <algorithm>
#include <cmath>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "core/number_text.hpp"
#include "core/projection.hpp"
#include "output/cf_grid_mapping.hpp"

namespace rumo {

namespace {

// The records of every station held before they are written: at most this
// many bytes, so a run of many stations holds fewer hours. A larger block
// would make longer chunks but push the run's own data out of the
// processor's cache.
constexpr std::size_t kBlockBytes = std::size_t{8} << 20;
// A chunk of about this size deflates with little work of the library per
// chunk, and one station's series still comes out of a few of them.
constexpr std::size_t kChunkBytes = std::size_t{128} << 10;
constexpr long kMaxChunkHours = 366 * 24;

long chunk_hours_for(std::size_t stations) {
  const auto fit =
      static_cast<long>(kBlockBytes / (sizeof(double) * std::max<std::size_t>(stations, 1)));
  return std::clamp(fit / 24 * 24, 24L, kMaxChunkHours);
}

// Neighbouring stations that share a chunk, as many as fill about kChunkBytes.
std::size_t chunk_stations_for(std::size_t stations, long hours) {
  const std::size_t fit = kChunkBytes / (sizeof(double) * static_cast<std::size_t>(hours));
  return std::clamp<std::size_t>(fit, 1, std::max<std::size_t>(stations, 1));
}

// What a variable of the stations says.
int station_variable(NetcdfWriter& file, const char* name, nc_type type, int dim,
                     const char* long_name) {
  const int var = file.variable(name, type, {&dim, 1});
  file.text(var, "long_name", long_name);
  return var;
}

// A variable of texts, one per station, each in a row of characters.
int text_variable(NetcdfWriter& file, const char* name, int station_dim, int length_dim,
                  const char* long_name) {
  const int dims[] = {station_dim, length_dim};
  const int var = file.variable(name, NC_CHAR, dims);
  file.text(var, "long_name", long_name);
  return var;
}

// The characters of the longest text, at least 1.
std::size_t longest(const std::vector<std::string>& texts) {
  std::size_t length = 1;
  for (const std::string& text : texts) length = std::max(length, text.size());
  return length;
}

// The texts as rows of `longest(texts)` characters, padded with zeros.
void put_texts(NetcdfWriter& file, int var, const std::vector<std::string>& texts) {
  const std::size_t length = longest(texts);
  std::vector<char> rows(texts.size() * length, '\0');
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::copy(texts[i].begin(), texts[i].end(), rows.begin() + i * length);
  }
  const std::size_t origin[] = {0, 0};
  const std::size_t count[] = {texts.size(), length};
  file.check(nc_put_vara_text(file.id(), var, origin, count, rows.data()));
}

}  // namespace

NetcdfSeries::NetcdfSeries(const std::string& name, const SeriesLayout& layout, int create_code,
                           int write_code)
    : file_(name, "NetCDF file", create_code, write_code),
      stations_(layout.stations.size()),
      start_(layout.start),
      period_hours_(layout.period_hours),
      nodata_(layout.nodata),
      fill_(missing_marker(layout.nodata)),
      chunk_hours_(chunk_hours_for(layout.stations.size())),
      chunk_stations_(chunk_stations_for(layout.stations.size(), chunk_hours_)) {}

std::unique_ptr<NetcdfSeries> NetcdfSeries::create(const std::string& name,
                                                   const SeriesLayout& layout, int create_code,
                                                   int write_code, std::ostream& warnings) {
  // The CRS is tried before the file is made, so that a wrong one leaves no file.
  std::unique_ptr<Projection> projection;
  std::vector<Geographic> places;
  if (!layout.crs.empty()) {
    projection = planar_projection(layout.crs);
    for (const SeriesStation& station : layout.stations) {
      const auto place = projection->inverse({station.x, station.y});
      if (!place) {
        throw RunError{exit_code::export_bad_crs, Stream::err,
                       "rumo: station " + station.name + " at (" + shortest_text(station.x) + ", " +
                           shortest_text(station.y) + ") has no latitude and longitude in " +
                           layout.crs + "\n"};
      }
      places.push_back(*place);
    }
  } else {
    warnings << "rumo: warning: " << name
             << ": the CRS of the stations' coordinates is not known, so the file gives no "
                "latitude and longitude and tools cannot place the stations; give the CRS "
                "with --crs (such as --crs EPSG:25832)\n";
  }

  std::unique_ptr<NetcdfSeries> series(new NetcdfSeries(name, layout, create_code, write_code));
  NetcdfWriter& file = series->file_;
  const int ncid = file.id();

  std::vector<std::string> names, sources;
  for (const SeriesStation& station : layout.stations) {
    names.push_back(station.name);
    sources.push_back(station.source_id);
  }
  const std::vector<std::string> ids = series_ids(layout.stations);
  const int station_dim = file.dimension("station", std::max<std::size_t>(series->stations_, 1));
  // Unlimited, so that a run that stops early leaves a file as long as its hours.
  const int time_dim = file.dimension("time", NC_UNLIMITED);
  const int nv_dim = file.dimension("nv", 2);
  const int strlen_dim = file.dimension("name_strlen", longest(names));
  const int id_strlen_dim = file.dimension("id_strlen", longest(ids));
  const int source_strlen_dim = file.dimension("source_id_strlen", longest(sources));

  const std::size_t time_chunk = static_cast<std::size_t>(series->chunk_hours_);
  file.define_time(time_dim, nv_dim, time_units(layout.start, layout.offset),
                   layout.period_hours == 1 ? "end of the hour" : "end of the reading's period",
                   time_chunk);

  const int id_var = text_variable(file, "station_id", station_dim, id_strlen_dim,
                                   "series id: letter of the kind (H hourly, K climate, "
                                   "S collector) and source id, or station name where that "
                                   "is not known");
  file.text(id_var, "cf_role", "timeseries_id");
  const int name_var = text_variable(file, "station_name", station_dim, strlen_dim,
                                     "station name as the file gives it");
  const int source_var =
      text_variable(file, "source_id", station_dim, source_strlen_dim,
                    "station id in the source the file was imported from (empty: not known)");
  const int kind_var =
      station_variable(file, "station_kind", NC_BYTE, station_dim, "kind of station");
  const signed char flags[] = {0, 1, 2, 3};
  file.check(nc_put_att_schar(ncid, kind_var, "flag_values", NC_BYTE, 4, flags));
  file.text(kind_var, "flag_meanings", "unknown hourly climate collector");
  // x and y are projection coordinates only where the CRS says of what.
  const int x_var =
      station_variable(file, "x", NC_DOUBLE, station_dim, "first coordinate (easting)");
  const int y_var =
      station_variable(file, "y", NC_DOUBLE, station_dim, "second coordinate (northing)");
  const int height_var = station_variable(file, "height", NC_DOUBLE, station_dim, "station height");
  file.text(height_var, "standard_name", "surface_altitude");
  file.text(height_var, "units", "m");
  file.text(height_var, "positive", "up");
  int lat_var = -1, lon_var = -1;
  GridMappings mappings;
  if (projection) {
    lat_var = station_variable(file, "lat", NC_DOUBLE, station_dim, "latitude (WGS 84)");
    file.text(lat_var, "standard_name", "latitude");
    file.text(lat_var, "units", "degrees_north");
    lon_var = station_variable(file, "lon", NC_DOUBLE, station_dim, "longitude (WGS 84)");
    file.text(lon_var, "standard_name", "longitude");
    file.text(lon_var, "units", "degrees_east");
    mappings = define_grid_mappings(file, *projection, layout.crs, CrsDetail::named, warnings);
    file.text(x_var, "standard_name", "projection_x_coordinate");
    file.text(x_var, "units", mappings.xy_units);
    file.text(y_var, "standard_name", "projection_y_coordinate");
    file.text(y_var, "units", mappings.xy_units);
  }

  const int values_dims[] = {station_dim, time_dim};
  const int var = series->precipitation_ = file.variable("precipitation", NC_DOUBLE, values_dims);
  const std::size_t values_chunk[] = {series->chunk_stations_, time_chunk};
  file.check(nc_def_var_chunking(ncid, var, NC_CHUNKED, values_chunk));
  // Level 1: the values are few decimals, mostly zero, and deflate to a
  // twentieth of their size at the lowest level. Shuffling their bytes first
  // costs more time and gives a larger file.
  file.check(nc_def_var_deflate(ncid, var, 0, 1, 1));
  file.check(nc_def_var_fill(ncid, var, 0, &series->fill_));
  file.text(var, "standard_name", "lwe_thickness_of_precipitation_amount");
  file.text(var, "long_name",
            layout.period_hours == 1 ? "precipitation of the hour before time"
                                     : "precipitation of the period in time_bnds");
  file.text(var, "units", "mm");
  file.text(var, "cell_methods", "time: sum");
  file.text(var, "coordinates",
            projection ? "time lat lon x y height station_id station_name source_id"
                       : "time x y height station_id station_name source_id");
  if (projection) file.text(var, "grid_mapping", mappings.attribute);

  file.text(NC_GLOBAL, "Conventions", "CF-1.8");
  file.text(NC_GLOBAL, "featureType", "timeSeries");
  file.text(NC_GLOBAL, "title", layout.title);
  file.text(NC_GLOBAL, "history", layout.history);
  file.text(NC_GLOBAL, "source", layout.source);
  file.text(NC_GLOBAL, "time_base",
            "UTC" + format_utc_offset(layout.offset) + ", hour h ends at h:00");
  file.number(NC_GLOBAL, "nodata", layout.nodata);
  for (const auto& [attribute, value] : layout.run_numbers) {
    file.number(NC_GLOBAL, attribute.c_str(), value);
  }
  file.check(nc_enddef(ncid));
  // Whole chunks are written at once, so the library need not keep any. (Set
  // before the variable is made in the file, the library's default holds.)
  file.check(nc_set_var_chunk_cache(ncid, var, 0, 0, 0.0f));

  // The stations, now that everything is defined.
  const std::size_t count = series->stations_;
  std::vector<signed char> kinds;
  std::vector<double> xs, ys, heights, lats, lons;
  for (std::size_t i = 0; i < count; ++i) {
    const SeriesStation& station = layout.stations[i];
    kinds.push_back(static_cast<signed char>(station.kind));
    xs.push_back(station.x);
    ys.push_back(station.y);
    heights.push_back(station.height);
    if (projection) {
      lats.push_back(places[i].lat);
      lons.push_back(places[i].lon);
    }
  }
  if (count > 0) {
    put_texts(file, id_var, ids);
    put_texts(file, name_var, names);
    put_texts(file, source_var, sources);
    file.check(nc_put_var_schar(ncid, kind_var, kinds.data()));
    file.check(nc_put_var_double(ncid, x_var, xs.data()));
    file.check(nc_put_var_double(ncid, y_var, ys.data()));
    file.check(nc_put_var_double(ncid, height_var, heights.data()));
    if (projection) {
      file.check(nc_put_var_double(ncid, lat_var, lats.data()));
      file.check(nc_put_var_double(ncid, lon_var, lons.data()));
    }
  }
  if (projection) write_grid_mappings(file, mappings);
  Block& block = series->block_;
  block.values =
      take_memory(exit_code::memory_sums, [&] { return std::vector<double>(count * time_chunk); });
  block.times.resize(time_chunk);
  block.bounds.resize(2 * time_chunk);
  return series;
}

NetcdfSeries::~NetcdfSeries() {
  if (file_.id() < 0) return;
  // A run that fails keeps what it has, as the result file does; a second
  // failure here has nobody to tell. The file is closed after it.
  try {
    write_block();
  } catch (...) {
  }
}

void NetcdfSeries::add(const HourStamp& stamp, std::span<const double> values) {
  add(std::span<const HourStamp>{&stamp, 1}, values);
}

void NetcdfSeries::add(std::span<const HourStamp> stamps, std::span<const double> values) {
  const std::size_t chunk = static_cast<std::size_t>(chunk_hours_);
  for (std::size_t done = 0; done < stamps.size();) {
    // The records that fit in the block, put in station by station:
    // each station's hours lie side by side there.
    const std::size_t count = std::min(stamps.size() - done, chunk - held_);
    for (std::size_t k = 0; k < count; ++k) {
      const long end = hours_since(start_, stamps[done + k]) + period_hours_ - 1;
      block_.times[held_ + k] = static_cast<double>(end);
    }
    const double* const record = values.data() + done * stations_;
    double* const column = block_.values.data() + held_;
    const std::size_t stations = stations_;
    const double missing = -nodata_;
    const double fill = fill_;
    for (std::size_t s = 0; s < stations; ++s) {
      for (std::size_t k = 0; k < count; ++k) {
        const double value = record[k * stations + s];
        column[s * chunk + k] = value > missing ? value : fill;
      }
    }
    done += count;
    held_ += count;
    if (held_ == chunk) write_block();
  }
}

void NetcdfSeries::write_block() {
  if (held_ == 0) return;
  const std::size_t origin = written_;
  const std::size_t hours = held_;
  const std::size_t chunk = static_cast<std::size_t>(chunk_hours_);
  double* const values = block_.values.data();
  if (hours < chunk) {
    // Each station's hours right after the one before's, as the library
    // takes them.
    for (std::size_t s = 1; s < stations_; ++s) {
      std::copy_n(values + s * chunk, hours, values + s * hours);
    }
  }
  // Given to the file before the library is asked: a block that fails is
  // not written again (closed up twice) when the file is closed after it.
  written_ += hours;
  held_ = 0;
  file_.write_time(origin, {block_.times.data(), hours}, static_cast<double>(period_hours_),
                   block_.bounds);
  // One group of stations at a time, the chunks in the order they lie: the
  // library holds every chunk of a call until the call ends.
  for (std::size_t first = 0; first < stations_; first += chunk_stations_) {
    const std::size_t group_start[] = {first, origin};
    const std::size_t group_count[] = {std::min(chunk_stations_, stations_ - first), hours};
    file_.check(nc_put_vara_double(file_.id(), precipitation_, group_start, group_count,
                                   values + first * hours));
  }
}

void NetcdfSeries::finish() {
  write_block();
  file_.close();
}

}  // namespace rumo
