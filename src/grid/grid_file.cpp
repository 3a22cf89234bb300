#include "grid/grid_file.hpp"

#include <netcdf.h>

#include <algorithm>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "core/number_text.hpp"
#include "output/cf_grid_mapping.hpp"

namespace rumo {

namespace {

// The cells of a chunk: up to 32 by 32 neighbouring cells over as many hours
// as make about a mebibyte of values. One hour's field then reads every
// chunk of its stretch of hours, and one cell's series one chunk per
// stretch: for 50,000 cells over a year, about 40 MB to inflate either way.
constexpr std::size_t kTileSide = 32;
constexpr std::size_t kChunkValues = std::size_t{1} << 18;
// The block of every cell's hours held before it is written stays below
// this, so that a large grid makes shorter chunks rather than a large block.
constexpr std::size_t kBlockBytes = std::size_t{64} << 20;
constexpr std::size_t kMaxChunkHours = 366 * 24;

std::size_t chunk_hours_for(const GridGeometry& grid) {
  const std::size_t tile = std::min(kTileSide, grid.rows) * std::min(kTileSide, grid.columns);
  const std::size_t hours =
      std::min(kChunkValues / std::max<std::size_t>(tile, 1),
               kBlockBytes / (sizeof(float) * std::max<std::size_t>(grid.cells(), 1)));
  return std::clamp<std::size_t>(hours / 24 * 24, 24, kMaxChunkHours);
}

int coordinate_variable(NetcdfWriter& file, const char* name, int dim, const char* long_name,
                        const char* standard_name, const char* axis) {
  const int var = file.variable(name, NC_DOUBLE, {&dim, 1});
  file.text(var, "standard_name", standard_name);
  file.text(var, "long_name", long_name);
  file.text(var, "axis", axis);
  return var;
}

int place_variable(NetcdfWriter& file, const char* name, const int* dims, const char* standard_name,
                   const char* units) {
  const int var = file.variable(name, NC_DOUBLE, {dims, 2});
  file.text(var, "standard_name", standard_name);
  file.text(var, "long_name", std::string(standard_name) + " of the cell centre");
  file.text(var, "units", units);
  return var;
}

}  // namespace

GridFile::GridFile(const std::string& name, const GridLayout& layout, int create_code,
                   int write_code)
    : file_(name, "grid file", create_code, write_code),
      geometry_(layout.geometry),
      band_rows_(std::min(kTileSide, layout.geometry.rows)),
      chunk_hours_(chunk_hours_for(layout.geometry)) {}

std::unique_ptr<GridFile> GridFile::create(const std::string& name, const GridLayout& layout,
                                           int create_code, int write_code,
                                           std::ostream& warnings) {
  const GridGeometry& grid = layout.geometry;
  // The CRS and every cell's place in it are tried before the file is made,
  // so that a wrong one leaves no file.
  std::unique_ptr<Projection> projection;
  std::vector<double> lats, lons;
  if (!layout.crs.empty()) {
    projection = planar_projection(layout.crs);
    take_memory(exit_code::memory_sums, [&] {
      lats.reserve(grid.cells());
      lons.reserve(grid.cells());
      return 0;
    });
    for (std::size_t j = 0; j < grid.rows; ++j) {
      for (std::size_t i = 0; i < grid.columns; ++i) {
        const auto place = projection->inverse({grid.x(i), grid.y(j)});
        if (!place) {
          throw RunError{exit_code::export_bad_crs, Stream::err,
                         "rumo: the grid cell at (" + shortest_text(grid.x(i)) + ", " +
                             shortest_text(grid.y(j)) + ") has no latitude and longitude in " +
                             layout.crs + "\n"};
        }
        lats.push_back(place->lat);
        lons.push_back(place->lon);
      }
    }
  }

  std::unique_ptr<GridFile> grid_file(new GridFile(name, layout, create_code, write_code));
  NetcdfWriter& file = grid_file->file_;
  const int ncid = file.id();
  // Unlimited, so that a run that stops early leaves a file as long as its hours.
  const int time_dim = file.dimension("time", NC_UNLIMITED);
  const int y_dim = file.dimension("y", grid.rows);
  const int x_dim = file.dimension("x", grid.columns);
  const int nv_dim = file.dimension("nv", 2);
  const std::size_t time_chunk = grid_file->chunk_hours_;
  file.define_time(time_dim, nv_dim, layout.time_units, "end of the hour", time_chunk);

  const int y_var =
      coordinate_variable(file, "y", y_dim, "second coordinate of the cell centre (northing)",
                          "projection_y_coordinate", "Y");
  const int x_var =
      coordinate_variable(file, "x", x_dim, "first coordinate of the cell centre (easting)",
                          "projection_x_coordinate", "X");
  int lat_var = -1, lon_var = -1;
  GridMappings mappings;
  const int place_dims[] = {y_dim, x_dim};
  if (projection) {
    lat_var = place_variable(file, "lat", place_dims, "latitude", "degrees_north");
    lon_var = place_variable(file, "lon", place_dims, "longitude", "degrees_east");
    mappings = define_grid_mappings(file, *projection, layout.crs, CrsDetail::numbers, warnings);
    file.text(x_var, "units", mappings.xy_units);
    file.text(y_var, "units", mappings.xy_units);
  }

  const int values_dims[] = {time_dim, y_dim, x_dim};
  const int var = grid_file->precipitation_ = file.variable("precipitation", NC_FLOAT, values_dims);
  const std::size_t values_chunk[] = {time_chunk, grid_file->band_rows_,
                                      std::min(kTileSide, grid.columns)};
  file.check(nc_def_var_chunking(ncid, var, NC_CHUNKED, values_chunk));
  // Level 1 with the bytes of the floats shuffled first: a fifth smaller and
  // a fifth faster to deflate than without (a year of 50,000 cells).
  file.check(nc_def_var_deflate(ncid, var, 1, 1, 1));
  file.check(nc_def_var_fill(ncid, var, 0, &layout.fill));
  file.text(var, "standard_name", "lwe_thickness_of_precipitation_amount");
  file.text(var, "long_name", "precipitation of the hour before time");
  file.text(var, "units", "mm");
  file.text(var, "cell_methods", "time: sum");
  if (projection) {
    file.text(var, "coordinates", "lat lon");
    file.text(var, "grid_mapping", mappings.attribute);
  }

  file.text(NC_GLOBAL, "Conventions", "CF-1.8");
  file.text(NC_GLOBAL, "title", layout.title);
  file.text(NC_GLOBAL, "history", layout.history);
  file.text(NC_GLOBAL, "source", layout.source);
  file.text(NC_GLOBAL, "time_base", layout.time_base);
  for (const auto& [attribute, value] : layout.numbers) {
    file.number(NC_GLOBAL, attribute.c_str(), value);
  }
  for (const auto& [attribute, count] : layout.counts) {
    file.count(NC_GLOBAL, attribute.c_str(), count);
  }
  file.check(nc_enddef(ncid));
  // Whole chunks are written at once, so the library need not keep any.
  file.check(nc_set_var_chunk_cache(ncid, var, 0, 0, 0.0f));

  std::vector<double> xs(grid.columns), ys(grid.rows);
  for (std::size_t i = 0; i < grid.columns; ++i) xs[i] = grid.x(i);
  for (std::size_t j = 0; j < grid.rows; ++j) ys[j] = grid.y(j);
  file.check(nc_put_var_double(ncid, x_var, xs.data()));
  file.check(nc_put_var_double(ncid, y_var, ys.data()));
  if (projection) {
    file.check(nc_put_var_double(ncid, lat_var, lats.data()));
    file.check(nc_put_var_double(ncid, lon_var, lons.data()));
    write_grid_mappings(file, mappings);
  }
  grid_file->values_ = take_memory(exit_code::memory_sums,
                                   [&] { return std::vector<float>(time_chunk * grid.cells()); });
  grid_file->times_.resize(time_chunk);
  grid_file->bounds_.resize(2 * time_chunk);
  return grid_file;
}

GridFile::~GridFile() {
  if (!open_) return;
  // A run that fails keeps what it has, as the result file does; a second
  // failure here has nobody to tell.
  try {
    write_block();
  } catch (...) {
  }
}

float* GridFile::row(std::size_t k, std::size_t row) {
  const std::size_t band = row / band_rows_;
  const std::size_t first = band * band_rows_;
  const std::size_t rows = std::min(band_rows_, geometry_.rows - first);
  const std::size_t columns = geometry_.columns;
  return values_.data() + first * chunk_hours_ * columns +
         ((held_ + k) * rows + (row - first)) * columns;
}

void GridFile::filled(std::span<const double> ends) {
  std::copy(ends.begin(), ends.end(), times_.begin() + static_cast<long>(held_));
  held_ += ends.size();
  if (held_ == chunk_hours_) write_block();
}

void GridFile::write_block() {
  if (held_ == 0) return;
  const std::size_t origin = written_;
  const std::size_t hours = held_;
  // Given to the file before the library is asked: a block that fails is
  // not written again when the file is closed after it.
  written_ += hours;
  held_ = 0;
  file_.write_time(origin, {times_.data(), hours}, 1.0, bounds_);
  const std::size_t columns = geometry_.columns;
  for (std::size_t first = 0; first < geometry_.rows; first += band_rows_) {
    const std::size_t band_start[] = {origin, first, 0};
    const std::size_t band_count[] = {hours, std::min(band_rows_, geometry_.rows - first), columns};
    file_.check(nc_put_vara_float(file_.id(), precipitation_, band_start, band_count,
                                  values_.data() + first * chunk_hours_ * columns));
  }
}

void GridFile::finish() {
  open_ = false;
  write_block();
  file_.close();
}

}  // namespace rumo
