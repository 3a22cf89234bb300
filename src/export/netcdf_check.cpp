#include "export/netcdf_check.hpp"

#include <netcdf.h>

#include "core/error.hpp"

namespace rumo {

void fail_netcdf(int code, bool creating, const std::string& name, int status) {
  throw RunError{code, Stream::err,
                 (creating ? "rumo: cannot create the NetCDF file "
                           : "rumo: could not write the NetCDF file ") +
                     name + ": " + nc_strerror(status) + "\n"};
}

void text_attribute(const NetcdfCheck& check, int ncid, int var, const char* attribute,
                    const std::string& value) {
  check(nc_put_att_text(ncid, var, attribute, value.size(), value.c_str()));
}

void double_attribute(const NetcdfCheck& check, int ncid, int var, const char* attribute,
                      const std::vector<double>& values) {
  check(nc_put_att_double(ncid, var, attribute, NC_DOUBLE, values.size(), values.data()));
}

}  // namespace rumo
