#include "output/netcdf_writer.hpp"

#include <netcdf.h>

#include "core/error.hpp"

namespace rumo {

namespace {

[[noreturn]] void fail(int code, const char* doing, const std::string& what,
                       const std::string& name, int status) {
  throw RunError{code, Stream::err,
                 std::string("rumo: ") + doing + " the " + what + " " + name + ": " +
                     nc_strerror(status) + "\n"};
}

}  // namespace

NetcdfWriter::NetcdfWriter(std::string name, const char* what, int create_code, int write_code)
    : name_(std::move(name)), what_(what), write_code_(write_code) {
  const int status = nc_create(name_.c_str(), NC_NETCDF4 | NC_CLOBBER, &ncid_);
  if (status != NC_NOERR) {
    ncid_ = -1;
    fail(create_code, "cannot create", what_, name_, status);
  }
  int old_mode = 0;
  const int fill_status = nc_set_fill(ncid_, NC_NOFILL, &old_mode);
  if (fill_status != NC_NOERR) {
    // No destructor closes what a constructor that throws has opened.
    nc_close(ncid_);
    ncid_ = -1;
    check(fill_status);
  }
}

NetcdfWriter::~NetcdfWriter() {
  if (ncid_ >= 0) nc_close(ncid_);
}

void NetcdfWriter::check(int status) const {
  if (status != NC_NOERR) fail(write_code_, "could not write", what_, name_, status);
}

int NetcdfWriter::dimension(const char* name, std::size_t length) {
  int dim = -1;
  check(nc_def_dim(ncid_, name, length, &dim));
  return dim;
}

int NetcdfWriter::variable(const char* name, int type, std::span<const int> dims) {
  int var = -1;
  check(nc_def_var(ncid_, name, type, static_cast<int>(dims.size()), dims.data(), &var));
  return var;
}

void NetcdfWriter::text(int var, const char* attribute, const std::string& value) {
  check(nc_put_att_text(ncid_, var, attribute, value.size(), value.c_str()));
}

void NetcdfWriter::numbers(int var, const char* attribute, std::span<const double> values) {
  check(nc_put_att_double(ncid_, var, attribute, NC_DOUBLE, values.size(), values.data()));
}

void NetcdfWriter::count(int var, const char* attribute, int value) {
  check(nc_put_att_int(ncid_, var, attribute, NC_INT, 1, &value));
}

void NetcdfWriter::define_time(int time_dim, int nv_dim, const std::string& units,
                               const char* long_name, std::size_t chunk) {
  time_ = variable("time", NC_DOUBLE, {&time_dim, 1});
  text(time_, "standard_name", "time");
  text(time_, "long_name", long_name);
  text(time_, "units", units);
  text(time_, "calendar", "standard");
  text(time_, "axis", "T");
  text(time_, "bounds", "time_bnds");
  check(nc_def_var_chunking(ncid_, time_, NC_CHUNKED, &chunk));
  // The chunks of a short series are mostly empty; deflated they take no room.
  check(nc_def_var_deflate(ncid_, time_, 0, 1, 1));
  const int bounds_dims[] = {time_dim, nv_dim};
  bounds_ = variable("time_bnds", NC_DOUBLE, bounds_dims);
  const std::size_t bounds_chunk[] = {chunk, 2};
  check(nc_def_var_chunking(ncid_, bounds_, NC_CHUNKED, bounds_chunk));
  check(nc_def_var_deflate(ncid_, bounds_, 0, 1, 1));
}

void NetcdfWriter::write_time(std::size_t origin, std::span<const double> ends, double length,
                              std::span<double> bounds) {
  for (std::size_t k = 0; k < ends.size(); ++k) {
    bounds[2 * k] = ends[k] - length;
    bounds[2 * k + 1] = ends[k];
  }
  const std::size_t start[] = {origin, 0};
  const std::size_t count[] = {ends.size(), 2};
  check(nc_put_vara_double(ncid_, time_, start, count, ends.data()));
  check(nc_put_vara_double(ncid_, bounds_, start, count, bounds.data()));
}

void NetcdfWriter::close() {
  const int ncid = ncid_;
  ncid_ = -1;
  check(nc_close(ncid));
}

}  // namespace rumo
