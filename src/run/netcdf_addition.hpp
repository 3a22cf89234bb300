// The run's result as CF-NetCDF (--netcdf): created before any data is read,
// told every hour the result file receives, finished at the end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/params.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "export/netcdf_series.hpp"

namespace rumo {

class NetcdfAddition {
 public:
  // Null when the run is not asked for it. The time base and CRS come from
  // the hourly file's title line, else from the options. A file that cannot
  // be created, or that names a file of the run (`taken`), stops the run with
  // 111; a CRS PROJ cannot use with 134.
  static std::unique_ptr<NetcdfAddition> create(
      Console& console, FileSystem& files, const RunOptions& options, const RunParameters& params,
      const StationTable& stations, const StationCounts& counts, std::vector<std::string>& taken);

  // One of the six raw lines, with the values as "%lg" writes them.
  void raw_hour(const HourStamp& stamp, const HourField& field);
  // Slots 1..written of the window, with the values as the result lines
  // write them.
  void day(const HourWindow& window, int written);
  // Closes the file; a failure ends the run with 205.
  void finish();

 private:
  NetcdfAddition(std::unique_ptr<NetcdfSeries> file, int stations, double nodata, int decimals);
  void add(const HourStamp& stamp, const HourField& field, int decimals);

  std::unique_ptr<NetcdfSeries> file_;
  double nodata_;
  int decimals_;
  std::vector<double> values_;
};

}  // namespace rumo
