// The run's result as CF-NetCDF (--netcdf): created before any data is read,
// told every hour the result file receives, finished at the end.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/run_addition.hpp"
#include "core/window.hpp"
#include "export/netcdf_series.hpp"

namespace rumo {

class NetcdfAddition : public RunAddition {
 public:
  // What the file the options name will hold, with that file checked but not
  // touched. The time base and CRS come from the hourly file's title line,
  // else from the options. A file that cannot be created, or that names a
  // file of the run (`taken`, which gains its name), stops the run with
  // exit_code::added_file_not_created; a CRS PROJ cannot use with
  // exit_code::export_bad_crs.
  static SeriesLayout plan(const AdditionSetup& setup, std::vector<std::string>& taken);
  // Makes the planned file (exit_code::added_file_not_created if the library cannot).
  static std::unique_ptr<NetcdfAddition> create(const AdditionSetup& setup,
                                                const SeriesLayout& layout);

  // One of the six raw lines, with the values as "%lg" writes them.
  void hour_as_read(const HourStamp& stamp, const HourField& field) override;
  // The day's written slots, with the values as the result lines write them.
  void day(const DayContext& day) override;
  // Closes the file; a failure ends the run with
  // exit_code::added_file_not_written.
  void finish() override;

 private:
  NetcdfAddition(std::unique_ptr<NetcdfSeries> file, int stations, double nodata, int decimals);
  // The values of `field` as written, as record `slot` of the records held.
  void convert(int slot, const HourField& field, int decimals);

  std::unique_ptr<NetcdfSeries> file_;
  double nodata_;
  int decimals_;
  std::size_t stations_;
  std::vector<double> records_;  // a day's records, one after the other
  std::array<HourStamp, 24> stamps_;
};

}  // namespace rumo
