// A NetCDF-4 file being written through netCDF-C: every call of the library
// checked, a failure turned into the run's error with the file's name and
// the library's words, the file closed on every path. The CF time axis of
// hourly totals (time and time_bnds) is defined and written here as well.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace rumo {

class NetcdfWriter {
 public:
  // Creates the file (NetCDF-4, replacing one of the name), in define mode,
  // without the library's fill of values that are written anyway. `what`
  // names it in messages ("grid file"): a file that cannot be created
  // throws RunError with `create_code`, every later failure with
  // `write_code`.
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
  void text(int var, const char* attribute, const std::string& value);
  void number(int var, const char* attribute, double value);
  void count(int var, const char* attribute, int value);

  // time(time) as the end of each hour in `units` ("hours since ..."), with
  // time_bnds(time, nv) its start and end, both in chunks of `chunk` hours.
  void define_time(int time_dim, const std::string& units, std::size_t chunk);
  // Hours origin.. of the axis, ending at `ends`; `bounds` is room for two
  // values an hour.
  void write_time(std::size_t origin, std::span<const double> ends, std::span<double> bounds);

  // Closes the file; a failure throws.
  void close();

 private:
  std::string name_;
  const char* what_;
  int write_code_;
  int ncid_ = -1;
  int time_ = -1;
  int bounds_ = -1;
};

}  // namespace rumo
