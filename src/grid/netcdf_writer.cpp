#include "grid/netcdf_writer.hpp"

#include <netcdf.h>

#include "core/error.hpp"

namespace rumo {

NetcdfWriter::NetcdfWriter(std::string name, const char* what, int create_code, int write_code)
    : name_(std::move(name)), what_(what), write_code_(write_code) {
  const int status = nc_create(name_.c_str(), NC_NETCDF4 | NC_CLOBBER, &ncid_);
  if (status != NC_NOERR) {
    ncid_ = -1;
    fail_added_file(create_code, what_, name_, nc_strerror(status));
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
  if (status != NC_NOERR) fail_added_file(write_code_, what_, name_, nc_strerror(status));
}

int NetcdfWriter::dimension(const char* name, std::size_t length) {
  int dim = -1;
  check(nc_def_dim(ncid_, name, length, &dim));
  return dim;
}

void NetcdfWriter::text(int var, const char* attribute, const std::string& value) {
  check(nc_put_att_text(ncid_, var, attribute, value.size(), value.c_str()));
}

void NetcdfWriter::number(int var, const char* attribute, double value) {
  check(nc_put_att_double(ncid_, var, attribute, NC_DOUBLE, 1, &value));
}

void NetcdfWriter::count(int var, const char* attribute, int value) {
  check(nc_put_att_int(ncid_, var, attribute, NC_INT, 1, &value));
}

void NetcdfWriter::define_time(int time_dim, const std::string& units, std::size_t chunk) {
  check(nc_def_var(ncid_, "time", NC_DOUBLE, 1, &time_dim, &time_));
  text(time_, "standard_name", "time");
  text(time_, "long_name", "end of the hour");
  text(time_, "units", units);
  text(time_, "calendar", "standard");
  text(time_, "axis", "T");
  text(time_, "bounds", "time_bnds");
  check(nc_def_var_chunking(ncid_, time_, NC_CHUNKED, &chunk));
  // The chunks of a short series are mostly empty; deflated they take no room.
  check(nc_def_var_deflate(ncid_, time_, 0, 1, 1));
  const int bounds_dims[] = {time_dim, dimension("nv", 2)};
  check(nc_def_var(ncid_, "time_bnds", NC_DOUBLE, 2, bounds_dims, &bounds_));
  const std::size_t bounds_chunk[] = {chunk, 2};
  check(nc_def_var_chunking(ncid_, bounds_, NC_CHUNKED, bounds_chunk));
  check(nc_def_var_deflate(ncid_, bounds_, 0, 1, 1));
}

void NetcdfWriter::write_time(std::size_t origin, std::span<const double> ends,
                              std::span<double> bounds) {
  for (std::size_t k = 0; k < ends.size(); ++k) {
    bounds[2 * k] = ends[k] - 1.0;
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
