// Station series as a CF-1.8 NetCDF-4 file: the discrete sampling geometry
// "timeSeries", orthogonal (station x time), deflated and chunked so that
// one station's series reads in a few chunks.
#pragma once

#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "core/projection.hpp"
#include "core/window.hpp"
#include "export/series.hpp"
#include "output/netcdf_writer.hpp"

namespace rumo {

class NetcdfSeries {
 public:
  // Creates the file and defines everything (dimensions, variables,
  // attributes, the stations and, where the CRS is known, their latitude and
  // longitude and the CF grid mappings). Throws RunError with `create_code`
  // where the file cannot be created, exit_code::export_bad_crs where the
  // CRS cannot be used; later failures throw with `write_code`, from the call
  // that writes. `warnings` is told where the CRS is not known, or is one CF
  // has no grid mapping for.
  static std::unique_ptr<NetcdfSeries> create(const std::string& name, const SeriesLayout& layout,
                                              int create_code, int write_code,
                                              std::ostream& warnings);
  // A file that was not finished is closed as it stands: the records added
  // so far are in it, the time axis as long as they are, but for a block
  // whose writing failed and those after it.
  ~NetcdfSeries();
  NetcdfSeries(const NetcdfSeries&) = delete;
  NetcdfSeries& operator=(const NetcdfSeries&) = delete;

  // One record: its stamp and one value per station, in the layout's order.
  // The stamps must follow each other in time (the caller checks). The
  // records are held and written a block at a time, by the call that
  // fills the block.
  void add(const HourStamp& stamp, std::span<const double> values);
  // As many records as `stamps`, their values one record after the other.
  void add(std::span<const HourStamp> stamps, std::span<const double> values);

  // Writes what is held back and closes the file.
  void finish();

  // Hours held before they are written together: every station's, at most
  // about 8 MB, at least a day, at most a leap year. A chunk of the values
  // is a group of neighbouring stations over these hours.
  long chunk_hours() const { return chunk_hours_; }

 private:
  NetcdfSeries(const std::string& name, const SeriesLayout& layout, int create_code,
               int write_code);
  // Writes the records held and holds none. A short block, only ever the
  // last, is closed up first.
  void write_block();

  NetcdfWriter file_;
  int precipitation_ = -1;
  std::size_t stations_;
  std::chrono::year_month_day start_;
  int period_hours_;
  double nodata_;
  double fill_;
  long chunk_hours_;
  std::size_t chunk_stations_;  // neighbouring stations in a chunk
  std::size_t written_ = 0;     // records given to the file
  std::size_t held_ = 0;        // records in the block
  // The records held before they are written: station-major, as the file
  // lies (value k of station s at s * chunk_hours_ + k), with their times
  // and room for the times' bounds.
  struct Block {
    std::vector<double> values;
    std::vector<double> times;
    std::vector<double> bounds;
  } block_;
};

}  // namespace rumo
