// A NetCDF-4 file being written through netCDF-C, the one way the program
// calls the library: every call checked, a failure turned into the run's
// error with the file's name and the library's words, the file closed on
// every path. The CF time axis of totals over periods (time and time_bnds)
// is defined and written here as well.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace rumo {

class NetcdfWriter {
 public:
  // Creates the file (NetCDF-4, replacing one of the name), in define mode,
  // without the library's fill of values that are written anyway. `what`
  // names it in messages ("NetCDF file", "grid file"): a file that cannot be
  // created throws RunError with `create_code` ("rumo: cannot create the
  // WHAT NAME: REASON"), every later failure with `write_code` ("rumo: could
  // not write the WHAT NAME: REASON").
  NetcdfWriter(std::string name, const char* what, int create_code, int write_code);
  // Closes a file that was not closed, as it stands.
  ~NetcdfWriter();
  NetcdfWriter(const NetcdfWriter&) = delete;
  NetcdfWriter& operator=(const NetcdfWriter&) = delete;

  int id() const { return ncid_; }
  const std::string& name() const { return name_; }
  // Throws where `status` is a failure of the library.
  void check(int status) const;

  int dimension(const char* name, std::size_t length);
  // A variable of netCDF type `type` over `dims`.
  int variable(const char* name, int type, std::span<const int> dims);
  void text(int var, const char* attribute, const std::string& value);
  // One number, or several ("standard_parallel = 49., 44.").
  void numbers(int var, const char* attribute, std::span<const double> values);
  void number(int var, const char* attribute, double value) {
    numbers(var, attribute, {&value, 1});
  }
  void count(int var, const char* attribute, int value);

  // time(time) as the end of each period in `units` ("hours since ..."),
  // described by `long_name`, with time_bnds(time, nv) its start and end,
  // both in chunks of `chunk` periods.
  void define_time(int time_dim, int nv_dim, const std::string& units, const char* long_name,
                   std::size_t chunk);
  // Periods origin.. of the axis, of `length` in the axis's unit, ending at
  // `ends`; `bounds` is room for two values a period.
  void write_time(std::size_t origin, std::span<const double> ends, double length,
                  std::span<double> bounds);

  // Closes the file; a failure throws.
  void close();

 private:
  std::string name_;
  std::string what_;
  int write_code_;
  int ncid_ = -1;
  int time_ = -1;
  int bounds_ = -1;
};

}  // namespace rumo
