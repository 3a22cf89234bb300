// Hourly fields of a grid as a CF-1.8 NetCDF-4 file: precipitation(time, y,
// x) as 32-bit floats, deflated, in chunks of neighbouring cells over a
// stretch of hours, so that one hour's field and one cell's series both come
// out of a moderate number of chunks.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "grid/grid_geometry.hpp"
#include "output/netcdf_writer.hpp"

namespace rumo {

// Everything the file says besides its values.
struct GridLayout {
  GridGeometry geometry;
  // Empty: the CRS is not known, and no latitude, longitude or crs is written.
  std::string crs;
  std::string time_units;  // "hours since 2001-07-24 00:00:00 +01:00"
  std::string time_base;   // "UTC+01:00, hour h ends at h:00"
  float fill = -9999.0f;   // written where a cell has no value
  std::string title;
  std::string history;  // the command line
  std::string source;   // the files read
  // Further numbers (the run's parameters, the cell size) and counts (of
  // the sources), as global attributes under these names.
  std::vector<std::pair<std::string, double>> numbers;
  std::vector<std::pair<std::string, int>> counts;
};

class GridFile {
 public:
  // Creates the file and defines everything, with the cells' coordinates
  // and, where the CRS is known, their latitude and longitude and its CF
  // grid mapping. Throws RunError with `create_code` where the file cannot
  // be created, exit_code::export_bad_crs where the CRS cannot be used (PROJ
  // does not know it, or it is geographic) or a cell has no latitude and
  // longitude in it; later failures throw with `write_code`. `warnings` is
  // told where CF has no grid mapping for the CRS.
  static std::unique_ptr<GridFile> create(const std::string& name, const GridLayout& layout,
                                          int create_code, int write_code, std::ostream& warnings);
  // A file that was not finished is closed as it stands, with the hours
  // given to it so far, but for a block whose writing failed.
  ~GridFile();
  GridFile(const GridFile&) = delete;
  GridFile& operator=(const GridFile&) = delete;

  // Hours the block still takes before it is written.
  std::size_t room() const { return chunk_hours_ - held_; }
  // Where hour `k` of the room (k < room()) keeps row `row`: the grid's
  // columns, west to east.
  float* row(std::size_t k, std::size_t row);
  // The next hours of the room are filled: `ends` holds the end of each in
  // the time axis's unit. A block that is full is written.
  void filled(std::span<const double> ends);

  // Writes what is held back and closes the file.
  void finish();

  // The hours of a chunk, and of a block of every cell held before it is
  // written.
  std::size_t chunk_hours() const { return chunk_hours_; }
  // The rows of a band: the cells of a chunk are a band's rows by up to as
  // many columns.
  std::size_t band_rows() const { return band_rows_; }

 private:
  GridFile(const std::string& name, const GridLayout& layout, int create_code, int write_code);
  void write_block();

  NetcdfWriter file_;
  bool open_ = true;
  int precipitation_ = -1;
  GridGeometry geometry_;
  std::size_t band_rows_;
  std::size_t chunk_hours_;
  std::size_t written_ = 0;  // hours given to the file
  std::size_t held_ = 0;     // hours in the block
  // The block, band after band (band b's rows over every hour of the
  // block, hour-major), so that each band's hours lie together as the
  // library takes them, a short block's too.
  std::vector<float> values_;
  std::vector<double> times_;
  std::vector<double> bounds_;
};

}  // namespace rumo
