// The run's hours as a grid (--grid-netcdf): every written hour interpolated
// onto the cells from every station of the result file with a value in that
// hour, as the result file writes it. Created before any data is read, told
// every hour the result file receives, finished at the end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/run_addition.hpp"
#include "core/workers.hpp"
#include "grid/grid_file.hpp"
#include "grid/grid_idw.hpp"

namespace rumo {

class GridAddition : public RunAddition {
 public:
  // What the file the options name will hold, with that file checked but not
  // touched: the grid over the extent asked for or the stations' bounding
  // box, the time base and CRS as for --netcdf. A file that cannot be
  // created, that names a file of the run (`taken`, which gains its name),
  // or a grid that cannot be made stops the run with
  // exit_code::added_file_not_created.
  static GridLayout plan(const AdditionSetup& setup, std::vector<std::string>& taken);
  // Makes the planned file (exit_code::added_file_not_created if the
  // library cannot, exit_code::export_bad_crs for a CRS PROJ cannot use or
  // a geographic one, as for --netcdf);
  // the cells are shared out among the pool's threads.
  static std::unique_ptr<GridAddition> create(const AdditionSetup& setup, const GridLayout& layout,
                                              WorkerPool& pool);

  // One of the six raw lines, with the values as "%lg" writes them.
  void hour_as_read(const HourStamp& stamp, const HourField& field) override;
  // The day's written slots, with the values as the result lines write them.
  void day(const DayContext& day) override;
  // Closes the file; a failure ends the run with
  // exit_code::added_file_not_written.
  void finish() override;
  // The grid's size and the cell-hours without a source in reach.
  void summary(std::ostream& out) override;

 private:
  GridAddition(std::unique_ptr<GridFile> file, GridInterpolation interpolation,
               const AdditionSetup& setup, const GridLayout& layout, WorkerPool& pool);
  // Keeps an hour's values as written with `decimals` ("%lg" where negative).
  void keep(const HourStamp& stamp, const HourField& field, int decimals);
  // Interpolates the hours kept into the file.
  void write_kept();

  std::unique_ptr<GridFile> file_;
  GridInterpolation interpolation_;
  WorkerPool& pool_;
  std::string name_;
  GridGeometry geometry_;
  std::chrono::year_month_day start_;
  double nodata_;
  float fill_;
  int decimals_;
  std::size_t stations_;
  // The hours kept since the last were written: values one hour after the
  // other, which sources have one, and the end of each hour.
  std::vector<double> values_;
  std::vector<SourceSet> present_;
  std::vector<double> ends_;
  std::vector<long> unreached_;  // per part: cell-hours without a source in reach
  long hours_ = 0;
};

}  // namespace rumo
